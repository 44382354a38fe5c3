#pragma once

#include "editor/IControl.h"
#include "graphics/IBitmap.h"

// What the effect's knob and switch share: a bitmap frame for the value over a strip with
// the parameter's value text.
namespace frame::graphics {

/** Height of the value-text strip at the bottom of a text control, in editor units. */
inline constexpr float kTrellowTextStripHeight = 44.f;

/** The value-text style: the editor's font, 26 units, pale yellow, centred at the bottom. */
IText TrellowValueTextStyle();

/** The bitmap's frame for the control's value, centred in bitmapRect, then the bound
 *  parameter's text of its current value at the bottom of the control's rectangle. */
void DrawFrameAndValueText(IGraphics& g, const IControl& control, const IBitmap& bitmap, const IRECT& bitmapRect);

} // namespace frame::graphics
