#pragma once

// What the X11 tests share: a private Xvfb server per test process, a poll()-based stand-in
// for the host's event loop, a recording stand-in for the editor's graphics context, and a
// test-side X connection that synthesises input with XTest and reads windows back.

// GoogleTest first: Xlib's macros (None, Bool, Status) would break its templates.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/IEventLoop.h"
#include "graphics/IPlatformView.h"
#include "graphics/Surface.h"
#include "graphics/X11View.h"

namespace e2e {

/** True once the test process's own Xvfb runs and DISPLAY names it. */
bool XvfbAvailable();
/** The screen the server was started with. */
constexpr int kScreenW = 3000, kScreenH = 1200;

/** Skips the test when there is no Xvfb, and ends a hung test (a modal loop nobody
 *  answers) with SIGALRM instead of hanging CI. */
class XTestCase : public ::testing::Test
{
protected:
  void SetUp() override;
  void TearDown() override;
};

/** A host event loop over poll(): fds are served when readable, timers at their period.
 *  Handlers may remove themselves or others while they run. */
class PollLoop : public frame::IEventLoop
{
public:
  int AddTimer(int periodMs, Handler handler) override;
  int AddFd(int fd, Handler handler) override;
  void Remove(int id) override;

  int Active() const { return static_cast<int>(mEntries.size()); }
  void RunFor(int ms);
  /** Runs until done() holds; false on timeout. */
  bool RunUntil(const std::function<bool()>& done, int timeoutMs = 3000);

private:
  using Clock = std::chrono::steady_clock;
  struct Entry
  {
    int id = 0;
    bool timer = false;
    int fd = -1;
    int periodMs = 0;
    Clock::time_point next;
    std::shared_ptr<Handler> handler;
  };
  void runOnce(int maxWaitMs);
  Entry* find(int id);

  std::vector<Entry> mEntries;
  int mNextId = 1;
};

struct Recorded
{
  enum Kind
  {
    kDown,
    kUp,
    kDrag,
    kDblClick,
    kWheel,
    kOver,
    kOut
  } kind;
  float x = 0, y = 0, dx = 0, dy = 0, delta = 0;
  frame::graphics::IMouseMod mod;
};

/** Records what the view reports; owns the surface it presents. */
class RecordingEvents : public frame::graphics::IPlatformEvents
{
public:
  RecordingEvents(int w, int h, uint32_t fill = 0xFF000000) : surface(w, h, fill) {}

  void OnPlatformMouseDown(float x, float y, const frame::graphics::IMouseMod& mod) override { add({Recorded::kDown, x, y, 0, 0, 0, mod}); }
  void OnPlatformMouseUp(float x, float y, const frame::graphics::IMouseMod& mod) override { add({Recorded::kUp, x, y, 0, 0, 0, mod}); }
  void OnPlatformMouseDrag(float x, float y, float dX, float dY, const frame::graphics::IMouseMod& mod) override
  {
    add({Recorded::kDrag, x, y, dX, dY, 0, mod});
  }
  void OnPlatformMouseDblClick(float x, float y, const frame::graphics::IMouseMod& mod) override { add({Recorded::kDblClick, x, y, 0, 0, 0, mod}); }
  void OnPlatformMouseWheel(float x, float y, const frame::graphics::IMouseMod& mod, float d) override
  {
    add({Recorded::kWheel, x, y, 0, 0, d, mod});
  }
  void OnPlatformMouseOver(float x, float y, const frame::graphics::IMouseMod& mod) override { add({Recorded::kOver, x, y, 0, 0, 0, mod}); }
  void OnPlatformMouseOut() override { add({Recorded::kOut, 0, 0, 0, 0, 0, {}}); }
  void OnPlatformFrameTick() override
  {
    ++ticks;
    if (onTick)
      onTick();
  }
  const frame::graphics::Surface& GetPlatformSurface() const override { return surface; }

  int Count(Recorded::Kind kind) const;
  /** The recorded events of the given kinds, in order. */
  std::vector<Recorded> Only(std::initializer_list<Recorded::Kind> kinds) const;

  frame::graphics::Surface surface;
  std::vector<Recorded> log;
  int ticks = 0;
  std::function<void(const Recorded&)> onEvent;
  std::function<void()> onTick;

private:
  void add(const Recorded& r)
  {
    log.push_back(r);
    if (onEvent)
      onEvent(r);
  }
};

/** The test's own X connection: windows standing in for the host's, XTest input, reading
 *  pixels and properties back. */
class TestX
{
public:
  TestX();
  ~TestX();
  TestX(const TestX&) = delete;
  TestX& operator=(const TestX&) = delete;

  Display* display() const { return mDisplay; }
  Window Root() const { return DefaultRootWindow(mDisplay); }

  /** A mapped top-level window, as a host's editor window. */
  Window MakeTopLevel(int x, int y, int w, int h);
  void Destroy(Window w);

  void MoveTo(int rootX, int rootY);
  /** Moves to a point of window w. */
  void MoveTo(Window w, int x, int y);
  void Button(unsigned int button, bool press, unsigned long delayMs = 0);
  void Click(unsigned int button, unsigned long delayMs = 0);
  void Key(unsigned long keysym, bool press);
  void Tap(unsigned long keysym);
  void Sync();
  /** Asks a top-level window to close, as a window manager's close button does. */
  void Close(Window w);

  void RootPosition(Window w, int& x, int& y);
  void Geometry(Window w, int& x, int& y, int& width, int& height);
  bool Viewable(Window w);
  std::vector<long> CardinalProperty(Window w, const char* name);
  Window ParentOf(Window w);
  /** A mapped override-redirect child of the root (a popup menu), or 0. */
  Window FindPopup();
  /** Waits for a top-level window titled name. */
  Window WaitForTitle(const char* name, int timeoutMs = 5000);
  std::string Title(Window w);

  /** 0x00RRGGBB of one pixel. */
  uint32_t PixelAt(Window w, int x, int y);
  frame::graphics::Surface Capture(Window w);

private:
  Display* mDisplay = nullptr;
};

/** A window standing in for the host's, and our view to embed in it: what the tests of the
 *  view, its popup menus and its message boxes start from. */
class ViewTestCase : public XTestCase
{
protected:
  ViewTestCase(int topX, int topY, int topW, int topH, int viewW, int viewH)
    : mTopX(topX), mTopY(topY), mTopW(topW), mTopH(topH), mViewW(viewW), mViewH(viewH)
  {
  }
  void SetUp() override;
  void TearDown() override;

  /** Opens the view in top and lets it settle; a fatal failure when it gets no window. */
  void OpenView(frame::IEventLoop* withLoop, int fps = 60);
  static void* AsParent(Window w) { return reinterpret_cast<void*>(static_cast<uintptr_t>(w)); }

  std::unique_ptr<TestX> x;
  Window top = 0, win = 0;
  PollLoop loop;
  std::unique_ptr<RecordingEvents> events;
  std::unique_ptr<frame::graphics::X11View> view; // last: goes before the loop and the events it uses

private:
  int mTopX, mTopY, mTopW, mTopH, mViewW, mViewH;
};

/** Where screenshots of the tests are kept (created on demand). */
std::string ArtefactPath(const char* fileName);

} // namespace e2e
