#include "apps/common/TopLevelWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace app {

struct TopLevelWindow::Native
{
  Display* display = nullptr;
  ::Window window = 0;
  Atom protocols = 0, deleteWindow = 0;
  bool destroyed = false;
};

bool TopLevelWindow::Open(const std::string& title, int width, int height, bool resizable, std::string& error)
{
  Close();
  Display* display = XOpenDisplay(nullptr);
  if (!display)
  {
    error = "cannot open the X display (is DISPLAY set?)";
    return false;
  }
  mNative = new Native;
  mNative->display = display;
  mResizable = resizable;
  mClosed = false;
  const int screen = DefaultScreen(display);
  ::Window w = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                   BlackPixel(display, screen));
  mNative->window = w;
  XSelectInput(display, w, StructureNotifyMask);
  XStoreName(display, w, title.c_str());
  XChangeProperty(display, w, XInternAtom(display, "_NET_WM_NAME", False), XInternAtom(display, "UTF8_STRING", False),
                  8, PropModeReplace, reinterpret_cast<const unsigned char*>(title.c_str()),
                  static_cast<int>(title.size()));
  mNative->protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  mNative->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, w, &mNative->deleteWindow, 1);
  HoldSize(width, height);
  XMapWindow(display, w);
  XSync(display, False);
  return true;
}

void TopLevelWindow::HoldSize(int width, int height)
{
  if (mResizable)
    return;
  XSizeHints* hints = XAllocSizeHints();
  if (!hints)
    return;
  hints->flags = PMinSize | PMaxSize;
  hints->min_width = hints->max_width = width;
  hints->min_height = hints->max_height = height;
  XSetWMNormalHints(mNative->display, mNative->window, hints);
  XFree(hints);
}

void TopLevelWindow::Close()
{
  if (!mNative)
    return;
  if (mNative->window && !mNative->destroyed)
    XDestroyWindow(mNative->display, mNative->window);
  XCloseDisplay(mNative->display);
  delete mNative;
  mNative = nullptr;
}

uintptr_t TopLevelWindow::Handle() const { return mNative ? static_cast<uintptr_t>(mNative->window) : 0; }

int TopLevelWindow::Fd() const { return mNative ? ConnectionNumber(mNative->display) : -1; }

bool TopLevelWindow::EventsQueued() const
{
  // Looking costs no system call; the socket itself is read only when poll says so.
  return mNative && XEventsQueued(mNative->display, QueuedAlready) > 0;
}

bool TopLevelWindow::ReadEvents()
{
  while (mNative && !mClosed && XPending(mNative->display))
  {
    XEvent event;
    XNextEvent(mNative->display, &event);
    if (event.type == ClientMessage && event.xclient.message_type == mNative->protocols &&
        static_cast<Atom>(event.xclient.data.l[0]) == mNative->deleteWindow)
      mClosed = true;
    else if (event.type == DestroyNotify && event.xdestroywindow.window == mNative->window)
    {
      // Destroyed from outside (a window manager's kill, xdotool): not to be destroyed twice.
      mNative->destroyed = true;
      mClosed = true;
    }
  }
  return mClosed;
}

bool TopLevelWindow::Resize(int width, int height)
{
  if (!mNative || mNative->destroyed)
    return false;
  const int w = std::max(1, width), h = std::max(1, height);
  HoldSize(w, h);
  XResizeWindow(mNative->display, mNative->window, static_cast<unsigned>(w), static_cast<unsigned>(h));
  XSync(mNative->display, False);
  return true;
}

} // namespace app
