#pragma once

#include <functional>

#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/IPopupMenu.h"

namespace frame {
class IEventLoop;
}

namespace frame::graphics {

class Surface;

/** What the platform view reports to the editor's graphics context. Coordinates are in
 *  window pixels; the context divides by its draw scale. All calls on the main thread. */
class IPlatformEvents
{
public:
  virtual ~IPlatformEvents() = default;
  virtual void OnPlatformMouseDown(float x, float y, const IMouseMod& mod) = 0;
  virtual void OnPlatformMouseUp(float x, float y, const IMouseMod& mod) = 0;
  virtual void OnPlatformMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) = 0;
  virtual void OnPlatformMouseDblClick(float x, float y, const IMouseMod& mod) = 0;
  virtual void OnPlatformMouseWheel(float x, float y, const IMouseMod& mod, float delta) = 0;
  virtual void OnPlatformMouseOver(float x, float y, const IMouseMod& mod) = 0;
  virtual void OnPlatformMouseOut() = 0;
  /** The frame timer (the context's frame rate): redraws what is dirty. */
  virtual void OnPlatformFrameTick() = 0;
  /** The window needs the given pixel area repainted from the current surface. */
  virtual const Surface& GetPlatformSurface() const = 0;
};

/** The platform half of the editor: a window inside the host's, input, painting, popup
 *  menus, message boxes, pointer shapes and web addresses. X11 in the plug-in; an offscreen
 *  stand-in in tests. All calls on the main thread. */
class IPlatformView
{
public:
  using MenuDone = std::function<void(IPopupMenu* chosenOrNull)>;

  virtual ~IPlatformView() = default;

  /** Creates the window inside parent (a native window id); returns it, or null. */
  virtual void* Open(void* parent, int widthPx, int heightPx, IPlatformEvents& events, IEventLoop* loop, int fps) = 0;
  /** Tears everything down; safe when the parent window is already gone. */
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual void Resize(int widthPx, int heightPx) = 0;
  /** Asks for the pixel area to be presented from the events' surface. */
  virtual void Invalidate(const IRECT& pixels) = 0;
  /** The events have nothing to draw: frame ticks stop, so an idle editor costs no
   *  wake-ups, until they are unpaused. Input and exposure are served meanwhile, and work
   *  the view defers to a tick unpauses them itself. The host's timer is never added or
   *  removed from inside its own callback, which is where a pause comes from. */
  virtual void SetFrameTicksPaused(bool) {}

  virtual ECursor SetCursor(ECursor cursor) = 0;
  virtual void HideCursor(bool hide, bool lock) = 0;
  virtual void ReleaseMouseCapture() {}

  /** Shows the menu at anchor (window pixels) and returns at once; done runs later, on the
   *  main thread, with the menu (its chosen index set) or null when dismissed. */
  virtual void ShowPopupMenu(IPopupMenu& menu, const IRECT& anchorPx, MenuDone done) = 0;
  /** Modal: returns EMsgBoxResult (1 OK, 2 cancel, 6 yes, 7 no). */
  virtual int ShowMessageBox(const char* text, const char* caption, EMsgBoxType type) = 0;
  /** Hands the address to the desktop's opener without blocking; false when refused. */
  virtual bool OpenURL(const char* url) = 0;
};

} // namespace frame::graphics
