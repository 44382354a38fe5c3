// The graphics context: drawing, resizing, mouse routing, redraw cycle and platform services.
#include <gtest/gtest.h>

#include <map>

#include "EditorTestSupport.h"
#include "editor/IControls.h"
#include "editor/MakeGraphics.h"
#include "frame/IEventLoop.h"
#include "graphics/FontRegistry.h"
#include "graphics/GraphicsTestSupport.h"

using namespace editor_test;
using frame::graphics::test::TempDir;

namespace {

/** Draws whatever the test puts in draw. */
class Painter : public IControl
{
public:
  explicit Painter(const IRECT& r, std::function<void(IGraphics&, const IRECT&)> f)
    : IControl(r), draw(std::move(f))
  {
  }
  void Draw(IGraphics& g) override { draw(g, mRECT); }
  std::function<void(IGraphics&, const IRECT&)> draw;
};

int red(const Surface& s, int x, int y) { return s.GetColor(x, y).R; }

/** Bounding box of pixels brighter than half in red. */
PixelRect brightBounds(const Surface& s)
{
  PixelRect r{s.Width(), s.Height(), 0, 0};
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (red(s, x, y) > 127)
        r = {std::min(r.L, x), std::min(r.T, y), std::max(r.R, x + 1), std::max(r.B, y + 1)};
  return r;
}

double brightArea(const Surface& s)
{
  double a = 0.0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      a += red(s, x, y) / 255.0;
  return a;
}

/** Three 10 x 10 frames stacked vertically, grey 50, 100 and 150. */
IBitmap threeFrames(IGraphics& g, const TempDir& dir)
{
  frame::graphics::test::WriteRGBAPng(dir.File("strip.png"), 10, 30,
                                      frame::graphics::test::FrameStrip(10, 10, {50, 100, 150}));
  g.SetResourcePath(dir.Path());
  return g.LoadBitmap("strip.png", 3);
}

} // namespace

// --- Drawing -----------------------------------------------------------------------------

TEST(Drawing, ABitmapFrameLandsAtTheRectangleAndTheFrameNumberIsClamped)
{
  TempDir dir;
  for (float scale : {1.f, 2.f})
  {
    Editor e(200, 100, scale);
    IBitmap strip = threeFrames(*e.graphics, dir);
    ASSERT_TRUE(strip.IsValid());
    int frame = 2;
    e.Attach(new Painter(IRECT(20, 30, 30, 40), [&](IGraphics& g, const IRECT& r) { g.DrawBitmap(strip, r, frame); }));
    const auto px = [&](float x, float y) {
      return red(e.graphics->RenderOffscreen(), static_cast<int>(x * scale), static_cast<int>(y * scale));
    };
    EXPECT_EQ(px(25, 35), 100) << "scale " << scale;
    EXPECT_EQ(px(20, 30), 100);
    EXPECT_EQ(px(30.5f, 35), 0) << "nothing right of the frame";
    EXPECT_EQ(px(25, 40.5f), 0) << "nothing of the next frame below";
    frame = 0;
    EXPECT_EQ(px(25, 35), 50);
    frame = 9;
    EXPECT_EQ(px(25, 35), 150);
  }
}

TEST(Drawing, TheBackgroundTakesTheImageSizeAndSitsAtTheOrigin)
{
  TempDir dir;
  frame::graphics::test::WriteRGBAPng(dir.File("back.png"), 50, 20, frame::graphics::test::FrameStrip(50, 20, {200}));
  Editor e;
  e.graphics->SetResourcePath(dir.Path());
  IControl* back = e.graphics->AttachBackground("back.png");
  EXPECT_EQ(back->GetRECT(), IRECT(0, 0, 50, 20));
  EXPECT_EQ(e.graphics->GetControl(0), back);
  EXPECT_EQ(red(e.graphics->RenderOffscreen(), 49, 19), 200);
  EXPECT_EQ(red(e.graphics->GetSurface(), 50, 19), 0);
}

TEST(Drawing, CentreBottomTextSitsCentredOnTheBaselineAboveTheBottom)
{
  ASSERT_TRUE(FontRegistry::Instance().Load("EditorTestFont", MG_TEST_FONT));
  Editor e;
  const IText style(20.f, COLOR_WHITE, "EditorTestFont", EAlign::Center, EVAlign::Bottom);
  e.Attach(new Painter(IRECT(0, 0, 100, 60), [&](IGraphics& g, const IRECT& r) { g.DrawText(style, "HH", r); }));
  const PixelRect ink = brightBounds(e.graphics->RenderOffscreen());
  ASSERT_FALSE(ink.Empty());
  EXPECT_NEAR((ink.L + ink.R) / 2.0, 50.0, 1.5);
  const float baseline = 60.f + FontRegistry::Instance().Find("EditorTestFont")->GetVMetrics(20.f).descent;
  EXPECT_NEAR(ink.B, baseline, 1.0) << "H has no descender: it stands on the baseline";
}

TEST(Drawing, AFilledTriangleCoversItsAreaAtTheDrawScale)
{
  for (float scale : {1.f, 2.f})
  {
    Editor e(200, 100, scale);
    e.Attach(new Painter(IRECT(0, 0, 40, 40),
                         [](IGraphics& g, const IRECT&) { g.FillTriangle(COLOR_WHITE, 0, 20, 20, 0, 20, 20); }));
    const Surface& s = e.graphics->RenderOffscreen();
    EXPECT_NEAR(brightArea(s), 200.0 * scale * scale, 0.5 * scale);
    EXPECT_EQ(red(s, static_cast<int>(5 * scale), static_cast<int>(5 * scale)), 0) << "the upper-left half stays empty";
    EXPECT_EQ(red(s, static_cast<int>(18 * scale), static_cast<int>(18 * scale)), 255);
  }
}

// --- Redraw cycle ------------------------------------------------------------------------

TEST(Redraw, OnlyTheDirtyAreaIsRedrawnAndPresented)
{
  Editor e;
  auto* a = e.Attach(new ProbeControl(IRECT(10, 10, 30, 30)));
  auto* b = e.Attach(new ProbeControl(IRECT(20, 20, 40, 40)));
  auto* c = e.Attach(new ProbeControl(IRECT(100, 10, 120, 30)));
  ASSERT_NE(e.graphics->OpenWindow(nullptr), nullptr);
  e.view->ClearInvalidated();
  a->draws = b->draws = c->draws = 0;

  a->SetDirty(false);
  e.graphics->OnPlatformFrameTick();
  ASSERT_EQ(e.view->Invalidated().size(), 1u);
  EXPECT_EQ(e.view->Invalidated()[0], IRECT(10, 10, 30, 30));
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 1) << "overlaps the dirty area";
  EXPECT_EQ(c->draws, 0);

  e.graphics->OnPlatformFrameTick();
  EXPECT_EQ(e.view->Invalidated().size(), 1u) << "nothing dirty, nothing drawn";
}

TEST(Redraw, AnIdleEditorPausesItsFrameTicksUntilAControlIsDirty)
{
  Editor e;
  auto* a = e.Attach(new ProbeControl(IRECT(10, 10, 30, 30)));
  ASSERT_NE(e.graphics->OpenWindow(nullptr), nullptr);
  for (int i = 0; i < IGraphics::kIdleTicksBeforePause; ++i)
  {
    EXPECT_FALSE(e.view->FrameTicksPaused()) << "after " << i << " idle ticks";
    e.graphics->OnPlatformFrameTick();
  }
  EXPECT_TRUE(e.view->FrameTicksPaused());
  a->draws = 0;
  a->SetDirty(false);
  EXPECT_FALSE(e.view->FrameTicksPaused());
  e.graphics->OnPlatformFrameTick();
  EXPECT_EQ(a->draws, 1);
}

// --- Resizing -------------------------------------------------------------------------------

TEST(Resizing, SizeAndScaleAreClampedAndTheWindowFollows)
{
  Editor e;
  e.graphics->SetScaleConstraints(2.f, 0.5f);
  e.graphics->OpenWindow(nullptr);
  e.graphics->Resize(1000, 10, 8.f, true);
  EXPECT_EQ(e.graphics->Width(), 400);
  EXPECT_EQ(e.graphics->Height(), 50);
  EXPECT_FLOAT_EQ(e.graphics->GetDrawScale(), 2.f);
  ASSERT_EQ(e.delegate.resizes.size(), 1u);
  EXPECT_EQ(e.delegate.resizes[0].w, 800);
  EXPECT_EQ(e.delegate.resizes[0].h, 100);
  EXPECT_EQ(e.view->WidthPx(), 800);
  EXPECT_EQ(e.graphics->GetSurface().Width(), 800);

  e.graphics->Resize(301, 101, 0.5f, false);
  EXPECT_EQ(e.delegate.resizes.back().w, 150) << "window size truncated";
  EXPECT_EQ(e.delegate.resizes.back().h, 50);
  EXPECT_FALSE(e.delegate.resizes.back().needsPlatformResize);
}

TEST(Resizing, AnUnchangedResultDoesNothingNotEvenARedraw)
{
  Editor e;
  e.graphics->SetScaleConstraints(0.5f, 2.f);
  auto* probe = e.Attach(new ProbeControl(IRECT(0, 0, 10, 10)));
  e.graphics->OpenWindow(nullptr);
  e.graphics->Resize(400, 100, 2.f, true);
  e.graphics->OnPlatformFrameTick();
  e.view->ClearInvalidated();
  const size_t resizes = e.delegate.resizes.size();
  const int platformResizes = e.view->ResizeCount();

  e.graphics->Resize(400, 100, 2.f, true);
  e.graphics->Resize(400, 100, 3.f, true); // the scale is clamped to 2 before the comparison
  e.graphics->Resize(900, 100, 2.f, true); // and the width to 400
  EXPECT_EQ(e.delegate.resizes.size(), resizes);
  EXPECT_EQ(e.view->ResizeCount(), platformResizes);
  EXPECT_FALSE(probe->IsDirty());
  EXPECT_FALSE(e.graphics->DrawDirty());
  EXPECT_TRUE(e.view->Invalidated().empty());
}

TEST(Resizing, EveryControlIsRescaledAndRedrawn)
{
  struct Counter : ProbeControl
  {
    using ProbeControl::ProbeControl;
    void OnRescale() override { ++rescales; }
    int rescales = 0;
  };
  Editor e;
  auto* probe = e.Attach(new Counter(IRECT(0, 0, 10, 10)));
  EXPECT_EQ(probe->rescales, 1) << "once when attached";
  probe->SetClean();
  e.graphics->Resize(200, 100, 1.5f, true);
  EXPECT_EQ(probe->rescales, 2);
  EXPECT_TRUE(probe->IsDirty());
}

// --- Hit testing ------------------------------------------------------------------------------

TEST(HitTesting, LeftAndTopEdgesHitRightAndBottomEdgesDoNot)
{
  TempDir dir;
  frame::graphics::test::WriteRGBAPng(dir.File("back.png"), 200, 100, frame::graphics::test::FrameStrip(200, 100, {9}));
  Editor e;
  e.graphics->SetResourcePath(dir.Path());
  auto* probe = e.Attach(new ProbeControl(IRECT(10, 10, 20, 20)));
  IControl* back = e.graphics->AttachBackground("back.png");
  IGraphics& g = *e.graphics;
  EXPECT_EQ(g.GetMouseControl(10, 10), probe);
  EXPECT_EQ(g.GetMouseControl(19.9f, 19.9f), probe);
  EXPECT_EQ(g.GetMouseControl(20, 15), back) << "the background attached later is still reached last";
  EXPECT_EQ(g.GetMouseControl(15, 20), back);
  EXPECT_EQ(g.GetMouseControl(15, 20, true), nullptr) << "mouse-over tracking leaves the background out";
}

TEST(HitTesting, LaterControlsAndTheCornerResizerComeFirstAndUnreachableOnesAreSkipped)
{
  Editor e;
  auto* lower = e.Attach(new ProbeControl(IRECT(0, 0, 200, 100)));
  auto* upper = e.Attach(new ProbeControl(IRECT(0, 0, 50, 50)));
  auto* corner = new ICornerResizerControl(IRECT(0, 0, 200, 100), 26);
  e.graphics->AttachCornerResizer(corner);
  auto* above = e.Attach(new ProbeControl(IRECT(150, 50, 200, 100)));
  IGraphics& g = *e.graphics;
  EXPECT_EQ(g.GetMouseControl(10, 10), upper);
  EXPECT_EQ(g.GetMouseControl(190, 90), corner) << "attached later, still below the resizer";
  EXPECT_EQ(g.GetMouseControl(160, 60), above);
  upper->Hide(true);
  EXPECT_EQ(g.GetMouseControl(10, 10), lower);
  upper->Hide(false);
  upper->SetDisabled(true);
  EXPECT_EQ(g.GetMouseControl(10, 10), lower);
  upper->SetDisabled(false);
  upper->SetIgnoreMouse(true);
  EXPECT_EQ(g.GetMouseControl(10, 10), lower);
}

// --- Mouse routing ------------------------------------------------------------------------------

TEST(MouseRouting, ARightPressOnAParameterGoesToTheHostMenuOnly)
{
  Editor e(200, 100, 2.f);
  auto* bound = e.Attach(new ProbeControl(IRECT(10, 10, 20, 20), 1));
  auto* free = e.Attach(new ProbeControl(IRECT(30, 10, 40, 20)));
  e.graphics->OnPlatformMouseDown(30, 32, kRight);
  e.graphics->OnPlatformMouseUp(30, 32, kRight);
  ASSERT_EQ(e.delegate.hostMenus.size(), 1u);
  EXPECT_EQ(e.delegate.hostMenus[0].paramIdx, 1);
  EXPECT_FLOAT_EQ(e.delegate.hostMenus[0].x, 15.f) << "editor units; the frame scales to the view";
  EXPECT_FLOAT_EQ(e.delegate.hostMenus[0].y, 16.f);
  EXPECT_EQ(bound->log, "");
  EXPECT_TRUE(e.delegate.events.empty()) << "no gesture";

  e.delegate.hostOffersMenu = false;
  e.graphics->OnMouseDown(15, 15, kRight);
  EXPECT_EQ(bound->log, "") << "without a host menu nothing happens";

  e.graphics->OnMouseDown(35, 15, kRight);
  EXPECT_EQ(free->log, "d");
  EXPECT_TRUE(free->lastMod.R);
}

TEST(MouseRouting, APressCapturesDragAndReleaseInsideOneGesture)
{
  Editor e(200, 100, 2.f);
  auto* probe = e.Attach(new ProbeControl(IRECT(10, 10, 20, 20), 0));
  auto* other = e.Attach(new ProbeControl(IRECT(100, 10, 150, 60), 2));
  IPlatformEvents& input = *e.graphics;
  input.OnPlatformMouseDown(30, 30, kLeft);
  EXPECT_EQ(probe->log, "d");
  EXPECT_EQ(e.delegate.Kinds(), "b") << "the gesture begins before the press reaches the control";
  input.OnPlatformMouseDrag(250, 60, 220, 30, kLeft); // over the other control now
  EXPECT_EQ(probe->log, "dg");
  EXPECT_FLOAT_EQ(probe->lastDX, 110.f);
  EXPECT_FLOAT_EQ(probe->lastDY, 15.f);
  input.OnPlatformMouseUp(250, 60, kLeft);
  EXPECT_EQ(probe->log, "dgu");
  EXPECT_EQ(other->log, "");
  ASSERT_EQ(e.delegate.Kinds(), "be");
  EXPECT_EQ(e.delegate.events[1].paramIdx, 0);
  input.OnPlatformMouseDrag(40, 40, 1, 1, kLeft);
  EXPECT_EQ(probe->log, "dgu") << "no capture after the release";
}

TEST(MouseRouting, DoubleClickAndWheelGoToTheControlUnderTheMouse)
{
  Editor e;
  auto* a = e.Attach(new ProbeControl(IRECT(0, 0, 50, 50)));
  auto* b = e.Attach(new ProbeControl(IRECT(50, 0, 100, 50)));
  e.graphics->OnMouseDblClick(60, 10, kLeft);
  e.graphics->OnMouseWheel(10, 10, IMouseMod(), -3.f);
  EXPECT_EQ(a->log, "w");
  EXPECT_FLOAT_EQ(a->lastWheel, -3.f);
  EXPECT_EQ(b->log, "k");
}

TEST(MouseRouting, MouseOverReachesTheControlOnEveryMoveAndOutOnLeaving)
{
  TempDir dir;
  frame::graphics::test::WriteRGBAPng(dir.File("back.png"), 200, 100, frame::graphics::test::FrameStrip(200, 100, {9}));
  Editor e;
  e.graphics->SetResourcePath(dir.Path());
  e.graphics->AttachBackground("back.png");
  auto* a = e.Attach(new ProbeControl(IRECT(0, 0, 50, 50)));
  auto* b = e.Attach(new ProbeControl(IRECT(50, 0, 100, 50)));

  e.graphics->OnMouseOver(10, 10, IMouseMod());
  EXPECT_EQ(a->log, "") << "tracking is off until switched on";
  e.graphics->EnableMouseOver(true);
  e.graphics->OnMouseOver(10, 10, IMouseMod());
  e.graphics->OnMouseOver(11, 10, IMouseMod());
  e.graphics->OnPlatformMouseOver(60, 10, IMouseMod());
  EXPECT_EQ(a->log, "oox");
  EXPECT_EQ(b->log, "o");
  e.graphics->OnMouseOver(150, 80, IMouseMod()); // background only
  EXPECT_EQ(b->log, "ox");
  EXPECT_EQ(e.graphics->GetMouseOverControl(), nullptr);
  e.graphics->OnMouseOver(20, 20, IMouseMod());
  e.graphics->OnPlatformMouseOut();
  EXPECT_EQ(a->log, "ooxox");
}

// --- Popup menus -----------------------------------------------------------------------------------

TEST(PopupMenus, TheSelectionArrivesLaterWithTheMenuAndTheValueIndex)
{
  Editor e(200, 100, 2.f);
  auto* probe = e.Attach(new ProbeControl(IRECT(0, 0, 50, 50)));
  IPopupMenu menu;
  menu.AddItem("one");
  menu.AddItem("two");
  e.graphics->CreatePopupMenu(*probe, menu, IRECT(10, 20, 10, 20), 3);
  EXPECT_EQ(probe->log, "") << "shown asynchronously";
  EXPECT_EQ(e.view->PendingMenuAnchor(), IRECT(20, 40, 20, 40)) << "anchor in window pixels";
  ASSERT_TRUE(e.view->ChooseMenuItem(1));
  EXPECT_EQ(probe->log, "p");
  EXPECT_EQ(probe->selected, &menu);
  EXPECT_EQ(probe->selectedIdx, 1);
  EXPECT_EQ(probe->selectedValIdx, 3);
}

TEST(PopupMenus, DismissingReportsNoMenu)
{
  Editor e;
  auto* probe = e.Attach(new ProbeControl(IRECT(0, 0, 50, 50)));
  IPopupMenu menu;
  menu.AddItem("one");
  e.graphics->CreatePopupMenu(*probe, menu, IRECT(), 0);
  e.view->DismissMenu();
  EXPECT_EQ(probe->log, "p");
  EXPECT_EQ(probe->selected, nullptr);
}

TEST(PopupMenus, AMenuReplacedByAnotherOrOutlivingTheWindowReportsNothing)
{
  // A platform that reports menus whenever it likes, even after its window has closed.
  struct LatePlatform : OffscreenPlatformView
  {
    void ShowPopupMenu(IPopupMenu& menu, const IRECT&, MenuDone done) override
    {
      pending.push_back({&menu, std::move(done)});
    }
    std::vector<std::pair<IPopupMenu*, MenuDone>> pending;
  };
  TestDelegate delegate;
  auto platform = std::make_unique<LatePlatform>();
  LatePlatform* view = platform.get();
  IGraphics g(delegate, 200, 100, 60, 1.f, std::move(platform));
  auto* a = new ProbeControl(IRECT(0, 0, 50, 50));
  auto* b = new ProbeControl(IRECT(50, 0, 100, 50));
  g.AttachControl(a);
  g.AttachControl(b);
  IPopupMenu m1, m2;
  m1.AddItem("x");
  m2.AddItem("y");
  g.OpenWindow(nullptr);

  g.CreatePopupMenu(*a, m1, IRECT());
  g.CreatePopupMenu(*b, m2, IRECT());
  m1.SetChosenItemIdx(0);
  view->pending[0].second(&m1);
  EXPECT_EQ(a->log, "") << "superseded by the second menu";
  m2.SetChosenItemIdx(0);
  view->pending[1].second(&m2);
  EXPECT_EQ(b->log, "p");

  g.CreatePopupMenu(*a, m1, IRECT());
  g.CloseWindow();
  view->pending[2].second(&m1);
  EXPECT_EQ(a->log, "");
}

// --- Message boxes, addresses, pointer -----------------------------------------------------------

TEST(PlatformServices, AMessageBoxReleasesTheMouseAndPassesTheAnswerOn)
{
  Editor e;
  e.Attach(new ProbeControl(IRECT(0, 0, 50, 50), 0));
  e.graphics->OnMouseDown(10, 10, kLeft);
  e.view->QueueMessageBoxResult(kNO);
  int completed = -1;
  const EMsgBoxResult r = e.graphics->ShowMessageBox("Update?", "Check", kMB_YESNO,
                                                     [&](EMsgBoxResult res) { completed = res; });
  EXPECT_EQ(r, kNO);
  EXPECT_EQ(completed, kNO);
  ASSERT_EQ(e.view->MessageBoxes().size(), 1u);
  EXPECT_EQ(e.view->MessageBoxes()[0].text, "Update?");
  EXPECT_EQ(e.view->MessageBoxes()[0].caption, "Check");
  EXPECT_EQ(e.view->MessageBoxes()[0].type, kMB_YESNO);
  EXPECT_EQ(e.graphics->GetCapturedControl(), nullptr);
  EXPECT_EQ(e.delegate.Kinds(), "be") << "the interrupted press ends its gesture";
  EXPECT_GE(e.view->CaptureReleases(), 1);
  EXPECT_EQ(e.graphics->ShowMessageBox("Saved", "Save", kMB_OK), kOK);
}

TEST(PlatformServices, OpenURLReportsThePlatformsAnswerAndHonoursAConfirmation)
{
  Editor e;
  EXPECT_TRUE(e.graphics->OpenURL("https://example.org/"));
  e.view->SetOpenURLResult(false);
  EXPECT_FALSE(e.graphics->OpenURL("/tmp/file.txt"));
  EXPECT_EQ(e.view->OpenedURLs(), (std::vector<std::string>{"https://example.org/", "/tmp/file.txt"}));
  e.view->QueueMessageBoxResult(kCANCEL);
  EXPECT_FALSE(e.graphics->OpenURL("https://example.org/x", "Web", "Open the page?"));
  EXPECT_EQ(e.view->OpenedURLs().size(), 2u);
}

TEST(PlatformServices, SetMouseCursorReturnsThePreviousShape)
{
  Editor e;
  EXPECT_EQ(e.graphics->SetMouseCursor(ECursor::HAND), ECursor::ARROW);
  EXPECT_EQ(e.graphics->SetMouseCursor(ECursor::ARROW), ECursor::HAND);
  EXPECT_EQ(e.view->Cursor(), ECursor::ARROW);
}

// --- Window and factory -------------------------------------------------------------------------------

TEST(Window, OpensAtTheWindowSizeOnTheHostsLoopAndTicksFromIt)
{
  struct Loop : frame::IEventLoop
  {
    int AddTimer(int periodMs, Handler h) override
    {
      timers[++last] = {periodMs, std::move(h)};
      return last;
    }
    int AddFd(int, Handler) override { return 0; }
    void Remove(int id) override { timers.erase(id); }
    std::map<int, std::pair<int, Handler>> timers;
    int last = 0;
  } loop;
  Editor e(200, 100, 1.5f);
  e.delegate.SetEventLoop(&loop);
  auto* probe = e.Attach(new ProbeControl(IRECT(0, 0, 10, 10)));
  int parent = 0;
  EXPECT_NE(e.graphics->OpenWindow(&parent), nullptr);
  EXPECT_TRUE(e.graphics->WindowIsOpen());
  EXPECT_EQ(e.view->Parent(), &parent);
  EXPECT_EQ(e.view->WidthPx(), 300);
  EXPECT_EQ(e.view->HeightPx(), 150);
  ASSERT_EQ(loop.timers.size(), 1u);
  EXPECT_EQ(loop.timers.begin()->second.first, 16);
  probe->draws = 0;
  probe->SetDirty(false);
  loop.timers.begin()->second.second();
  EXPECT_EQ(probe->draws, 1);
  e.graphics->CloseWindow();
  EXPECT_FALSE(e.graphics->WindowIsOpen());
  EXPECT_TRUE(loop.timers.empty());
}

TEST(Factory, MakesContextsOnTheInstalledPlatformWithTheDefaultResources)
{
  TestDelegate delegate;
  SetDefaultResourcePath("/res");
  std::unique_ptr<IGraphics> g(MakeGraphics(delegate, 720, 174, 60, 1.f));
  ASSERT_NE(g, nullptr);
  EXPECT_NE(dynamic_cast<OffscreenPlatformView*>(&g->GetPlatform()), nullptr) << "offscreen by default";
  EXPECT_EQ(g->GetResourcePath(), "/res");
  EXPECT_EQ(g->Width(), 720);

  int made = 0;
  SetPlatformViewFactory([&]() -> std::unique_ptr<IPlatformView> {
    ++made;
    return std::make_unique<OffscreenPlatformView>();
  });
  g.reset(MakeGraphics(delegate, 720, 174, 60, 1.f));
  EXPECT_EQ(made, 1);
  SetPlatformViewFactory([]() -> std::unique_ptr<IPlatformView> { return nullptr; });
  EXPECT_EQ(MakeGraphics(delegate, 720, 174, 60, 1.f), nullptr) << "no platform, no editor";
  SetPlatformViewFactory(nullptr);
  SetDefaultResourcePath("");
}
