#include "frame/vst3/IFrameVST3RunLoop.h"

#include <utility>

#include "pluginterfaces/base/funknownimpl.h"

namespace frame {

using namespace Steinberg;

/** One registration; it is both handler kinds so one class serves timers and descriptors. */
class IFrameVST3RunLoop::Entry : public U::Implements<U::Directly<Linux::ITimerHandler, Linux::IEventHandler>>
{
public:
  Entry(IEventLoop::Handler handler, bool isTimer) : mHandler(std::move(handler)), mIsTimer(isTimer) {}

  void PLUGIN_API onTimer() override { run(); }
  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override { run(); }

  bool IsTimer() const { return mIsTimer; }
  void Cancel() { mCancelled = true; }

private:
  void run()
  {
    if (mCancelled)
      return;
    // The handler may remove this very entry; the reference keeps it alive until it returns.
    IPtr<Entry> self(this);
    mHandler();
  }

  IEventLoop::Handler mHandler;
  bool mIsTimer;
  bool mCancelled = false;
};

IFrameVST3RunLoop::IFrameVST3RunLoop(Linux::IRunLoop* runLoop) : mRunLoop(runLoop) {}

IFrameVST3RunLoop::~IFrameVST3RunLoop()
{
  while (!mEntries.empty())
    Remove(mEntries.begin()->first);
}

int IFrameVST3RunLoop::AddTimer(int periodMs, Handler handler)
{
  if (!mRunLoop || !handler || periodMs <= 0)
    return 0;
  auto entry = owned(new Entry(std::move(handler), true));
  if (mRunLoop->registerTimer(entry, static_cast<Linux::TimerInterval>(periodMs)) != kResultTrue)
    return 0;
  mEntries.emplace(mNextId, entry);
  return mNextId++;
}

int IFrameVST3RunLoop::AddFd(int fd, Handler handler)
{
  if (!mRunLoop || !handler || fd < 0)
    return 0;
  auto entry = owned(new Entry(std::move(handler), false));
  if (mRunLoop->registerEventHandler(entry, fd) != kResultTrue)
    return 0;
  mEntries.emplace(mNextId, entry);
  return mNextId++;
}

void IFrameVST3RunLoop::Remove(int id)
{
  auto it = mEntries.find(id);
  if (it == mEntries.end())
    return;
  IPtr<Entry> entry = it->second;
  mEntries.erase(it);
  entry->Cancel();
  if (entry->IsTimer())
    mRunLoop->unregisterTimer(entry);
  else
    mRunLoop->unregisterEventHandler(entry);
}

} // namespace frame
