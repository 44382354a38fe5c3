#include <cmath>

#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"
#include "graphics/FontRegistry.h"
#include "graphics/Renderer.h"

using namespace frame::graphics;
using frame::graphics::test::InkBounds;

namespace {

constexpr const char* kFontID = "Roboto-Regular.ttf";
constexpr IColor kTextColor{255, 255, 255, 192};

class TextTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(FontRegistry::Instance().Load(kFontID, MG_TEST_FONT)); }

  static IText Style(EAlign align, EVAlign valign, float size = 26.f)
  {
    return IText(size, kTextColor, kFontID, align, valign);
  }
  static float Descent(float px) { return FontRegistry::Instance().Find(kFontID)->GetVMetrics(px).descent; }
};

} // namespace

TEST_F(TextTest, CentreBottomSitsCentredOnTheDescentLine)
{
  Surface s(200, 80);
  Renderer r(s);
  const IRECT rect(20.f, 10.f, 180.f, 70.f);
  ASSERT_TRUE(r.DrawText(Style(EAlign::Center, EVAlign::Bottom), "HIH", rect));
  const PixelRect ink = InkBounds(s);
  EXPECT_NEAR(0.5 * (ink.L + ink.R), 100.0, 1.5);
  const float baseline = std::round(70.f + Descent(26.f)); // descent is negative
  EXPECT_NEAR(ink.B, baseline, 1.0);
  EXPECT_GT(ink.T, 10);

  // Descenders reach down to, not past, the rectangle's bottom.
  Surface d(200, 80);
  Renderer rd(d);
  rd.DrawText(Style(EAlign::Center, EVAlign::Bottom), "gjpq", rect);
  EXPECT_LE(InkBounds(d).B, 70);
  EXPECT_GT(InkBounds(d).B, ink.B + 3);
}

TEST_F(TextTest, NearFarAndTopStayInsideTheRect)
{
  const IRECT rect(20.f, 10.f, 180.f, 70.f);
  Surface near(200, 80), far(200, 80);
  Renderer rn(near), rf(far);
  rn.DrawText(Style(EAlign::Near, EVAlign::Top), "HIH", rect);
  rf.DrawText(Style(EAlign::Far, EVAlign::Top), "HIH", rect);
  const PixelRect a = InkBounds(near), b = InkBounds(far);
  EXPECT_GE(a.L, 20);
  EXPECT_LE(a.L, 24);
  EXPECT_LE(b.R, 180);
  EXPECT_GE(b.R, 176);
  EXPECT_EQ(a.T, b.T);
  EXPECT_GE(a.T, 10);
  EXPECT_LE(a.T, 18);
}

TEST_F(TextTest, MiddleAlignmentCentresTheFontBox)
{
  Surface s(200, 80);
  Renderer r(s);
  const IRECT rect(0.f, 0.f, 200.f, 80.f);
  const IText style = Style(EAlign::Center, EVAlign::Middle);
  r.DrawText(style, "HIH", rect);
  const IRECT box = r.MeasureText(style, "HIH", rect);
  EXPECT_NEAR(box.MH(), 40.f, 0.01f);
  EXPECT_NEAR(box.MW(), 100.f, 0.01f);
  const PixelRect ink = InkBounds(s);
  EXPECT_GE(ink.T, static_cast<int>(box.T));
  EXPECT_LE(ink.B, static_cast<int>(std::ceil(box.B)));
}

TEST_F(TextTest, DrawScaleEnlargesText)
{
  Surface s1(200, 100), s2(400, 200);
  Renderer r1(s1, 1.f), r2(s2, 2.f);
  const IRECT rect(0.f, 0.f, 200.f, 100.f);
  r1.DrawText(Style(EAlign::Center, EVAlign::Middle), "H", rect);
  r2.DrawText(Style(EAlign::Center, EVAlign::Middle), "H", rect);
  EXPECT_NEAR(InkBounds(s2).H(), 2 * InkBounds(s1).H(), 1);
  EXPECT_NEAR(InkBounds(s2).W(), 2 * InkBounds(s1).W(), 2);
}

TEST_F(TextTest, KerningTightensPairs)
{
  Surface s(10, 10);
  Renderer r(s);
  const IText style = Style(EAlign::Near, EVAlign::Top);
  EXPECT_LT(r.MeasureTextWidth(style, "AV"), r.MeasureTextWidth(style, "A") + r.MeasureTextWidth(style, "V") - 0.5f);
}

TEST_F(TextTest, SolidStemsShowTheTextColour)
{
  Surface s(100, 60);
  Renderer r(s);
  r.DrawText(Style(EAlign::Center, EVAlign::Middle), "H", IRECT(0.f, 0.f, 100.f, 60.f));
  int solid = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x)
      if (pixel::Alpha(s.At(x, y)) == 255)
      {
        ++solid;
        EXPECT_EQ(s.GetColor(x, y), kTextColor);
      }
  EXPECT_GT(solid, 20);
}

TEST_F(TextTest, UnknownFontDrawsNothing)
{
  Surface s(50, 50);
  Renderer r(s);
  IText style = Style(EAlign::Center, EVAlign::Middle);
  style.SetFont("No-Such-Font");
  EXPECT_FALSE(r.DrawText(style, "H", IRECT(0.f, 0.f, 50.f, 50.f)));
  EXPECT_TRUE(InkBounds(s).Empty());
  EXPECT_FALSE(FontRegistry::Instance().Load("Broken", "/nonexistent/font.ttf"));
  EXPECT_EQ(FontRegistry::Instance().Find("Broken"), nullptr);
}

TEST_F(TextTest, TextIsClipped)
{
  const IRECT rect(0.f, 0.f, 200.f, 80.f);
  Surface full(200, 80);
  Renderer rf(full);
  rf.DrawText(Style(EAlign::Center, EVAlign::Middle), "HHHHHH", rect);
  // Cut through the middle of the first solid column right of centre.
  int cut = 100;
  while (cut < 200 && pixel::Alpha(full.At(cut, 40)) != 255)
    ++cut;
  ASSERT_LT(cut, 200);

  Surface s(200, 80);
  Renderer r(s);
  r.SetClipPixels({0, 0, cut + 1, 80});
  r.DrawText(Style(EAlign::Center, EVAlign::Middle), "HHHHHH", rect);
  EXPECT_EQ(InkBounds(s).R, cut + 1);
  EXPECT_GT(InkBounds(full).R, cut + 1);
}
