#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/IBitmap.h"
#include "graphics/ImageCache.h"
#include "graphics/Pixel.h"

#ifdef MG_HAVE_ARTWORK_GENERATOR
#include "Artwork.h"
#include "Shapes.h"
#endif

namespace {

using frame::graphics::IBitmap;
using frame::graphics::Surface;
namespace px = frame::graphics::pixel;

// The editor's layout, in units at scale 1: where it puts each bitmap and how tall its
// value strips are.
constexpr int kLayoutW = 1440, kLayoutH = 348, kStrip = 44;
constexpr int kKnobY = 200, kSwitchY = 188, kSwitchTextBottom = 136, kStagesX = 42, kStagesY = 192;
constexpr int kKnobXs[] = {192, 340, 488, 668, 976, 1124, 1304};
constexpr int kSyncX = 802, kWaveformX = 882, kFirstKnobX = 192;

IBitmap load(const char* name, int frames)
{
  return frame::graphics::LoadBitmap(MG_RESOURCES_DIR, name, frames, false, 1);
}

// One frame of a vertical strip, as the editor cuts it.
Surface frameOf(const IBitmap& b, int frame)
{
  const Surface& all = b.mImage->Pixels();
  Surface out(b.FW(), b.FH());
  for (int y = 0; y < b.FH(); ++y)
    for (int x = 0; x < b.FW(); ++x)
      out.Set(x, y, all.At(x, (frame - 1) * b.FH() + y));
  return out;
}

int differingPixels(const Surface& a, const Surface& b)
{
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      n += a.At(x, y) != b.At(x, y);
  return n;
}

// Relative luminance (0 ... 1) of an opaque premultiplied pixel, as contrast ratios use it.
double luminance(uint32_t p)
{
  auto lin = [](uint32_t c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * lin(px::Red(p)) + 0.7152 * lin(px::Green(p)) + 0.0722 * lin(px::Blue(p));
}

double meanLuminance(const Surface& s, int l, int t, int r, int b)
{
  double sum = 0.0;
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x)
      sum += luminance(s.At(x, y));
  return sum / ((r - l) * (b - t));
}

// Direction of the knob's pointer in degrees (0 up, clockwise): the centroid of the bright
// cream pixels near the centre, inside the value arc.
double pointerAngle(const Surface& frame)
{
  const double c = 0.5 * frame.Width();
  double sx = 0.0, sy = 0.0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x)
    {
      const double dx = x + 0.5 - c, dy = y + 0.5 - c;
      const uint32_t p = frame.At(x, y);
      if (std::hypot(dx, dy) < 30.0 && px::Alpha(p) > 200 && px::Red(p) > 200 && px::Blue(p) > 120)
        sx += dx, sy += dy;
    }
  return std::atan2(sx, -sy) * 180.0 / 3.14159265358979;
}

} // namespace

TEST(ArtworkFrames, EachBitmapHasTheFrameGeometryTheLayoutNeeds)
{
  const IBitmap back = load("back.png", 1), knob = load("knob.png", 65);
  const IBitmap sw = load("switch.png", 2), stages = load("stages.png", 2);
  ASSERT_TRUE(back.IsValid() && knob.IsValid() && sw.IsValid() && stages.IsValid());

  EXPECT_EQ(back.W(), kLayoutW);
  EXPECT_EQ(back.H(), kLayoutH);

  // Knobs stand on the layout's bottom edge with their value strip.
  EXPECT_EQ(knob.FW(), 104);
  EXPECT_EQ(knob.H(), 65 * knob.FH());
  EXPECT_EQ(kKnobY + knob.FH() + kStrip, kLayoutH);

  // The sync switch's strip starts below its bitmap, so its frame must end above it.
  EXPECT_EQ(sw.H(), 2 * sw.FH());
  EXPECT_LE(sw.FH(), kSwitchTextBottom - kStrip);
  EXPECT_LE(kSyncX + sw.FW(), kWaveformX) << "the two switches would overlap";

  EXPECT_EQ(stages.H(), 2 * stages.FH());
  EXPECT_LE(kStagesX + stages.FW(), kFirstKnobX) << "the stage button would overlap the first knob";
  EXPECT_LE(kStagesY + stages.FH(), kLayoutH);
}

TEST(ArtworkFrames, KnobPointerTurnsClockwiseFromSevenToFiveOClock)
{
  const IBitmap knob = load("knob.png", 65);
  ASSERT_TRUE(knob.IsValid());
  EXPECT_NEAR(pointerAngle(frameOf(knob, 1)), -135.0, 8.0);
  EXPECT_NEAR(pointerAngle(frameOf(knob, 33)), 0.0, 8.0);
  EXPECT_NEAR(pointerAngle(frameOf(knob, 65)), 135.0, 8.0);
  for (int f = 2; f <= 65; ++f)
    EXPECT_GT(differingPixels(frameOf(knob, f - 1), frameOf(knob, f)), 20) << "frame " << f << " repeats its predecessor";
}

TEST(ArtworkFrames, KnobGroundIsTransparentSoThePanelShowsThrough)
{
  const IBitmap knob = load("knob.png", 65);
  ASSERT_TRUE(knob.IsValid());
  for (int f : {1, 33, 65})
  {
    const Surface s = frameOf(knob, f);
    const int last = s.Width() - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
      EXPECT_EQ(px::Alpha(s.At(x, y)), 0u) << "frame " << f << " corner " << x << "," << y;
  }
}

TEST(ArtworkFrames, TwoStateBitmapsLookUnmistakablyDifferent)
{
  for (const char* name : {"switch.png", "stages.png"})
  {
    const IBitmap b = load(name, 2);
    ASSERT_TRUE(b.IsValid()) << name;
    const int changed = differingPixels(frameOf(b, 1), frameOf(b, 2));
    EXPECT_GT(changed, b.FW() * b.FH() / 8) << name;
  }
}

TEST(ArtworkBackground, ValueStripsAreDarkEnoughForCreamText)
{
  const IBitmap back = load("back.png", 1);
  ASSERT_TRUE(back.IsValid());
  const Surface& s = back.mImage->Pixels();
  const double cream = luminance(px::Pack(255, 255, 255, 192));
  // The rows the 26-unit text occupies, across the middle of each strip.
  auto check = [&](int cx, int bottom, const char* what) {
    const double l = meanLuminance(s, cx - 36, bottom - 26, cx + 36, bottom - 6);
    EXPECT_GE((cream + 0.05) / (l + 0.05), 12.0) << what << " at x " << cx;
  };
  for (int x : kKnobXs)
    check(x + 52, kKnobY + 104 + kStrip, "knob strip");
  check(kSyncX + 32, kSwitchY + kSwitchTextBottom, "sync strip");
}

TEST(ArtworkBackground, MenuButtonsStandOutFromThePanel)
{
  const IBitmap back = load("back.png", 1);
  ASSERT_TRUE(back.IsValid());
  const Surface& s = back.mImage->Pixels();
  // Each hot zone carries a visible button: its pixels vary far more than the plain panel's.
  auto spread = [&](int l, int t, int r, int b) {
    double sum = 0.0, sq = 0.0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x)
      {
        const double v = luminance(s.At(x, y));
        sum += v, sq += v * v;
      }
    const double n = (r - l) * (b - t), mean = sum / n;
    return std::sqrt(sq / n - mean * mean);
  };
  const double plain = spread(300, 20, 360, 80);
  EXPECT_GT(spread(20, 24, 80, 84), 4.0 * plain) << "preset button";
  EXPECT_GT(spread(1112, 24, 1416, 80), 4.0 * plain) << "online button";
}

#ifdef MG_HAVE_ARTWORK_GENERATOR
TEST(ArtworkRegeneration, CommittedBitmapsAreWhatTheGeneratorDraws)
{
  std::string error;
  ASSERT_TRUE(artwork::RegisterFonts(MG_ROBOTO_DIR, error)) << error;
  const struct
  {
    const char* name;
    artwork::Picture picture;
  } drawn[] = {
    {"back.png", artwork::MakeBackground()},
    {"knob.png", artwork::MakeKnob()},
    {"switch.png", artwork::MakeSwitch()},
    {"stages.png", artwork::MakeStages()},
  };
  for (const auto& d : drawn)
  {
    const IBitmap committed = load(d.name, 1);
    ASSERT_TRUE(committed.IsValid()) << d.name;
    const Surface& c = committed.mImage->Pixels();
    const Surface fresh = artwork::ToSurface(d.picture);
    ASSERT_EQ(c.Width(), fresh.Width()) << d.name;
    ASSERT_EQ(c.Height(), fresh.Height()) << d.name;
    // A level of slack per channel absorbs last-bit differences of the maths library; a
    // changed drawing moves far more.
    int off = 0;
    for (int y = 0; y < c.Height(); ++y)
      for (int x = 0; x < c.Width(); ++x)
      {
        const uint32_t a = c.At(x, y), b = fresh.At(x, y);
        for (int shift = 0; shift < 32; shift += 8)
          if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 1)
          {
            ++off;
            break;
          }
      }
    EXPECT_EQ(off, 0) << d.name << " is stale: run the artwork target";
  }
}
#endif
