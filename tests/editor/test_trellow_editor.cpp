// The effect's editor as a user sees it, drawn offscreen: layout and value texts, opening
// sizes and the size menu, the text knob and switch, the preset and online menus, saving
// the window size and the resize corner.
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

std::vector<uint8_t> readFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string slurp(const std::string& path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

} // namespace

// --- What the editor shows ------------------------------------------------------------

TEST_F(EditorTest, DefaultEditorAtHalfScaleMatchesTheReferenceSnapshot)
{
  open();
  const Surface& shot = g->RenderOffscreen();
  const std::string reference = kReferenceDir + "/editor-default-0.5.png";
  if (std::getenv("MG_UPDATE_REFERENCE"))
  {
    std::filesystem::create_directories(kReferenceDir);
    ASSERT_TRUE(WritePNG(shot, reference));
    GTEST_SKIP() << "wrote " << reference;
  }
  const std::vector<uint8_t> bytes = readFile(reference);
  const auto image = DecodeImage(bytes.data(), bytes.size());
  ASSERT_TRUE(image) << reference << " is missing; run with MG_UPDATE_REFERENCE=1";
  const Surface& ref = image->Pixels();
  ASSERT_EQ(ref.Width(), 720);
  ASSERT_EQ(ref.Height(), 174);
  ASSERT_EQ(shot.Width(), 720);
  ASSERT_EQ(shot.Height(), 174);
  // Small rounding differences of the renderer are tolerated, a moved or missing control not.
  int off = 0;
  EXPECT_LE(maxDifference(shot, ref, IRECT(0, 0, 1440, 348)), 48);
  for (int y = 0; y < 174; ++y)
    for (int x = 0; x < 720; ++x)
    {
      const IColor p = shot.GetColor(x, y), q = ref.GetColor(x, y);
      off += std::max({std::abs(p.R - q.R), std::abs(p.G - q.G), std::abs(p.B - q.B)}) > 4;
    }
  EXPECT_LE(off, 720 * 174 / 500) << "pixels off the reference";
}

TEST_F(EditorTest, ANewInstanceShowsEveryValueTextInTheStripUnderItsControl)
{
  open();
  const char* texts[] = {"1000Hz", "0%", "0%", "0.15Hz", "OFF", "50%", "0%", "50:50"};
  for (size_t i = 0; i < std::size(kTextControls); ++i)
    expectStripShows(kTextControls[i], texts[i]);
}

TEST_F(EditorTest, RecallingAliensAndSyncingShowsItsKnobFramesAndTheSyncRate)
{
  open();
  press(50, 50, kLeft);
  ASSERT_TRUE(view->ChooseMenuItem(9));
  press(834, 230, kLeft); // Sync to Host on
  g->DrawAll();

  const int frames[] = {33, 33, 62, 37, 0, 23, 65, 65};
  const char* texts[] = {"4000Hz", "50%", "90%", "1/2", "ON", "35%", "\\ 100% /", "Wet"};
  for (size_t i = 0; i < std::size(kTextControls); ++i)
  {
    if (kTextControls[i].knob)
      expectKnobFrame(kTextControls[i], frames[i]);
    expectStripShows(kTextControls[i], texts[i]);
  }
}

TEST_F(EditorTest, TurningSyncOnRedrawsTheSpeedTextAtOnce)
{
  open();
  g->DrawAll();
  press(834, 230, kLeft);
  // Only what is dirty is drawn now: the speed knob must be among it.
  expectStripShows(kTextControls[3], LFO::labelSyncRates[1]);
}

TEST_F(EditorTest, SyncSetByTheHostRedrawsTheSpeedTextAndStagesRefreshesEveryControl)
{
  open();
  g->DrawAll();
  effect().SetParameterFromHostController(kParamSync, 1.0);
  expectStripShows(kTextControls[3], LFO::labelSyncRates[1]);

  // A value that reached the parameter but not its control is shown once Stages moves.
  effect().GetParam(kParamManual)->Set(0.5);
  const double shown = effect().GetParam(kParamManual)->GetNormalized();
  EXPECT_NE(control(kParamManual)->GetValue(), shown);
  effect().SetParameterFromHostController(kParamStages, 1.0);
  EXPECT_EQ(control(kParamManual)->GetValue(), shown);
}

TEST_F(EditorTest, SyncChangesWhileClosedReachTheTextWhenTheEditorReopens)
{
  open();
  effect().CloseWindow();
  effect().GetParam(kParamSync)->Set(1.0);
  effect().OnParamChange(kParamSync); // must not touch the closed editor's knob
  open();
  expectStripShows(kTextControls[3], LFO::labelSyncRates[1]);
}

// --- Opening sizes --------------------------------------------------------------------

struct OpeningCase
{
  const char* stored; // nullptr: no settings file
  int logicalW, logicalH;
  float scale;
  int windowW, windowH;
};

class OpeningSize : public EditorTest, public ::testing::WithParamInterface<OpeningCase>
{
};

TEST_P(OpeningSize, TheStoredScaleSetsTheLogicalSizeAndTheWindow)
{
  const OpeningCase& c = GetParam();
  if (c.stored)
    storeScale(c.stored);
  open();
  EXPECT_EQ(g->Width(), c.logicalW);
  EXPECT_EQ(g->Height(), c.logicalH);
  EXPECT_FLOAT_EQ(g->GetDrawScale(), c.scale);
  EXPECT_EQ(g->WindowWidth(), c.windowW);
  EXPECT_EQ(g->WindowHeight(), c.windowH);
  // The host sizes its frame from what the editor asked for.
  EXPECT_EQ(effect().GetEditorWidth(), c.windowW);
  EXPECT_EQ(effect().GetEditorHeight(), c.windowH);
  EXPECT_EQ(view->WidthPx(), c.windowW);
  EXPECT_EQ(view->HeightPx(), c.windowH);
}

INSTANTIATE_TEST_SUITE_P(
  Scales, OpeningSize,
  ::testing::Values(OpeningCase{nullptr, 1440, 348, 0.5f, 720, 174}, OpeningCase{"0.25", 1440, 348, 0.25f, 360, 87},
                    OpeningCase{"0.375", 1440, 348, 0.375f, 540, 130},
                    OpeningCase{"0.707107", 1440, 348, 0.707107f, 1018, 246},
                    OpeningCase{"1.0", 1440, 348, 1.f, 1440, 348}, OpeningCase{"2.0", 1440, 348, 2.f, 2880, 696},
                    // The top-left quarter of the layout at four times its size.
                    OpeningCase{"4.0", 720, 174, 4.f, 2880, 696},
                    // Beyond the limits: the stored scale is clamped to them.
                    OpeningCase{"6.0", 720, 174, 4.f, 2880, 696}, OpeningCase{"0.1", 1440, 348, 0.25f, 360, 87},
                    OpeningCase{"0", 1440, 348, 0.25f, 360, 87}, OpeningCase{"-1", 1440, 348, 0.25f, 360, 87},
                    OpeningCase{"1e-30", 1440, 348, 0.25f, 360, 87},
                    // No finite number: the default scale.
                    OpeningCase{"nan", 1440, 348, 0.5f, 720, 174}, OpeningCase{"inf", 1440, 348, 0.5f, 720, 174}));

TEST_F(EditorTest, EveryBadStoredScaleOpensAtOneOfTheEditorsSizes)
{
  const std::set<std::pair<int, int>> sizes = {{360, 87},   {540, 130},  {720, 174},
                                               {1018, 246}, {1440, 348}, {2880, 696}};
  for (const char* stored : {"0", "-0.5", "-inf", "nan", "text", "5", "100", "inf", "1e300"})
  {
    storeScale(stored);
    mEffect.reset();
    open();
    EXPECT_EQ(sizes.count({g->WindowWidth(), g->WindowHeight()}), 1u)
      << stored << " opened at " << g->WindowWidth() << " x " << g->WindowHeight();
    // Re-read while open, as the host's loadConfig does.
    storeScale(stored);
    editor().loadConfig();
    EXPECT_EQ(sizes.count({g->WindowWidth(), g->WindowHeight()}), 1u)
      << stored << " reloaded at " << g->WindowWidth() << " x " << g->WindowHeight();
    effect().CloseWindow();
  }
}

TEST_F(EditorTest, TheEditorReopensAtTheStoredScaleAfterACornerDrag)
{
  open();
  const float cx = 1430, cy = 340; // inside the corner at scale 0.5
  view->Events()->OnPlatformMouseDown(px(cx), px(cy), kLeft);
  view->Events()->OnPlatformMouseDrag(1072, 255, 357, 85, kLeft);
  view->Events()->OnPlatformMouseUp(1072, 255, kLeft);
  EXPECT_NEAR(g->GetDrawScale(), 0.75f, 0.01f);
  EXPECT_EQ(editor().GetEditorScale(), 0.5f) << "a drag does not change the stored scale";

  effect().CloseWindow();
  open();
  EXPECT_EQ(g->WindowWidth(), 720);
  EXPECT_EQ(g->WindowHeight(), 174);
}

// --- The size menu --------------------------------------------------------------------

struct MenuCase
{
  int item;
  float scale;
  int windowW, windowH;
};

class SizeMenu : public EditorTest, public ::testing::WithParamInterface<MenuCase>
{
};

TEST_P(SizeMenu, EachSizeSetsItsScaleAndStoresIt)
{
  const MenuCase& c = GetParam();
  open();
  chooseSize(c.item);
  EXPECT_FLOAT_EQ(g->GetDrawScale(), c.scale);
  EXPECT_EQ(g->WindowWidth(), c.windowW);
  EXPECT_EQ(g->WindowHeight(), c.windowH);
  EXPECT_EQ(editor().GetEditorScale(), c.scale);
  EXPECT_EQ(effect().GetEditorWidth(), c.windowW);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SizeMenu,
                         ::testing::Values(MenuCase{0, 0.25f, 360, 87}, MenuCase{1, 0.375f, 540, 130},
                                           MenuCase{2, 0.5f, 720, 174}, MenuCase{3, 0.70710677f, 1018, 246},
                                           MenuCase{4, 1.f, 1440, 348}, MenuCase{5, 2.f, 1440, 348}));

TEST_F(EditorTest, TheLargestSizeOnAnEditorOpenedAtTwoShowsAQuarterOfTheLayout)
{
  storeScale("2.0");
  open();
  ASSERT_EQ(g->WindowWidth(), 2880);
  chooseSize(5);
  EXPECT_EQ(g->Width(), 720);
  EXPECT_EQ(g->Height(), 174);
  EXPECT_FLOAT_EQ(g->GetDrawScale(), 2.f);
  EXPECT_EQ(g->WindowWidth(), 1440);
  EXPECT_EQ(g->WindowHeight(), 348);
}

TEST_F(EditorTest, TheSizeAlreadyInEffectChangesNothing)
{
  open();
  const int resizes = view->ResizeCount();
  chooseSize(2);
  EXPECT_EQ(view->ResizeCount(), resizes);
  EXPECT_EQ(g->WindowWidth(), 720);
}

TEST_F(EditorTest, TheSizeMenuListsSixSizesASeparatorAndSaving)
{
  open();
  press(700, 150, kRight);
  ASSERT_TRUE(view->HasPendingMenu());
  const IPopupMenu& menu = *view->PendingMenu();
  ASSERT_EQ(menu.NItems(), 8);
  EXPECT_STREQ(menu.GetItemText(0), "Set Windows Size to 50%");
  EXPECT_STREQ(menu.GetItemText(5), "Set Windows Size to 800%");
  EXPECT_TRUE(menu.GetItem(6)->GetIsSeparator());
  EXPECT_STREQ(menu.GetItemText(7), "Save Window Size");
  view->ChooseMenuItem(6);
  EXPECT_EQ(g->WindowWidth(), 720);
  EXPECT_TRUE(view->MessageBoxes().empty()) << "the separator does nothing";
}

TEST_F(EditorTest, ARightClickOnTheBackgroundOrAValueTextOpensTheSizeMenuALeftClickNothing)
{
  open();
  press(700, 150, kLeft);
  EXPECT_FALSE(view->HasPendingMenu());

  const double manual = effect().GetParam(kParamManual)->Value();
  press(244, 330, kLeft); // on Manual's value text
  EXPECT_FALSE(view->HasPendingMenu());
  EXPECT_EQ(effect().GetParam(kParamManual)->Value(), manual) << "the text strip must not reach the knob";

  press(244, 330, kRight);
  ASSERT_TRUE(view->HasPendingMenu());
  EXPECT_EQ(view->PendingMenu()->NItems(), 8);
  view->DismissMenu();

  press(244, 252, kRight); // on the knob itself: the host's parameter menu, not ours
  EXPECT_FALSE(view->HasPendingMenu());
}

TEST_F(EditorTest, SaveWindowSizeWritesTheScaleAndNamesTheFile)
{
  open();
  chooseSize(7);
  EXPECT_EQ(slurp(iniPath()), "[Editor]\nScale=0.500000\n\n");
  ASSERT_EQ(view->MessageBoxes().size(), 1u);
  const auto& box = view->MessageBoxes()[0];
  EXPECT_EQ(box.text, "The current window size was saved to the INI configuration file:\n" + iniPath());
  EXPECT_EQ(box.caption, "Save Window Size");
  EXPECT_EQ(box.type, kMB_OK);
}

TEST_F(EditorTest, AFailedSaveIsReportedNotConfirmed)
{
  open();
  // Writers take turns on a lock file; a folder in its place makes the rewrite fail.
  std::filesystem::create_directories(folder() + "/.trellowphaser.ini.lock");
  chooseSize(7);
  ASSERT_EQ(view->MessageBoxes().size(), 1u);
  EXPECT_EQ(view->MessageBoxes()[0].text,
            "The current window size could not be saved to the INI configuration file:\n" + iniPath());
  EXPECT_EQ(slurp(iniPath()), "");
}

// --- Knob and switch ------------------------------------------------------------------

TEST_F(EditorTest, KnobFramesSpanTheValueRange)
{
  open();
  const TextControl& mix = kTextControls[7];
  const std::pair<double, int> cases[] = {{0.0, 1}, {0.5, 33}, {1.0, 65}};
  for (const auto& [value, frame] : cases)
  {
    effect().SendParameterValueFromDelegate(kParamMix, value, true);
    expectKnobFrame(mix, frame);
  }
}

TEST_F(EditorTest, TextControlsTakeTheMouseOnTheirBitmapOnly)
{
  open();
  const IControl* knob = control(kParamManual);
  EXPECT_EQ(knob->GetRECT(), IRECT(192, 200, 296, 348));
  EXPECT_EQ(knob->GetTargetRECT(), IRECT(192, 200, 296, 304));
  // The switch is 136 high whatever its bitmap (92 high here).
  const IControl* sync = control(kParamSync);
  EXPECT_EQ(sync->GetRECT().B, 188 + 136);
  EXPECT_EQ(sync->GetTargetRECT().B, 188 + 92);
}

TEST_F(EditorTest, ASwitchAtOneClickedGoesToZero)
{
  open();
  effect().GetParam(kParamSync)->Set(1.0);
  effect().SendParameterValueFromDelegate(kParamSync, 1.0, true);
  press(834, 230, kLeft);
  EXPECT_EQ(control(kParamSync)->GetValue(), 0.0);
  EXPECT_EQ(effect().GetParam(kParamSync)->Value(), 0.0);
  press(834, 230, kLeft);
  EXPECT_EQ(effect().GetParam(kParamSync)->Value(), 1.0);
}

TEST_F(EditorTest, DraggingAKnobUpByItsHeightRaisesItByAQuarter)
{
  open();
  view->Events()->OnPlatformMouseDown(px(244), px(252), kLeft);
  view->Events()->OnPlatformMouseDrag(px(244), px(148), 0, -px(104), kLeft);
  view->Events()->OnPlatformMouseUp(px(244), px(148), kLeft);
  EXPECT_NEAR(effect().GetParam(kParamManual)->GetNormalized(), 0.5, 1e-9);
  EXPECT_FALSE(view->CursorHidden()) << "the pointer stays visible";
}

// --- Preset and online menus ----------------------------------------------------------

TEST_F(EditorTest, ThePresetMenuListsTheTenNamesWithTheCurrentOneChecked)
{
  open();
  press(50, 50, kRight); // any button opens it
  ASSERT_TRUE(view->HasPendingMenu());
  const IPopupMenu& menu = *view->PendingMenu();
  ASSERT_EQ(menu.NItems(), 10);
  for (int i = 0; i < 10; ++i)
  {
    EXPECT_STREQ(menu.GetItemText(i), effect().GetPresetName(i));
    EXPECT_EQ(menu.GetItem(i)->GetChecked(), i == 0) << i;
  }
  EXPECT_STREQ(menu.GetItemText(5), "Wash out");
  view->ChooseMenuItem(3);
  press(50, 50, kLeft);
  ASSERT_TRUE(view->HasPendingMenu());
  EXPECT_TRUE(view->PendingMenu()->GetItem(3)->GetChecked());
  EXPECT_FALSE(view->PendingMenu()->GetItem(0)->GetChecked());
}

TEST_F(EditorTest, ChoosingAPresetKeepsTheEditsOfTheSlotBeingLeft)
{
  open();
  view->Events()->OnPlatformMouseDown(px(244), px(252), kLeft);
  view->Events()->OnPlatformMouseDrag(px(244), px(148), 0, -px(104), kLeft);
  view->Events()->OnPlatformMouseUp(px(244), px(148), kLeft);
  const double edited = effect().GetParam(kParamManual)->Value();

  press(50, 50, kLeft);
  view->ChooseMenuItem(3);
  EXPECT_DOUBLE_EQ(effect().GetParam(kParamManual)->Value(), 0.62);
  EXPECT_DOUBLE_EQ(control(kParamManual)->GetValue(), effect().GetParam(kParamManual)->GetNormalized());

  press(50, 50, kLeft);
  view->ChooseMenuItem(0);
  EXPECT_DOUBLE_EQ(effect().GetParam(kParamManual)->Value(), edited);
}

TEST_F(EditorTest, DismissingThePresetMenuChangesNothing)
{
  open();
  press(50, 50, kLeft);
  view->DismissMenu();
  EXPECT_EQ(effect().GetCurrentPresetIdx(), 0);
  EXPECT_EQ(effect().GetParam(kParamFeedback)->Value(), 0.0);
}

TEST_F(EditorTest, TheOnlineMenuOffersTheCheckAndTheVendorsSite)
{
  open();
  press(1200, 50, kLeft);
  ASSERT_TRUE(view->HasPendingMenu());
  const IPopupMenu& menu = *view->PendingMenu();
  ASSERT_EQ(menu.NItems(), 2);
  EXPECT_STREQ(menu.GetItemText(0), "Check Online for Update");
  EXPECT_STREQ(menu.GetItemText(1), "Visit www.mistlegrovemusic.com");
  view->ChooseMenuItem(1);
  EXPECT_EQ(view->OpenedURLs(), std::vector<std::string>{"https://www.mistlegrovemusic.com/"});
  EXPECT_TRUE(view->MessageBoxes().empty());
}

TEST_F(EditorTest, TheMenusShowThePointingHand)
{
  open();
  hover(50, 50);
  EXPECT_EQ(view->Cursor(), ECursor::HAND);
  hover(700, 150);
  EXPECT_EQ(view->Cursor(), ECursor::ARROW);
  hover(1200, 50);
  EXPECT_EQ(view->Cursor(), ECursor::HAND);
}

// --- Resize corner --------------------------------------------------------------------

TEST_F(EditorTest, TheCornerIsFaintAtRestAndBrightWhenHovered)
{
  open();
  const IRECT corner = g->GetCornerResizer()->GetRECT();
  EXPECT_EQ(corner, IRECT(1415, 323, 1439, 347)) << "as built, inside the layout's far corner";
  auto withTriangle = [&](const IColor& c) {
    return expected([&](Renderer& r) { r.FillTriangle(c, corner.L, corner.B, corner.R, corner.T, corner.R, corner.B); });
  };
  g->DrawAll();
  EXPECT_LE(maxDifference(drawn(), withTriangle(IColor(32, 255, 255, 0)), corner), 1);

  hover(1430, 340);
  EXPECT_EQ(view->Cursor(), ECursor::SIZENWSE);
  EXPECT_LE(maxDifference(drawn(), withTriangle(IColor(128, 255, 255, 0)), corner), 1);
  EXPECT_GT(maxDifference(withTriangle(IColor(128, 255, 255, 0)), withTriangle(IColor(32, 255, 255, 0)), corner), 20);
}

TEST_F(EditorTest, AfterAResizeTheCornerIsTwentySixWindowPixelsSquare)
{
  open();
  chooseSize(4);
  EXPECT_EQ(g->GetCornerResizer()->GetRECT(), IRECT(1414, 322, 1440, 348));
  chooseSize(0);
  EXPECT_EQ(g->GetCornerResizer()->GetRECT(), IRECT(1336, 244, 1440, 348));
}

TEST_F(EditorTest, ADoubleClickOnTheCornerReturnsToFullSizeAtScaleOne)
{
  open();
  view->Events()->OnPlatformMouseDblClick(px(1430), px(340), kLeft);
  EXPECT_EQ(g->WindowWidth(), 1440);
  EXPECT_EQ(g->WindowHeight(), 348);
  EXPECT_FLOAT_EQ(g->GetDrawScale(), 1.f);
}

// --- Resources ------------------------------------------------------------------------

TEST(BundleResources, AreFoundBesideTheModulesArchitectureFolder)
{
  EXPECT_EQ(BundleResourcesForModule("/home/u/.vst3/Mistlegrove Phaser.vst3/Contents/x86_64-linux/Mistlegrove Phaser.so"),
            "/home/u/.vst3/Mistlegrove Phaser.vst3/Contents/Resources");
  EXPECT_EQ(BundleResourcesForModule("/usr/lib/x86_64-linux/phaser.so"), "");
  EXPECT_EQ(BundleResourcesForModule("phaser.so"), "");
  EXPECT_EQ(BundleResourcesForModule(""), "");
}

TEST(BundleResources, TheModuleOfAnAddressIsAnAbsoluteFile)
{
  const std::string self = ModuleFileOf(reinterpret_cast<const void*>(&BundleResourcesForModule));
  ASSERT_FALSE(self.empty());
  EXPECT_EQ(self[0], '/');
  struct stat st{};
  EXPECT_EQ(stat(self.c_str(), &st), 0);
}
