#pragma once

#include <map>

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/base/smartpointer.h"

#include "frame/IEventLoop.h"

namespace frame {

/** The frame's event loop on top of the host's Linux run loop, which the host offers
 *  through the editor view's plug frame. Everything still registered is unregistered when
 *  the adapter goes, so nothing of the plug-in is called after the view was removed. */
class IFrameVST3RunLoop : public IEventLoop
{
public:
  explicit IFrameVST3RunLoop(Steinberg::Linux::IRunLoop* runLoop);
  ~IFrameVST3RunLoop() override;
  IFrameVST3RunLoop(const IFrameVST3RunLoop&) = delete;
  IFrameVST3RunLoop& operator=(const IFrameVST3RunLoop&) = delete;

  int AddTimer(int periodMs, Handler handler) override;
  int AddFd(int fd, Handler handler) override;
  void Remove(int id) override;

private:
  class Entry;

  Steinberg::IPtr<Steinberg::Linux::IRunLoop> mRunLoop;
  std::map<int, Steinberg::IPtr<Entry>> mEntries;
  int mNextId = 1;
};

} // namespace frame
