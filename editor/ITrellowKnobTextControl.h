#pragma once

#include "editor/IKnobControlBase.h"
#include "editor/ITrellowValueText.h"

namespace frame::graphics {

/** A knob drawn as a frame of a multi-frame bitmap with its parameter's value text in a
 *  strip below, dragged vertically with the pointer kept visible. While the host modulates
 *  the parameter, a thin arc runs from the value to where the modulation takes it, ending
 *  in a dot on the value ring. */
class ITrellowKnobTextControl : public ITrellowTextControl<IKnobControlBase>
{
public:
  /** The knob's travel, in degrees clockwise from 12 o'clock, as the bitmap draws it. */
  static constexpr float kMinAngle = -135.f, kMaxAngle = 135.f;

  /** (x, y) is the bitmap's top-left corner. */
  ITrellowKnobTextControl(float x, float y, int paramIdx, const IBitmap& bitmap);
  ~ITrellowKnobTextControl() override;

  void Draw(IGraphics& g) override;
};

} // namespace frame::graphics
