#include "editor/ITrellowSwitchTextControl.h"

#include "editor/IBitmapControl.h"

namespace frame::graphics {

ITrellowSwitchTextControl::ITrellowSwitchTextControl(float x, float y, int paramIdx, const IBitmap& bitmap)
  : ITrellowTextControl(x, y, paramIdx, bitmap, kHeight)
{
}

ITrellowSwitchTextControl::~ITrellowSwitchTextControl() = default;

void ITrellowSwitchTextControl::OnMouseDown(float, float, const IMouseMod&)
{
  SetValue(IBSwitchControl::NextValue(GetValue(), mBitmap.N()));
  SetDirty(true);
}

} // namespace frame::graphics
