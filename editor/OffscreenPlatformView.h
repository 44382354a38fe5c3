#pragma once

#include <deque>
#include <string>
#include <vector>

#include "graphics/IPlatformView.h"

namespace frame::graphics {

/** A platform without a window: it keeps what the editor asks of it (menus, message boxes,
 *  pointer shapes, addresses, repaints) and answers from a script, so tests and the
 *  snapshot tool drive an editor with no display. Menus stay open until the script
 *  chooses or dismisses, as a real menu runs after the press that opened it. Input is fed
 *  through Events(), in window pixels. */
class OffscreenPlatformView : public IPlatformView
{
public:
  struct MessageBox
  {
    std::string text, caption;
    EMsgBoxType type = kMB_OK;
    int result = kNoResult;
  };

  ~OffscreenPlatformView() override;

  /** Returns a handle standing for the window. With an event loop, frame ticks run on a
   *  timer at the frame rate; without one the caller ticks by hand. */
  void* Open(void* parent, int widthPx, int heightPx, IPlatformEvents& events, IEventLoop* loop, int fps) override;
  void Close() override;
  bool IsOpen() const override { return mEvents != nullptr; }
  void Resize(int widthPx, int heightPx) override;
  void Invalidate(const IRECT& pixels) override { mInvalidated.push_back(pixels); }
  /** Recorded only: ticks by hand, or on the loop's timer, go on. */
  void SetFrameTicksPaused(bool paused) override { mTicksPaused = paused; }

  ECursor SetCursor(ECursor cursor) override;
  void HideCursor(bool hide, bool lock) override { mCursorHidden = hide; (void)lock; }
  void ReleaseMouseCapture() override { ++mCaptureReleases; }

  /** A menu already open is dismissed first, as a platform shows one menu at a time. */
  void ShowPopupMenu(IPopupMenu& menu, const IRECT& anchorPx, MenuDone done) override;
  /** Answers with the next queued result, else the first button's (OK, Yes or Retry). */
  int ShowMessageBox(const char* text, const char* caption, EMsgBoxType type) override;
  bool OpenURL(const char* url) override;

  // The script.
  IPlatformEvents* Events() const { return mEvents; }
  void* Parent() const { return mParent; }
  int WidthPx() const { return mWidth; }
  int HeightPx() const { return mHeight; }
  int ResizeCount() const { return mResizes; }
  const std::vector<IRECT>& Invalidated() const { return mInvalidated; }
  void ClearInvalidated() { mInvalidated.clear(); }
  bool FrameTicksPaused() const { return mTicksPaused; }

  ECursor Cursor() const { return mCursor; }
  int CursorChanges() const { return mCursorChanges; }
  bool CursorHidden() const { return mCursorHidden; }
  int CaptureReleases() const { return mCaptureReleases; }

  bool HasPendingMenu() const { return mMenu != nullptr; }
  IPopupMenu* PendingMenu() const { return mMenu; }
  const IRECT& PendingMenuAnchor() const { return mMenuAnchor; }
  int MenusShown() const { return mMenusShown; }
  /** Closes the open menu with item index chosen (below 0: dismissed); false when no menu
   *  is open. */
  bool ChooseMenuItem(int index);
  bool DismissMenu() { return ChooseMenuItem(-1); }

  void QueueMessageBoxResult(int result) { mMessageBoxResults.push_back(result); }
  const std::vector<MessageBox>& MessageBoxes() const { return mMessageBoxes; }

  void SetOpenURLResult(bool accepted) { mOpenURLResult = accepted; }
  const std::vector<std::string>& OpenedURLs() const { return mOpenedURLs; }

private:
  IPlatformEvents* mEvents = nullptr;
  IEventLoop* mLoop = nullptr;
  int mTimer = 0;
  bool mTicksPaused = false;
  void* mParent = nullptr;
  int mWidth = 0, mHeight = 0;
  int mResizes = 0;
  std::vector<IRECT> mInvalidated;

  ECursor mCursor = ECursor::ARROW;
  int mCursorChanges = 0;
  bool mCursorHidden = false;
  int mCaptureReleases = 0;

  IPopupMenu* mMenu = nullptr;
  IRECT mMenuAnchor;
  MenuDone mMenuDone;
  int mMenusShown = 0;

  std::deque<int> mMessageBoxResults;
  std::vector<MessageBox> mMessageBoxes;
  bool mOpenURLResult = true;
  std::vector<std::string> mOpenedURLs;
};

} // namespace frame::graphics
