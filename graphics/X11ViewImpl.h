#pragma once

// The X11 view's state and its parts, shared by X11View.cpp (lifetime and frame ticks),
// X11ViewEvents.cpp (events and input) and X11ViewServices.cpp (painting, pointer, menus,
// message boxes). Not for use elsewhere.

#include <X11/Xlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "graphics/X11PopupMenu.h"
#include "graphics/X11Support.h"
#include "graphics/X11View.h"

namespace frame::graphics {

/** The pointer shapes the view can show, one per ECursor value. */
inline constexpr int kX11CursorCount = 14;

/** The smallest rectangle holding both; an empty one adds nothing. */
inline PixelRect UnitePixels(const PixelRect& a, const PixelRect& b)
{
  if (a.Empty())
    return b;
  if (b.Empty())
    return a;
  return {std::min(a.L, b.L), std::min(a.T, b.T), std::max(a.R, b.R), std::max(a.B, b.B)};
}

struct X11View::Impl : std::enable_shared_from_this<X11View::Impl>
{
  /** Every entry into the view: traps X errors for the outermost one, presents what was
   *  invalidated when it ends, and runs a teardown that was asked for meanwhile. */
  class Scope
  {
  public:
    explicit Scope(Impl& impl) : mImpl(impl.shared_from_this())
    {
      if (++impl.depthCount == 1 && impl.display)
        mTrap.emplace(impl.display);
    }
    ~Scope()
    {
      Impl& v = *mImpl;
      if (v.depthCount == 1 && v.open)
        v.presentPending();
      mTrap.reset();
      // Events Xlib read while waiting for a reply leave the socket quiet: a tick must pump them.
      if (v.depthCount == 1 && v.open && v.display && XEventsQueued(v.display, QueuedAlready) > 0)
        v.SetFrameTicksPaused(false);
      if (--v.depthCount == 0 && v.teardownPending)
        v.teardown();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

  private:
    std::shared_ptr<Impl> mImpl; // a callback may drop the view's last reference
    std::optional<x11::ErrorTrap> mTrap;
  };

  Display* display = nullptr;
  Window root = 0, parent = 0, window = 0;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  int width = 0, height = 0;

  IPlatformEvents* events = nullptr;
  IEventLoop* loop = nullptr;
  int fdId = 0, timerId = 0, wakeId = 0; // timerId 0 while paused ticks are unregistered
  int tickPeriodMs = 0;
  bool ticksPaused = false; // ticks return at once
  int wakeFd = -1;          // written when the frame timer is to come or go
  bool wakePending = false;

  bool open = false;       // false again as soon as Close begins
  bool windowGone = false; // destroyed with the host's window
  int depthCount = 0;
  bool teardownPending = false;
  PixelRect pending;

  // Pointer
  unsigned int pressedButtons = 0; // 1 left, 2 right
  int lastX = 0, lastY = 0;
  bool clickCounted = false; // a left press that a second one could make a double click
  Time clickTime = 0;
  int clickX = 0, clickY = 0;

  ECursor cursor = ECursor::ARROW;
  bool hidden = false, locked = false;
  int lockX = 0, lockY = 0;
  Cursor shapes[kX11CursorCount] = {};
  Cursor blank = 0;

  std::unique_ptr<X11PopupMenu> menu;
  IPopupMenu* menuModel = nullptr;
  MenuDone menuDone;
  std::vector<std::function<void()>> deferred; // run at the next frame tick

  ~Impl() { teardown(); }

  // Lifetime ------------------------------------------------------------------------------

  void* Open(void* parentWindow, int w, int h, IPlatformEvents& ev, IEventLoop* lp, int fps);
  void addTimer();
  void SetFrameTicksPaused(bool paused);
  /** Asks for the wake-up callback when the timer's registration differs from the pause. */
  void requestTimerChange();
  void onWake();

  /** Work for the next frame tick, which it unpauses. */
  void defer(std::function<void()> task);
  void unregister();
  void Close();
  void teardown();

  // Events --------------------------------------------------------------------------------

  void onReadable();
  void onTick();
  void runDeferred();
  void pump();
  void dispatch(XEvent& event);

  /** The next queued events while they are motion of the same window: only the last
   *  position matters, and deltas are taken between the positions we report. */
  void compressMotion(XEvent& event);
  void input(XEvent& event);

  // Painting ------------------------------------------------------------------------------

  void presentPending();
  void Invalidate(const IRECT& r);
  void Resize(int w, int h);

  // Pointer shapes ------------------------------------------------------------------------

  Cursor shapeFor(ECursor c);
  Cursor blankCursor();
  ECursor SetCursor(ECursor c);
  void HideCursor(bool hide, bool lock);
  void ReleaseMouseCapture();

  // Menus and boxes -----------------------------------------------------------------------

  void finishMenu(X11PopupMenu::Outcome outcome, bool deferDone);
  void ShowPopupMenu(IPopupMenu& model, const IRECT& anchor, MenuDone done);
  int ShowMessageBox(const char* text, const char* caption, EMsgBoxType type);
};

} // namespace frame::graphics
