#pragma once

#include <X11/Xlib.h>

#include "graphics/IGraphicsStructs.h"
#include "graphics/Surface.h"

namespace frame::graphics {
class Renderer;
}

// Pieces the X11 view, its popup menus and its message boxes share: error trapping, putting
// a surface on a window, the interface font and the colours of the editor's own windows.
namespace frame::graphics::x11 {

/** Collects the X errors of one display while it lives, instead of letting Xlib's default
 *  handler end the host's process (a host may destroy our parent window at any moment, and
 *  every request on our window then fails). The handler is process-wide, so it is
 *  installed only for the trap's lifetime and the previous one comes back afterwards;
 *  errors of other displays go on to that previous handler. Traps nest. Main thread. */
class ErrorTrap
{
public:
  explicit ErrorTrap(Display* display);
  /** Waits for the replies to every request still outstanding, then uninstalls. */
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  /** Waits for the server and tells whether any request failed since the trap began. */
  bool Failed();
  int LastErrorCode() const { return mLastCode; }
  /** Closes the display through the trap; the trap then only uninstalls. */
  void CloseDisplay();

private:
  static int handler(Display* display, XErrorEvent* error);

  Display* mDisplay;
  ErrorTrap* mOuter;
  int mErrors = 0;
  int mLastCode = 0;
};

/** Copies the area of the surface (clipped to it) to the same position of the drawable.
 *  The surface's words are what a 24- or 32-bit TrueColor image holds on this machine, so
 *  they go to the server as they are; other visuals get a converted copy. */
void PutSurface(Display* display, Drawable drawable, GC gc, Visual* visual, int depth, const Surface& surface,
                const PixelRect& area);

/** The identifier of the font the platform windows draw with (the editor's Roboto when it
 *  has registered it, else the system's copy), or null when none can be loaded. */
const char* UIFontID();

/** The top-level window that contains w (the one a window manager manages), or w. */
Window FindTopLevel(Display* display, Window w);

/** Sets a window's title in both the legacy and the UTF-8 property. */
void SetWindowTitle(Display* display, Window w, const char* title);

/** Frees a window's graphics context and destroys the window, each when set, and clears
 *  both. The caller holds an ErrorTrap: the server may have dropped them already. */
void ReleaseWindow(Display* display, Window& window, GC& gc);

/** Tells the window manager (and compositors) what kind of window w is. */
void SetWindowType(Display* display, Window w, const char* netWmWindowType);

/** The colours of the editor's own windows: dark with amber accents. */
namespace theme {
inline constexpr IColor kBackground{255, 0x1E, 0x22, 0x26};
inline constexpr IColor kBorder{255, 0x4A, 0x50, 0x58};
inline constexpr IColor kText{255, 0xF0, 0xF0, 0xE0};
inline constexpr IColor kTextDisabled{255, 0x7A, 0x7F, 0x85};
inline constexpr IColor kAccent{255, 0xE0, 0xA0, 0x30};
inline constexpr IColor kTextOnAccent{255, 0x1E, 0x22, 0x26};
inline constexpr IColor kSeparator{255, 0x3A, 0x40, 0x48};
inline constexpr IColor kButton{255, 0x2A, 0x30, 0x36};
} // namespace theme

/** Paints the ground and border of one of the editor's own windows, width x height. */
void DrawWindowFrame(Renderer& r, int width, int height);

} // namespace frame::graphics::x11
