#pragma once

#include "editor/ITrellowValueText.h"

namespace frame::graphics {

/** A switch drawn as a frame of a multi-frame bitmap with its parameter's value text in a
 *  strip below; each press steps to the next frame, wrapping after the last. Its rectangle
 *  is 136 units high whatever the bitmap, so a taller bitmap reaches under the text. */
class ITrellowSwitchTextControl : public ITrellowTextControl<IControl>
{
public:
  static constexpr float kHeight = 136.f;

  /** (x, y) is the bitmap's top-left corner. */
  ITrellowSwitchTextControl(float x, float y, int paramIdx, const IBitmap& bitmap);
  ~ITrellowSwitchTextControl() override;

  /** Steps by the bitmap's frame count, not the parameter's number of states. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
};

} // namespace frame::graphics
