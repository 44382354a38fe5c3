#include "editor/OffscreenPlatformView.h"

#include <utility>

#include "frame/IEventLoop.h"

namespace frame::graphics {

OffscreenPlatformView::~OffscreenPlatformView() { Close(); }

void* OffscreenPlatformView::Open(void* parent, int widthPx, int heightPx, IPlatformEvents& events, IEventLoop* loop,
                                  int fps)
{
  Close();
  mParent = parent;
  mWidth = widthPx;
  mHeight = heightPx;
  mEvents = &events;
  mLoop = loop;
  if (mLoop && fps > 0)
    mTimer = mLoop->AddTimer(1000 / fps > 0 ? 1000 / fps : 1, [this] {
      if (mEvents)
        mEvents->OnPlatformFrameTick();
    });
  return this;
}

void OffscreenPlatformView::Close()
{
  if (mLoop && mTimer)
    mLoop->Remove(mTimer);
  mLoop = nullptr;
  mTimer = 0;
  mEvents = nullptr;
  // The window is gone, and with it any open menu; nobody is told.
  mMenu = nullptr;
  mMenuDone = nullptr;
}

void OffscreenPlatformView::Resize(int widthPx, int heightPx)
{
  mWidth = widthPx;
  mHeight = heightPx;
  ++mResizes;
}

ECursor OffscreenPlatformView::SetCursor(ECursor cursor)
{
  const ECursor previous = mCursor;
  mCursor = cursor;
  ++mCursorChanges;
  return previous;
}

void OffscreenPlatformView::ShowPopupMenu(IPopupMenu& menu, const IRECT& anchorPx, MenuDone done)
{
  if (mMenu)
    DismissMenu();
  mMenu = &menu;
  mMenuAnchor = anchorPx;
  mMenuDone = std::move(done);
  ++mMenusShown;
}

bool OffscreenPlatformView::ChooseMenuItem(int index)
{
  if (!mMenu)
    return false;
  IPopupMenu* menu = mMenu;
  MenuDone done = std::move(mMenuDone);
  mMenu = nullptr;
  mMenuDone = nullptr;
  if (index >= 0)
    menu->SetChosenItemIdx(index);
  if (done)
    done(index >= 0 ? menu : nullptr);
  return true;
}

int OffscreenPlatformView::ShowMessageBox(const char* text, const char* caption, EMsgBoxType type)
{
  int result;
  if (!mMessageBoxResults.empty())
  {
    result = mMessageBoxResults.front();
    mMessageBoxResults.pop_front();
  }
  else
  {
    switch (type)
    {
      case kMB_YESNO:
      case kMB_YESNOCANCEL: result = kYES; break;
      case kMB_RETRYCANCEL: result = kRETRY; break;
      default: result = kOK; break;
    }
  }
  mMessageBoxes.push_back({text ? text : "", caption ? caption : "", type, result});
  return result;
}

bool OffscreenPlatformView::OpenURL(const char* url)
{
  mOpenedURLs.push_back(url ? url : "");
  return mOpenURLResult;
}

} // namespace frame::graphics
