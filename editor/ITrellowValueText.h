#pragma once

#include "editor/IControl.h"
#include "editor/IGraphics.h"
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

/** A control of Base drawn as a bitmap frame over the value-text strip. Its drawing
 *  rectangle is height units from the bitmap's top; only the bitmap takes the mouse, so a
 *  press on the text falls through to the control underneath. */
template <class Base>
class ITrellowTextControl : public Base
{
public:
  /** (x, y) is the bitmap's top-left corner. */
  ITrellowTextControl(float x, float y, int paramIdx, const IBitmap& bitmap, float height)
    : Base(bitmapRectAt(x, y, bitmap), paramIdx), mBitmap(bitmap), mBitmapRect(bitmapRectAt(x, y, bitmap))
  {
    this->mRECT.B = y + height;
    mTextRect = this->mRECT.GetFromBottom(kTrellowTextStripHeight);
    this->mText = TrellowValueTextStyle();
  }

  void Draw(IGraphics& g) override { DrawFrameAndValueText(g, *this, mBitmap, mBitmapRect); }

  const IRECT& GetBitmapRECT() const { return mBitmapRect; }
  const IRECT& GetTextRECT() const { return mTextRect; }

protected:
  static IRECT bitmapRectAt(float x, float y, const IBitmap& bitmap)
  {
    return IRECT::MakeXYWH(x, y, static_cast<float>(bitmap.FW()), static_cast<float>(bitmap.FH()));
  }

  IBitmap mBitmap;
  IRECT mBitmapRect;
  IRECT mTextRect;
};

} // namespace frame::graphics
