#include "editor/ITrellowKnobTextControl.h"

#include "editor/ITrellowValueText.h"

namespace frame::graphics {

namespace {
IRECT bitmapRectAt(float x, float y, const IBitmap& bitmap)
{
  return IRECT::MakeXYWH(x, y, static_cast<float>(bitmap.FW()), static_cast<float>(bitmap.FH()));
}
} // namespace

ITrellowKnobTextControl::ITrellowKnobTextControl(float x, float y, int paramIdx, const IBitmap& bitmap)
  : IKnobControlBase(bitmapRectAt(x, y, bitmap), paramIdx), mBitmap(bitmap), mBitmapRect(bitmapRectAt(x, y, bitmap))
{
  // The drawing rectangle grows by the strip; the target rectangle stays the bitmap's.
  mRECT.B = y + static_cast<float>(bitmap.FH()) + kTrellowTextStripHeight;
  mTextRect = mRECT.GetFromBottom(kTrellowTextStripHeight);
  mText = TrellowValueTextStyle();
  mHideCursorOnDrag = false;
}

ITrellowKnobTextControl::~ITrellowKnobTextControl() = default;

void ITrellowKnobTextControl::Draw(IGraphics& g) { DrawFrameAndValueText(g, *this, mBitmap, mBitmapRect); }

} // namespace frame::graphics
