#pragma once

#include <functional>

namespace frame {

/** The host's main-thread event loop as the editor sees it: periodic timers and readiness of
 *  a file descriptor (the display connection). The host binding adapts the host's own loop
 *  to it; a plug-in never runs a thread or a loop of its own. All calls on the main thread.
 *  A handler may remove itself, or any other, while it runs. */
class IEventLoop
{
public:
  using Handler = std::function<void()>;

  virtual ~IEventLoop() = default;
  /** Returns an id above 0, or 0 when the loop refused. */
  virtual int AddTimer(int periodMs, Handler handler) = 0;
  virtual int AddFd(int fd, Handler handler) = 0;
  virtual void Remove(int id) = 0;
};

} // namespace frame
