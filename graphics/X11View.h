#pragma once

#include <memory>

#include "graphics/IPlatformView.h"

namespace frame::graphics {

/** The editor's window on X11: a child of the host's window on an X connection of its own.
 *
 *  The host's event loop serves the connection and the frame timer; with no loop the view
 *  only repaints on expose, whenever it is called. Presenting copies the invalidated area
 *  of the events' surface to the window at the end of the event batch or frame tick that
 *  invalidated it (at once when invalidated from elsewhere). A host may destroy our parent
 *  window at any time; X errors are trapped around everything the view sends, so that
 *  costs nothing but the window. Close (or destruction) from inside one of the view's own
 *  callbacks is deferred until that callback returns. Main thread. */
class X11View : public IPlatformView
{
public:
  X11View();
  ~X11View() override;
  X11View(const X11View&) = delete;
  X11View& operator=(const X11View&) = delete;

  void* Open(void* parent, int widthPx, int heightPx, IPlatformEvents& events, IEventLoop* loop, int fps) override;
  void Close() override;
  bool IsOpen() const override;
  void Resize(int widthPx, int heightPx) override;
  void Invalidate(const IRECT& pixels) override;
  void SetFrameTicksPaused(bool paused) override;

  ECursor SetCursor(ECursor cursor) override;
  /** With lock the pointer stays where the drag began, so a drag never runs into the edge
   *  of the screen; the deltas keep coming. */
  void HideCursor(bool hide, bool lock) override;
  void ReleaseMouseCapture() override;

  void ShowPopupMenu(IPopupMenu& menu, const IRECT& anchorPx, MenuDone done) override;
  int ShowMessageBox(const char* text, const char* caption, EMsgBoxType type) override;
  bool OpenURL(const char* url) override;

  /** Two left presses at most this far apart in time and space make a double click. */
  static constexpr unsigned long kDoubleClickMs = 400;
  static constexpr int kDoubleClickDistance = 4;
  static constexpr int kDefaultFps = 60;

  struct Impl;

private:
  std::shared_ptr<Impl> mImpl;
};

/** The view factory the editor's graphics context is given on Linux. */
std::unique_ptr<IPlatformView> MakeX11PlatformView();

} // namespace frame::graphics
