#pragma once

#include "editor/IKnobControlBase.h"
#include "editor/ITrellowValueText.h"

namespace frame::graphics {

/** A knob drawn as a frame of a multi-frame bitmap with its parameter's value text in a
 *  strip below, dragged vertically with the pointer kept visible. */
class ITrellowKnobTextControl : public ITrellowTextControl<IKnobControlBase>
{
public:
  /** (x, y) is the bitmap's top-left corner. */
  ITrellowKnobTextControl(float x, float y, int paramIdx, const IBitmap& bitmap);
  ~ITrellowKnobTextControl() override;
};

} // namespace frame::graphics
