#include "graphics/Surface.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "graphics/Pixel.h"

namespace frame::graphics {

PixelRect PixelRect::FromUnits(const IRECT& r, float scale)
{
  const IRECT p = r.GetScaled(scale).GetOutsideAligned();
  const PixelRect out{ClampToPixel(p.L), ClampToPixel(p.T), ClampToPixel(p.R), ClampToPixel(p.B)};
  return std::isnan(p.L + p.T + p.R + p.B) ? PixelRect{} : out;
}

void Surface::Resize(int width, int height, uint32_t fill)
{
  mWidth = std::max(width, 0);
  mHeight = std::max(height, 0);
  mPixels.assign(static_cast<size_t>(mWidth) * mHeight, fill);
}

void Surface::Fill(const PixelRect& r, uint32_t p)
{
  const PixelRect c = r.Intersect(Bounds());
  for (int y = c.T; y < c.B; ++y)
    std::fill(Row(y) + c.L, Row(y) + c.R, p);
}

IColor Surface::GetColor(int x, int y) const
{
  const uint32_t p = At(x, y);
  const uint32_t a = pixel::Alpha(p);
  return {static_cast<int>(a), static_cast<int>(pixel::Unpremultiply(pixel::Red(p), a)),
          static_cast<int>(pixel::Unpremultiply(pixel::Green(p), a)),
          static_cast<int>(pixel::Unpremultiply(pixel::Blue(p), a))};
}

void Surface::CopyToXRGB(const PixelRect& r, uint32_t* dst, int dstStride) const
{
  const PixelRect c = r.Intersect(Bounds());
  for (int y = c.T; y < c.B; ++y)
  {
    const uint32_t* src = Row(y) + c.L;
    uint32_t* out = dst + static_cast<std::ptrdiff_t>(y - r.T) * dstStride + (c.L - r.L);
    // Premultiplied colour is already the colour over black.
    for (int x = 0; x < c.W(); ++x)
      out[x] = src[x] & 0x00FFFFFFu;
  }
}

std::vector<uint8_t> Surface::ToStraightRGBA() const
{
  std::vector<uint8_t> out(mPixels.size() * 4);
  uint8_t* o = out.data();
  for (const uint32_t p : mPixels)
  {
    const uint32_t a = pixel::Alpha(p);
    o[0] = static_cast<uint8_t>(pixel::Unpremultiply(pixel::Red(p), a));
    o[1] = static_cast<uint8_t>(pixel::Unpremultiply(pixel::Green(p), a));
    o[2] = static_cast<uint8_t>(pixel::Unpremultiply(pixel::Blue(p), a));
    o[3] = static_cast<uint8_t>(a);
    o += 4;
  }
  return out;
}

} // namespace frame::graphics
