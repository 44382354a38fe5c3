// Popup menus of the editor's X11 view: choosing with keys and clicks, dismissing, the
// asynchronous report, placement on the screen and the grab while open.

#include "e2e/X11TestSupport.h"

#include <X11/keysym.h>

#include <cstdint>
#include <memory>

#include "graphics/PngWriter.h"
#include "graphics/X11PopupMenu.h"
#include "graphics/X11View.h"

using namespace frame::graphics;
using namespace e2e;

namespace {

constexpr int kW = 300, kH = 200;
// Rows of the menu below: title, "One", disabled "Two", separator, "Three".
constexpr int kRowOne = X11PopupMenu::kPadding + X11PopupMenu::kItemHeight + X11PopupMenu::kItemHeight / 2;
constexpr int kRowTwo = kRowOne + X11PopupMenu::kItemHeight;
constexpr int kRowThree = X11PopupMenu::kPadding + 3 * X11PopupMenu::kItemHeight + X11PopupMenu::kSeparatorHeight +
                          X11PopupMenu::kItemHeight / 2;

class X11PopupMenuTest : public ViewTestCase
{
protected:
  X11PopupMenuTest() : ViewTestCase(100, 100, 400, 300, kW, kH) {}
  void SetUp() override
  {
    ViewTestCase::SetUp();
    if (IsSkipped())
      return;
    OpenView(&loop);
    if (HasFatalFailure())
      return;
    menu.AddItem("Presets", -1, IPopupMenu::Item::kTitle);
    menu.AddItem("One");
    menu.AddItem("Two", -1, IPopupMenu::Item::kDisabled);
    menu.AddSeparator();
    menu.AddItem("Three", -1, IPopupMenu::Item::kChecked);
  }

  IPlatformView::MenuDone recorder()
  {
    return [this](IPopupMenu* chosen) {
      ++doneCalls;
      result = chosen;
    };
  }
  void show(const IRECT& anchor = IRECT(20, 20, 20, 20)) { view->ShowPopupMenu(menu, anchor, recorder()); }
  Window waitForPopup()
  {
    Window popup = 0;
    loop.RunUntil([&] { return (popup = x->FindPopup()) != 0; });
    return popup;
  }
  bool waitForDone() { return loop.RunUntil([&] { return doneCalls > 0; }); }
  bool pointerGrabbedByOthers()
  {
    const int r = XGrabPointer(x->display(), x->Root(), False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                               None, CurrentTime);
    if (r == GrabSuccess)
      XUngrabPointer(x->display(), CurrentTime);
    x->Sync();
    return r == AlreadyGrabbed;
  }

  IPopupMenu menu;
  int doneCalls = 0;
  IPopupMenu* result = nullptr;
};

// Choosing --------------------------------------------------------------------------------

TEST_F(X11PopupMenuTest, DownDownEnterChoosesSkippingTitlesDisabledItemsAndSeparators)
{
  show();
  ASSERT_NE(waitForPopup(), 0u);
  EXPECT_EQ(doneCalls, 0);
  x->Tap(XK_Down); // "One"
  x->Tap(XK_Down); // past "Two" and the separator to "Three"
  x->Tap(XK_Return);
  ASSERT_TRUE(waitForDone());
  EXPECT_EQ(doneCalls, 1);
  EXPECT_EQ(result, &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 4);
  EXPECT_EQ(x->FindPopup(), 0u);
  EXPECT_FALSE(pointerGrabbedByOthers()) << "the grab ends with the menu";
}

TEST_F(X11PopupMenuTest, ClickingAnEnabledItemChoosesItAndADisabledOneDoesNothing)
{
  show();
  const Window popup = waitForPopup();
  ASSERT_NE(popup, 0u);
  x->MoveTo(popup, 40, kRowTwo);
  x->Click(1);
  loop.RunFor(100);
  EXPECT_EQ(doneCalls, 0);
  x->MoveTo(popup, 40, kRowThree);
  x->Click(1);
  ASSERT_TRUE(waitForDone());
  EXPECT_EQ(result, &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 4);
}

TEST_F(X11PopupMenuTest, TheReleaseOfTheOpeningPressDoesNotChooseButADragToAnItemDoes)
{
  events->onEvent = [&](const Recorded& r) {
    if (r.kind == Recorded::kDown)
      view->ShowPopupMenu(menu, IRECT(r.x, r.y, r.x, r.y), recorder());
  };
  x->MoveTo(win, 40, 40);
  x->Button(1, true);
  const Window popup = waitForPopup();
  ASSERT_NE(popup, 0u);
  x->Button(1, false);
  loop.RunFor(150);
  EXPECT_EQ(doneCalls, 0) << "the menu opened under the pointer; its first release picks nothing";
  EXPECT_EQ(events->Count(Recorded::kUp), 1) << "the editor still hears the press end";
  x->Tap(XK_Escape);
  ASSERT_TRUE(waitForDone());

  doneCalls = 0;
  x->Button(1, true);
  const Window second = waitForPopup();
  ASSERT_NE(second, 0u);
  x->MoveTo(second, 40, kRowOne);
  x->Button(1, false);
  ASSERT_TRUE(waitForDone());
  EXPECT_EQ(result, &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);
}

// Dismissing ------------------------------------------------------------------------------

TEST_F(X11PopupMenuTest, EscapeOrAClickOutsideDismissesWithNoMenu)
{
  show();
  ASSERT_NE(waitForPopup(), 0u);
  x->Tap(XK_Escape);
  ASSERT_TRUE(waitForDone());
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);

  doneCalls = 0;
  result = &menu;
  show();
  ASSERT_NE(waitForPopup(), 0u);
  x->MoveTo(kScreenW - 5, kScreenH - 5);
  x->Click(1);
  ASSERT_TRUE(waitForDone());
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(events->Count(Recorded::kDown), 0) << "the dismissing click is not passed on";
}

TEST_F(X11PopupMenuTest, DoneRunsLaterEvenWhenNothingCanBeShown)
{
  IPopupMenu empty;
  view->ShowPopupMenu(empty, IRECT(10, 10, 10, 10), recorder());
  EXPECT_EQ(doneCalls, 0) << "never from inside ShowPopupMenu";
  ASSERT_TRUE(waitForDone());
  EXPECT_EQ(result, nullptr);
}

TEST_F(X11PopupMenuTest, ASecondMenuDismissesTheFirst)
{
  show();
  ASSERT_NE(waitForPopup(), 0u);
  IPopupMenu other;
  other.AddItem("Alpha");
  IPopupMenu* otherResult = &menu;
  int otherCalls = 0;
  view->ShowPopupMenu(other, IRECT(30, 30, 30, 30), [&](IPopupMenu* m) {
    ++otherCalls;
    otherResult = m;
  });
  ASSERT_TRUE(waitForDone());
  EXPECT_EQ(result, nullptr);
  x->Tap(XK_Down);
  x->Tap(XK_Return);
  ASSERT_TRUE(loop.RunUntil([&] { return otherCalls > 0; }));
  EXPECT_EQ(otherResult, &other);
  EXPECT_EQ(other.GetChosenItemIdx(), 0);
}

TEST_F(X11PopupMenuTest, ClosingTheViewTakesAnOpenMenuAlongWithoutReporting)
{
  show();
  ASSERT_NE(waitForPopup(), 0u);
  EXPECT_TRUE(pointerGrabbedByOthers());
  view->Close();
  x->Sync();
  EXPECT_EQ(x->FindPopup(), 0u);
  EXPECT_FALSE(pointerGrabbedByOthers());
  loop.RunFor(50);
  EXPECT_EQ(doneCalls, 0);
}

// Placement and looks ---------------------------------------------------------------------

TEST_F(X11PopupMenuTest, AMenuAtTheScreenCornerStaysOnScreen)
{
  const Window cornerTop = x->MakeTopLevel(kScreenW - 200, kScreenH - 100, 200, 100);
  RecordingEvents cornerEvents(200, 100);
  X11View corner;
  ASSERT_NE(corner.Open(AsParent(cornerTop), 200, 100, cornerEvents, &loop, 60), nullptr);
  corner.ShowPopupMenu(menu, IRECT(190, 90, 190, 90), recorder());
  const Window popup = waitForPopup();
  ASSERT_NE(popup, 0u);
  int px, py, pw, ph;
  x->Geometry(popup, px, py, pw, ph);
  EXPECT_GE(px, 0);
  EXPECT_LE(px + pw, kScreenW);
  EXPECT_LE(py + ph, kScreenH - 10) << "flipped above the anchor";
  EXPECT_GE(py, 0);
  corner.Close();
}

TEST_F(X11PopupMenuTest, TheMenuIsDrawnInTheEditorsDarkThemeWithAnAmberHighlight)
{
  show();
  const Window popup = waitForPopup();
  ASSERT_NE(popup, 0u);
  x->Tap(XK_Down);
  x->Tap(XK_Down);
  loop.RunFor(60);
  const Surface shot = x->Capture(popup);
  EXPECT_TRUE(WritePNG(shot, ArtefactPath("popup-menu.png")));
  EXPECT_EQ(shot.At(shot.Width() / 2, 2) & 0xFFFFFFu, 0x1E2226u) << "background";
  EXPECT_EQ(shot.At(shot.Width() - 4, kRowThree) & 0xFFFFFFu, 0xE0A030u) << "highlighted row";
  EXPECT_EQ(shot.At(shot.Width() - 4, kRowOne) & 0xFFFFFFu, 0x1E2226u) << "the others are not";
  x->Tap(XK_Escape);
  ASSERT_TRUE(waitForDone());
}

} // namespace
