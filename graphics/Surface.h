#pragma once

#include <cstdint>
#include <vector>

#include "graphics/IGraphicsStructs.h"

namespace frame::graphics {

/** A pixel coordinate as int: far outside any surface a plain conversion would be
 *  undefined, so it is limited first; not-a-number reads as 0. */
inline int ClampToPixel(float v)
{
  if (!(v == v))
    return 0;
  return static_cast<int>(v < -1.0e8f ? -1.0e8f : (v > 1.0e8f ? 1.0e8f : v));
}

/** A rectangle of whole pixels; right and bottom are exclusive. */
struct PixelRect
{
  int L = 0, T = 0, R = 0, B = 0;

  constexpr int W() const { return R - L; }
  constexpr int H() const { return B - T; }
  constexpr bool Empty() const { return R <= L || B <= T; }
  constexpr bool operator==(const PixelRect& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }

  constexpr PixelRect Intersect(const PixelRect& o) const
  {
    PixelRect r{L > o.L ? L : o.L, T > o.T ? T : o.T, R < o.R ? R : o.R, B < o.B ? B : o.B};
    return r.Empty() ? PixelRect{} : r;
  }

  /** The pixels an editor-unit rectangle touches at a draw scale, rounded outward. */
  static PixelRect FromUnits(const IRECT& r, float scale);
};

/** Pixels in memory as 32-bit words 0xAARRGGBB, rows top to bottom with no padding.
 *
 *  Colour channels are stored premultiplied by alpha: source-over then needs one multiply
 *  per channel, and filtering a scaled bitmap mixes transparent edge pixels without dark
 *  fringes. On little-endian machines the bytes are B, G, R, A, which is what a 32-bit X11
 *  image of a 24-bit TrueColor visual expects; an opaque surface can be handed over as is. */
class Surface
{
public:
  Surface() = default;
  Surface(int width, int height, uint32_t fill = 0) { Resize(width, height, fill); }

  /** New size; every pixel becomes fill (sizes below 0 count as 0). */
  void Resize(int width, int height, uint32_t fill = 0);

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  PixelRect Bounds() const { return {0, 0, mWidth, mHeight}; }
  bool Empty() const { return mWidth <= 0 || mHeight <= 0; }

  uint32_t* Row(int y) { return mPixels.data() + static_cast<size_t>(y) * mWidth; }
  const uint32_t* Row(int y) const { return mPixels.data() + static_cast<size_t>(y) * mWidth; }
  uint32_t* Data() { return mPixels.data(); }
  const uint32_t* Data() const { return mPixels.data(); }
  uint32_t At(int x, int y) const { return Row(y)[x]; }
  void Set(int x, int y, uint32_t p) { Row(y)[x] = p; }

  /** Fills the part of r inside the surface with a premultiplied pixel. */
  void Fill(const PixelRect& r, uint32_t p);

  /** Straight (not premultiplied) colour of one pixel. */
  IColor GetColor(int x, int y) const;

  /** Copies r into dst as 0x00RRGGBB words, the colour composited over black, for an X11
   *  24-bit TrueColor image. dst[0] stands for pixel (r.L, r.T); dstStride is in pixels.
   *  Words for pixels of r outside the surface are left as they are. */
  void CopyToXRGB(const PixelRect& r, uint32_t* dst, int dstStride) const;

  /** Straight RGBA bytes, R first, for image files. */
  std::vector<uint8_t> ToStraightRGBA() const;

private:
  int mWidth = 0, mHeight = 0;
  std::vector<uint32_t> mPixels;
};

} // namespace frame::graphics
