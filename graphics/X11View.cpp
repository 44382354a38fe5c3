#include "graphics/X11View.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "frame/IEventLoop.h"
#include "graphics/X11MessageBox.h"
#include "graphics/X11OpenURL.h"
#include "graphics/X11PopupMenu.h"
#include "graphics/X11Support.h"

namespace frame::graphics {

namespace {

constexpr long kXEmbedVersion = 0;
constexpr long kXEmbedMapped = 1;

// Indexed by ECursor.
constexpr unsigned int kCursorGlyphs[] = {
  XC_left_ptr,           // ARROW
  XC_xterm,              // IBEAM
  XC_watch,              // WAIT
  XC_crosshair,          // CROSS
  XC_sb_up_arrow,        // UPARROW
  XC_bottom_right_corner,// SIZENWSE
  XC_bottom_left_corner, // SIZENESW
  XC_sb_h_double_arrow,  // SIZEWE
  XC_sb_v_double_arrow,  // SIZENS
  XC_fleur,              // SIZEALL
  XC_X_cursor,           // INO
  XC_hand2,              // HAND
  XC_watch,              // APPSTARTING
  XC_question_arrow,     // HELP
};
constexpr int kCursorCount = static_cast<int>(sizeof(kCursorGlyphs) / sizeof(kCursorGlyphs[0]));

PixelRect unite(const PixelRect& a, const PixelRect& b)
{
  if (a.Empty())
    return b;
  if (b.Empty())
    return a;
  return {std::min(a.L, b.L), std::min(a.T, b.T), std::max(a.R, b.R), std::max(a.B, b.B)};
}

IMouseMod modFromState(unsigned int state)
{
  IMouseMod mod;
  mod.L = state & Button1Mask;
  mod.R = state & Button3Mask;
  mod.S = state & ShiftMask;
  mod.C = state & ControlMask;
  mod.A = state & Mod1Mask;
  return mod;
}

} // namespace

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
  int fdId = 0, timerId = 0; // timerId 0 while frame ticks are paused
  int tickPeriodMs = 0;

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
  Cursor shapes[kCursorCount] = {};
  Cursor blank = 0;

  std::unique_ptr<X11PopupMenu> menu;
  IPopupMenu* menuModel = nullptr;
  MenuDone menuDone;
  std::vector<std::function<void()>> deferred; // run at the next frame tick

  ~Impl() { teardown(); }

  // Lifetime ------------------------------------------------------------------------------

  void* Open(void* parentWindow, int w, int h, IPlatformEvents& ev, IEventLoop* lp, int fps)
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
      startTicks();
      if (!fdId || !timerId)
      {
        // Half a loop would leave input or painting dead: do without one.
        unregister();
      }
    }
    return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
  }

  void startTicks()
  {
    std::weak_ptr<Impl> weak = weak_from_this();
    timerId = loop->AddTimer(tickPeriodMs, [weak] {
      if (auto self = weak.lock())
        self->onTick();
    });
  }

  void SetFrameTicksPaused(bool paused)
  {
    if (!open || !loop)
      return;
    if (paused && timerId)
    {
      loop->Remove(timerId);
      timerId = 0;
    }
    else if (!paused && !timerId)
      startTicks();
  }

  /** Work for the next frame tick, which it brings about if ticks are paused. */
  void defer(std::function<void()> task)
  {
    deferred.push_back(std::move(task));
    SetFrameTicksPaused(false);
  }

  void unregister()
  {
    if (loop)
    {
      if (fdId)
        loop->Remove(fdId);
      if (timerId)
        loop->Remove(timerId);
    }
    fdId = timerId = 0;
    loop = nullptr;
  }

  void Close()
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

  void teardown()
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

  // Events --------------------------------------------------------------------------------

  void onReadable()
  {
    Scope scope(*this);
    pump();
  }

  void onTick()
  {
    Scope scope(*this);
    runDeferred();
    // Xlib may have read events while waiting for a reply; the descriptor then stays
    // quiet although events are queued. Only those are looked for here, which costs no
    // system call: the loop calls onReadable for what is still on the socket.
    if (open && display && XEventsQueued(display, QueuedAlready) > 0)
      pump();
    if (open && events)
      events->OnPlatformFrameTick();
  }

  void runDeferred()
  {
    std::vector<std::function<void()>> tasks;
    tasks.swap(deferred);
    for (auto& task : tasks)
      if (open)
        task();
  }

  void pump()
  {
    while (open && display && XPending(display))
    {
      XEvent event;
      XNextEvent(display, &event);
      dispatch(event);
    }
  }

  void dispatch(XEvent& event)
  {
    if (menu && event.xany.window == menu->GetWindow())
    {
      const X11PopupMenu::Outcome outcome = menu->HandleEvent(event);
      if (outcome != X11PopupMenu::Outcome::kOpen)
        finishMenu(outcome, false);
      return;
    }
    if (event.xany.window != window)
      return;
    switch (event.type)
    {
      case Expose:
      {
        const XExposeEvent& e = event.xexpose;
        pending = unite(pending, PixelRect{e.x, e.y, e.x + e.width, e.y + e.height});
        break;
      }
      case ConfigureNotify:
        width = event.xconfigure.width;
        height = event.xconfigure.height;
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == window)
          windowGone = true;
        break;
      default:
        // Without a loop there are no ticks to draw the changes input would make.
        if (loop && events)
          input(event);
        break;
    }
  }

  /** The next queued events while they are motion of the same window: only the last
   *  position matters, and deltas are taken between the positions we report. */
  void compressMotion(XEvent& event)
  {
    while (XEventsQueued(display, QueuedAlready) > 0)
    {
      XEvent next;
      XPeekEvent(display, &next);
      if (next.type != MotionNotify || next.xany.window != event.xany.window)
        break;
      XNextEvent(display, &event);
    }
  }

  void input(XEvent& event)
  {
    switch (event.type)
    {
      case ButtonPress:
      {
        const XButtonEvent& b = event.xbutton;
        if (menu)
        {
          // The menu could not grab the pointer: a press anywhere else dismisses it.
          finishMenu(X11PopupMenu::Outcome::kDismissed, false);
          return;
        }
        IMouseMod mod = modFromState(b.state);
        if (b.button == Button4 || b.button == Button5)
        {
          mod.L = mod.R = false;
          events->OnPlatformMouseWheel(static_cast<float>(b.x), static_cast<float>(b.y), mod,
                                       b.button == Button4 ? 1.f : -1.f);
          return;
        }
        if (b.button != Button1 && b.button != Button3)
          return;
        mod.L = b.button == Button1;
        mod.R = b.button == Button3;
        pressedButtons |= b.button == Button1 ? 1u : 2u;
        lastX = b.x;
        lastY = b.y;
        const bool dbl = b.button == Button1 && clickCounted && b.time - clickTime <= kDoubleClickMs &&
                         std::abs(b.x - clickX) <= kDoubleClickDistance && std::abs(b.y - clickY) <= kDoubleClickDistance;
        if (dbl)
        {
          clickCounted = false; // a third press starts over
          events->OnPlatformMouseDblClick(static_cast<float>(b.x), static_cast<float>(b.y), mod);
        }
        else
        {
          clickCounted = b.button == Button1;
          clickTime = b.time;
          clickX = b.x;
          clickY = b.y;
          events->OnPlatformMouseDown(static_cast<float>(b.x), static_cast<float>(b.y), mod);
        }
        break;
      }
      case ButtonRelease:
      {
        const XButtonEvent& b = event.xbutton;
        const unsigned int bit = b.button == Button1 ? 1u : (b.button == Button3 ? 2u : 0u);
        if (!(pressedButtons & bit))
          return; // the wheel, or a press that went to a menu
        pressedButtons &= ~bit;
        IMouseMod mod = modFromState(b.state);
        mod.L = bit == 1u;
        mod.R = bit == 2u;
        events->OnPlatformMouseUp(static_cast<float>(b.x), static_cast<float>(b.y), mod);
        break;
      }
      case MotionNotify:
      {
        compressMotion(event);
        const XMotionEvent& m = event.xmotion;
        const IMouseMod mod = modFromState(m.state);
        if (pressedButtons)
        {
          const int dx = m.x - lastX, dy = m.y - lastY;
          lastX = m.x;
          lastY = m.y;
          if (dx || dy)
            events->OnPlatformMouseDrag(static_cast<float>(m.x), static_cast<float>(m.y), static_cast<float>(dx),
                                        static_cast<float>(dy), mod);
        }
        else
        {
          lastX = m.x;
          lastY = m.y;
          events->OnPlatformMouseOver(static_cast<float>(m.x), static_cast<float>(m.y), mod);
        }
        break;
      }
      case EnterNotify:
        if (!pressedButtons && event.xcrossing.mode != NotifyGrab)
          events->OnPlatformMouseOver(static_cast<float>(event.xcrossing.x), static_cast<float>(event.xcrossing.y),
                                      modFromState(event.xcrossing.state));
        break;
      case LeaveNotify:
        // While a button is held the drag goes on outside; the release reports where.
        if (!pressedButtons && event.xcrossing.mode != NotifyUngrab)
          events->OnPlatformMouseOut();
        break;
      default: break;
    }
  }

  // Painting ------------------------------------------------------------------------------

  void presentPending()
  {
    const PixelRect area = pending.Intersect(PixelRect{0, 0, width, height});
    pending = {};
    if (area.Empty() || !events || !display || !window || windowGone)
      return;
    x11::PutSurface(display, window, gc, visual, depth, events->GetPlatformSurface(), area);
  }

  void Invalidate(const IRECT& r)
  {
    Scope scope(*this);
    if (!open)
      return;
    if (!loop)
      pump(); // only expose and structure events: there is nobody else to read them
    const PixelRect px{static_cast<int>(std::floor(r.L)), static_cast<int>(std::floor(r.T)),
                       static_cast<int>(std::ceil(r.R)), static_cast<int>(std::ceil(r.B))};
    pending = unite(pending, px);
  }

  void Resize(int w, int h)
  {
    Scope scope(*this);
    if (!open || windowGone)
      return;
    if (!loop)
      pump();
    width = std::max(1, w);
    height = std::max(1, h);
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
  }

  // Pointer shapes ------------------------------------------------------------------------

  Cursor shapeFor(ECursor c)
  {
    int i = static_cast<int>(c);
    if (i < 0 || i >= kCursorCount)
      i = 0;
    if (!shapes[i])
      shapes[i] = XCreateFontCursor(display, kCursorGlyphs[i]);
    return shapes[i];
  }

  Cursor blankCursor()
  {
    if (!blank)
    {
      static const char kEmpty[1] = {0};
      const Pixmap bitmap = XCreateBitmapFromData(display, window, kEmpty, 1, 1);
      XColor black{};
      blank = XCreatePixmapCursor(display, bitmap, bitmap, &black, &black, 0, 0);
      XFreePixmap(display, bitmap);
    }
    return blank;
  }

  ECursor SetCursor(ECursor c)
  {
    Scope scope(*this);
    const ECursor previous = cursor;
    cursor = c;
    if (open && !windowGone && !hidden)
      XDefineCursor(display, window, shapeFor(c));
    return previous;
  }

  void HideCursor(bool hide, bool lock)
  {
    Scope scope(*this);
    if (!open || windowGone || hide == hidden)
      return;
    hidden = hide;
    if (hide)
    {
      XDefineCursor(display, window, blankCursor());
      locked = lock;
      lockX = lastX;
      lockY = lastY;
      return;
    }
    XDefineCursor(display, window, shapeFor(cursor));
    // The pointer comes back where it disappeared, as if it had not moved.
    if (locked)
      XWarpPointer(display, None, window, 0, 0, 0, 0, lockX, lockY);
    locked = false;
  }

  void ReleaseMouseCapture()
  {
    Scope scope(*this);
    if (!open || !pressedButtons)
      return;
    pressedButtons = 0;
    XUngrabPointer(display, CurrentTime);
  }

  // Menus and boxes -----------------------------------------------------------------------

  void finishMenu(X11PopupMenu::Outcome outcome, bool deferDone)
  {
    MenuDone done = std::move(menuDone);
    IPopupMenu* model = menuModel;
    const int chosen = menu ? menu->ChosenIndex() : -1;
    menu.reset(); // ungrabs before anyone is told
    menuModel = nullptr;
    menuDone = nullptr;
    const bool picked = outcome == X11PopupMenu::Outcome::kChosen && chosen >= 0;
    if (model)
      model->SetChosenItemIdx(picked ? chosen : -1);
    if (!done)
      return;
    IPopupMenu* result = picked ? model : nullptr;
    if (deferDone)
      defer([done = std::move(done), result] { done(result); });
    else
      done(result);
  }

  void ShowPopupMenu(IPopupMenu& model, const IRECT& anchor, MenuDone done)
  {
    Scope scope(*this);
    if (menu)
      finishMenu(X11PopupMenu::Outcome::kDismissed, true);
    auto dismissLater = [this, &done] {
      if (done && open)
        defer([done = std::move(done)] { done(nullptr); });
    };
    if (!open || windowGone || !loop)
    {
      dismissLater();
      return;
    }
    Window child = 0;
    int ax = 0, ay = 0;
    XTranslateCoordinates(display, window, root, static_cast<int>(std::floor(anchor.L)),
                          static_cast<int>(std::floor(anchor.T)), &ax, &ay, &child);
    auto m = std::make_unique<X11PopupMenu>(display, model);
    const int aw = static_cast<int>(std::ceil(anchor.W())), ah = static_cast<int>(std::ceil(anchor.H()));
    if (!m->Show(ax, ay, ax + aw, ay + ah))
    {
      dismissLater();
      return;
    }
    menu = std::move(m);
    menuModel = &model;
    menuDone = std::move(done);
    clickCounted = false; // a press after the menu is a click of its own, not a double
    // The release of the press that opened the menu goes to the menu; the editor still
    // hears that the press ended, once its mouse-down handling has returned.
    if (pressedButtons)
    {
      IMouseMod mod;
      mod.L = pressedButtons & 1u;
      mod.R = pressedButtons & 2u;
      pressedButtons = 0;
      const float x = static_cast<float>(lastX), y = static_cast<float>(lastY);
      defer([this, x, y, mod] {
        if (events)
          events->OnPlatformMouseUp(x, y, mod);
      });
    }
  }

  int ShowMessageBox(const char* text, const char* caption, EMsgBoxType type)
  {
    Scope scope(*this);
    ReleaseMouseCapture();
    if (menu)
      finishMenu(X11PopupMenu::Outcome::kDismissed, true);
    if (!open)
    {
      X11MessageBox box(nullptr, 0, text, caption, type);
      return box.Run();
    }
    X11MessageBox box(display, windowGone ? 0 : window, text, caption, type);
    return box.Run([this](XEvent& event) {
      // The host is blocked meanwhile: keep our window painted, but take no input.
      if (event.xany.window != window)
        return;
      if (event.type == Expose)
      {
        const XExposeEvent& e = event.xexpose;
        pending = unite(pending, PixelRect{e.x, e.y, e.x + e.width, e.y + e.height});
        if (e.count == 0)
          presentPending();
      }
      else if (event.type == ConfigureNotify || event.type == DestroyNotify)
        dispatch(event);
    });
  }
};

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
