// The editor's X11 window as a host and a user meet it: embedding, input, painting and
// teardown, against a private Xvfb with input synthesised through XTest.

#include "e2e/X11TestSupport.h"

#include <X11/keysym.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <memory>
#include <thread>

#include "frame/IEventLoop.h"
#include "graphics/X11View.h"

using namespace frame::graphics;
using namespace e2e;

namespace {

constexpr int kW = 300, kH = 200;

int openFdCount()
{
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd"))
  {
    while (readdir(dir))
      ++n;
    closedir(dir);
  }
  return n;
}

class X11ViewTest : public ViewTestCase
{
protected:
  X11ViewTest() : ViewTestCase(100, 100, 400, 300, kW, kH) {}

  void open(frame::IEventLoop* withLoop, int fps = 60) { OpenView(withLoop, fps); }
  void open() { OpenView(&loop); }

  bool waitFor(Recorded::Kind kind, int count = 1)
  {
    return loop.RunUntil([&] { return events->Count(kind) >= count; });
  }
  void fill(uint32_t argb) { events->surface.Fill(events->surface.Bounds(), argb); }

};

// Embedding -------------------------------------------------------------------------------

TEST_F(X11ViewTest, OpenEmbedsAMappedChildThatAnnouncesXEmbed)
{
  open();
  EXPECT_TRUE(view->IsOpen());
  EXPECT_EQ(x->ParentOf(win), top);
  EXPECT_TRUE(x->Viewable(win));
  EXPECT_EQ(x->CardinalProperty(win, "_XEMBED_INFO"), (std::vector<long>{0, 1}));
  int wx, wy, ww, wh;
  x->Geometry(win, wx, wy, ww, wh);
  EXPECT_EQ(ww, kW);
  EXPECT_EQ(wh, kH);
}

TEST_F(X11ViewTest, OpenRegistersWithTheHostLoopAndCloseUnregistersEverything)
{
  open();
  EXPECT_EQ(loop.Active(), 3); // the connection, the frame timer and the wake-up descriptor
  view->Close();
  EXPECT_EQ(loop.Active(), 0);
  EXPECT_FALSE(view->IsOpen());
}

TEST_F(X11ViewTest, OpenIntoAMissingParentFailsWithoutLeavingAnything)
{
  const Window gone = x->MakeTopLevel(0, 0, 10, 10);
  x->Destroy(gone);
  EXPECT_EQ(view->Open(AsParent(gone), kW, kH, *events, &loop, 60), nullptr);
  EXPECT_FALSE(view->IsOpen());
  EXPECT_EQ(loop.Active(), 0);
}

TEST_F(X11ViewTest, FrameTicksFollowTheRequestedRate)
{
  open(&loop, 50);
  const int before = events->ticks;
  loop.RunFor(500);
  const int ticks = events->ticks - before;
  EXPECT_GE(ticks, 18);
  EXPECT_LE(ticks, 27);
}

TEST_F(X11ViewTest, PausedFrameTicksStopAndResumeAtTheRate)
{
  open(&loop, 50);
  view->SetFrameTicksPaused(true);
  const int before = events->ticks;
  loop.RunFor(200);
  EXPECT_EQ(loop.Active(), 2) << "an idle editor keeps no timer in the host's loop";
  EXPECT_EQ(events->ticks, before);
  view->SetFrameTicksPaused(false);
  loop.RunFor(500);
  EXPECT_GE(events->ticks - before, 18);
  EXPECT_LE(events->ticks - before, 27);
}

TEST_F(X11ViewTest, ResizeChangesOurWindowOnly)
{
  open();
  view->Resize(220, 120);
  int wx, wy, ww, wh;
  x->Geometry(win, wx, wy, ww, wh);
  EXPECT_EQ(ww, 220);
  EXPECT_EQ(wh, 120);
  x->Geometry(top, wx, wy, ww, wh);
  EXPECT_EQ(ww, 400);
}

// Input -----------------------------------------------------------------------------------

TEST_F(X11ViewTest, LeftPressWithShiftReportsButtonModifierAndPosition)
{
  open();
  x->MoveTo(win, 20, 30);
  x->Key(XK_Shift_L, true);
  x->Button(1, true);
  ASSERT_TRUE(waitFor(Recorded::kDown));
  x->Button(1, false);
  x->Key(XK_Shift_L, false);
  ASSERT_TRUE(waitFor(Recorded::kUp));

  const Recorded down = events->Only({Recorded::kDown})[0];
  EXPECT_EQ(down.x, 20.f);
  EXPECT_EQ(down.y, 30.f);
  EXPECT_TRUE(down.mod.L);
  EXPECT_FALSE(down.mod.R);
  EXPECT_TRUE(down.mod.S);
  EXPECT_FALSE(down.mod.C);
  EXPECT_FALSE(down.mod.A);
  const Recorded up = events->Only({Recorded::kUp})[0];
  EXPECT_TRUE(up.mod.L);
  EXPECT_TRUE(up.mod.S);
}

TEST_F(X11ViewTest, RightPressWithControlAndAltReportsThem)
{
  open();
  x->MoveTo(win, 50, 60);
  x->Key(XK_Control_L, true);
  x->Key(XK_Alt_L, true);
  x->Click(3);
  x->Key(XK_Alt_L, false);
  x->Key(XK_Control_L, false);
  ASSERT_TRUE(waitFor(Recorded::kUp));
  const Recorded down = events->Only({Recorded::kDown})[0];
  EXPECT_FALSE(down.mod.L);
  EXPECT_TRUE(down.mod.R);
  EXPECT_FALSE(down.mod.S);
  EXPECT_TRUE(down.mod.C);
  EXPECT_TRUE(down.mod.A);
  EXPECT_TRUE(events->Only({Recorded::kUp})[0].mod.R);
}

TEST_F(X11ViewTest, DragReportsTheMovementSinceTheLastEvent)
{
  open();
  x->MoveTo(win, 20, 20);
  x->Button(1, true);
  ASSERT_TRUE(waitFor(Recorded::kDown));
  x->MoveTo(win, 30, 25);
  ASSERT_TRUE(waitFor(Recorded::kDrag));
  x->MoveTo(win, 30, 40);
  ASSERT_TRUE(waitFor(Recorded::kDrag, 2));
  x->Button(1, false);
  ASSERT_TRUE(waitFor(Recorded::kUp));

  const auto drags = events->Only({Recorded::kDrag});
  ASSERT_EQ(drags.size(), 2u);
  EXPECT_EQ(drags[0].dx, 10.f);
  EXPECT_EQ(drags[0].dy, 5.f);
  EXPECT_EQ(drags[1].dx, 0.f);
  EXPECT_EQ(drags[1].dy, 15.f);
  EXPECT_EQ(drags[1].x, 30.f);
  EXPECT_EQ(drags[1].y, 40.f);
  EXPECT_TRUE(drags[1].mod.L);
  const auto sincePress = events->Only({Recorded::kDown, Recorded::kOver});
  EXPECT_EQ(sincePress.back().kind, Recorded::kDown) << "movement with the button held is a drag only";
}

TEST_F(X11ViewTest, DragGoesOnOutsideTheWindowUntilTheRelease)
{
  open();
  x->MoveTo(win, 20, 20);
  x->Button(1, true);
  ASSERT_TRUE(waitFor(Recorded::kDown));
  x->MoveTo(win, 20, kH + 50);
  ASSERT_TRUE(waitFor(Recorded::kDrag));
  EXPECT_EQ(events->Only({Recorded::kDrag})[0].dy, kH + 30.f);
  EXPECT_EQ(events->Count(Recorded::kOut), 0);
  x->Button(1, false);
  ASSERT_TRUE(waitFor(Recorded::kUp));
}

TEST_F(X11ViewTest, WheelStepsArePlusAndMinusOne)
{
  open();
  x->MoveTo(win, 40, 50);
  x->Click(4);
  x->Click(5);
  ASSERT_TRUE(waitFor(Recorded::kWheel, 2));
  const auto wheel = events->Only({Recorded::kWheel});
  EXPECT_EQ(wheel[0].delta, 1.f);
  EXPECT_EQ(wheel[1].delta, -1.f);
  EXPECT_EQ(wheel[0].x, 40.f);
  EXPECT_EQ(wheel[0].y, 50.f);
  EXPECT_EQ(events->Count(Recorded::kDown) + events->Count(Recorded::kUp), 0);
}

TEST_F(X11ViewTest, TwoQuickClicksMakeADoubleClickAndAThirdStartsOver)
{
  open();
  x->MoveTo(win, 60, 60);
  x->Click(1);
  x->Click(1);
  x->Click(1);
  ASSERT_TRUE(waitFor(Recorded::kUp, 3));
  const auto seq = events->Only({Recorded::kDown, Recorded::kUp, Recorded::kDblClick});
  std::vector<Recorded::Kind> kinds;
  for (const auto& r : seq)
    kinds.push_back(r.kind);
  EXPECT_EQ(kinds, (std::vector<Recorded::Kind>{Recorded::kDown, Recorded::kUp, Recorded::kDblClick, Recorded::kUp,
                                                Recorded::kDown, Recorded::kUp}));
}

TEST_F(X11ViewTest, ASlowOrDistantSecondClickIsAnotherPress)
{
  open();
  x->MoveTo(win, 60, 60);
  x->Click(1);
  x->Click(1, X11View::kDoubleClickMs + 100); // the server holds the press back
  x->MoveTo(win, 60 + X11View::kDoubleClickDistance + 6, 60);
  x->Click(1);
  ASSERT_TRUE(waitFor(Recorded::kUp, 3));
  EXPECT_EQ(events->Count(Recorded::kDblClick), 0);
  EXPECT_EQ(events->Count(Recorded::kDown), 3);
}

TEST_F(X11ViewTest, EnteringAndLeavingReportOverAndOut)
{
  x->MoveTo(kScreenW - 10, kScreenH - 10);
  open();
  x->MoveTo(win, 70, 80);
  ASSERT_TRUE(waitFor(Recorded::kOver));
  const Recorded over = events->Only({Recorded::kOver}).front();
  EXPECT_EQ(over.x, 70.f);
  EXPECT_EQ(over.y, 80.f);
  x->MoveTo(kScreenW - 10, kScreenH - 10);
  ASSERT_TRUE(waitFor(Recorded::kOut));
}

TEST_F(X11ViewTest, ALockedHiddenPointerComesBackWhereTheDragBegan)
{
  open();
  x->MoveTo(win, 40, 40);
  x->Button(1, true);
  ASSERT_TRUE(waitFor(Recorded::kDown));
  view->HideCursor(true, true);
  x->MoveTo(win, 80, 90);
  ASSERT_TRUE(waitFor(Recorded::kDrag));
  x->Button(1, false);
  ASSERT_TRUE(waitFor(Recorded::kUp));
  view->HideCursor(false, false);
  Window root, child;
  int rx, ry, wx, wy;
  unsigned int mask;
  XQueryPointer(x->display(), win, &root, &child, &rx, &ry, &wx, &wy, &mask);
  EXPECT_EQ(wx, 40);
  EXPECT_EQ(wy, 40);
}

TEST_F(X11ViewTest, SetCursorReturnsThePreviousShape)
{
  open();
  EXPECT_EQ(view->SetCursor(ECursor::HAND), ECursor::ARROW);
  EXPECT_EQ(view->SetCursor(ECursor::SIZENWSE), ECursor::HAND);
  view->HideCursor(true, false);
  EXPECT_EQ(view->SetCursor(ECursor::ARROW), ECursor::SIZENWSE) << "hiding keeps the shape to come back to";
}

// Painting --------------------------------------------------------------------------------

TEST_F(X11ViewTest, InvalidatePresentsOnlyTheGivenAreaOfTheSurface)
{
  open();
  fill(0xFF336699);
  view->Invalidate(IRECT(0, 0, kW, kH));
  EXPECT_EQ(x->PixelAt(win, 0, 0), 0x336699u);
  EXPECT_EQ(x->PixelAt(win, kW - 1, kH - 1), 0x336699u);

  fill(0xFFCC8800);
  view->Invalidate(IRECT(0, 0, 10.5f, 10.5f));
  EXPECT_EQ(x->PixelAt(win, 10, 10), 0xCC8800u) << "partly covered pixels are presented too";
  EXPECT_EQ(x->PixelAt(win, 11, 11), 0x336699u);
}

TEST_F(X11ViewTest, WhatAFrameTickInvalidatesIsPresentedAfterIt)
{
  open();
  events->onTick = [&] {
    if (events->ticks == 3)
    {
      fill(0xFF10E020);
      view->Invalidate(IRECT(0, 0, kW, kH));
    }
  };
  EXPECT_TRUE(loop.RunUntil([&] { return x->PixelAt(win, 5, 5) == 0x10E020u; }));
}

TEST_F(X11ViewTest, ExposedAreasAreRepaintedFromTheSurface)
{
  open();
  fill(0xFF884422);
  XUnmapWindow(x->display(), top); // Xvfb keeps no contents for unmapped windows
  XMapWindow(x->display(), top);
  x->Sync();
  EXPECT_TRUE(loop.RunUntil([&] { return x->PixelAt(win, kW / 2, kH / 2) == 0x884422u; }));
}

TEST_F(X11ViewTest, WithoutALoopExposeIsServedWheneverTheViewIsCalled)
{
  open(nullptr);
  EXPECT_EQ(loop.Active(), 0);
  fill(0xFF224488);
  XUnmapWindow(x->display(), top);
  XMapWindow(x->display(), top);
  x->Sync();
  x->MoveTo(win, 10, 10);
  x->Click(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  view->Invalidate(IRECT());
  EXPECT_EQ(x->PixelAt(win, kW / 2, kH / 2), 0x224488u);
  EXPECT_TRUE(events->log.empty()) << "no input without ticks to draw what it changes";
  EXPECT_EQ(events->ticks, 0);
}

TEST_F(X11ViewTest, PresentTimeOfAFullEditorFrame)
{
  // The editor's largest common size: 2880 x 696 pixels at scale 1.
  constexpr int bigW = 2880, bigH = 696;
  const Window bigTop = x->MakeTopLevel(0, 0, bigW, bigH);
  RecordingEvents big(bigW, bigH, 0xFF1E2226);
  X11View bigView;
  ASSERT_NE(bigView.Open(AsParent(bigTop), bigW, bigH, big, &loop, 60), nullptr);
  loop.RunFor(50);
  constexpr int frames = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i)
  {
    big.surface.Fill(big.surface.Bounds(), 0xFF000000u | static_cast<uint32_t>(i * 0x030201));
    bigView.Invalidate(IRECT(0, 0, bigW, bigH)); // outside a callback: presented and synced at once
  }
  const double ms =
    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / frames;
  std::printf("full %dx%d frame presented in %.2f ms\n", bigW, bigH, ms);
  RecordProperty("full_frame_present_ms", std::to_string(ms));
  EXPECT_EQ(x->PixelAt(bigTop, bigW - 1, bigH - 1), static_cast<uint32_t>((frames - 1) * 0x030201));
  EXPECT_LT(ms, 200.0);
}

// Teardown --------------------------------------------------------------------------------

int gHostErrors = 0;
int hostErrorHandler(Display*, XErrorEvent*)
{
  ++gHostErrors;
  return 0;
}

TEST_F(X11ViewTest, AParentDestroyedByTheHostCostsOnlyTheWindow)
{
  gHostErrors = 0;
  XErrorHandler before = XSetErrorHandler(hostErrorHandler);
  open();
  x->Destroy(top);
  // Before the view has read of it, then after.
  view->Invalidate(IRECT(0, 0, kW, kH));
  view->Resize(100, 100);
  view->SetCursor(ECursor::HAND);
  loop.RunFor(100);
  view->Invalidate(IRECT(0, 0, kW, kH));
  view->Close();
  EXPECT_EQ(loop.Active(), 0);
  EXPECT_EQ(gHostErrors, 0) << "our errors never reach the host's handler";
  EXPECT_EQ(XSetErrorHandler(before), hostErrorHandler) << "the host's handler is back in place";
}

TEST_F(X11ViewTest, CloseFromInsideOwnInputCallbackIsSafe)
{
  open();
  events->onEvent = [&](const Recorded& r) {
    if (r.kind == Recorded::kDown)
      view->Close();
  };
  x->MoveTo(win, 10, 10);
  x->Click(1);
  ASSERT_TRUE(loop.RunUntil([&] { return !view->IsOpen(); }));
  EXPECT_EQ(loop.Active(), 0);
  loop.RunFor(50);
  EXPECT_EQ(events->Count(Recorded::kUp), 0) << "nothing is reported after Close";
}

TEST_F(X11ViewTest, DestroyingTheViewInsideItsOwnCallbacksIsSafe)
{
  open();
  events->onEvent = [&](const Recorded& r) {
    if (r.kind == Recorded::kDown)
      view.reset();
  };
  x->MoveTo(win, 10, 10);
  x->Click(1);
  ASSERT_TRUE(loop.RunUntil([&] { return view == nullptr; }));
  EXPECT_EQ(loop.Active(), 0);

  view = std::make_unique<X11View>();
  open();
  events->onTick = [&] { view.reset(); };
  ASSERT_TRUE(loop.RunUntil([&] { return view == nullptr; }));
  EXPECT_EQ(loop.Active(), 0);
}

TEST_F(X11ViewTest, OpeningAndClosingAHundredTimesLeavesNothingBehind)
{
  open();
  view->Close();
  const int fds = openFdCount();
  for (int i = 0; i < 100; ++i)
  {
    ASSERT_NE(view->Open(AsParent(top), kW, kH, *events, &loop, 60), nullptr);
    view->SetCursor(ECursor::HAND);
    view->HideCursor(true, false);
    view->Invalidate(IRECT(0, 0, kW, kH));
    loop.RunFor(1);
    view->Close();
    view->Close();
  }
  EXPECT_EQ(openFdCount(), fds);
  EXPECT_EQ(loop.Active(), 0);
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  XQueryTree(x->display(), top, &root, &parent, &children, &n);
  if (children)
    XFree(children);
  EXPECT_EQ(n, 0u) << "every window was destroyed";
}

} // namespace
