// The pictures of mistlegrove-render, checked by what they show: their size, labels where
// the axes are, and notches where the measured response puts them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "graphics/Image.h"
#include "graphics/ImageCache.h"
#include "support/TempDir.h"
#include "apps/render/LogFrequency.h"
#include "apps/render/PluginHost.h"
#include "apps/render/Response.h"
#include "apps/render/ResponsePicture.h"
#include "apps/render/Spectrogram.h"
#include "apps/render/SpectrogramPicture.h"

namespace fs = std::filesystem;
using frame::graphics::IRECT;
using frame::graphics::Surface;
using render::LogFrequency;

namespace {

struct Outcome
{
  int status = -1;
  std::string err;
};

struct Notch
{
  double hz;
  double darkness; ///< the row's luminance over the panel's median
};

double Luminance(const Surface& s, int x, int y)
{
  const auto c = s.GetColor(x, y);
  return 0.2126 * c.R + 0.7152 * c.G + 0.0722 * c.B;
}

// Pixels clearly brighter than the dark background: rendered text or lines.
int Ink(const Surface& s, const IRECT& r)
{
  int ink = 0;
  for (int y = std::max(0, static_cast<int>(r.T)); y < std::min(s.Height(), static_cast<int>(r.B)); ++y)
    for (int x = std::max(0, static_cast<int>(r.L)); x < std::min(s.Width(), static_cast<int>(r.R)); ++x)
      ink += Luminance(s, x, y) > 110.0;
  return ink;
}

class RenderPictures : public ::testing::Test
{
protected:
  // Through the shell, in the test folder, which is also the program's HOME.
  Outcome Run(const std::vector<std::string>& args)
  {
    std::string command = "cd '" + mDir.string() + "' && HOME=. '" MG_RENDER_EXE "' --bundle '" MG_TEST_BUNDLE "'";
    for (const std::string& a : args)
      command += " '" + a + "'";
    const fs::path err = mDir / ".err";
    const int status = std::system((command + " >/dev/null 2>'" + err.string() + "'").c_str());
    std::ifstream in(err);
    Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(std::istreambuf_iterator<char>(in), {})};
    fs::remove(err);
    fs::remove_all(mDir / "Library"); // the plug-in's settings under HOME
    return r;
  }

  Surface Picture(const std::string& name)
  {
    std::ifstream in(mDir / name, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const std::shared_ptr<frame::graphics::Image> image = frame::graphics::DecodeImage(bytes.data(), bytes.size());
    return image ? image->Pixels() : Surface();
  }

  // Draws a picture and checks what every picture has: its size, and a title above top.
  Surface Drawn(std::vector<std::string> args, int width, int height, float top)
  {
    args.insert(args.end(), {"--size", std::to_string(width) + "x" + std::to_string(height)});
    EXPECT_EQ(Run(args).status, 0);
    const Surface s = Picture(args[1]);
    EXPECT_EQ(s.Width(), width);
    EXPECT_EQ(s.Height(), height);
    EXPECT_GT(Ink(s, IRECT(0, 0, static_cast<float>(width), top - 20)), 200) << "title";
    return s.Width() == width && s.Height() == height ? s : Surface();
  }

  std::vector<std::string> Entries() const
  {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(mDir))
      names.push_back(e.path().filename().string());
    return names;
  }

  test_support::TempDir mTemp{"mg-render-pictures"};
  const fs::path mDir = mTemp.path();
};

// The mean luminance of each row of a panel over columns [from, to).
std::vector<double> RowProfile(const Surface& s, const IRECT& panel, int from, int to)
{
  std::vector<double> rows;
  for (int y = static_cast<int>(panel.T); y < static_cast<int>(panel.B); ++y)
  {
    double sum = 0.0;
    for (int x = from; x < to; ++x)
      sum += Luminance(s, static_cast<int>(panel.L) + x, y);
    rows.push_back(sum / (to - from));
  }
  return rows;
}

double Median(std::vector<double> values)
{
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

double RowHz(const IRECT& panel, double row) { return LogFrequency::At(1.0 - (row + 0.5) / panel.H()); }

// The darkest row within a tenth of hz either side.
Notch DarkestNear(const std::vector<double>& profile, const IRECT& panel, double hz)
{
  const double median = Median(profile);
  Notch best{hz, 1e9};
  for (size_t r = 0; r < profile.size(); ++r)
  {
    const double f = RowHz(panel, static_cast<double>(r));
    if (std::abs(f / hz - 1.0) <= 0.1 && profile[r] / median < best.darkness)
      best = {f, profile[r] / median};
  }
  return best;
}

// Notches of a measured curve: minima 20 dB below the curve's median, within the band
// the spectrogram resolves well.
std::vector<double> NotchesOf(const render::Response& response, const std::vector<double>& db)
{
  const double median = Median(db);
  std::vector<double> notches;
  for (size_t i = 1; i + 1 < db.size(); ++i)
  {
    const double hz = response.frequencies[i];
    if (hz > 100.0 && hz < 12000.0 && db[i] < db[i - 1] && db[i] <= db[i + 1] && db[i] < median - 20.0)
      notches.push_back(hz);
  }
  return notches;
}

// The response through the built bundle, in this process, with values as the CLI takes them.
render::Response Measure(const std::vector<std::pair<std::string, std::string>>& values)
{
  render::PluginHost host;
  std::string error;
  render::Response response;
  EXPECT_TRUE(host.Load(MG_TEST_BUNDLE, error)) << error;
  for (const auto& [name, text] : values)
  {
    render::PluginParam param;
    double normalized = 0.0;
    EXPECT_TRUE(host.FindParam(name, param)) << name;
    EXPECT_TRUE(host.ReadValue(param, text, normalized, error) && host.SetParam(param.id, normalized, error)) << error;
  }
  EXPECT_TRUE(render::MeasureResponse(host, render::ProcessSettings{}, 8, response, error)) << error;
  return response;
}

double Highest(const render::Response& response)
{
  double peak = -1e9;
  for (const render::ResponseCurve& c : response.curves)
    for (const std::vector<double>* db : {&c.left, &c.right})
      peak = std::max(peak, *std::max_element(db->begin(), db->end()));
  return peak;
}

} // namespace

// ---------------------------------------------------------------------------------------
// The pictures' frames

TEST_F(RenderPictures, ASpectrogramHasItsSizeATitleAndLabelledAxes)
{
  const render::SpectrogramLayout layout = render::SpectrogramLayout::For(640, 480);
  const Surface s = Drawn({"--spectrogram", "s.png"}, 640, 480, layout.panels[0].T);
  ASSERT_FALSE(s.Empty());
  EXPECT_EQ(Entries(), std::vector<std::string>{"s.png"}) << "no audio without -o";
  for (const IRECT& panel : layout.panels)
    EXPECT_GT(Ink(s, IRECT(0, panel.T, panel.L - 4, panel.B)), 40) << "frequencies beside the panel";
  const IRECT& last = layout.panels[render::SpectrogramLayout::kPanels - 1];
  EXPECT_GT(Ink(s, IRECT(last.L, last.B + 6, last.R, 480)), 80) << "times below";
  const IRECT& scale = layout.scale;
  EXPECT_GT(Ink(s, IRECT(scale.R + 2, scale.T, 640, scale.B)), 40) << "levels beside the colour scale";
}

TEST_F(RenderPictures, AResponseHasItsSizeATitleAndLabelledAxes)
{
  const render::ResponseLayout layout = render::ResponseLayout::For(600, 500);
  const Surface s = Drawn({"--response", "r.png"}, 600, 500, layout.panels[0].T);
  ASSERT_FALSE(s.Empty());
  for (const IRECT& panel : layout.panels)
  {
    EXPECT_GT(Ink(s, IRECT(0, panel.T, panel.L - 4, panel.B)), 40) << "levels beside the panel";
    EXPECT_GT(Ink(s, IRECT(panel.L, panel.B + 6, panel.R, panel.B + 22)), 60) << "frequencies below";
  }
  EXPECT_GT(Ink(s, layout.legend), 100) << "the cycle's legend";
}

// ---------------------------------------------------------------------------------------
// What the pictures show

TEST(Spectrogram, AFullScaleSineReadsZeroDecibelsInItsOwnRowOnly)
{
  const int rows = 300, columns = 40;
  render::Spectrogram s(48000, 48000, columns, rows);
  std::vector<double> sine(48000);
  for (size_t i = 0; i < sine.size(); ++i)
    sine[i] = std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(i) / 48000.0);
  s.Add(sine.data(), static_cast<int64_t>(sine.size()));
  s.Finish();
  const int row = static_cast<int>((1.0 - LogFrequency::Fraction(1000.0)) * rows);
  for (int c = 2; c < columns - 2; ++c)
  {
    EXPECT_NEAR(s.Level(c, row), 0.0, 1.5) << "column " << c; // scalloped a little between bins
    EXPECT_LT(s.Level(c, row - rows / 10), -60.0) << "an octave above, column " << c;
    EXPECT_LT(s.Level(c, row + rows / 10), -60.0) << "an octave below, column " << c;
  }
}

TEST_F(RenderPictures, AFrozenSweepShowsItsNotchesWhereTheResponsePutsThemAndBypassShowsNone)
{
  const render::Response response = Measure({{"LFODepth", "0"}});
  const std::vector<double> predicted = NotchesOf(response, response.curves[0].left);
  ASSERT_EQ(predicted.size(), 2u) << "four stages at one frequency cut twice";

  const int width = 640, height = 1200;
  ASSERT_EQ(Run({"--spectrogram", "on.png", "--set", "LFODepth=0", "--size", "640x1200"}).status, 0);
  ASSERT_EQ(Run({"--spectrogram", "off.png", "--set", "LFODepth=0", "--bypass", "--size", "640x1200"}).status, 0);
  const render::SpectrogramLayout layout = render::SpectrogramLayout::For(width, height);
  const IRECT& left = layout.panels[1];
  const std::vector<double> on = RowProfile(Picture("on.png"), left, 0, static_cast<int>(left.W()));
  const std::vector<double> off = RowProfile(Picture("off.png"), left, 0, static_cast<int>(left.W()));
  for (double hz : predicted)
  {
    const Notch seen = DarkestNear(on, left, hz);
    EXPECT_NEAR(seen.hz / hz, 1.0, 0.05) << hz << " Hz";
    EXPECT_LT(seen.darkness, 0.6) << hz << " Hz";
    EXPECT_GT(DarkestNear(off, left, hz).darkness, 0.85) << hz << " Hz, bypassed";
  }
}

TEST_F(RenderPictures, TheMovingNotchesFollowTheResponseOverTheCycle)
{
  // A cycle of 4 s in the 8 s of noise: point k of the cycle is at k / 2 seconds.
  const render::Response response = Measure({});
  const int width = 640, height = 1200;
  ASSERT_EQ(Run({"--spectrogram", "s.png", "--set", "LFOSpeed=0.25Hz", "--size", "640x1200"}).status, 0);
  const Surface s = Picture("s.png");
  const render::SpectrogramLayout layout = render::SpectrogramLayout::For(width, height);
  for (int ch = 0; ch < 2; ++ch)
  {
    const IRECT& panel = layout.panels[1 + ch];
    for (size_t k = 1; k < response.curves.size(); ++k)
    {
      const int column = static_cast<int>(panel.W() * (k / 2.0) / 8.0);
      const std::vector<double> profile = RowProfile(s, panel, column - 2, column + 3);
      const render::ResponseCurve& curve = response.curves[k];
      // Above 1 kHz a few columns hold enough bins to place a moving notch.
      for (double hz : NotchesOf(response, ch == 0 ? curve.left : curve.right))
      {
        if (hz < 1000.0)
          continue;
        EXPECT_NEAR(DarkestNear(profile, panel, hz).hz / hz, 1.0, 0.05) << "point " << k << ", " << hz << " Hz";
      }
    }
  }
}

TEST(RenderResponse, StrongFeedbackRaisesPeaksThatNoFeedbackLacks)
{
  const double plain = Highest(Measure({{"Feedback", "0%"}}));
  const double resonant = Highest(Measure({{"Feedback", "90%"}}));
  EXPECT_LT(plain, 3.5) << "an equal-power blend of two unit gains";
  EXPECT_GT(resonant, plain + 9.0);
}

// ---------------------------------------------------------------------------------------
// What a user gets wrong is refused with one line, and nothing is written

TEST_F(RenderPictures, BadPictureRequestsAreRefusedWithOneLineAndWriteNothing)
{
  fs::create_directory(mDir / "folder.png");
  const std::vector<std::vector<std::string>> bad = {
    {"--spectrogram", "absent/s.png"},
    {"--response", "absent/r.png"},
    {"--spectrogram", "folder.png"},
    {"--spectrogram", "s.png", "--size", "200x100"},
    {"--response", "r.png", "--size", "640x120"},
    {"--spectrogram", "s.png", "--size", "big"},
    {"--spectrogram", "s.png", "--preset", "Nonesuch"},
    {"--response", "r.png", "--preset", "Nonesuch"},
    {"--response", "r.png", "in.wav"},
  };
  for (const std::vector<std::string>& args : bad)
  {
    const Outcome r = Run(args);
    EXPECT_NE(r.status, 0) << args[1];
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"folder.png"});
}
