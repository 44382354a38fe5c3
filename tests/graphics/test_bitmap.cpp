#include <set>

#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "graphics/ImageCache.h"
#include "graphics/Renderer.h"

using namespace frame::graphics;
using frame::graphics::test::FrameStrip;
using frame::graphics::test::InkBounds;
using frame::graphics::test::TempDir;
using frame::graphics::test::WriteRGBAPng;

namespace {

class BitmapTest : public ::testing::Test
{
protected:
  void TearDown() override { ImageCache::Instance().Clear(); }

  IBitmap Write(const std::string& name, int w, int h, const std::vector<uint8_t>& rgba, int nStates,
                bool horizontal = false)
  {
    EXPECT_TRUE(WriteRGBAPng(mDir.File(name), w, h, rgba));
    return LoadBitmap(mDir.Path(), name, nStates, horizontal, 1);
  }

  /** Grey level of every pixel in r, or -1 when they differ. */
  static int UniformLevel(const Surface& s, const PixelRect& r)
  {
    const uint32_t first = s.At(r.L, r.T);
    for (int y = r.T; y < r.B; ++y)
      for (int x = r.L; x < r.R; ++x)
        if (s.At(x, y) != first)
          return -1;
    return static_cast<int>(pixel::Red(first));
  }

  TempDir mDir;
};

std::vector<uint8_t> checker(int n, int cell)
{
  std::vector<uint8_t> rgba;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
    {
      const uint8_t v = ((x / cell + y / cell) % 2) ? 255 : 0;
      rgba.insert(rgba.end(), {v, v, v, 255});
    }
  return rgba;
}

} // namespace

TEST_F(BitmapTest, VerticalFrameLandsInRectAndIsClamped)
{
  const IBitmap bm = Write("strip.png", 6, 20, FrameStrip(6, 5, {10, 20, 30, 40}), 4);
  ASSERT_TRUE(bm.IsValid());
  EXPECT_EQ(bm.W(), 6);
  EXPECT_EQ(bm.H(), 20);
  EXPECT_EQ(bm.FW(), 6);
  EXPECT_EQ(bm.FH(), 5);

  const IRECT rect(2.f, 3.f, 8.f, 8.f);
  const PixelRect pr{2, 3, 8, 8};
  for (auto [frame, level] : {std::pair{3, 30}, {1, 10}, {4, 40}, {0, 10}, {-7, 10}, {5, 40}, {65, 40}})
  {
    Surface s(12, 12);
    Renderer r(s);
    EXPECT_TRUE(r.DrawBitmap(bm, rect, frame));
    EXPECT_EQ(InkBounds(s), pr) << "frame " << frame;
    EXPECT_EQ(UniformLevel(s, pr), level) << "frame " << frame;
  }
}

TEST_F(BitmapTest, HorizontalFramesStepAcross)
{
  const IBitmap bm = Write("row.png", 12, 4,
                           [] {
                             std::vector<uint8_t> rgba;
                             for (int y = 0; y < 4; ++y)
                               for (int x = 0; x < 12; ++x)
                               {
                                 const uint8_t v = static_cast<uint8_t>(50 * (1 + x / 4));
                                 rgba.insert(rgba.end(), {v, v, v, 255});
                               }
                             return rgba;
                           }(),
                           3, true);
  EXPECT_EQ(bm.FW(), 4);
  EXPECT_EQ(bm.FH(), 4);
  Surface s(8, 8);
  Renderer r(s);
  r.DrawBitmap(bm, IRECT(1.f, 1.f, 5.f, 5.f), 2);
  EXPECT_EQ(UniformLevel(s, {1, 1, 5, 5}), 100);
}

TEST_F(BitmapTest, FrameIsDrawnAtNaturalSizeCutToRect)
{
  const IBitmap bm = Write("one.png", 6, 5, FrameStrip(6, 5, {90}), 1);
  Surface s(12, 12);
  Renderer r(s);
  r.DrawBitmap(bm, IRECT(1.f, 1.f, 4.f, 3.f), 1);
  EXPECT_EQ(InkBounds(s), (PixelRect{1, 1, 4, 3}));
  Surface t(12, 12);
  Renderer rt(t);
  rt.DrawBitmap(bm, IRECT(1.f, 1.f, 11.f, 11.f), 1);
  EXPECT_EQ(InkBounds(t), (PixelRect{1, 1, 7, 6}));
}

TEST_F(BitmapTest, DownscaledCheckerIsSmoothNotBlocky)
{
  const IBitmap bm = Write("checker.png", 64, 64, checker(64, 1), 1);
  for (float scale : {0.375f, 0.70710677f})
  {
    Surface s(64, 64);
    Renderer r(s, scale);
    r.DrawBitmap(bm, IRECT(0.f, 0.f, 64.f, 64.f), 1);
    const int n = static_cast<int>(std::lround(64.f * scale));
    EXPECT_EQ(InkBounds(s), (PixelRect{0, 0, n, n})) << scale;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x)
      {
        const uint32_t v = pixel::Red(s.At(x, y));
        ASSERT_GT(v, 20u) << scale << " at " << x << "," << y;
        ASSERT_LT(v, 235u) << scale << " at " << x << "," << y;
        ASSERT_EQ(pixel::Alpha(s.At(x, y)), 255u);
      }
  }
}

TEST_F(BitmapTest, UpscaledBitmapIsInterpolated)
{
  const IBitmap bm = Write("pair.png", 2, 1, {0, 0, 0, 255, 255, 255, 255, 255}, 1);
  Surface s(8, 4);
  Renderer r(s, 4.f);
  r.DrawBitmap(bm, IRECT(0.f, 0.f, 2.f, 1.f), 1);
  std::set<uint32_t> levels;
  for (int x = 0; x < 8; ++x)
  {
    levels.insert(pixel::Red(s.At(x, 0)));
    if (x > 0)
    {
      EXPECT_GE(pixel::Red(s.At(x, 0)), pixel::Red(s.At(x - 1, 0)));
    }
  }
  EXPECT_EQ(pixel::Red(s.At(0, 0)), 0u);
  EXPECT_EQ(pixel::Red(s.At(7, 0)), 255u);
  EXPECT_GE(levels.size(), 5u);
}

TEST_F(BitmapTest, ScaledOpaqueBitmapStaysOpaqueToItsEdges)
{
  const IBitmap bm = Write("back.png", 100, 40, FrameStrip(100, 40, {77}), 1);
  Surface s(100, 40);
  Renderer r(s, 0.70710677f);
  r.DrawBitmap(bm, IRECT(0.f, 0.f, 100.f, 40.f), 1);
  EXPECT_EQ(InkBounds(s, 254), (PixelRect{0, 0, 71, 28}));
  EXPECT_EQ(UniformLevel(s, {0, 0, 71, 28}), 77);
}

TEST_F(BitmapTest, TransparentNeighboursLeaveNoDarkFringe)
{
  // White opaque column next to a fully transparent black one.
  const IBitmap bm = Write("edge.png", 2, 2, {255, 255, 255, 255, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0}, 1);
  Surface s(1, 1);
  Renderer r(s, 0.5f);
  r.DrawBitmap(bm, IRECT(0.f, 0.f, 2.f, 2.f), 1);
  const IColor c = s.GetColor(0, 0);
  EXPECT_NEAR(c.A, 128, 1);
  EXPECT_EQ(c.R, 255);
}

TEST_F(BitmapTest, BlendWeightFadesTheBitmap)
{
  const IBitmap bm = Write("white.png", 2, 2, FrameStrip(2, 2, {255}), 1);
  Surface s(2, 2, pixel::Pack(255, 0, 0, 0));
  Renderer r(s);
  const IBlend half(EBlend::Default, 0.5f);
  r.DrawBitmap(bm, IRECT(0.f, 0.f, 2.f, 2.f), 1, &half);
  EXPECT_EQ(s.GetColor(1, 1), IColor(255, 128, 128, 128));
}

TEST_F(BitmapTest, CacheSharesImagesAndPicksResolutionVariant)
{
  ASSERT_TRUE(WriteRGBAPng(mDir.File("knob.png"), 4, 8, FrameStrip(4, 4, {10, 20})));
  ASSERT_TRUE(WriteRGBAPng(mDir.File("knob@2x.png"), 8, 16, FrameStrip(8, 8, {110, 120})));
  const IBitmap a = LoadBitmap(mDir.Path(), "knob.png", 2, false, 1);
  const IBitmap b = LoadBitmap(mDir.Path(), "knob.png", 2, false, 1);
  EXPECT_EQ(a.GetAPIBitmap(), b.GetAPIBitmap());
  EXPECT_EQ(a.ResolutionScale(), 1);

  const IBitmap hi = LoadBitmap(mDir.Path(), "knob.png", 2, false, 3); // best variant up to 3x
  EXPECT_EQ(hi.ResolutionScale(), 2);
  EXPECT_EQ(hi.W(), 4);
  EXPECT_EQ(hi.H(), 8);
  EXPECT_NE(hi.GetAPIBitmap(), a.GetAPIBitmap());

  // Drawn at scale 2, the 2x variant's own pixels land unscaled.
  Surface s(8, 8);
  Renderer r(s, 2.f);
  r.DrawBitmap(hi, IRECT(0.f, 0.f, 4.f, 4.f), 2);
  EXPECT_EQ(UniformLevel(s, {0, 0, 8, 8}), 120);
}

TEST_F(BitmapTest, MissingOrCorruptFileGivesInvalidBitmap)
{
  EXPECT_FALSE(LoadBitmap(mDir.Path(), "absent.png", 1, false, 1).IsValid());
  FILE* f = std::fopen(mDir.File("bad.png").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not an image", f);
  std::fclose(f);
  const IBitmap bad = LoadBitmap(mDir.Path(), "bad.png", 1, false, 1);
  EXPECT_FALSE(bad.IsValid());
  Surface s(4, 4);
  Renderer r(s);
  EXPECT_FALSE(r.DrawBitmap(bad, IRECT(0.f, 0.f, 4.f, 4.f), 1));
}

TEST_F(BitmapTest, ClippedRedrawMatchesFullRedrawAtFractionalScale)
{
  const IBitmap back = Write("bg.png", 64, 32, checker(64, 3), 1);
  std::vector<uint8_t> knobPixels = FrameStrip(10, 10, {200, 100});
  for (size_t i = 3; i < knobPixels.size(); i += 16)
    knobPixels[i] = 0; // a transparent pixel every fourth, so blending is exercised
  const IBitmap knob = Write("k.png", 10, 20, knobPixels, 2);
  auto scene = [&](Renderer& r, int frame) {
    r.DrawBitmap(back, IRECT(0.f, 0.f, 64.f, 32.f), 1);
    r.DrawBitmap(knob, IRECT(13.3f, 7.6f, 23.3f, 17.6f), frame);
    r.DrawBitmap(knob, IRECT(23.3f, 7.6f, 33.3f, 17.6f), 1);
  };
  const float scale = 0.70710677f;
  Surface full(46, 23), partial(46, 23);
  Renderer rf(full, scale), rp(partial, scale);
  scene(rf, 2);
  scene(rp, 1);
  rp.SetClipRect(IRECT(13.3f, 7.6f, 23.3f, 17.6f)); // the first knob turns to frame 2
  scene(rp, 2);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 46; ++x)
      ASSERT_EQ(full.At(x, y), partial.At(x, y)) << x << "," << y;
}
