#include "apps/jack/AppWindow.h"

// The frame before Xlib: Xlib's macros (Bool, None, Status ...) would rewrite its names.
#include "frame/IEventLoop.h"
#include "frame/IFramePlugin.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>

namespace app {

struct AppWindow::Native
{
  Display* display = nullptr;
  ::Window window = 0;
  Atom protocols = 0, deleteWindow = 0;
  bool destroyed = false;
};

namespace {
constexpr int kFallbackW = 720, kFallbackH = 174;

// The editor sets its size with its corner: the window manager's frame does not.
void FixSize(Display* display, ::Window window, int w, int h)
{
  XSizeHints* hints = XAllocSizeHints();
  if (!hints)
    return;
  hints->flags = PMinSize | PMaxSize;
  hints->min_width = hints->max_width = w;
  hints->min_height = hints->max_height = h;
  XSetWMNormalHints(display, window, hints);
  XFree(hints);
}
} // namespace

bool AppWindow::Open(frame::IFramePlugin& plugin, frame::IEventLoop& loop, const std::string& title,
                     std::function<void()> closed, std::string& error)
{
  Display* display = XOpenDisplay(nullptr);
  if (!display)
  {
    error = "cannot open the X display (is DISPLAY set? --no-editor runs without a window)";
    return false;
  }
  mNative = new Native;
  Native& n = *mNative;
  n.display = display;
  int w = plugin.GetEditorWidth(), h = plugin.GetEditorHeight();
  if (w <= 0 || h <= 0)
    w = kFallbackW, h = kFallbackH;
  const int screen = DefaultScreen(display);
  n.window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(w),
                                 static_cast<unsigned>(h), 0, BlackPixel(display, screen), BlackPixel(display, screen));
  XSelectInput(display, n.window, StructureNotifyMask);
  XStoreName(display, n.window, title.c_str());
  XChangeProperty(display, n.window, XInternAtom(display, "_NET_WM_NAME", False),
                  XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.c_str()), static_cast<int>(title.size()));
  XClassHint* hint = XAllocClassHint();
  if (hint)
  {
    hint->res_name = const_cast<char*>("mistlegrove-phaser");
    hint->res_class = const_cast<char*>("Mistlegrove Phaser");
    XSetClassHint(display, n.window, hint);
    XFree(hint);
  }
  n.protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  n.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, n.window, &n.deleteWindow, 1);
  FixSize(display, n.window, w, h);
  XMapWindow(display, n.window);
  XSync(display, False);

  mPlugin = &plugin;
  mLoop = &loop;
  mClosed = std::move(closed);
  plugin.SetHostNotifier(this);
  if (!plugin.AttachEditor(reinterpret_cast<void*>(static_cast<uintptr_t>(n.window)), loop))
  {
    error = "the editor could not open in the window";
    Close();
    return false;
  }
  mFdId = loop.AddFd(ConnectionNumber(display), [this] { ReadEvents(); });
  return true;
}

void AppWindow::ReadEvents()
{
  Native& n = *mNative;
  bool closed = false;
  while (XPending(n.display))
  {
    XEvent event;
    XNextEvent(n.display, &event);
    if (event.type == ClientMessage && event.xclient.message_type == n.protocols &&
        static_cast<Atom>(event.xclient.data.l[0]) == n.deleteWindow)
      closed = true;
    else if (event.type == DestroyNotify && event.xdestroywindow.window == n.window)
      closed = n.destroyed = true; // killed from outside: not to be destroyed twice
  }
  if (closed && mClosed)
  {
    auto call = std::move(mClosed);
    mClosed = nullptr;
    call();
  }
}

bool AppWindow::ResizeEditor(int width, int height)
{
  if (!mNative || mNative->destroyed)
    return false;
  const int w = std::max(1, width), h = std::max(1, height);
  FixSize(mNative->display, mNative->window, w, h);
  XResizeWindow(mNative->display, mNative->window, static_cast<unsigned>(w), static_cast<unsigned>(h));
  XSync(mNative->display, False);
  return true;
}

void AppWindow::Close()
{
  if (mPlugin)
  {
    mPlugin->DetachEditor();
    mPlugin->SetHostNotifier(nullptr);
    mPlugin = nullptr;
  }
  if (mLoop && mFdId)
    mLoop->Remove(mFdId);
  mFdId = 0;
  if (mNative)
  {
    if (mNative->window && !mNative->destroyed)
      XDestroyWindow(mNative->display, mNative->window);
    XCloseDisplay(mNative->display);
    delete mNative;
    mNative = nullptr;
  }
}

} // namespace app
