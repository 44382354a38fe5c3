// The X11 view's events: what arrives on its connection, at its frame ticks, and the input
// it hands to the editor.
#include <X11/Xlib.h>

#include <cstdlib>

#include "graphics/X11ViewImpl.h"

namespace frame::graphics {

namespace {

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

void X11View::Impl::onReadable()
{
  Scope scope(*this);
  pump();
}

void X11View::Impl::onTick()
{
  // Paused, until the wake-up callback takes the timer away: a few loads, no system call.
  if (ticksPaused && !(display && XEventsQueued(display, QueuedAlready) > 0))
    return;
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

void X11View::Impl::runDeferred()
{
  std::vector<std::function<void()>> tasks;
  tasks.swap(deferred);
  for (auto& task : tasks)
    if (open)
      task();
}

void X11View::Impl::pump()
{
  while (open && display && XPending(display))
  {
    XEvent event;
    XNextEvent(display, &event);
    dispatch(event);
  }
}

void X11View::Impl::dispatch(XEvent& event)
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
      pending = UnitePixels(pending, PixelRect{e.x, e.y, e.x + e.width, e.y + e.height});
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

void X11View::Impl::compressMotion(XEvent& event)
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

void X11View::Impl::input(XEvent& event)
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

} // namespace frame::graphics
