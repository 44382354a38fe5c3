#include "apps/render/EditorWindowX11.h"
#include "apps/render/EditorWindow.h"
#include "apps/render/Vst3Plugin.h"
#include "apps/common/TopLevelWindow.h"

// The SDK before Xlib: Xlib's macros (None, Bool, Status ...) would rewrite SDK names.
#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <vector>

namespace render {

namespace {

using namespace Steinberg;
using Clock = std::chrono::steady_clock;

constexpr int kFallbackW = 640, kFallbackH = 480;

class IdleTimer : public U::Implements<U::Directly<Linux::ITimerHandler>>
{
public:
  explicit IdleTimer(std::function<void()> idle) : mIdle(std::move(idle)) {}
  void PLUGIN_API onTimer() override { mIdle(); }

private:
  std::function<void()> mIdle;
};

/** The top-level window, the plug frame and the run loop of one editor session. */
class EditorWindow : public U::Implements<U::Directly<IPlugFrame, Linux::IRunLoop>>
{
public:
  bool Open(IPlugView* view, const std::string& title, std::string& error);
  void Run();
  void Close();

  // IPlugFrame
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override;

  // Linux::IRunLoop
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) override;
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override;
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds) override;
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override;

  /** The host's own periodic work: it never wakes the loop while other timers do. */
  void registerLazyTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds);

private:
  struct FdEntry
  {
    IPtr<Linux::IEventHandler> handler;
    int fd = -1;
    bool removed = false;
  };
  struct TimerEntry
  {
    IPtr<Linux::ITimerHandler> handler;
    std::chrono::milliseconds period{1};
    Clock::time_point next;
    bool removed = false;
    bool lazy = false; // may run up to a period late, at a wake-up some other timer causes
  };

  void serveDescriptors(const std::vector<pollfd>& ready);
  void serveTimers();
  void compact();

  app::TopLevelWindow mWindow;
  IPtr<IPlugView> mView;
  bool mAttached = false;
  bool mClosed = false;
  std::vector<FdEntry> mFds;
  std::vector<TimerEntry> mTimers;
};

bool EditorWindow::Open(IPlugView* view, const std::string& title, std::string& error)
{
  if (!view)
  {
    error = "the plug-in has no editor";
    return false;
  }
  if (view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
  {
    error = "the plug-in's editor does not support X11 windows";
    return false;
  }
  ViewRect size;
  if (view->getSize(&size) != kResultTrue || size.getWidth() <= 0 || size.getHeight() <= 0)
    size = ViewRect(0, 0, kFallbackW, kFallbackH);
  if (!mWindow.Open(title, size.getWidth(), size.getHeight(), view->canResize() == kResultTrue, error))
    return false;
  mView = view;

  view->setFrame(this);
  if (view->attached(reinterpret_cast<void*>(mWindow.Handle()), kPlatformTypeX11EmbedWindowID) != kResultTrue)
  {
    view->setFrame(nullptr);
    error = "the plug-in's editor could not open in the window";
    Close();
    return false;
  }
  mAttached = true;
  return true;
}

void EditorWindow::Run()
{
  while (!mClosed)
  {
    compact();
    std::vector<pollfd> fds;
    fds.push_back({mWindow.Fd(), POLLIN, 0});
    for (const FdEntry& e : mFds)
      fds.push_back({e.fd, POLLIN, 0});

    int timeout = -1;
    const auto now = Clock::now();
    for (const TimerEntry& t : mTimers)
    {
      // Rounded up: a wait cut to 0 ms would spin on poll until the timer is due.
      const auto due = t.lazy ? t.next + t.period : t.next;
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
      const int wait = static_cast<int>(std::clamp<long long>(ms, 0, 1000));
      timeout = timeout < 0 ? wait : std::min(timeout, wait);
    }
    // Xlib may hold events it read while waiting for a reply: don't sleep on them. (Every
    // request of ours is synced where it is made, so there is no output to flush.)
    const bool queued = mWindow.EventsQueued();
    if (queued)
      timeout = 0;
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
      break;

    if ((queued || (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) && mWindow.ReadEvents())
      mClosed = true;
    serveDescriptors(fds);
    serveTimers();
  }
}

void EditorWindow::serveDescriptors(const std::vector<pollfd>& ready)
{
  // Entries 1 ... n of ready are mFds as they were; a handler may register or remove others
  // meanwhile, so entries are found again by position and removal is only marked.
  const size_t n = std::min(ready.size() - 1, mFds.size());
  for (size_t i = 0; i < n && !mClosed; ++i)
  {
    if (!(ready[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) || mFds[i].removed)
      continue;
    IPtr<Linux::IEventHandler> handler = mFds[i].handler;
    handler->onFDIsSet(mFds[i].fd);
  }
}

void EditorWindow::serveTimers()
{
  const size_t n = mTimers.size();
  for (size_t i = 0; i < n && !mClosed; ++i)
  {
    const auto now = Clock::now();
    if (mTimers[i].removed || mTimers[i].next > now)
      continue;
    mTimers[i].next += mTimers[i].period;
    if (mTimers[i].next < now)
      mTimers[i].next = now + mTimers[i].period; // fell behind: no burst to catch up
    IPtr<Linux::ITimerHandler> handler = mTimers[i].handler;
    handler->onTimer();
  }
}

void EditorWindow::compact()
{
  mFds.erase(std::remove_if(mFds.begin(), mFds.end(), [](const FdEntry& e) { return e.removed; }), mFds.end());
  mTimers.erase(std::remove_if(mTimers.begin(), mTimers.end(), [](const TimerEntry& e) { return e.removed; }),
                mTimers.end());
}

void EditorWindow::Close()
{
  if (mView)
  {
    if (mAttached)
      mView->removed();
    mAttached = false;
    mView->setFrame(nullptr);
    mView = nullptr;
  }
  // A plug-in that forgot to unregister is not called again.
  mFds.clear();
  mTimers.clear();
  mWindow.Close();
}

tresult PLUGIN_API EditorWindow::resizeView(IPlugView* view, ViewRect* newSize)
{
  if (!view || !newSize || view != mView.get())
    return kInvalidArgument;
  const int w = std::max(1, newSize->getWidth()), h = std::max(1, newSize->getHeight());
  if (!mWindow.Resize(w, h))
    return kInvalidArgument;
  ViewRect r(0, 0, w, h);
  view->onSize(&r);
  return kResultTrue;
}

tresult PLUGIN_API EditorWindow::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd)
{
  if (!handler || fd < 0)
    return kInvalidArgument;
  mFds.push_back({handler, fd, false});
  return kResultTrue;
}

tresult PLUGIN_API EditorWindow::unregisterEventHandler(Linux::IEventHandler* handler)
{
  bool found = false;
  for (FdEntry& e : mFds)
    if (e.handler.get() == handler && !e.removed)
      e.removed = found = true;
  return found ? kResultTrue : kInvalidArgument;
}

tresult PLUGIN_API EditorWindow::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds)
{
  if (!handler)
    return kInvalidArgument;
  const auto period = std::chrono::milliseconds(std::max<Linux::TimerInterval>(1, milliseconds));
  mTimers.push_back({handler, period, Clock::now() + period, false});
  return kResultTrue;
}

void EditorWindow::registerLazyTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds)
{
  if (registerTimer(handler, milliseconds) == kResultTrue)
    mTimers.back().lazy = true;
}

tresult PLUGIN_API EditorWindow::unregisterTimer(Linux::ITimerHandler* handler)
{
  bool found = false;
  for (TimerEntry& e : mTimers)
    if (e.handler.get() == handler && !e.removed)
      e.removed = found = true;
  return found ? kResultTrue : kInvalidArgument;
}

} // namespace

bool RunEditorView(IPlugView* view, const std::string& title, const std::function<void()>& idle, std::string& error)
{
  IPtr<EditorWindow> window = owned(new EditorWindow);
  if (!window->Open(view, title, error))
    return false;
  if (idle)
    window->registerLazyTimer(owned(new IdleTimer(idle)), kEditorIdleMs);
  window->Run();
  window->Close();
  return true;
}

bool RunEditorWindow(PluginHost& host, std::string& error)
{
  // Only a VST 3 plug-in's editor is made as a view for this window.
  const auto* vst3 = dynamic_cast<const Vst3Plugin*>(host.Plugin());
  Vst::IEditController* controller = vst3 ? vst3->EditController() : nullptr;
  if (!controller)
  {
    error = "no plug-in is loaded";
    return false;
  }
  IPtr<IPlugView> view = owned(controller->createView(Vst::ViewType::kEditor));
  if (!view)
  {
    error = "the plug-in has no editor";
    return false;
  }
  const std::string title = host.Description().name.empty() ? "Editor" : host.Description().name;
  // Processing the editor's edits without samples keeps the plug-in's processing-side
  // state (and so the value texts it shows) in step while the window is open.
  bool processFailed = false;
  std::string processError;
  auto idle = [&] {
    // Without an edit there is nothing to carry: an idle editor costs no processing call.
    if (!processFailed && host.HasPendingChanges() && !host.Process(0, processError))
      processFailed = true;
  };
  if (!RunEditorView(view.get(), title, idle, error))
    return false;
  if (processFailed)
  {
    error = processError;
    return false;
  }
  return true;
}

} // namespace render
