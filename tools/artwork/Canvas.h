#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Picture.h"

// Floating-point painting for the generated artwork. Shapes come from the editor's own
// rasteriser as coverage masks (Shapes.h); gradients, soft shadows, glows and texture are
// then painted through them here, where 8-bit rounding cannot band or clip the layers.
namespace artwork {

/** A colour with straight (not premultiplied) channels, each 0 ... 1. */
struct Rgba
{
  float r = 0.f, g = 0.f, b = 0.f, a = 1.f;
};

/** 8-bit channels to an Rgba; alpha given 0 ... 1. */
constexpr Rgba Rgb8(int r, int g, int b, float a = 1.f)
{
  return {static_cast<float>(r) / 255.f, static_cast<float>(g) / 255.f, static_cast<float>(b) / 255.f, a};
}

Rgba Mix(const Rgba& x, const Rgba& y, float t);
Rgba WithAlpha(Rgba c, float a);

/** Coverage 0 ... 1 per pixel. */
class Mask
{
public:
  Mask() = default;
  Mask(int width, int height, float fill = 0.f) : mW(width), mH(height), mV(static_cast<size_t>(width) * height, fill) {}

  int Width() const { return mW; }
  int Height() const { return mH; }
  float& At(int x, int y) { return mV[static_cast<size_t>(y) * mW + x]; }
  float At(int x, int y) const { return mV[static_cast<size_t>(y) * mW + x]; }
  /** 0 outside the mask, so shifted reads need no bounds test at the call site. */
  float Get(int x, int y) const { return (x < 0 || y < 0 || x >= mW || y >= mH) ? 0.f : At(x, y); }

  /** Approximately Gaussian blur (three box passes) of standard deviation sigma pixels. */
  Mask Blurred(float sigma) const;
  /** The mask moved by whole pixels; what moves in from outside is 0. */
  Mask Shifted(int dx, int dy) const;
  /** This mask where other is not: a * (1 - b). */
  Mask Minus(const Mask& other) const;
  /** Both masks: a * b. */
  Mask Times(const Mask& other) const;

private:
  int mW = 0, mH = 0;
  std::vector<float> mV;
};

/** A function of the pixel centre (x + 0.5, y + 0.5) giving the colour to paint there. */
using Shader = std::function<Rgba(float x, float y)>;

/** Premultiplied float RGBA pixels, composited source-over. */
class Canvas
{
public:
  Canvas(int width, int height, Rgba fill = {0.f, 0.f, 0.f, 0.f});

  int Width() const { return mW; }
  int Height() const { return mH; }

  /** Paints colour through the mask (coverage times the colour's alpha times opacity). */
  void Paint(const Mask& mask, const Rgba& colour, float opacity = 1.f);
  void Paint(const Mask& mask, const Shader& shader, float opacity = 1.f);
  /** Paints the shader over the whole canvas. */
  void PaintAll(const Shader& shader);
  /** Multiplies the colour channels (not alpha) by f(x, y): vignettes and texture. */
  void Modulate(const std::function<float(float x, float y)>& f);
  /** Adds colour times the mask to the colour channels where the canvas is opaque enough
   *  to hold it (light: glows, specular highlights). */
  void AddLight(const Mask& mask, const Rgba& colour, float opacity = 1.f);
  /** Draws another canvas over this one with its top-left corner at (x, y). */
  void Over(const Canvas& top, int x = 0, int y = 0);

  /** The pixels as 8-bit straight RGBA. Colours are divided by alpha before rounding, so a
   *  soft shadow keeps one exact colour across its fade (which also compresses far better
   *  than colours recovered from rounded premultiplied values). With dither, a tiny fixed
   *  noise pattern breaks up the steps of slow gradients. */
  Picture ToPicture(bool dither = false) const;

private:
  struct Px
  {
    float r, g, b, a;
  };
  Px& at(int x, int y) { return mPx[static_cast<size_t>(y) * mW + x]; }
  const Px& at(int x, int y) const { return mPx[static_cast<size_t>(y) * mW + x]; }

  int mW, mH;
  std::vector<Px> mPx;
};

/** A reproducible hash of a pixel position and seed to 0 ... 1. */
float Hash01(int x, int y, uint32_t seed);

/** Smooth value noise 0 ... 1 with features of about cell pixels. */
float ValueNoise(float x, float y, float cell, uint32_t seed);

float Smoothstep(float e0, float e1, float x);

} // namespace artwork

