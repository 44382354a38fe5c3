// The X11 view: its window's lifetime, its place in the host's loop and its frame ticks.
#include "graphics/X11View.h"

#include <X11/Xlib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "frame/IEventLoop.h"
#include "graphics/X11OpenURL.h"
#include "graphics/X11ViewImpl.h"

namespace frame::graphics {

namespace {

constexpr long kXEmbedVersion = 0;
constexpr long kXEmbedMapped = 1;

} // namespace

void* X11View::Impl::Open(void* parentWindow, int w, int h, IPlatformEvents& ev, IEventLoop* lp, int fps)
{
  if (display)
  {
    if (depthCount > 0)
      return nullptr; // still tearing the previous window down
    Close();
  }
  display = XOpenDisplay(nullptr);
  if (!display)
    return nullptr;
  const int screen = DefaultScreen(display);
  root = RootWindow(display, screen);
  parent = parentWindow ? static_cast<Window>(reinterpret_cast<uintptr_t>(parentWindow)) : root;
  visual = DefaultVisual(display, screen);
  depth = DefaultDepth(display, screen);
  width = std::max(1, w);
  height = std::max(1, h);

  {
    x11::ErrorTrap trap(display);
    XSetWindowAttributes attrs{};
    attrs.background_pixmap = None; // we paint everything; no flash of a cleared window
    attrs.border_pixel = 0;
    attrs.colormap = DefaultColormap(display, screen);
    attrs.bit_gravity = NorthWestGravity;
    attrs.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                       LeaveWindowMask | ExposureMask | StructureNotifyMask;
    window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                           depth, InputOutput, visual,
                           CWBackPixmap | CWBorderPixel | CWColormap | CWBitGravity | CWEventMask, &attrs);
    const Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
    const long info[2] = {kXEmbedVersion, kXEmbedMapped};
    XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
    gc = XCreateGC(display, window, 0, nullptr);
    XMapWindow(display, window);
    // Hosts that look for the property right after attaching must find it on the server.
    if (trap.Failed())
    {
      // A bad parent: the server forgets our resources with the connection, but the
      // GC's client-side record is ours to free.
      XFreeGC(display, gc);
      trap.CloseDisplay();
      display = nullptr;
      window = 0;
      gc = nullptr;
      return nullptr;
    }
  }

  events = &ev;
  loop = lp;
  open = true;
  if (loop)
  {
    std::weak_ptr<Impl> weak = weak_from_this();
    fdId = loop->AddFd(ConnectionNumber(display), [weak] {
      if (auto self = weak.lock())
        self->onReadable();
    });
    tickPeriodMs = std::max(1, 1000 / (fps > 0 ? fps : kDefaultFps));
    ticksPaused = false;
    addTimer();
    // Where the frame timer comes and goes: never inside its own callback. Without it the
    // timer stays, and paused ticks return at once.
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd >= 0)
      wakeId = loop->AddFd(wakeFd, [weak] {
        if (auto self = weak.lock())
          self->onWake();
      });
    if (!fdId || !timerId)
    {
      // Half a loop would leave input or painting dead: do without one.
      unregister();
    }
  }
  return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
}

void X11View::Impl::addTimer()
{
  std::weak_ptr<Impl> weak = weak_from_this();
  timerId = loop->AddTimer(tickPeriodMs, [weak] {
    if (auto self = weak.lock())
      self->onTick();
  });
}

// Pausing comes from inside a tick, and some hosts free a timer's record in unregister
// while their loop still writes to it after the callback: the change is made in the
// wake-up descriptor's callback instead, and ticks return at once until then.
void X11View::Impl::SetFrameTicksPaused(bool paused)
{
  ticksPaused = paused;
  requestTimerChange();
}

void X11View::Impl::requestTimerChange()
{
  const bool registered = timerId != 0;
  if (!open || !loop || !wakeId || wakePending || registered != ticksPaused)
    return;
  const uint64_t one = 1;
  wakePending = write(wakeFd, &one, sizeof one) == static_cast<ssize_t>(sizeof one);
}

void X11View::Impl::onWake()
{
  uint64_t count = 0;
  while (read(wakeFd, &count, sizeof count) > 0)
  {
  }
  wakePending = false;
  if (!open || !loop)
    return;
  if (ticksPaused && timerId)
  {
    loop->Remove(timerId);
    timerId = 0;
  }
  else if (!ticksPaused && !timerId)
    addTimer();
}

void X11View::Impl::defer(std::function<void()> task)
{
  deferred.push_back(std::move(task));
  SetFrameTicksPaused(false);
}

void X11View::Impl::unregister()
{
  if (loop)
  {
    if (fdId)
      loop->Remove(fdId);
    if (timerId)
      loop->Remove(timerId);
    if (wakeId)
      loop->Remove(wakeId);
  }
  if (wakeFd >= 0)
    close(wakeFd);
  wakeFd = -1;
  fdId = timerId = wakeId = 0;
  wakePending = false;
  loop = nullptr;
}

void X11View::Impl::Close()
{
  if (!open && !display)
    return;
  open = false;
  events = nullptr;
  unregister();
  // An open menu's owner is going away with us: its choice is no longer wanted.
  menuDone = nullptr;
  menuModel = nullptr;
  deferred.clear();
  if (depthCount > 0)
    teardownPending = true;
  else
    teardown();
}

void X11View::Impl::teardown()
{
  teardownPending = false;
  if (!display)
    return;
  menu.reset();
  x11::ErrorTrap trap(display);
  for (Cursor& c : shapes)
    if (c)
      XFreeCursor(display, c);
  if (blank)
    XFreeCursor(display, blank);
  if (gc)
    XFreeGC(display, gc);
  // Gone already when the host destroyed our parent first; the trap eats the error of
  // any request that raced with that.
  if (window && !windowGone)
    XDestroyWindow(display, window);
  trap.CloseDisplay();
  display = nullptr;
  window = 0;
  gc = nullptr;
  blank = 0;
  for (Cursor& c : shapes)
    c = 0;
  windowGone = false;
  pressedButtons = 0;
  hidden = locked = false;
  pending = {};
}

X11View::X11View() : mImpl(std::make_shared<Impl>()) {}

X11View::~X11View()
{
  mImpl->Close();
}

void* X11View::Open(void* parent, int widthPx, int heightPx, IPlatformEvents& events, IEventLoop* loop, int fps)
{
  return mImpl->Open(parent, widthPx, heightPx, events, loop, fps);
}

void X11View::Close() { mImpl->Close(); }
bool X11View::IsOpen() const { return mImpl->open; }
void X11View::Resize(int widthPx, int heightPx) { mImpl->Resize(widthPx, heightPx); }
void X11View::Invalidate(const IRECT& pixels) { mImpl->Invalidate(pixels); }
void X11View::SetFrameTicksPaused(bool paused) { mImpl->SetFrameTicksPaused(paused); }
ECursor X11View::SetCursor(ECursor cursor) { return mImpl->SetCursor(cursor); }
void X11View::HideCursor(bool hide, bool lock) { mImpl->HideCursor(hide, lock); }
void X11View::ReleaseMouseCapture() { mImpl->ReleaseMouseCapture(); }

void X11View::ShowPopupMenu(IPopupMenu& menu, const IRECT& anchorPx, MenuDone done)
{
  mImpl->ShowPopupMenu(menu, anchorPx, std::move(done));
}

int X11View::ShowMessageBox(const char* text, const char* caption, EMsgBoxType type)
{
  return mImpl->ShowMessageBox(text, caption, type);
}

bool X11View::OpenURL(const char* url) { return OpenWithDesktop(url); }

std::unique_ptr<IPlatformView> MakeX11PlatformView() { return std::make_unique<X11View>(); }

} // namespace frame::graphics
