#include "graphics/Renderer.h"

#include <algorithm>
#include <cmath>

#include "graphics/Pixel.h"

namespace frame::graphics {

namespace {

constexpr float kPi = 3.14159265358979f;
// Largest distance in pixels between a true curve and the polygon drawn for it.
constexpr float kCurveTolerance = 0.05f;

template <EBlend kMethod>
void fillRectCoverage(Surface& s, const PixelRect& area, float x0, float x1, float y0, float y1, uint32_t color)
{
  auto coverage = [](int i, float lo, float hi) {
    const float c = std::min(hi, static_cast<float>(i + 1)) - std::max(lo, static_cast<float>(i));
    return static_cast<uint32_t>(std::clamp(c, 0.f, 1.f) * 255.f + 0.5f);
  };
  for (int y = area.T; y < area.B; ++y)
  {
    const uint32_t ky = coverage(y, y0, y1);
    if (ky == 0)
      continue;
    uint32_t* row = s.Row(y);
    for (int x = area.L; x < area.R; ++x)
    {
      // Only the outermost columns can be partly covered; skip the call elsewhere.
      const uint32_t kx = (x == area.L || x == area.R - 1) ? coverage(x, x0, x1) : 255;
      const uint32_t k = kx == 255 ? ky : (ky == 255 ? kx : pixel::MulDiv255(kx, ky));
      if (k == 255 && (kMethod == EBlend::Clobber || pixel::Alpha(color) == 255))
        row[x] = kMethod == EBlend::Add ? pixel::AddSaturate(color, row[x]) : color;
      else if (k)
        row[x] = pixel::BlendCoverage<kMethod>(color, k, row[x]);
    }
  }
}

} // namespace

Renderer::Renderer(Surface& surface, float drawScale) : mSurface(&surface) { SetDrawScale(drawScale); }

void Renderer::SetSurface(Surface& surface)
{
  mSurface = &surface;
  ResetClip();
}

void Renderer::SetDrawScale(float scale) { mScale = (scale > 0.f && std::isfinite(scale)) ? scale : 1.f; }

void Renderer::SetClipRect(const IRECT& r) { SetClipPixels(PixelRect::FromUnits(r, mScale)); }

void Renderer::SetClipPixels(const PixelRect& r)
{
  mClip = r;
  mClipSet = true;
}

void Renderer::ResetClip() { mClipSet = false; }

PixelRect Renderer::GetClip() const
{
  const PixelRect all = mSurface->Bounds();
  return mClipSet ? mClip.Intersect(all) : all;
}

void Renderer::Clear(const IColor& color) { mSurface->Fill(GetClip(), pixel::FromColor(color)); }

void Renderer::FillRect(const IColor& color, const IRECT& r, const IBlend* blend)
{
  const float x0 = r.L * mScale, x1 = r.R * mScale, y0 = r.T * mScale, y1 = r.B * mScale;
  if (!(x1 > x0 && y1 > y0))
    return;
  const PixelRect area = PixelRect::FromUnits(r, mScale).Intersect(GetClip());
  if (area.Empty())
    return;
  const uint32_t c = pixel::FromColor(color, BlendWeight(blend));
  switch (BlendMethod(blend))
  {
    case EBlend::Clobber: fillRectCoverage<EBlend::Clobber>(*mSurface, area, x0, x1, y0, y1, c); break;
    case EBlend::Add: fillRectCoverage<EBlend::Add>(*mSurface, area, x0, x1, y0, y1, c); break;
    default:
      if (pixel::Alpha(c))
        fillRectCoverage<EBlend::Default>(*mSurface, area, x0, x1, y0, y1, c);
      break;
  }
}

void Renderer::fillPath(const IColor& color, const IBlend* blend)
{
  const uint32_t c = pixel::FromColor(color, BlendWeight(blend));
  const EBlend method = BlendMethod(blend);
  if (pixel::Alpha(c) == 0 && method != EBlend::Clobber)
    return;
  mRaster.Fill(*mSurface, GetClip(), c, method);
}

void Renderer::DrawRect(const IColor& color, const IRECT& r, const IBlend* blend, float thickness)
{
  if (r.Empty() || !(thickness > 0.f))
    return;
  if (2.f * thickness >= r.W() || 2.f * thickness >= r.H())
  {
    FillRect(color, r, blend);
    return;
  }
  const IRECT o = r.GetScaled(mScale), i = r.GetPadded(-thickness).GetScaled(mScale);
  const float outer[] = {o.L, o.T, o.R, o.T, o.R, o.B, o.L, o.B};
  const float inner[] = {i.L, i.T, i.L, i.B, i.R, i.B, i.R, i.T}; // opposite direction: a hole
  mRaster.Reset();
  mRaster.AddContour(outer, 4);
  mRaster.AddContour(inner, 4);
  fillPath(color, blend);
}

int Renderer::segmentsFor(float radiusPx, float sweepDegrees) const
{
  const float sweep = std::fabs(sweepDegrees) * kPi / 180.f;
  if (!(radiusPx > kCurveTolerance) || !(sweep > 0.f))
    return 1;
  const float step = 2.f * std::acos(1.f - kCurveTolerance / radiusPx);
  const float n = std::ceil(sweep / step);
  return static_cast<int>(std::clamp(n, 1.f, 1024.f));
}

void Renderer::addArcPoints(float cx, float cy, float r, float a1, float a2, bool reverse)
{
  const int n = segmentsFor(r, a2 - a1);
  for (int k = 0; k <= n; ++k)
  {
    const float t = static_cast<float>(reverse ? n - k : k) / static_cast<float>(n);
    const float a = (a1 + (a2 - a1) * t) * kPi / 180.f;
    mPoints.push_back(cx + r * std::sin(a));
    mPoints.push_back(cy - r * std::cos(a));
  }
}

void Renderer::FillRoundRect(const IColor& color, const IRECT& r, float cornerRadius, const IBlend* blend)
{
  const float radius = std::min({cornerRadius, r.W() / 2.f, r.H() / 2.f}) * mScale;
  if (!(radius > 0.f))
  {
    FillRect(color, r, blend);
    return;
  }
  const IRECT p = r.GetScaled(mScale);
  mPoints.clear();
  addArcPoints(p.R - radius, p.T + radius, radius, 0.f, 90.f, false);
  addArcPoints(p.R - radius, p.B - radius, radius, 90.f, 180.f, false);
  addArcPoints(p.L + radius, p.B - radius, radius, 180.f, 270.f, false);
  addArcPoints(p.L + radius, p.T + radius, radius, 270.f, 360.f, false);
  mRaster.Reset();
  mRaster.AddContour(mPoints.data(), static_cast<int>(mPoints.size() / 2));
  fillPath(color, blend);
}

void Renderer::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                        float thickness)
{
  const float ax = x1 * mScale, ay = y1 * mScale, bx = x2 * mScale, by = y2 * mScale;
  const float len = std::hypot(bx - ax, by - ay);
  if (!(len > 0.f) || !(thickness > 0.f))
    return;
  const float half = 0.5f * thickness * mScale;
  const float nx = -(by - ay) / len * half, ny = (bx - ax) / len * half;
  const float quad[] = {ax + nx, ay + ny, bx + nx, by + ny, bx - nx, by - ny, ax - nx, ay - ny};
  mRaster.Reset();
  mRaster.AddContour(quad, 4);
  fillPath(color, blend);
}

void Renderer::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* blend)
{
  const float tri[] = {x1 * mScale, y1 * mScale, x2 * mScale, y2 * mScale, x3 * mScale, y3 * mScale};
  mRaster.Reset();
  mRaster.AddContour(tri, 3);
  fillPath(color, blend);
}

void Renderer::FillPolygon(const IColor& color, const float* x, const float* y, int n, const IBlend* blend)
{
  if (!x || !y || n < 3)
    return;
  mPoints.clear();
  for (int i = 0; i < n; ++i)
  {
    mPoints.push_back(x[i] * mScale);
    mPoints.push_back(y[i] * mScale);
  }
  mRaster.Reset();
  mRaster.AddContour(mPoints.data(), n);
  fillPath(color, blend);
}

void Renderer::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend)
{
  const float rp = r * mScale;
  if (!(rp > 0.f))
    return;
  const int n = std::max(segmentsFor(rp, 360.f), 8);
  // Vertices slightly outside the circle give the polygon the circle's area, so the drawn
  // disc is neither lighter nor smaller than the true one.
  const float step = 2.f * kPi / static_cast<float>(n);
  const float ro = rp * std::sqrt(step / std::sin(step));
  mPoints.clear();
  for (int k = 0; k < n; ++k)
  {
    mPoints.push_back(cx * mScale + ro * std::sin(step * static_cast<float>(k)));
    mPoints.push_back(cy * mScale - ro * std::cos(step * static_cast<float>(k)));
  }
  mRaster.Reset();
  mRaster.AddContour(mPoints.data(), n);
  fillPath(color, blend);
}

void Renderer::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend, float thickness)
{
  DrawArc(color, cx, cy, r, 0.f, 360.f, blend, thickness);
}

void Renderer::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend,
                       float thickness)
{
  if (!(thickness > 0.f) || !(r > 0.f) || a1 == a2)
    return;
  const float outer = (r + 0.5f * thickness) * mScale;
  const float inner = std::max(r - 0.5f * thickness, 0.f) * mScale;
  const float x = cx * mScale, y = cy * mScale;
  mPoints.clear();
  addArcPoints(x, y, outer, a1, a2, false);
  addArcPoints(x, y, inner, a1, a2, true);
  mRaster.Reset();
  mRaster.AddContour(mPoints.data(), static_cast<int>(mPoints.size() / 2));
  fillPath(color, blend);
}

} // namespace frame::graphics
