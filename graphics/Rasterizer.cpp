#include "graphics/Rasterizer.h"

#include <algorithm>
#include <cmath>

#include "graphics/Pixel.h"

namespace frame::graphics {

void Rasterizer::Reset()
{
  mEdges.clear();
  mMinX = mMinY = 1e30f;
  mMaxX = mMaxY = -1e30f;
}

void Rasterizer::AddContour(const float* xy, int n)
{
  if (!xy || n < 2)
    return;
  // An open contour would leave its rows unbalanced and smear to the right edge, so a
  // contour with a point that is not a number is dropped whole.
  for (int i = 0; i < 2 * n; ++i)
    if (!std::isfinite(xy[i]))
      return;
  // Points are limited to +-1e7 pixels, which keeps every intermediate finite and within
  // int; no surface comes near that size.
  auto lim = [](float v) { return std::clamp(v, -1e7f, 1e7f); };
  for (int i = 0; i < n; ++i)
  {
    const float x0 = lim(xy[2 * i]), y0 = lim(xy[2 * i + 1]);
    const int j = (i + 1) % n;
    const float x1 = lim(xy[2 * j]), y1 = lim(xy[2 * j + 1]);
    mMinX = std::min(mMinX, x0), mMaxX = std::max(mMaxX, x0);
    mMinY = std::min(mMinY, y0), mMaxY = std::max(mMaxY, y0);
    if (y0 != y1)
      mEdges.push_back({x0, y0, x1, y1});
  }
}

namespace {

/** Integral over x in [x0, x1] of clamp(u - x, 0, 1): how much of the span lies left of the
 *  cell boundary u, with the cell [u - 1, u] itself counting linearly. */
float spanLeftOf(float u, float x0, float x1)
{
  float g = std::max(0.f, std::min(x1, u - 1.f) - x0);
  const float a = std::max(x0, u - 1.f), b = std::min(x1, u);
  if (b > a)
    g += 0.5f * ((u - a) * (u - a) - (u - b) * (u - b));
  return g;
}

} // namespace

void Rasterizer::accumulateRow(float xa, float xb, float d, float* row)
{
  // Adds the differences of "d times the part of each cell right of the edge", so that the
  // running sum reaches d right of the edge and stays 0 left of it.
  const float x0 = std::min(xa, xb), x1 = std::max(xa, xb);
  const int c0 = static_cast<int>(std::floor(x0));
  const int c1 = static_cast<int>(std::ceil(x1));
  if (c1 <= c0 + 1)
  {
    const float mid = 0.5f * (x0 + x1) - static_cast<float>(c0);
    row[c0] += d * (1.f - mid);
    row[c0 + 1] += d * mid;
    return;
  }
  const float s = d / (x1 - x0);
  float prev = 0.f;
  for (int c = c0; c <= c1; ++c)
  {
    const float g = spanLeftOf(static_cast<float>(c + 1), x0, x1);
    row[c] += s * (g - prev);
    prev = g;
  }
}

void Rasterizer::accumulate(float x0, float y0, float x1, float y1, int w, int h)
{
  // Rows are independent, so the part above or below the area is dropped.
  const float dir = y1 > y0 ? 1.f : -1.f;
  if (y0 > y1)
    std::swap(x0, x1), std::swap(y0, y1);
  const float top = std::max(y0, 0.f), bottom = std::min(y1, static_cast<float>(h));
  if (top >= bottom)
    return;
  const float dxdy = (x1 - x0) / (y1 - y0);
  const float W = static_cast<float>(w);
  for (int j = static_cast<int>(top); j < h && static_cast<float>(j) < bottom; ++j)
  {
    const float ya = std::max(top, static_cast<float>(j)), yb = std::min(bottom, static_cast<float>(j + 1));
    if (yb <= ya)
      continue;
    const float xa = x0 + (ya - y0) * dxdy, xb = x0 + (yb - y0) * dxdy;
    float* row = mAcc.data() + static_cast<size_t>(j) * mAccStride;
    const float d = (yb - ya) * dir;
    // Left of the area an edge still covers every pixel to its right, so it acts as a
    // vertical edge at x = 0; right of the area it lands in the spare column w. A piece
    // that crosses x = 0 or x = w is split there and each part clamped into the area.
    float ts[4] = {0.f, 0.f, 0.f, 0.f};
    int n = 1;
    for (const float c : {0.f, W})
      if ((xa < c) != (xb < c))
        ts[n++] = (c - xa) / (xb - xa);
    ts[n++] = 1.f;
    if (n == 4 && ts[1] > ts[2])
      std::swap(ts[1], ts[2]);
    for (int k = 0; k + 1 < n; ++k)
    {
      const float pa = std::clamp(xa + (xb - xa) * ts[k], 0.f, W);
      const float pb = std::clamp(xa + (xb - xa) * ts[k + 1], 0.f, W);
      accumulateRow(pa, pb, d * (ts[k + 1] - ts[k]), row);
    }
  }
}

template <EBlend kMethod>
void Rasterizer::composite(Surface& surface, const PixelRect& area, uint32_t color)
{
  for (int j = 0; j < area.H(); ++j)
  {
    float* acc = mAcc.data() + static_cast<size_t>(j) * mAccStride;
    uint32_t* dst = surface.Row(area.T + j) + area.L;
    float sum = 0.f;
    for (int i = 0; i < area.W(); ++i)
    {
      sum += acc[i];
      const float cov = std::min(std::fabs(sum), 1.f);
      const auto k = static_cast<uint32_t>(cov * 255.f + 0.5f);
      if (k == 0)
        continue;
      dst[i] = pixel::BlendCoverage<kMethod>(color, k, dst[i]);
    }
  }
}

void Rasterizer::Fill(Surface& surface, const PixelRect& clip, uint32_t color, EBlend method)
{
  if (mEdges.empty())
    return;
  const PixelRect bbox{static_cast<int>(std::floor(mMinX)), static_cast<int>(std::floor(mMinY)),
                       static_cast<int>(std::ceil(mMaxX)), static_cast<int>(std::ceil(mMaxY))};
  const PixelRect area = bbox.Intersect(clip).Intersect(surface.Bounds());
  if (area.Empty())
    return;

  // Two spare columns: one for the right edge of the last pixel, one for rounding.
  mAccStride = area.W() + 2;
  mAcc.assign(static_cast<size_t>(mAccStride) * area.H(), 0.f);
  const float ox = static_cast<float>(area.L), oy = static_cast<float>(area.T);
  for (const Edge& e : mEdges)
    accumulate(e.x0 - ox, e.y0 - oy, e.x1 - ox, e.y1 - oy, area.W(), area.H());

  switch (method)
  {
    case EBlend::Clobber: composite<EBlend::Clobber>(surface, area, color); break;
    case EBlend::Add: composite<EBlend::Add>(surface, area, color); break;
    default: composite<EBlend::Default>(surface, area, color); break;
  }
}

} // namespace frame::graphics
