#include <cmath>

#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "graphics/Renderer.h"

using namespace frame::graphics;
using frame::graphics::test::InkBounds;
using frame::graphics::test::InkedArea;

namespace {
constexpr IColor kWhite{255, 255, 255, 255};
}

TEST(ShapeCoverage, TriangleInksItsAreaWithPartialEdgePixels)
{
  Surface s(40, 40);
  Renderer r(s);
  const float x1 = 5.3f, y1 = 4.1f, x2 = 33.7f, y2 = 9.2f, x3 = 12.4f, y3 = 35.6f;
  r.FillTriangle(kWhite, x1, y1, x2, y2, x3, y3);
  const double area = std::fabs((x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1)) / 2.0;
  EXPECT_NEAR(InkedArea(s), area, 0.5);

  int partial = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      partial += pixel::Alpha(s.At(x, y)) > 0 && pixel::Alpha(s.At(x, y)) < 255;
  EXPECT_GT(partial, 40); // the edges are smoothed, not stepped
  EXPECT_EQ(pixel::Alpha(s.At(17, 16)), 255u);
  EXPECT_EQ(pixel::Alpha(s.At(35, 30)), 0u);
}

TEST(ShapeCoverage, EdgeThroughPixelMiddleHalfCoversIt)
{
  Surface s(40, 40);
  Renderer r(s);
  r.FillTriangle(kWhite, 0.f, 10.5f, 40.f, 10.5f, 20.f, 40.f);
  EXPECT_NEAR(static_cast<int>(pixel::Alpha(s.At(20, 10))), 128, 1);
  EXPECT_EQ(pixel::Alpha(s.At(20, 9)), 0u);
  EXPECT_EQ(pixel::Alpha(s.At(20, 11)), 255u);
}

namespace {
// A shape whose top edge y = 10.5 - 0.01 x crosses x = 0 in the middle of pixel row 10.
void fillSlantedQuad(Renderer& r)
{
  const float xs[] = {-30.f, 30.f, 30.f, -30.f}, ys[] = {10.8f, 10.2f, 30.f, 30.f};
  r.FillPolygon(kWhite, xs, ys, 4);
}
} // namespace

TEST(ShapeCoverage, ShapeReachingPastTheSurfaceEdgeKeepsTrueCoverage)
{
  Surface s(30, 30);
  Renderer r(s);
  fillSlantedQuad(r);
  EXPECT_NEAR(InkedArea(s), 589.5, 0.5); // the integral of 30 - y(x) over 0 ... 30
  // The edge passes pixel (1, 10) at y = 10.485: about half of it is covered.
  EXPECT_NEAR(static_cast<int>(pixel::Alpha(s.At(1, 10))), 131, 3);
}

TEST(ShapeCoverage, FractionalRectEdgesArePartlyCovered)
{
  Surface s(10, 3);
  Renderer r(s);
  r.FillRect(kWhite, IRECT(2.5f, 0.f, 5.f, 1.f));
  EXPECT_NEAR(static_cast<int>(pixel::Alpha(s.At(2, 0))), 128, 1);
  EXPECT_EQ(pixel::Alpha(s.At(3, 0)), 255u);
  EXPECT_EQ(pixel::Alpha(s.At(4, 0)), 255u);
  EXPECT_EQ(pixel::Alpha(s.At(5, 0)), 0u);
  EXPECT_EQ(pixel::Alpha(s.At(3, 1)), 0u);
}

TEST(ShapeCoverage, CircleAndLineInkTheirAreas)
{
  Surface s(100, 100);
  Renderer r(s);
  r.FillCircle(kWhite, 50.f, 50.f, 30.f);
  EXPECT_NEAR(InkedArea(s), M_PI * 30.0 * 30.0, 2.0);

  Surface l(100, 100);
  Renderer rl(l);
  rl.DrawLine(kWhite, 10.f, 20.f, 70.f, 80.f, nullptr, 3.f);
  EXPECT_NEAR(InkedArea(l), std::hypot(60.0, 60.0) * 3.0, 1.0);
}

TEST(ShapeCoverage, RectOutlineLiesInsideTheRect)
{
  Surface s(20, 20);
  Renderer r(s);
  r.DrawRect(kWhite, IRECT(2.f, 2.f, 12.f, 12.f));
  EXPECT_EQ(pixel::Alpha(s.At(2, 5)), 255u);
  EXPECT_EQ(pixel::Alpha(s.At(3, 5)), 0u);
  EXPECT_EQ(pixel::Alpha(s.At(11, 5)), 255u);
  EXPECT_EQ(pixel::Alpha(s.At(12, 5)), 0u);
  EXPECT_EQ(pixel::Alpha(s.At(6, 11)), 255u);
  EXPECT_EQ(InkBounds(s), (PixelRect{2, 2, 12, 12}));
}

TEST(ShapeCoverage, DrawScaleMapsUnitsToPixels)
{
  Surface s(10, 10);
  Renderer r(s, 2.f);
  r.FillRect(kWhite, IRECT(1.f, 1.f, 2.f, 3.f));
  EXPECT_EQ(InkBounds(s), (PixelRect{2, 2, 4, 6}));
  EXPECT_DOUBLE_EQ(InkedArea(s), 8.0);
}

TEST(AlphaBlending, SourceOverMixesByAlphaTimesWeight)
{
  Surface s(4, 1, pixel::Pack(255, 255, 255, 255));
  Renderer r(s);
  r.FillRect(IColor(128, 255, 0, 0), IRECT(0.f, 0.f, 1.f, 1.f));
  EXPECT_EQ(s.GetColor(0, 0), IColor(255, 255, 127, 127));

  const IBlend half(EBlend::Default, 0.5f);
  r.FillRect(IColor(128, 255, 0, 0), IRECT(1.f, 0.f, 2.f, 1.f), &half); // alpha 64
  EXPECT_EQ(s.GetColor(1, 0), IColor(255, 255, 191, 191));

  const IBlend none(EBlend::Default, 0.f);
  r.FillRect(IColor(255, 0, 0, 0), IRECT(2.f, 0.f, 3.f, 1.f), &none);
  EXPECT_EQ(s.GetColor(2, 0), IColor(255, 255, 255, 255));
}

TEST(AlphaBlending, TranslucentOverTransparentKeepsStraightColour)
{
  Surface s(1, 1);
  Renderer r(s);
  r.FillRect(IColor(32, 255, 255, 0), IRECT(0.f, 0.f, 1.f, 1.f));
  EXPECT_EQ(s.GetColor(0, 0), IColor(32, 255, 255, 0));
  r.FillRect(IColor(32, 255, 255, 0), IRECT(0.f, 0.f, 1.f, 1.f));
  // 32 + 32 * (255 - 32) / 255 = 60
  EXPECT_EQ(s.GetColor(0, 0), IColor(60, 255, 255, 0));
}

TEST(AlphaBlending, ClobberReplacesAndAddSaturates)
{
  Surface s(2, 1, pixel::Pack(255, 200, 200, 200));
  Renderer r(s);
  const IBlend clobber(EBlend::Clobber, 1.f), add(EBlend::Add, 1.f);
  r.FillRect(IColor(100, 0, 0, 255), IRECT(0.f, 0.f, 1.f, 1.f), &clobber);
  EXPECT_EQ(s.GetColor(0, 0), IColor(100, 0, 0, 255));
  r.FillRect(IColor(255, 100, 0, 10), IRECT(1.f, 0.f, 2.f, 1.f), &add);
  EXPECT_EQ(s.GetColor(1, 0), IColor(255, 255, 200, 210));
}

TEST(Clipping, NothingIsDrawnOutsideTheClip)
{
  Surface s(40, 40);
  Renderer r(s);
  r.SetClipRect(IRECT(10.f, 12.f, 20.f, 22.f));
  r.FillRect(kWhite, IRECT(0.f, 0.f, 40.f, 40.f));
  r.FillTriangle(kWhite, 0.f, 0.f, 40.f, 0.f, 0.f, 40.f);
  r.FillCircle(kWhite, 20.f, 20.f, 15.f);
  r.DrawLine(kWhite, 0.f, 39.f, 39.f, 0.f, nullptr, 2.f);
  EXPECT_EQ(InkBounds(s), (PixelRect{10, 12, 20, 22}));

  // Only the clipped part of a shape is drawn, with its true coverage there, whichever
  // side the clip cuts it on.
  for (auto [clip, area] : {std::pair{PixelRect{10, 0, 30, 30}, 394.0}, {PixelRect{0, 0, 20, 30}, 392.0}})
  {
    Surface t(30, 30);
    Renderer rt(t);
    rt.SetClipPixels(clip);
    fillSlantedQuad(rt);
    EXPECT_NEAR(InkedArea(t), area, 0.5) << clip.L << ".." << clip.R;
  }
}

TEST(Clipping, ClipRectRoundsOutwardAtFractionalScale)
{
  Surface s(100, 100);
  Renderer r(s, 0.375f);
  r.SetClipRect(IRECT(10.f, 10.f, 50.f, 50.f)); // 3.75 ... 18.75 pixels
  EXPECT_EQ(r.GetClip(), (PixelRect{3, 3, 19, 19}));
  r.ResetClip();
  EXPECT_EQ(r.GetClip(), s.Bounds());
}
