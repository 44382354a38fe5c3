#pragma once

// Runs a check with an ordinary user's rights, so that file permissions bind even when the
// suite runs as root (as CI does). Dropping root cannot be undone: the check runs in a child.

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test_support {

inline constexpr uid_t kNobody = 65534;

/** Makes the calling process nobody if it is root; false if that failed. */
inline bool DropRoot()
{
  if (::geteuid() != 0)
    return true;
  return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

/** check() in a forked child without root's rights; true when it returned true. Folders the
 *  check needs must be open to others. */
template <class Check>
bool RunUnprivileged(Check check)
{
  const pid_t pid = ::fork();
  if (pid == 0)
    ::_exit(DropRoot() ? (check() ? 0 : 1) : 2);
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

} // namespace test_support
