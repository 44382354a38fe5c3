#include <gtest/gtest.h>

#include "Canvas.h"

namespace {

using artwork::Canvas;
using artwork::Mask;
using artwork::Rgb8;

float total(const Mask& m)
{
  float sum = 0.f;
  for (int y = 0; y < m.Height(); ++y)
    for (int x = 0; x < m.Width(); ++x)
      sum += m.At(x, y);
  return sum;
}

Mask dot(int w, int h, int x, int y)
{
  Mask m(w, h);
  m.At(x, y) = 1.f;
  return m;
}

} // namespace

TEST(ArtworkMask, BlurSpreadsCoverageWithoutGainingOrLosingIt)
{
  const Mask blurred = dot(41, 41, 20, 20).Blurred(3.f);
  EXPECT_NEAR(total(blurred), 1.f, 1e-4f);
  EXPECT_LT(blurred.At(20, 20), 0.05f);
  // A soft shadow must not lean to one side.
  EXPECT_FLOAT_EQ(blurred.At(16, 20), blurred.At(24, 20));
  EXPECT_FLOAT_EQ(blurred.At(20, 16), blurred.At(20, 24));
  EXPECT_GT(blurred.At(24, 20), 0.f);
}

TEST(ArtworkMask, ShiftMovesByWholePixelsAndClearsWhatComesIn)
{
  const Mask moved = dot(8, 8, 2, 3).Shifted(3, -2);
  EXPECT_EQ(moved.At(5, 1), 1.f);
  EXPECT_EQ(total(moved), 1.f);
  EXPECT_EQ(total(dot(8, 8, 7, 0).Shifted(1, 0)), 0.f);
}

TEST(ArtworkMask, MinusKeepsOnlyWhatTheOtherDoesNotCover)
{
  Mask a(4, 1, 1.f), b(4, 1);
  b.At(1, 0) = 1.f;
  b.At(2, 0) = 0.25f;
  const Mask d = a.Minus(b);
  EXPECT_EQ(d.At(0, 0), 1.f);
  EXPECT_EQ(d.At(1, 0), 0.f);
  EXPECT_FLOAT_EQ(d.At(2, 0), 0.75f);
}

TEST(ArtworkCanvas, PaintCompositesSourceOverByCoverageAndOpacity)
{
  Canvas c(2, 1, Rgb8(0, 0, 0));
  Mask m(2, 1);
  m.At(0, 0) = 1.f;
  m.At(1, 0) = 0.5f;
  c.Paint(m, Rgb8(255, 255, 255), 0.5f);
  const artwork::Picture p = c.ToPicture();
  EXPECT_EQ(p.rgba[0], 128); // half white over black
  EXPECT_EQ(p.rgba[4], 64);  // a quarter
  EXPECT_EQ(p.rgba[3], 255);
  EXPECT_EQ(p.rgba[7], 255);
}

TEST(ArtworkCanvas, FadingShadowKeepsItsExactColour)
{
  // Straight colours come from the float pixels, not from rounded premultiplied ones, so
  // a faint shadow is its colour at every alpha (the strips compress and filter cleanly).
  Canvas c(64, 1);
  Mask m(64, 1);
  for (int x = 0; x < 64; ++x)
    m.At(x, 0) = static_cast<float>(x) / 63.f;
  c.Paint(m, Rgb8(3, 5, 8));
  const artwork::Picture p = c.ToPicture();
  for (int x = 1; x < 64; ++x)
  {
    EXPECT_EQ(p.rgba[4 * x + 0], 3) << x;
    EXPECT_EQ(p.rgba[4 * x + 1], 5) << x;
    EXPECT_EQ(p.rgba[4 * x + 2], 8) << x;
  }
  EXPECT_EQ(p.rgba[3], 0); // uncovered stays transparent
}

TEST(ArtworkCanvas, LightOnTransparentGroundBecomesAGlowOfItsOwn)
{
  Canvas c(1, 1);
  c.AddLight(Mask(1, 1, 0.5f), Rgb8(255, 128, 0));
  const artwork::Picture p = c.ToPicture();
  EXPECT_EQ(p.rgba[3], 128);
  EXPECT_EQ(p.rgba[0], 255);
  EXPECT_EQ(p.rgba[1], 128);
}
