#pragma once

#include "editor/IControl.h"
#include "graphics/IBitmap.h"

namespace frame::graphics {

/** The frame (1 ... n) that shows a normalised value on an n-frame bitmap: frames are
 *  evenly spread over 0 ... 1 with ties rounded upward. */
int BitmapFrameForValue(int nFrames, double value);

/** Mix-in for controls that draw one multi-frame bitmap. */
class IBitmapBase
{
public:
  explicit IBitmapBase(const IBitmap& bitmap) : mBitmap(bitmap) {}
  const IBitmap& GetBitmap() const { return mBitmap; }
  int FrameForValue(double value) const { return BitmapFrameForValue(mBitmap.N(), value); }

protected:
  IBitmap mBitmap;
};

/** Draws the bitmap frame for its value; without a parameter it is a picture (the
 *  editor's background). */
class IBitmapControl : public IControl, public IBitmapBase
{
public:
  /** The rectangle is the frame size with its top-left at (x, y). */
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = kNoParameter);
  IBitmapControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = kNoParameter);

  void Draw(IGraphics& g) override;
};

/** A switch stepping through the bitmap's frames on each press and wrapping to the first
 *  after the last. The frame is drawn centred in the rectangle. */
class IBSwitchControl : public IBitmapControl
{
public:
  IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx = kNoParameter);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void Draw(IGraphics& g) override;

  /** One step of a switch over an n-frame bitmap: up by 1 / (n - 1) (1 for a single
   *  frame), back to 0 once clearly past 1. The margin keeps a value that accumulated a
   *  hair above 1 on the last frame instead of wrapping it early. */
  static double NextValue(double value, int nFrames);
};

} // namespace frame::graphics
