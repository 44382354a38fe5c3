// The phaser's editor's sizes: the scale it opens at, the size menu and saving the size.
#include "editor/TrellowEditorFixture.h"

namespace {
// A suite of its own: gtest wants one fixture class per suite name.
class EditorSizes : public EditorTest
{
};
} // namespace

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

TEST_F(EditorSizes, EveryBadStoredScaleOpensAtOneOfTheEditorsSizes)
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

TEST_F(EditorSizes, TheEditorReopensAtTheStoredScaleAfterACornerDrag)
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

TEST_F(EditorSizes, TheLargestSizeOnAnEditorOpenedAtTwoShowsAQuarterOfTheLayout)
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

TEST_F(EditorSizes, TheSizeAlreadyInEffectChangesNothing)
{
  open();
  const int resizes = view->ResizeCount();
  chooseSize(2);
  EXPECT_EQ(view->ResizeCount(), resizes);
  EXPECT_EQ(g->WindowWidth(), 720);
}

TEST_F(EditorSizes, TheSizeMenuListsSixSizesASeparatorAndSaving)
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

TEST_F(EditorSizes, ARightClickOnTheBackgroundOrAValueTextOpensTheSizeMenuALeftClickNothing)
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

TEST_F(EditorSizes, SaveWindowSizeWritesTheScaleAndNamesTheFile)
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

TEST_F(EditorSizes, AFailedSaveIsReportedNotConfirmed)
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
