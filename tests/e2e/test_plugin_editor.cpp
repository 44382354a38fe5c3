// The real plug-in's editor in the command-line host's window, driven the way a user drives
// it: pointer and keyboard through XTest, results read from the screen, from the settings
// file and from the host's parameter listing when the window is closed.

#include "e2e/X11TestSupport.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "graphics/PngWriter.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;
using frame::graphics::Surface;

namespace {

const char* const kProgram = MG_RENDER_EXE;
const char* const kBundle = MG_TEST_BUNDLE;
constexpr const char* kTitle = "Mistlegrove Phaser";
constexpr float kLayoutW = 1440.f;

// Editor units of the layout.
struct UnitRect
{
  float l, t, r, b;
};
constexpr UnitRect kManualStrip{192, 306, 296, 348};
constexpr UnitRect kSpeedStrip{668, 306, 772, 348};
constexpr UnitRect kStagesSwitch{42, 192, 138, 304};
constexpr float kManualX = 244, kManualY = 252;
constexpr float kSyncX = 834, kSyncY = 234;
constexpr float kPresetX = 50, kPresetY = 54;
constexpr float kBackgroundX = 700, kBackgroundY = 120;

using Result = test_support::ChildResult;
std::string Slurp(const fs::path& path) { return test_support::Slurp(path.string()); }

std::string Trim(const std::string& s)
{
  const size_t a = s.find_first_not_of(' ');
  const size_t b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

/** Title → value text, from the "Parameters" table of the host's listing. */
std::map<std::string, std::string> ListedValues(const std::string& listing)
{
  std::map<std::string, std::string> values;
  std::istringstream in(listing);
  std::string line;
  size_t title = std::string::npos, value = 0, takes = 0;
  while (std::getline(in, line))
  {
    if (title == std::string::npos)
    {
      if (line.rfind("  id ", 0) == 0)
      {
        title = line.find("title");
        value = line.find("value");
        takes = line.find("takes");
      }
      continue;
    }
    if (line.empty())
      break;
    if (line.size() > value)
      values[Trim(line.substr(title, value - title))] = Trim(line.substr(value, takes - value));
  }
  return values;
}

/** A frequency text ("850 Hz", "1.25 kHz") in hertz. */
double Hertz(const std::string& text)
{
  const double v = std::strtod(text.c_str(), nullptr);
  return text.find("kHz") != std::string::npos ? v * 1000.0 : v;
}

/** How many pixels of a region in editor units differ between two captures. */
int Changed(const Surface& a, const Surface& b, const UnitRect& r, float scale)
{
  int n = 0;
  for (int y = static_cast<int>(r.t * scale); y < static_cast<int>(r.b * scale) && y < a.Height() && y < b.Height(); ++y)
    for (int x = static_cast<int>(r.l * scale); x < static_cast<int>(r.r * scale) && x < a.Width() && x < b.Width(); ++x)
      n += a.At(x, y) != b.At(x, y);
  return n;
}


template <typename F>
bool WaitFor(F done, int timeoutMs = 5000)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done())
  {
    if (std::chrono::steady_clock::now() >= end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

/** The window once three captures in a row agree: an editor redraws in pieces, and a
 *  capture between two of them shows half of a change. */
Surface Settled(e2e::TestX& x, Window w)
{
  Surface last = x.Capture(w);
  int unchanged = 0;
  for (int i = 0; i < 50 && unchanged < 2; ++i)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    Surface now = x.Capture(w);
    const bool same = now.Width() == last.Width() && now.Height() == last.Height() &&
                      std::equal(now.Data(), now.Data() + size_t(now.Width()) * size_t(now.Height()), last.Data());
    last = std::move(now);
    unchanged = same ? unchanged + 1 : 0;
  }
  return last;
}

/** Waits for a region to change from before, then for the whole window to settle. */
bool AwaitChange(e2e::TestX& x, Window w, const Surface& before, const UnitRect& r, float scale, Surface& after)
{
  if (!WaitFor([&] {
        after = x.Capture(w);
        return Changed(before, after, r, scale) > 0;
      }))
    return false;
  after = Settled(x, w);
  return true;
}

class PluginEditorTest : public e2e::XTestCase
{
protected:
  void SetUp() override
  {
    e2e::XTestCase::SetUp();
    if (IsSkipped())
      return;
    alarm(120); // the editor starts slowly under the sanitizers
    char home[] = "/tmp/mg-editor-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    mHome = home;
    std::signal(SIGPIPE, SIG_IGN);
  }
  void TearDown() override
  {
    if (HasFailure() && e2e::XvfbAvailable())
    {
      // What the screen showed when it went wrong, and what the program said.
      e2e::TestX x;
      frame::graphics::WritePNG(x.Capture(x.Root()), e2e::ArtefactPath("plugin-editor-failure.png"));
      std::fprintf(stderr, "mistlegrove-render said: %s\n", Slurp(mHome / ".stderr").c_str());
    }
    if (mPid > 0)
    {
      kill(mPid, SIGKILL);
      waitpid(mPid, nullptr, 0);
    }
    if (!mHome.empty())
      fs::remove_all(mHome);
    e2e::XTestCase::TearDown();
  }

  // The program with a HOME of its own: the plug-in keeps its settings there.
  pid_t Spawn(std::vector<std::string> args)
  {
    args.insert(args.begin(), {"--bundle", kBundle});
    return test_support::SpawnProgram(kProgram, std::move(args), {mHome.string(), mHome.string(), "", false});
  }

  Result Wait(pid_t pid, int timeoutMs = 20000)
  {
    if (pid == mPid)
      mPid = -1;
    return test_support::WaitChild(pid, mHome.string(), timeoutMs);
  }

  fs::path mHome;
  pid_t mPid = -1;
};

TEST_F(PluginEditorTest, AUserPicksAPresetTurnsTheManualKnobSyncsTheLfoAndSavesTheWindowSize)
{
  const Result reference = Wait(Spawn({"--list", "--preset", "Vibrato"}));
  ASSERT_EQ(reference.status, 0) << reference.err;
  const std::map<std::string, std::string> vibrato = ListedValues(reference.out);
  ASSERT_EQ(vibrato.count("Manual"), 1u) << reference.out;
  ASSERT_EQ(vibrato.at("Sync to Host"), "OFF");

  e2e::TestX x;
  mPid = Spawn({"--editor", "--list"});
  const Window top = x.WaitForTitle(kTitle, 30000);
  ASSERT_NE(top, 0u) << "no editor window; stderr: " << Slurp(mHome / ".stderr");
  int wx, wy, w, h;
  x.Geometry(top, wx, wy, w, h);
  const float scale = static_cast<float>(w) / kLayoutW;
  ASSERT_GT(scale, 0.2f);
  EXPECT_EQ(h, static_cast<int>(std::lround(348 * scale)));
  auto moveTo = [&](float ux, float uy) {
    x.MoveTo(top, static_cast<int>(ux * scale), static_cast<int>(uy * scale));
  };
  // The background is drawn once the stages switch is: nothing of the artwork is black.
  ASSERT_TRUE(WaitFor([&] { return x.PixelAt(top, static_cast<int>(90 * scale), static_cast<int>(248 * scale)) != 0; }))
    << "the editor never painted";
  const Surface opened = Settled(x, top);

  // The preset menu: the ten names, the first one checked; the keyboard picks "Vibrato".
  moveTo(kPresetX, kPresetY);
  x.Click(Button1);
  Window popup = 0;
  ASSERT_TRUE(WaitFor([&] { return (popup = x.FindPopup()) != 0; })) << "no preset menu";
  x.Tap(XK_Home);
  for (int i = 0; i < 7; ++i)
    x.Tap(XK_Down);
  x.Tap(XK_Return);
  ASSERT_TRUE(WaitFor([&] { return x.FindPopup() == 0; }));
  Surface recalled;
  ASSERT_TRUE(AwaitChange(x, top, opened, kManualStrip, scale, recalled)) << "recalling a preset left the Manual text as it was";

  // "Manual" dragged up: the knob and its text follow.
  moveTo(kManualX, kManualY);
  x.Button(Button1, true, 30);
  for (int dy = 4; dy <= 60; dy += 4)
  {
    moveTo(kManualX, kManualY - static_cast<float>(dy) / scale);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  x.Button(Button1, false, 30);
  Surface dragged;
  ASSERT_TRUE(AwaitChange(x, top, recalled, kManualStrip, scale, dragged)) << "dragging the Manual knob changed nothing on screen";
  EXPECT_EQ(Changed(recalled, dragged, kSpeedStrip, scale), 0);

  // "Sync to Host" on: the speed knob's text becomes a note value.
  moveTo(kSyncX, kSyncY);
  x.Click(Button1, 30);
  Surface synced;
  ASSERT_TRUE(AwaitChange(x, top, dragged, kSpeedStrip, scale, synced)) << "turning Sync to Host on left the LFOSpeed text as it was";
  EXPECT_EQ(Changed(dragged, synced, kStagesSwitch, scale), 0);
  EXPECT_TRUE(frame::graphics::WritePNG(synced, e2e::ArtefactPath("plugin-editor.png")));

  // A right click on the background: the size menu; its last item saves the size and a
  // message box confirms it.
  moveTo(kBackgroundX, kBackgroundY);
  x.Click(Button3);
  ASSERT_TRUE(WaitFor([&] { return (popup = x.FindPopup()) != 0; })) << "no size menu";
  x.Tap(XK_End);
  x.Tap(XK_Return);
  const Window box = x.WaitForTitle("Save Window Size", 10000);
  ASSERT_NE(box, 0u) << "no confirmation after Save Window Size";
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(frame::graphics::WritePNG(x.Capture(box), e2e::ArtefactPath("plugin-editor-save-size.png")));
  x.Tap(XK_Return);
  ASSERT_TRUE(WaitFor([&] { return x.WaitForTitle("Save Window Size", 1) == 0; })) << "the message box stayed open";
  const fs::path ini = mHome / "Library/Application Support/MistlegroveMusic/trellowphaser.ini";
  char line[64];
  std::snprintf(line, sizeof line, "Scale=%f", static_cast<double>(scale));
  EXPECT_NE(Slurp(ini).find(line), std::string::npos) << Slurp(ini);

  x.Close(top);
  const Result closed = Wait(mPid);
  ASSERT_EQ(closed.status, 0) << closed.err;
  EXPECT_EQ(closed.err, "");
  const std::map<std::string, std::string> after = ListedValues(closed.out);
  ASSERT_EQ(after.size(), vibrato.size()) << closed.out;
  for (const auto& [title, text] : vibrato)
  {
    if (title == "Manual" || title == "Sync to Host" || title == "LFOSpeed")
      continue;
    EXPECT_EQ(after.at(title), text) << title << " is not the recalled preset's";
  }
  EXPECT_GT(Hertz(after.at("Manual")), Hertz(vibrato.at("Manual")) * 1.05) << after.at("Manual");
  EXPECT_EQ(after.at("Sync to Host"), "ON");
  EXPECT_NE(after.at("LFOSpeed").find('/'), std::string::npos) << after.at("LFOSpeed");
  EXPECT_EQ(vibrato.at("LFOSpeed").find('/'), std::string::npos);
}

} // namespace
