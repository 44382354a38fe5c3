// What the X11 view does for the editor: painting, pointer shapes, popup menus and
// message boxes.
#include <X11/Xlib.h>
#include <X11/cursorfont.h>

#include <cmath>

#include "graphics/X11MessageBox.h"
#include "graphics/X11ViewImpl.h"

namespace frame::graphics {

namespace {

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
static_assert(sizeof(kCursorGlyphs) / sizeof(kCursorGlyphs[0]) == kX11CursorCount);

} // namespace

// Painting ------------------------------------------------------------------------------

void X11View::Impl::presentPending()
{
  const PixelRect area = pending.Intersect(PixelRect{0, 0, width, height});
  pending = {};
  if (area.Empty() || !events || !display || !window || windowGone)
    return;
  x11::PutSurface(display, window, gc, visual, depth, events->GetPlatformSurface(), area);
}

void X11View::Impl::Invalidate(const IRECT& r)
{
  Scope scope(*this);
  if (!open)
    return;
  if (!loop)
    pump(); // only expose and structure events: there is nobody else to read them
  const PixelRect px{static_cast<int>(std::floor(r.L)), static_cast<int>(std::floor(r.T)),
                     static_cast<int>(std::ceil(r.R)), static_cast<int>(std::ceil(r.B))};
  pending = UnitePixels(pending, px);
}

void X11View::Impl::Resize(int w, int h)
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

Cursor X11View::Impl::shapeFor(ECursor c)
{
  int i = static_cast<int>(c);
  if (i < 0 || i >= kX11CursorCount)
    i = 0;
  if (!shapes[i])
    shapes[i] = XCreateFontCursor(display, kCursorGlyphs[i]);
  return shapes[i];
}

Cursor X11View::Impl::blankCursor()
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

ECursor X11View::Impl::SetCursor(ECursor c)
{
  Scope scope(*this);
  const ECursor previous = cursor;
  cursor = c;
  if (open && !windowGone && !hidden)
    XDefineCursor(display, window, shapeFor(c));
  return previous;
}

void X11View::Impl::HideCursor(bool hide, bool lock)
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

void X11View::Impl::ReleaseMouseCapture()
{
  Scope scope(*this);
  if (!open || !pressedButtons)
    return;
  pressedButtons = 0;
  XUngrabPointer(display, CurrentTime);
}

// Menus and boxes -----------------------------------------------------------------------

void X11View::Impl::finishMenu(X11PopupMenu::Outcome outcome, bool deferDone)
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

void X11View::Impl::ShowPopupMenu(IPopupMenu& model, const IRECT& anchor, MenuDone done)
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

int X11View::Impl::ShowMessageBox(const char* text, const char* caption, EMsgBoxType type)
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
      pending = UnitePixels(pending, PixelRect{e.x, e.y, e.x + e.width, e.y + e.height});
      if (e.count == 0)
        presentPending();
    }
    else if (event.type == ConfigureNotify || event.type == DestroyNotify)
      dispatch(event);
  });
}

} // namespace frame::graphics
