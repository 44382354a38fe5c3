// The phaser's editor as a user sees it, drawn offscreen: layout and value texts, the text
// knob and switch, the preset and online menus and the resize corner.
#include "editor/TrellowEditorFixture.h"

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

// The host's modulation reaches the open knob through the frame's catching up: a dot on the
// ring where the modulation takes the value, gone with the modulation.
TEST_F(EditorTest, AModulatedKnobShowsWhereTheModulationTakesItUntilItEnds)
{
  open();
  g->DrawAll();
  const TextControl& mix = kTextControls[7];
  effect().ApplyHostModulation(kParamMix, 0.3); // 0.5 moved to 0.8
  effect().UpdateEditorFromHost();
  const float a = (-135.f + 270.f * 0.8f) * 3.14159265f / 180.f;
  const float cx = mix.x + kKnobSize / 2 + 41.f * std::sin(a), cy = mix.y + kKnobSize / 2 - 41.f * std::cos(a);
  const IColor dot = drawn().GetColor(static_cast<int>(px(cx)), static_cast<int>(px(cy)));
  EXPECT_TRUE(dot.R < 140 && dot.G > 170 && dot.B > 220) << dot.R << " " << dot.G << " " << dot.B;
  EXPECT_EQ(control(kParamMix)->GetValue(), 0.5) << "the knob itself shows the value";

  effect().ClearHostModulation();
  effect().UpdateEditorFromHost();
  expectKnobFrame(mix, 33);
}
