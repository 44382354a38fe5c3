#include "editor/IBitmapControl.h"

#include "editor/IGraphics.h"

namespace frame::graphics {

int BitmapFrameForValue(int nFrames, double value)
{
  if (nFrames < 2)
    return 1;
  const double f = value * (nFrames - 1) + 0.5;
  // Written so that a NaN, like a negative intermediate, gives the first frame.
  if (!(f >= 0.0))
    return 1;
  if (f >= nFrames - 1)
    return nFrames;
  return 1 + static_cast<int>(f);
}

IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx)
  : IControl(IRECT::MakeXYWH(x, y, static_cast<float>(bitmap.FW()), static_cast<float>(bitmap.FH())), paramIdx),
    IBitmapBase(bitmap)
{
}

IBitmapControl::IBitmapControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx)
  : IControl(bounds, paramIdx), IBitmapBase(bitmap)
{
}

void IBitmapControl::Draw(IGraphics& g) { g.DrawBitmap(mBitmap, mRECT, FrameForValue(GetValue()), &mBlend); }

IBSwitchControl::IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx)
  : IBitmapControl(x, y, bitmap, paramIdx)
{
}

double IBSwitchControl::NextValue(double value, int nFrames)
{
  value += nFrames >= 2 ? 1.0 / (nFrames - 1) : 1.0;
  return value > 1.001 ? 0.0 : value;
}

void IBSwitchControl::OnMouseDown(float, float, const IMouseMod&)
{
  SetValue(NextValue(GetValue(), mBitmap.N()));
  SetDirty(true);
}

void IBSwitchControl::OnMouseUp(float, float, const IMouseMod&) { SetDirty(false); }

void IBSwitchControl::Draw(IGraphics& g)
{
  const IRECT frame = mRECT.GetCentredInside(static_cast<float>(mBitmap.FW()), static_cast<float>(mBitmap.FH()));
  g.DrawBitmap(mBitmap, frame, FrameForValue(GetValue()), &mBlend);
}

} // namespace frame::graphics
