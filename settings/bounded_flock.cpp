#include "settings/bounded_flock.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include <sys/file.h>

namespace settings {

bool FlockBefore(int fd, int operation, LockDeadline deadline)
{
  // Short sleeps first: a writer of our own holds its lock for well under a millisecond.
  std::chrono::microseconds pause{250};
  constexpr std::chrono::microseconds kLongestPause{8000};
  for (;;)
  {
    if (::flock(fd, operation | LOCK_NB) == 0)
      return true;
    if (errno == EINTR)
      continue;
    if (errno != EWOULDBLOCK)
      return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline)
      return false;
    std::this_thread::sleep_for(
      std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, kLongestPause);
  }
}

} // namespace settings
