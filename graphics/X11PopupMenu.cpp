#include "graphics/X11PopupMenu.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/FontRegistry.h"
#include "graphics/Renderer.h"
#include "graphics/X11Support.h"

namespace frame::graphics {

namespace {
constexpr float kTextSize = 14.f;
constexpr int kGutter = 26;      // left of the text: room for the check mark
constexpr int kRightMargin = 20;
constexpr int kMinWidth = 120;
constexpr int kArmDistance = 4; // pointer travel that turns a release into a choice
} // namespace

X11PopupMenu::X11PopupMenu(Display* display, const IPopupMenu& menu) : mDisplay(display), mMenu(menu)
{
  layout();
}

X11PopupMenu::~X11PopupMenu()
{
  if (!mDisplay)
    return;
  x11::ErrorTrap trap(mDisplay);
  if (mPointerGrabbed)
    XUngrabPointer(mDisplay, CurrentTime);
  if (mKeyboardGrabbed)
    XUngrabKeyboard(mDisplay, CurrentTime);
  x11::ReleaseWindow(mDisplay, mWindow, mGC);
}

void X11PopupMenu::layout()
{
  const char* fontID = x11::UIFontID();
  std::shared_ptr<Font> font = fontID ? FontRegistry::Instance().Find(fontID) : nullptr;
  float textWidth = 0.f;
  int y = kPadding;
  mRows.clear();
  for (int i = 0; i < mMenu.NItems(); ++i)
  {
    const IPopupMenu::Item* item = mMenu.GetItem(i);
    Row row;
    row.top = y;
    if (item->GetIsSeparator())
      y += kSeparatorHeight;
    else
    {
      y += kItemHeight;
      row.selectable = item->GetEnabled() && !item->GetIsTitle();
      if (font)
        textWidth = std::max(textWidth, font->MeasureWidth(item->GetText(), kTextSize));
    }
    row.bottom = y;
    mRows.push_back(row);
  }
  mWidth = std::max(kMinWidth, kGutter + static_cast<int>(std::ceil(textWidth)) + kRightMargin);
  mHeight = y + kPadding;
}

bool X11PopupMenu::Show(int anchorL, int anchorT, int anchorR, int anchorB)
{
  (void)anchorR;
  if (!mDisplay || mRows.empty() || mWindow)
    return false;
  const int screen = DefaultScreen(mDisplay);
  const int sw = DisplayWidth(mDisplay, screen), sh = DisplayHeight(mDisplay, screen);

  int x = anchorL, y = anchorB;
  if (x + mWidth > sw)
    x = sw - mWidth;
  x = std::max(0, x);
  if (y + mHeight > sh)
    y = anchorT - mHeight >= 0 ? anchorT - mHeight : sh - mHeight;
  y = std::max(0, y);

  mVisual = DefaultVisual(mDisplay, screen);
  mDepth = DefaultDepth(mDisplay, screen);
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  attrs.save_under = True;
  attrs.background_pixmap = None;
  attrs.border_pixel = 0;
  attrs.colormap = DefaultColormap(mDisplay, screen);
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                     StructureNotifyMask;
  mWindow = XCreateWindow(mDisplay, RootWindow(mDisplay, screen), x, y, static_cast<unsigned>(mWidth),
                          static_cast<unsigned>(mHeight), 0, mDepth, InputOutput, mVisual,
                          CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask,
                          &attrs);
  if (!mWindow)
    return false;
  x11::SetWindowType(mDisplay, mWindow, "_NET_WM_WINDOW_TYPE_POPUP_MENU");
  mGC = XCreateGC(mDisplay, mWindow, 0, nullptr);
  mSurface.Resize(mWidth, mHeight);
  draw();
  XMapRaised(mDisplay, mWindow);

  Window root = 0, child = 0;
  int wx = 0, wy = 0;
  unsigned int mask = 0;
  XQueryPointer(mDisplay, mWindow, &root, &child, &mOpenRootX, &mOpenRootY, &wx, &wy, &mask);
  grab();
  return true;
}

void X11PopupMenu::grab()
{
  // Our own client holds the implicit grab of the press that opened us, so this succeeds
  // while the button is still down; a menu opened otherwise retries when it is exposed.
  if (!mPointerGrabbed)
    mPointerGrabbed = XGrabPointer(mDisplay, mWindow, False,
                                   ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                   GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
  if (!mKeyboardGrabbed)
    mKeyboardGrabbed = XGrabKeyboard(mDisplay, mWindow, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
}

void X11PopupMenu::draw()
{
  using namespace x11::theme;
  Renderer r(mSurface);
  x11::DrawWindowFrame(r, mWidth, mHeight);
  const char* fontID = x11::UIFontID();
  for (int i = 0; i < static_cast<int>(mRows.size()); ++i)
  {
    const IPopupMenu::Item* item = mMenu.GetItem(i);
    const Row& row = mRows[static_cast<size_t>(i)];
    const float top = static_cast<float>(row.top), bottom = static_cast<float>(row.bottom);
    if (item->GetIsSeparator())
    {
      const float mid = std::floor(0.5f * (top + bottom));
      r.FillRect(kSeparator, IRECT(8.f, mid, static_cast<float>(mWidth - 8), mid + 1.f));
      continue;
    }
    const bool lit = i == mHighlight;
    if (lit)
      r.FillRect(kAccent, IRECT(1.f, top, static_cast<float>(mWidth - 1), bottom));
    const IColor color = lit ? kTextOnAccent : (item->GetIsTitle() ? kAccent : (item->GetEnabled() ? kText : kTextDisabled));
    if (item->GetChecked())
    {
      const float cy = 0.5f * (top + bottom);
      r.DrawLine(color, 8.f, cy, 11.5f, cy + 3.5f, nullptr, 2.f);
      r.DrawLine(color, 11.f, cy + 3.5f, 18.f, cy - 4.f, nullptr, 2.f);
    }
    if (fontID)
    {
      const IText text(kTextSize, color, fontID, EAlign::Near, EVAlign::Middle);
      r.DrawText(text, item->GetText(), IRECT(static_cast<float>(kGutter), top, static_cast<float>(mWidth), bottom));
    }
  }
}

void X11PopupMenu::present()
{
  x11::PutSurface(mDisplay, mWindow, mGC, mVisual, mDepth, mSurface, mSurface.Bounds());
}

int X11PopupMenu::rowAt(int x, int y) const
{
  if (x < 0 || x >= mWidth)
    return -1;
  for (int i = 0; i < static_cast<int>(mRows.size()); ++i)
    if (y >= mRows[static_cast<size_t>(i)].top && y < mRows[static_cast<size_t>(i)].bottom)
      return mRows[static_cast<size_t>(i)].selectable ? i : -1;
  return -1;
}

void X11PopupMenu::setHighlight(int index)
{
  if (index == mHighlight)
    return;
  mHighlight = index;
  draw();
  present();
}

void X11PopupMenu::step(int direction)
{
  const int n = static_cast<int>(mRows.size());
  int i = mHighlight >= 0 ? mHighlight : (direction > 0 ? -1 : n);
  for (int tries = 0; tries < n; ++tries)
  {
    i += direction;
    if (i < 0)
      i = n - 1;
    else if (i >= n)
      i = 0;
    if (mRows[static_cast<size_t>(i)].selectable)
    {
      setHighlight(i);
      return;
    }
  }
}

X11PopupMenu::Outcome X11PopupMenu::choose(int index)
{
  mChosen = index;
  return Outcome::kChosen;
}

X11PopupMenu::Outcome X11PopupMenu::HandleEvent(const XEvent& event)
{
  switch (event.type)
  {
    case Expose:
      if (event.xexpose.count == 0)
      {
        present();
        grab();
      }
      break;
    case MotionNotify:
    {
      // Only the latest position counts; later events of other kinds keep their order.
      XEvent latest = event;
      while (XEventsQueued(mDisplay, QueuedAlready) > 0)
      {
        XEvent next;
        XPeekEvent(mDisplay, &next);
        if (next.type != MotionNotify || next.xany.window != mWindow)
          break;
        XNextEvent(mDisplay, &latest);
      }
      const XMotionEvent& m = latest.xmotion;
      if (std::abs(m.x_root - mOpenRootX) >= kArmDistance || std::abs(m.y_root - mOpenRootY) >= kArmDistance)
        mReleaseArmed = true;
      setHighlight(rowAt(m.x, m.y));
      break;
    }
    case ButtonPress:
    {
      const XButtonEvent& b = event.xbutton;
      if (b.button > Button3)
        break; // the wheel neither chooses nor dismisses
      if (b.x < 0 || b.y < 0 || b.x >= mWidth || b.y >= mHeight)
        return Outcome::kDismissed;
      mReleaseArmed = true;
      setHighlight(rowAt(b.x, b.y));
      break;
    }
    case ButtonRelease:
    {
      const XButtonEvent& b = event.xbutton;
      if (b.button > Button3 || !mReleaseArmed)
        break;
      const int row = rowAt(b.x, b.y);
      if (row >= 0)
        return choose(row);
      break;
    }
    case KeyPress:
    {
      XKeyEvent key = event.xkey;
      const KeySym sym = XLookupKeysym(&key, 0);
      switch (sym)
      {
        case XK_Up: case XK_KP_Up: step(-1); break;
        case XK_Down: case XK_KP_Down: step(1); break;
        case XK_Home: setHighlight(-1); step(1); break;
        case XK_End: setHighlight(-1); step(-1); break;
        case XK_Return: case XK_KP_Enter: case XK_space:
          if (mHighlight >= 0)
            return choose(mHighlight);
          break;
        case XK_Escape: return Outcome::kDismissed;
        default: break;
      }
      break;
    }
    case UnmapNotify:
    case DestroyNotify:
      return Outcome::kDismissed;
    default: break;
  }
  return Outcome::kOpen;
}

} // namespace frame::graphics
