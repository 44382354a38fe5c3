#include "graphics/X11OpenURL.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace frame::graphics {

namespace {

std::string findInPath(const char* name)
{
  const char* path = std::getenv("PATH");
  const std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size())
  {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos)
      end = dirs.size();
    const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
    const std::string candidate = dir + "/" + name;
    struct stat st{};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return {};
}

// Openers started without the detaching step; reaped whenever we are next asked.
std::vector<pid_t>& strays()
{
  static std::vector<pid_t> pids;
  return pids;
}

void reapStrays()
{
  auto& pids = strays();
  for (size_t i = 0; i < pids.size();)
  {
    const pid_t r = waitpid(pids[i], nullptr, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR))
      ++i;
    else
      pids.erase(pids.begin() + static_cast<std::ptrdiff_t>(i)); // reaped, or reaped by the host
  }
}

/** Spawns argv with a clean signal state, stdin from /dev/null and no inherited
 *  descriptors beyond stdout and stderr. */
pid_t spawn(const std::vector<std::string>& args, bool ownSession)
{
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
  // A host's blocked or ignored signals would otherwise be inherited by the browser.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig = 1; sig < NSIG; ++sig)
    if (sig != SIGKILL && sig != SIGSTOP)
      sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
  if (ownSession)
    flags |= POSIX_SPAWN_SETSID;
#else
  (void)ownSession;
#endif
  posix_spawnattr_setflags(&attr, flags);

  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ) != 0)
    pid = -1;
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

} // namespace

bool OpenWithDesktop(const char* urlOrPath)
{
  if (!urlOrPath || !*urlOrPath)
    return false;
  reapStrays();
  std::string target = urlOrPath;
  // A file path that starts with '-' would be read as an option.
  if (target.find("http") == std::string::npos && target[0] == '-')
    target = "./" + target;
  const std::string opener = findInPath("xdg-open");
  if (opener.empty())
    return false;

  // setsid -f forks the opener off and exits at once: we reap that short-lived parent and
  // the opener itself belongs to init, however long the browser runs.
  const std::string setsid = findInPath("setsid");
  if (!setsid.empty())
  {
    const pid_t pid = spawn({setsid, "-f", opener, target}, false);
    if (pid < 0)
      return false;
    int status = 0;
    pid_t r;
    do
      r = waitpid(pid, &status, 0);
    while (r < 0 && errno == EINTR);
    if (r < 0)
      return errno == ECHILD; // the host reaps its children itself
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  const pid_t pid = spawn({opener, target}, true);
  if (pid < 0)
    return false;
  strays().push_back(pid);
  return true;
}

} // namespace frame::graphics
