#pragma once

#include <chrono>
#include <vector>

#include "frame/IEventLoop.h"

namespace app {

/** The application's main thread: a poll() loop serving timers and file descriptors, as
 *  the editor expects of a host's loop, until Quit. */
class MainLoop : public frame::IEventLoop
{
public:
  int AddTimer(int periodMs, Handler handler) override;
  int AddFd(int fd, Handler handler) override;
  void Remove(int id) override;

  /** Runs handlers until Quit is called from one of them. */
  void Run();
  void Quit() { mQuit = true; }

private:
  using Clock = std::chrono::steady_clock;
  struct Entry
  {
    int id = 0;
    int fd = -1; // -1: a timer
    std::chrono::milliseconds period{0};
    Clock::time_point next;
    Handler handler;
    bool removed = false;
  };
  int Add(Entry entry);
  void Compact();

  std::vector<Entry> mEntries;
  int mNextId = 1;
  bool mQuit = false;
};

} // namespace app
