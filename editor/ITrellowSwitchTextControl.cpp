#include "editor/ITrellowSwitchTextControl.h"

#include "editor/IBitmapControl.h"
#include "editor/ITrellowValueText.h"

namespace frame::graphics {

namespace {
IRECT bitmapRectAt(float x, float y, const IBitmap& bitmap)
{
  return IRECT::MakeXYWH(x, y, static_cast<float>(bitmap.FW()), static_cast<float>(bitmap.FH()));
}
} // namespace

ITrellowSwitchTextControl::ITrellowSwitchTextControl(float x, float y, int paramIdx, const IBitmap& bitmap)
  : IControl(bitmapRectAt(x, y, bitmap), paramIdx), mBitmap(bitmap), mBitmapRect(bitmapRectAt(x, y, bitmap))
{
  // The drawing rectangle grows to the fixed height; the target rectangle stays the bitmap's.
  mRECT.B = y + kHeight;
  mTextRect = mRECT.GetFromBottom(kTrellowTextStripHeight);
  mText = TrellowValueTextStyle();
}

ITrellowSwitchTextControl::~ITrellowSwitchTextControl() = default;

void ITrellowSwitchTextControl::OnMouseDown(float, float, const IMouseMod&)
{
  SetValue(IBSwitchControl::NextValue(GetValue(), mBitmap.N()));
  SetDirty(true);
}

void ITrellowSwitchTextControl::Draw(IGraphics& g) { DrawFrameAndValueText(g, *this, mBitmap, mBitmapRect); }

} // namespace frame::graphics
