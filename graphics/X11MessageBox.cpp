#include "graphics/X11MessageBox.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>

#include "graphics/Font.h"
#include "graphics/FontRegistry.h"
#include "graphics/Renderer.h"
#include "graphics/X11Support.h"

namespace frame::graphics {

// The box ---------------------------------------------------------------------------------

namespace {
constexpr int kPad = 20;
constexpr float kCaptionSize = 16.f;
constexpr float kTextSize = 14.f;
constexpr float kMaxTextWidth = 460.f;
constexpr int kMinContentWidth = 260;
constexpr int kButtonW = 88, kButtonH = 28, kButtonGap = 8;
constexpr int kCaptionGap = 10, kButtonsGap = 20;
} // namespace

X11MessageBox::X11MessageBox(Display* display, Window owner, const char* text, const char* caption, EMsgBoxType type)
  : mDisplay(display), mOwner(owner), mText(text ? text : ""), mCaption(caption ? caption : ""), mType(type)
{
  if (!mDisplay)
  {
    mDisplay = XOpenDisplay(nullptr);
    mOwnDisplay = mDisplay != nullptr;
    mOwner = 0; // another connection's window id means nothing here
  }
  switch (type)
  {
    case kMB_OKCANCEL: mButtons = {{"OK", kOK, {}}, {"Cancel", kCANCEL, {}}}; break;
    case kMB_YESNOCANCEL: mButtons = {{"Yes", kYES, {}}, {"No", kNO, {}}, {"Cancel", kCANCEL, {}}}; break;
    case kMB_YESNO: mButtons = {{"Yes", kYES, {}}, {"No", kNO, {}}}; break;
    case kMB_RETRYCANCEL: mButtons = {{"Retry", kRETRY, {}}, {"Cancel", kCANCEL, {}}}; break;
    default: mButtons = {{"OK", kOK, {}}}; break;
  }
}

X11MessageBox::~X11MessageBox()
{
  if (!mDisplay)
    return;
  {
    x11::ErrorTrap trap(mDisplay);
    x11::ReleaseWindow(mDisplay, mWindow, mGC);
    if (mOwnDisplay)
      trap.CloseDisplay();
  }
}

int X11MessageBox::CancelResult(EMsgBoxType type)
{
  switch (type)
  {
    case kMB_OKCANCEL:
    case kMB_YESNOCANCEL:
    case kMB_RETRYCANCEL: return kCANCEL;
    case kMB_YESNO: return kNO;
    default: return kOK;
  }
}

void X11MessageBox::layout()
{
  const char* fontID = x11::UIFontID();
  std::shared_ptr<Font> font = fontID ? FontRegistry::Instance().Find(fontID) : nullptr;
  float contentW = static_cast<float>(kMinContentWidth);
  mLines.clear();
  if (font)
  {
    mLines = LayoutMessageText(*font, kTextSize, mText.c_str(), kMaxTextWidth);
    for (const MessageLine& line : mLines)
      contentW = std::max(contentW, line.width);
    contentW = std::max(contentW, std::min(kMaxTextWidth, font->MeasureWidth(mCaption.c_str(), kCaptionSize)));
    const Font::VMetrics text = font->GetVMetrics(kTextSize), cap = font->GetVMetrics(kCaptionSize);
    mLineHeight = std::ceil(text.ascent - text.descent + text.lineGap);
    mCaptionHeight = mCaption.empty() ? 0.f : std::ceil(cap.ascent - cap.descent);
  }
  const int buttonsW = static_cast<int>(mButtons.size()) * (kButtonW + kButtonGap) - kButtonGap;
  mWidth = std::max(static_cast<int>(std::ceil(contentW)), buttonsW) + 2 * kPad;
  const float textH = mLineHeight * static_cast<float>(mLines.size());
  mHeight = kPad + static_cast<int>(mCaptionHeight) + (mCaptionHeight > 0.f ? kCaptionGap : 0) +
            static_cast<int>(textH) + kButtonsGap + kButtonH + kPad;

  float x = static_cast<float>(mWidth - kPad - buttonsW);
  const float y = static_cast<float>(mHeight - kPad - kButtonH);
  for (Button& b : mButtons)
  {
    b.rect = IRECT::MakeXYWH(x, y, kButtonW, kButtonH);
    x += kButtonW + kButtonGap;
  }
}

bool X11MessageBox::create()
{
  if (!mDisplay)
    return false;
  layout();
  const int screen = DefaultScreen(mDisplay);
  const Window root = RootWindow(mDisplay, screen);
  const int sw = DisplayWidth(mDisplay, screen), sh = DisplayHeight(mDisplay, screen);

  int x = (sw - mWidth) / 2, y = (sh - mHeight) / 2;
  Window owner = 0;
  if (mOwner)
  {
    x11::ErrorTrap trap(mDisplay);
    owner = x11::FindTopLevel(mDisplay, mOwner);
    XWindowAttributes wa{};
    Window child = 0;
    int ox = 0, oy = 0;
    if (XGetWindowAttributes(mDisplay, owner, &wa) && XTranslateCoordinates(mDisplay, owner, root, 0, 0, &ox, &oy, &child))
    {
      x = ox + (wa.width - mWidth) / 2;
      y = oy + (wa.height - mHeight) / 2;
    }
    if (trap.Failed())
      owner = 0;
  }
  x = std::clamp(x, 0, std::max(0, sw - mWidth));
  y = std::clamp(y, 0, std::max(0, sh - mHeight));

  mVisual = DefaultVisual(mDisplay, screen);
  mDepth = DefaultDepth(mDisplay, screen);
  XSetWindowAttributes attrs{};
  attrs.background_pixmap = None;
  attrs.border_pixel = 0;
  attrs.colormap = DefaultColormap(mDisplay, screen);
  attrs.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                     LeaveWindowMask | StructureNotifyMask;
  mWindow = XCreateWindow(mDisplay, root, x, y, static_cast<unsigned>(mWidth), static_cast<unsigned>(mHeight), 0,
                          mDepth, InputOutput, mVisual, CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attrs);
  if (!mWindow)
    return false;

  x11::SetWindowTitle(mDisplay, mWindow, mCaption.c_str());
  x11::SetWindowType(mDisplay, mWindow, "_NET_WM_WINDOW_TYPE_DIALOG");
  const Atom modal = XInternAtom(mDisplay, "_NET_WM_STATE_MODAL", False);
  XChangeProperty(mDisplay, mWindow, XInternAtom(mDisplay, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&modal), 1);
  if (owner)
    XSetTransientForHint(mDisplay, mWindow, owner);
  XSizeHints* hints = XAllocSizeHints();
  if (hints)
  {
    hints->flags = PPosition | USPosition | PMinSize | PMaxSize;
    hints->x = x;
    hints->y = y;
    hints->min_width = hints->max_width = mWidth;
    hints->min_height = hints->max_height = mHeight;
    XSetWMNormalHints(mDisplay, mWindow, hints);
    XFree(hints);
  }
  XClassHint* cls = XAllocClassHint();
  if (cls)
  {
    char name[] = "message-box", klass[] = "MistlegrovePhaser";
    cls->res_name = name;
    cls->res_class = klass;
    XSetClassHint(mDisplay, mWindow, cls);
    XFree(cls);
  }
  mProtocols = XInternAtom(mDisplay, "WM_PROTOCOLS", False);
  mDeleteWindow = XInternAtom(mDisplay, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(mDisplay, mWindow, &mDeleteWindow, 1);

  mGC = XCreateGC(mDisplay, mWindow, 0, nullptr);
  mSurface.Resize(mWidth, mHeight);
  draw();
  XMapRaised(mDisplay, mWindow);
  return true;
}

void X11MessageBox::draw()
{
  using namespace x11::theme;
  Renderer r(mSurface);
  x11::DrawWindowFrame(r, mWidth, mHeight);
  const char* fontID = x11::UIFontID();
  if (fontID)
  {
    float y = static_cast<float>(kPad);
    if (mCaptionHeight > 0.f)
    {
      const IText cap(kCaptionSize, kAccent, fontID, EAlign::Near, EVAlign::Top);
      r.DrawText(cap, mCaption.c_str(), IRECT(kPad, y, static_cast<float>(mWidth - kPad), y + mCaptionHeight));
      y += mCaptionHeight + kCaptionGap;
    }
    const IText text(kTextSize, kText, fontID, EAlign::Near, EVAlign::Top);
    for (const MessageLine& line : mLines)
    {
      for (const MessageLine::Run& run : line.runs)
        r.DrawText(text, run.text.c_str(), IRECT(kPad + run.x, y, static_cast<float>(mWidth), y + mLineHeight));
      y += mLineHeight;
    }
  }
  for (int i = 0; i < static_cast<int>(mButtons.size()); ++i)
  {
    const Button& b = mButtons[static_cast<size_t>(i)];
    const bool focused = i == mFocus;
    r.FillRoundRect(focused ? kAccent : kButton, b.rect, 4.f);
    if (!focused && (i == mHover || i == mPressed))
      r.DrawRect(kAccent, b.rect);
    if (fontID)
    {
      const IText label(kTextSize, focused ? kTextOnAccent : kText, fontID, EAlign::Center, EVAlign::Middle);
      r.DrawText(label, b.label, b.rect);
    }
  }
}

void X11MessageBox::present()
{
  x11::PutSurface(mDisplay, mWindow, mGC, mVisual, mDepth, mSurface, mSurface.Bounds());
}

int X11MessageBox::buttonAt(int x, int y) const
{
  for (int i = 0; i < static_cast<int>(mButtons.size()); ++i)
    if (mButtons[static_cast<size_t>(i)].rect.Contains(static_cast<float>(x), static_cast<float>(y)))
      return i;
  return -1;
}

void X11MessageBox::handle(XEvent& event)
{
  const int n = static_cast<int>(mButtons.size());
  switch (event.type)
  {
    case Expose:
      if (event.xexpose.count == 0)
        present();
      break;
    case MapNotify:
    {
      // Without a window manager nobody else gives a new window the keyboard.
      x11::ErrorTrap trap(mDisplay);
      XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
      break;
    }
    case KeyPress:
    {
      const KeySym sym = XLookupKeysym(&event.xkey, 0);
      const bool shift = event.xkey.state & ShiftMask;
      if (sym == XK_Return || sym == XK_KP_Enter || sym == XK_space)
        mResult = mButtons[static_cast<size_t>(mFocus)].result;
      else if (sym == XK_Escape)
        mResult = CancelResult(mType);
      else if (sym == XK_Right || (sym == XK_Tab && !shift))
        mFocus = (mFocus + 1) % n;
      else if (sym == XK_Left || sym == XK_ISO_Left_Tab || (sym == XK_Tab && shift))
        mFocus = (mFocus + n - 1) % n;
      else
        break;
      draw();
      present();
      break;
    }
    case ButtonPress:
      if (event.xbutton.button == Button1)
      {
        mPressed = buttonAt(event.xbutton.x, event.xbutton.y);
        draw();
        present();
      }
      break;
    case ButtonRelease:
      if (event.xbutton.button == Button1)
      {
        const int hit = buttonAt(event.xbutton.x, event.xbutton.y);
        if (hit >= 0 && hit == mPressed)
          mResult = mButtons[static_cast<size_t>(hit)].result;
        mPressed = -1;
        draw();
        present();
      }
      break;
    case MotionNotify:
    case LeaveNotify:
    {
      const int hover = event.type == LeaveNotify ? -1 : buttonAt(event.xmotion.x, event.xmotion.y);
      if (hover != mHover)
      {
        mHover = hover;
        draw();
        present();
      }
      break;
    }
    case ClientMessage:
      if (event.xclient.message_type == mProtocols && static_cast<Atom>(event.xclient.data.l[0]) == mDeleteWindow)
        mResult = CancelResult(mType);
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == mWindow)
      {
        mWindow = 0;
        mResult = CancelResult(mType);
      }
      break;
    default: break;
  }
}

int X11MessageBox::Run(const OtherEvent& other)
{
  if (!mDisplay)
    return CancelResult(mType);
  x11::ErrorTrap trap(mDisplay);
  if (!create())
    return CancelResult(mType);
  mResult = 0;
  while (!mResult)
  {
    XEvent event;
    XNextEvent(mDisplay, &event);
    if (mWindow && event.xany.window == mWindow)
      handle(event);
    else if (other)
      other(event);
  }
  x11::ReleaseWindow(mDisplay, mWindow, mGC);
  return mResult;
}

} // namespace frame::graphics
