#include "apps/jack/AppWindow.h"

#include "frame/IEventLoop.h"
#include "frame/IFramePlugin.h"

namespace app {

namespace {
constexpr int kFallbackW = 720, kFallbackH = 174;
} // namespace

bool AppWindow::Open(frame::IFramePlugin& plugin, frame::IEventLoop& loop, const std::string& title,
                     std::function<void()> closed, std::string& error)
{
  int w = plugin.GetEditorWidth(), h = plugin.GetEditorHeight();
  if (w <= 0 || h <= 0)
    w = kFallbackW, h = kFallbackH;
  // The editor sets its size with its corner, not the window manager's frame.
  if (!mWindow.Open(title, w, h, false, error))
  {
    error += "; --no-editor runs without a window";
    return false;
  }
  mPlugin = &plugin;
  mLoop = &loop;
  mClosed = std::move(closed);
  plugin.SetHostNotifier(this);
  if (!plugin.AttachEditor(reinterpret_cast<void*>(mWindow.Handle()), loop))
  {
    error = "the editor could not open in the window";
    Close();
    return false;
  }
  mFdId = loop.AddFd(mWindow.Fd(), [this] { ReadEvents(); });
  return true;
}

void AppWindow::ReadEvents()
{
  if (mWindow.ReadEvents() && mClosed)
  {
    auto call = std::move(mClosed);
    mClosed = nullptr;
    call();
  }
}

bool AppWindow::ResizeEditor(int width, int height) { return mWindow.Resize(width, height); }

void AppWindow::Close()
{
  if (mPlugin)
  {
    mPlugin->DetachEditor();
    mPlugin->SetHostNotifier(nullptr);
    mPlugin = nullptr;
  }
  if (mLoop && mFdId)
    mLoop->Remove(mFdId);
  mFdId = 0;
  mWindow.Close();
}

} // namespace app
