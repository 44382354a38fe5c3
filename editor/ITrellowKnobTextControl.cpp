#include "editor/ITrellowKnobTextControl.h"

namespace frame::graphics {

ITrellowKnobTextControl::ITrellowKnobTextControl(float x, float y, int paramIdx, const IBitmap& bitmap)
  : ITrellowTextControl(x, y, paramIdx, bitmap, static_cast<float>(bitmap.FH()) + kTrellowTextStripHeight)
{
  mHideCursorOnDrag = false;
}

ITrellowKnobTextControl::~ITrellowKnobTextControl() = default;

} // namespace frame::graphics
