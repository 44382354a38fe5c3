#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "frame/IEventLoop.h"

namespace frame::lv2 {

/** The editor's event loop on a host's idle calls: each Poll serves the descriptors that
 *  are readable and the timers that are due, without waiting, so the UI runs no thread.
 *  Main thread. */
class IdleLoop : public IEventLoop
{
public:
  int AddTimer(int periodMs, Handler handler) override;
  int AddFd(int fd, Handler handler) override;
  void Remove(int id) override;
  void Poll();

private:
  using Clock = std::chrono::steady_clock;
  struct Entry
  {
    int id = 0;
    int fd = -1; // -1: a timer
    int periodMs = 0;
    Clock::time_point next;
    std::shared_ptr<Handler> handler; // shared, so a handler survives removing itself
  };
  int add(Entry entry);

  std::vector<Entry> mEntries;
  int mNextId = 1;
};

} // namespace frame::lv2
