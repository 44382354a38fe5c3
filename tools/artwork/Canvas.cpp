#include "Canvas.h"

#include <algorithm>
#include <cmath>


namespace artwork {

Rgba Mix(const Rgba& x, const Rgba& y, float t)
{
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

Rgba WithAlpha(Rgba c, float a)
{
  c.a = a;
  return c;
}

float Smoothstep(float e0, float e1, float x)
{
  const float t = std::clamp((x - e0) / (e1 - e0), 0.f, 1.f);
  return t * t * (3.f - 2.f * t);
}

float Hash01(int x, int y, uint32_t seed)
{
  uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return static_cast<float>(h >> 8) / 16777215.f;
}

float ValueNoise(float x, float y, float cell, uint32_t seed)
{
  const float fx = x / cell, fy = y / cell;
  const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
  const float tx = Smoothstep(0.f, 1.f, fx - static_cast<float>(ix));
  const float ty = Smoothstep(0.f, 1.f, fy - static_cast<float>(iy));
  const float a = Hash01(ix, iy, seed), b = Hash01(ix + 1, iy, seed);
  const float c = Hash01(ix, iy + 1, seed), d = Hash01(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

namespace {

// One running-sum box pass of radius r along rows (stride 1) or columns (stride w).
void boxPass(const std::vector<float>& in, std::vector<float>& out, int len, int count, int step, int stride, int r)
{
  const float inv = 1.f / static_cast<float>(2 * r + 1);
  for (int line = 0; line < count; ++line)
  {
    const size_t base = static_cast<size_t>(line) * stride;
    auto v = [&](int i) { return (i < 0 || i >= len) ? 0.f : in[base + static_cast<size_t>(i) * step]; };
    float sum = 0.f;
    for (int i = -r; i <= r; ++i)
      sum += v(i);
    for (int i = 0; i < len; ++i)
    {
      out[base + static_cast<size_t>(i) * step] = sum * inv;
      sum += v(i + r + 1) - v(i - r);
    }
  }
}

} // namespace

Mask Mask::Blurred(float sigma) const
{
  if (!(sigma > 0.f))
    return *this;
  // Three box passes of this width have the variance of the Gaussian.
  const int r = std::max(1, static_cast<int>(std::lround((std::sqrt(4.f * sigma * sigma + 1.f) - 1.f) / 2.f)));
  Mask out = *this;
  std::vector<float> tmp(mV.size());
  for (int pass = 0; pass < 3; ++pass)
  {
    boxPass(out.mV, tmp, mW, mH, 1, mW, r);
    boxPass(tmp, out.mV, mH, mW, mW, 1, r);
  }
  return out;
}

Mask Mask::Shifted(int dx, int dy) const
{
  Mask out(mW, mH);
  for (int y = 0; y < mH; ++y)
    for (int x = 0; x < mW; ++x)
      out.At(x, y) = Get(x - dx, y - dy);
  return out;
}

Mask Mask::Minus(const Mask& other) const
{
  Mask out = *this;
  for (size_t i = 0; i < mV.size(); ++i)
    out.mV[i] *= 1.f - other.mV[i];
  return out;
}

Mask Mask::Times(const Mask& other) const
{
  Mask out = *this;
  for (size_t i = 0; i < mV.size(); ++i)
    out.mV[i] *= other.mV[i];
  return out;
}

Canvas::Canvas(int width, int height, Rgba fill)
  : mW(width), mH(height), mPx(static_cast<size_t>(width) * height, Px{fill.r * fill.a, fill.g * fill.a, fill.b * fill.a, fill.a})
{
}

void Canvas::Paint(const Mask& mask, const Rgba& colour, float opacity)
{
  Paint(mask, [&](float, float) { return colour; }, opacity);
}

void Canvas::Paint(const Mask& mask, const Shader& shader, float opacity)
{
  for (int y = 0; y < mH; ++y)
    for (int x = 0; x < mW; ++x)
    {
      const float k = mask.At(x, y) * opacity;
      if (k <= 0.f)
        continue;
      const Rgba c = shader(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
      const float a = std::clamp(c.a * k, 0.f, 1.f);
      Px& d = at(x, y);
      d = {c.r * a + d.r * (1.f - a), c.g * a + d.g * (1.f - a), c.b * a + d.b * (1.f - a), a + d.a * (1.f - a)};
    }
}

void Canvas::PaintAll(const Shader& shader)
{
  Paint(Mask(mW, mH, 1.f), shader);
}

void Canvas::Modulate(const std::function<float(float, float)>& f)
{
  for (int y = 0; y < mH; ++y)
    for (int x = 0; x < mW; ++x)
    {
      const float k = f(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
      Px& d = at(x, y);
      d.r *= k, d.g *= k, d.b *= k;
    }
}

void Canvas::AddLight(const Mask& mask, const Rgba& colour, float opacity)
{
  for (int y = 0; y < mH; ++y)
    for (int x = 0; x < mW; ++x)
    {
      const float k = mask.At(x, y) * opacity * colour.a;
      if (k <= 0.f)
        continue;
      Px& d = at(x, y);
      // Light needs something to land on: on a transparent pixel it becomes a glow of its own.
      const float a = std::max(d.a, std::min(1.f, k));
      d.r = std::min(a, d.r + colour.r * k);
      d.g = std::min(a, d.g + colour.g * k);
      d.b = std::min(a, d.b + colour.b * k);
      d.a = a;
    }
}

void Canvas::Over(const Canvas& top, int x, int y)
{
  for (int ty = 0; ty < top.mH; ++ty)
    for (int tx = 0; tx < top.mW; ++tx)
    {
      if (x + tx < 0 || y + ty < 0 || x + tx >= mW || y + ty >= mH)
        continue;
      const Px& s = top.at(tx, ty);
      Px& d = at(x + tx, y + ty);
      d = {s.r + d.r * (1.f - s.a), s.g + d.g * (1.f - s.a), s.b + d.b * (1.f - s.a), s.a + d.a * (1.f - s.a)};
    }
}

Picture Canvas::ToPicture(bool dither) const
{
  Picture out{mW, mH, std::vector<uint8_t>(static_cast<size_t>(mW) * mH * 4)};
  uint8_t* o = out.rgba.data();
  for (int y = 0; y < mH; ++y)
    for (int x = 0; x < mW; ++x, o += 4)
    {
      const Px& p = at(x, y);
      const float offset = dither ? Hash01(x, y, 0x5EEDu) - 0.5f : 0.f;
      auto q = [](float v, float off) { return static_cast<uint8_t>(std::clamp(std::floor(v * 255.f + 0.5f + off), 0.f, 255.f)); };
      o[3] = q(p.a, 0.f);
      if (o[3] == 0)
        continue;
      const float inv = 1.f / p.a;
      o[0] = q(p.r * inv, offset), o[1] = q(p.g * inv, offset), o[2] = q(p.b * inv, offset);
    }
  return out;
}

} // namespace artwork

