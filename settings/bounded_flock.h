#pragma once

// Advisory file locks that are waited for a bounded time only. Another program may hold a
// lock on the settings file for as long as it likes; a host loading the plug-in must not
// freeze meanwhile.

#include <chrono>

namespace settings {

using LockDeadline = std::chrono::steady_clock::time_point;

/** How long one settings call waits for its locks, in all. */
inline constexpr std::chrono::milliseconds kLockWait{1000};

inline LockDeadline LockDeadlineFromNow() { return std::chrono::steady_clock::now() + kLockWait; }

/** flock(fd, operation) retried without blocking until it succeeds or deadline passes.
 *  False on any other error, or when the lock stayed held. */
bool FlockBefore(int fd, int operation, LockDeadline deadline);

} // namespace settings
