// The editor in a host's window: the same steps for every format, the host's loop adapted by
// its binding.
#include "frame/IFramePlugin.h"

namespace frame {

void* IFramePlugin::AttachEditor(void* parent, IEventLoop& loop)
{
  DetachEditor();
  if (!HasUI())
    return nullptr;
  // The editor takes the loop while it opens (display connection, timers).
  mAttachedLoop = &loop;
  SetEventLoop(&loop);
  mIdleTimerId = loop.AddTimer(kIdleTimerMs, [this] {
    if (Timer* timer = GetIdleTimer())
      timer->Fire();
  });
  void* view = OpenWindow(parent);
  if (!view)
  {
    DetachEditor();
    return nullptr;
  }
  mEditorAttached.store(true, std::memory_order_relaxed);
  // Whatever waited for the editor shows now, not a tick later.
  if (Timer* timer = GetIdleTimer())
    timer->Fire();
  return view;
}

void IFramePlugin::DetachEditor()
{
  if (!mAttachedLoop)
    return;
  mEditorAttached.store(false, std::memory_order_relaxed);
  CloseWindow();
  if (mIdleTimerId > 0)
    mAttachedLoop->Remove(mIdleTimerId);
  mIdleTimerId = 0;
  mAttachedLoop = nullptr;
  SetEventLoop(nullptr);
}

} // namespace frame
