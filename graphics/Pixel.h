#pragma once

#include <cstdint>

#include "graphics/IGraphicsStructs.h"

// Arithmetic on packed premultiplied pixels, 0xAARRGGBB in a native uint32. Two channels
// travel in one 32-bit lane pair (mask 0x00FF00FF), so a blend costs two multiplies.
namespace frame::graphics::pixel {

inline constexpr uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
  return (a << 24) | (r << 16) | (g << 8) | b;
}

inline constexpr uint32_t Alpha(uint32_t p) { return p >> 24; }
inline constexpr uint32_t Red(uint32_t p) { return (p >> 16) & 0xFF; }
inline constexpr uint32_t Green(uint32_t p) { return (p >> 8) & 0xFF; }
inline constexpr uint32_t Blue(uint32_t p) { return p & 0xFF; }

/** round(x * k / 255) for x, k in 0 ... 255, exactly. */
inline constexpr uint32_t MulDiv255(uint32_t x, uint32_t k)
{
  const uint32_t t = x * k + 128;
  return (t + (t >> 8)) >> 8;
}

/** Every channel (alpha too) times k / 255, rounded. */
inline constexpr uint32_t Scale(uint32_t p, uint32_t k)
{
  uint32_t rb = (p & 0x00FF00FFu) * k + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((p >> 8) & 0x00FF00FFu) * k + 0x00800080u;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ag;
}

/** Source over destination. With valid premultiplied inputs no channel can overflow. */
inline constexpr uint32_t Over(uint32_t src, uint32_t dst) { return src + Scale(dst, 255 - Alpha(src)); }

/** Channel-wise saturating sum. */
inline constexpr uint32_t AddSaturate(uint32_t src, uint32_t dst)
{
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
  {
    const uint32_t s = ((src >> shift) & 0xFF) + ((dst >> shift) & 0xFF);
    out |= (s > 255 ? 255u : s) << shift;
  }
  return out;
}

/** Straight 8-bit channels to a premultiplied pixel. */
inline constexpr uint32_t Premultiply(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
  return Pack(a, MulDiv255(r, a), MulDiv255(g, a), MulDiv255(b, a));
}

/** A colour with its alpha multiplied by weight (0 ... 1), premultiplied. */
inline uint32_t FromColor(const IColor& color, float weight = 1.f)
{
  const IColor c = color.Clamped();
  const auto a = static_cast<uint32_t>(static_cast<float>(c.A) * weight + 0.5f);
  return Premultiply(a > 255 ? 255 : a, static_cast<uint32_t>(c.R), static_cast<uint32_t>(c.G),
                     static_cast<uint32_t>(c.B));
}

/** Back to straight channels: round(c * 255 / a); fully transparent pixels read as 0. */
inline constexpr uint32_t Unpremultiply(uint32_t c, uint32_t a)
{
  if (a == 0)
    return 0;
  const uint32_t v = (c * 255 + a / 2) / a;
  return v > 255 ? 255 : v;
}

/** Composites src onto dst by the blend method. Inlined into each inner loop. */
template <EBlend kMethod>
inline constexpr uint32_t Blend(uint32_t src, uint32_t dst)
{
  if constexpr (kMethod == EBlend::Clobber)
    return src;
  else if constexpr (kMethod == EBlend::Add)
    return AddSaturate(src, dst);
  else
    return Over(src, dst);
}

/** Composites colour at coverage k (0 ... 255) onto dst. Clobber replaces the covered part
 *  only, so anti-aliased edges of a clobbering fill still blend into what was there. */
template <EBlend kMethod>
inline constexpr uint32_t BlendCoverage(uint32_t color, uint32_t k, uint32_t dst)
{
  if constexpr (kMethod == EBlend::Clobber)
    return k >= 255 ? color : Scale(color, k) + Scale(dst, 255 - k);
  else
    return Blend<kMethod>(k >= 255 ? color : Scale(color, k), dst);
}

} // namespace frame::graphics::pixel
