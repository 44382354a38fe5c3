#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/Pixel.h"
#include "graphics/Renderer.h"

namespace frame::graphics {

namespace {

int toPixel(float units, float scale) { return ClampToPixel(std::round(units * scale)); }

/** Copies src onto dst inside area; src pixel (0, 0) lands on dst pixel (dx, dy). */
template <EBlend kMethod>
void blit(Surface& dst, const Surface& src, int sx, int sy, int dx, int dy, const PixelRect& area, uint32_t weight,
          bool opaque)
{
  const int n = area.W();
  const bool copyRows = kMethod != EBlend::Add && weight == 255 && (opaque || kMethod == EBlend::Clobber);
  for (int y = area.T; y < area.B; ++y)
  {
    const uint32_t* s = src.Row(sy + y - dy) + sx + (area.L - dx);
    uint32_t* d = dst.Row(y) + area.L;
    if (copyRows)
    {
      std::memcpy(d, s, static_cast<size_t>(n) * sizeof(uint32_t));
      continue;
    }
    for (int i = 0; i < n; ++i)
    {
      const uint32_t p = weight == 255 ? s[i] : pixel::Scale(s[i], weight);
      if constexpr (kMethod == EBlend::Default)
      {
        const uint32_t a = pixel::Alpha(p);
        if (a == 255)
          d[i] = p;
        else if (a)
          d[i] = pixel::Over(p, d[i]);
      }
      else
      {
        d[i] = pixel::Blend<kMethod>(p, d[i]);
      }
    }
  }
}

} // namespace

bool Renderer::DrawBitmap(const IBitmap& bitmap, const IRECT& rect, int frame, const IBlend* blend)
{
  Image* image = bitmap.GetAPIBitmap();
  if (!image)
    return false;

  const int n = std::max(bitmap.N(), 1);
  frame = std::clamp(frame, 1, n);
  const bool across = bitmap.GetFramesAreHorizontal();
  const int ox = across ? (frame - 1) * bitmap.W() / n : 0;
  const int oy = across ? 0 : (frame - 1) * bitmap.H() / n;
  const int res = image->ResolutionScale();
  const PixelRect src = PixelRect{ox * res, oy * res, (ox + bitmap.FW()) * res, (oy + bitmap.FH()) * res}.Intersect(
    image->Pixels().Bounds());
  if (src.Empty())
    return true;

  // Both edges snap to whole pixels: every blit of a frame is identical, so a partial
  // redraw matches a full one, and bitmaps that abut in units abut in pixels too.
  const float resF = static_cast<float>(res);
  const int dx = toPixel(rect.L, mScale), dy = toPixel(rect.T, mScale);
  const int dstW = std::max(toPixel(rect.L + static_cast<float>(src.W()) / resF, mScale) - dx, 1);
  const int dstH = std::max(toPixel(rect.T + static_cast<float>(src.H()) / resF, mScale) - dy, 1);
  const PixelRect cut{dx, dy, toPixel(rect.R, mScale), toPixel(rect.B, mScale)};
  const PixelRect area = PixelRect{dx, dy, dx + dstW, dy + dstH}.Intersect(cut).Intersect(GetClip());
  if (area.Empty())
    return true;

  const auto weight = static_cast<uint32_t>(BlendWeight(blend) * 255.f + 0.5f);
  const EBlend method = BlendMethod(blend);
  if (weight == 0 && method != EBlend::Clobber)
    return true;

  std::shared_ptr<const ScaledRegion> scaled;
  const Surface* from = &image->Pixels();
  int sx = src.L, sy = src.T;
  bool opaque = image->Opaque();
  if (dstW != src.W() || dstH != src.H())
  {
    scaled = image->GetScaled(src, dstW, dstH);
    from = &scaled->pixels;
    sx = sy = 0;
    opaque = scaled->opaque;
  }

  switch (method)
  {
    case EBlend::Clobber: blit<EBlend::Clobber>(*mSurface, *from, sx, sy, dx, dy, area, weight, opaque); break;
    case EBlend::Add: blit<EBlend::Add>(*mSurface, *from, sx, sy, dx, dy, area, weight, opaque); break;
    default: blit<EBlend::Default>(*mSurface, *from, sx, sy, dx, dy, area, weight, opaque); break;
  }
  return true;
}

} // namespace frame::graphics
