#pragma once

// The phaser's editor drawn offscreen, with a private HOME, its resources and helpers that
// press, hover and compare what is drawn.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/BundleResources.h"
#include "editor/IGraphics.h"
#include "editor/ITrellowCornerResizer.h"
#include "editor/ITrellowValueText.h"
#include "editor/OffscreenPlatformView.h"
#include "editor/trellowphaser.editor.h"
#include "support/TempHome.h"
#include "effect/trellowphaser.h"
#include "graphics/ImageCache.h"
#include "graphics/PngWriter.h"
#include "graphics/Renderer.h"

using namespace frame::graphics;

namespace {

const std::string kResources = MG_TRELLOW_RESOURCES;
const std::string kReferenceDir = MG_TRELLOW_REFERENCE_DIR;

const IMouseMod kLeft{true};
const IMouseMod kRight{false, true};

// The layout's text controls: parameter, bitmap top-left, knob or switch.
struct TextControl
{
  int param;
  float x, y;
  bool knob;
};
constexpr TextControl kTextControls[] = {
  {kParamManual, 192, 200, true},   {kParamSpread, 340, 200, true},   {kParamFeedback, 488, 200, true},
  {kParamLFOSpeed, 668, 200, true}, {kParamSync, 802, 188, false},    {kParamLFODepth, 976, 200, true},
  {kParamStereo, 1124, 200, true},  {kParamMix, 1304, 200, true},
};
constexpr float kKnobSize = 104.f;
constexpr int kKnobFrames = 65;

/** A private HOME (the settings file lives under it) and the editor's resources. */
class EditorTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    TrellowPhaserEditor::setEditorResourcePath(kResources.c_str());
    frame::graphics::SetEditorFactory(&frame::graphics::MakePluginEditor);
  }
  void TearDown() override
  {
    mEffect.reset();
    frame::graphics::SetEditorFactory(nullptr);
    TrellowPhaserEditor::setEditorResourcePath("");
  }

  std::string folder() const { return mHome.settingsFolder(); }
  std::string iniPath() const { return mHome.settingsFile(); }
  void storeScale(const std::string& text)
  {
    std::filesystem::create_directories(folder());
    std::ofstream(iniPath()) << "[Editor]\nScale=" << text << "\n";
  }

  /** A new instance, its handlers run once as a host's initialisation does. */
  TrellowPhaser& effect()
  {
    if (!mEffect)
    {
      mEffect = std::make_unique<TrellowPhaser>(frame::InstanceInfo{});
      mEffect->OnParamReset(frame::kSourceReset);
    }
    return *mEffect;
  }

  TrellowPhaserEditor& editor() { return *TrellowPhaserEditor::of(effect()); }

  IGraphics& open()
  {
    static char parent;
    EXPECT_NE(effect().OpenWindow(&parent), nullptr);
    g = dynamic_cast<IGraphics*>(effect().GetUI());
    view = g ? dynamic_cast<OffscreenPlatformView*>(&g->GetPlatform()) : nullptr;
    EXPECT_TRUE(g && view);
    return *g;
  }

  // Input at a layout point, in window pixels as the platform reports it.
  float px(float units) const { return units * g->GetDrawScale(); }
  void press(float x, float y, const IMouseMod& mod)
  {
    view->Events()->OnPlatformMouseDown(px(x), px(y), mod);
    view->Events()->OnPlatformMouseUp(px(x), px(y), mod);
  }
  void hover(float x, float y) { view->Events()->OnPlatformMouseOver(px(x), px(y), IMouseMod()); }

  /** Right-clicks the background and chooses item index of the size menu. */
  void chooseSize(int index)
  {
    press(700, 150, kRight);
    ASSERT_TRUE(view->HasPendingMenu());
    view->ChooseMenuItem(index);
  }

  IControl* control(int param) const { return g->GetControlWithParamIdx(param); }

  /** The editor's window contents at its current state. */
  const Surface& drawn()
  {
    g->DrawDirty();
    return g->GetSurface();
  }

  /** What the renderer draws at the editor's scale: the background, then extra. */
  Surface expected(const std::function<void(Renderer&)>& extra = nullptr) const
  {
    Surface s(g->WindowWidth(), g->WindowHeight(), 0xFF000000u);
    Renderer r(s, g->GetDrawScale());
    r.DrawBitmap(LoadBitmap(kResources, "back.png", 1, false, 1), IRECT(0, 0, 1440, 348));
    if (extra)
      extra(r);
    return s;
  }

  /** Largest channel difference inside a layout area. */
  int maxDifference(const Surface& a, const Surface& b, const IRECT& area) const
  {
    const PixelRect r = PixelRect::FromUnits(area, g->GetDrawScale()).Intersect(a.Bounds());
    int worst = 0;
    for (int y = r.T; y < r.B; ++y)
      for (int x = r.L; x < r.R; ++x)
      {
        const IColor p = a.GetColor(x, y), q = b.GetColor(x, y);
        worst = std::max({worst, std::abs(p.R - q.R), std::abs(p.G - q.G), std::abs(p.B - q.B)});
      }
    return worst;
  }

  void expectStripShows(const TextControl& c, const char* text)
  {
    const IControl* ctl = control(c.param);
    ASSERT_NE(ctl, nullptr);
    const IRECT strip = ctl->GetRECT().GetFromBottom(kTrellowTextStripHeight);
    const Surface want = expected([&](Renderer& r) { r.DrawText(TrellowValueTextStyle(), text, ctl->GetRECT()); });
    EXPECT_LE(maxDifference(drawn(), want, strip), 2) << "parameter " << c.param << " should read " << text;
    // The comparison must not pass on a strip that shows nothing.
    EXPECT_GT(maxDifference(want, expected(), strip), 40) << text;
  }

  void expectKnobFrame(const TextControl& c, int frame)
  {
    const IRECT r = IRECT::MakeXYWH(c.x, c.y, kKnobSize, kKnobSize);
    const Surface want = expected([&](Renderer& rr) {
      rr.DrawBitmap(LoadBitmap(kResources, "knob.png", kKnobFrames, false, 1), r, frame);
    });
    EXPECT_LE(maxDifference(drawn(), want, r), 2) << "parameter " << c.param << " should show frame " << frame;
  }

  std::unique_ptr<TrellowPhaser> mEffect;
  IGraphics* g = nullptr;
  OffscreenPlatformView* view = nullptr;
  test_support::TempHome mHome;
};

inline std::vector<uint8_t> readFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string slurp(const std::string& path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

} // namespace
