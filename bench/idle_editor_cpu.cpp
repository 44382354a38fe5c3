// How much of a core an open, idle editor costs: mistlegrove-render --editor is started at
// each of the editor's sizes, left alone to settle, and its process CPU time (user and
// system) is read over a measuring span. Not a timed test: it prints the figures.
//   idle_editor_cpu [seconds per size, default 10] [render program] [bundle]
// Uses $DISPLAY if set, else a private Xvfb.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Another build's program and bundle may be measured too, for a figure to compare with.
const char* gRender = MG_BENCH_RENDER;
const char* gBundle = MG_BENCH_BUNDLE;

/** Time on a CPU of all the process's threads, to the nanosecond where the kernel keeps
 *  scheduler statistics; negative when there are none. */
double ScheduledSeconds(pid_t pid)
{
  const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  double total = 0.0;
  bool any = false;
  for (const auto& task : fs::directory_iterator(tasks, ec))
  {
    std::ifstream in(task.path() / "schedstat");
    unsigned long long ns = 0;
    if (in >> ns)
    {
      total += static_cast<double>(ns) * 1e-9;
      any = true;
    }
  }
  return any ? total : -1.0;
}

/** User plus system CPU time of a process, in seconds; negative when it has ended (an
 *  editor that failed to open lets the program go on to render and exit). Scheduler
 *  statistics where there are any: the clock ticks of the process's times are 10 ms. */
double CpuSeconds(pid_t pid)
{
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos)
    return -1.0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  // After the command name: state is field 3, utime 14 and stime 15.
  for (int i = 3; i <= 15 && fields >> field; ++i)
  {
    if (i == 3 && (field == "Z" || field == "X"))
      return -1.0;
    if (i == 3)
      if (const double precise = ScheduledSeconds(pid); precise >= 0.0)
        return precise;
    if (i == 14)
      utime = std::stoull(field);
    if (i == 15)
      stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

pid_t StartXvfb(std::string& display)
{
  int fds[2];
  if (pipe(fds) != 0)
    return -1;
  const pid_t pid = fork();
  if (pid == 0)
  {
    close(fds[0]);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDERR_FILENO);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "3000x1000x24", "-nolisten", "tcp", nullptr);
    _exit(127);
  }
  close(fds[1]);
  char number[16] = {};
  const ssize_t n = read(fds[0], number, sizeof number - 1);
  close(fds[0]);
  if (n <= 0)
    return -1;
  std::string digits(number, static_cast<size_t>(n));
  while (!digits.empty() && (digits.back() == '\n' || digits.back() == ' '))
    digits.pop_back();
  display = ":" + digits;
  // Its socket must take connections before an editor is started on it.
  const std::string socketPath = "/tmp/.X11-unix/X" + digits;
  for (int attempt = 0; attempt < 100; ++attempt)
  {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
    const bool up = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (fd >= 0)
      close(fd);
    if (up)
      return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return -1;
}

/** The share of one core the idle editor used at a stored scale. */
double IdleShare(const std::string& home, const char* scale, double seconds)
{
  const fs::path folder = fs::path(home) / "Library/Application Support/MistlegroveMusic";
  fs::create_directories(folder);
  std::ofstream(folder / "trellowphaser.ini") << "[Editor]\nScale=" << scale << "\n";
  const pid_t pid = fork();
  if (pid == 0)
  {
    setenv("HOME", home.c_str(), 1);
    const std::string out = home + "/out.wav";
    const int devnull = open("/dev/null", O_WRONLY);
    const int err = open((home + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(devnull, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execl(gRender, gRender, "--bundle", gBundle, "--editor", "-o", out.c_str(), nullptr);
    _exit(127);
  }
  // Opening, the first paint and the window manager's traffic are not idleness.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const double before = CpuSeconds(pid);
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double after = CpuSeconds(pid);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return before < 0.0 || after < 0.0 ? -1.0 : (after - before) / wall;
}

} // namespace

int main(int argc, char** argv)
{
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (!(seconds > 0.0))
  {
    std::fprintf(stderr, "usage: idle_editor_cpu [seconds per size] [render program] [bundle]\n");
    return 2;
  }
  if (argc > 3)
  {
    gRender = argv[2];
    gBundle = argv[3];
  }
  pid_t xvfb = -1;
  const char* existing = std::getenv("DISPLAY");
  if (!existing || !*existing)
  {
    std::string display;
    xvfb = StartXvfb(display);
    if (xvfb < 0)
    {
      std::fprintf(stderr, "idle_editor_cpu: no DISPLAY and no Xvfb\n");
      return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    std::printf("on a private Xvfb at %s\n", display.c_str());
  }
  char tmpl[] = "/tmp/idle-editor-XXXXXX";
  if (!mkdtemp(tmpl))
    return 1;
  std::printf("idle editor CPU, share of one core over %.0f s per size\n", seconds);
  struct Size
  {
    const char* scale;
    const char* window;
  };
  const Size sizes[] = {{"0.25", "360 x 87"},    {"0.375", "540 x 130"},  {"0.5", "720 x 174"},
                        {"0.707107", "1018 x 246"}, {"1.0", "1440 x 348"}, {"2.0", "2880 x 696"}};
  int status = 0;
  for (const Size& s : sizes)
  {
    const double share = IdleShare(tmpl, s.scale, seconds);
    if (share < 0.0)
    {
      std::ifstream err(fs::path(tmpl) / "stderr");
      std::string line;
      std::getline(err, line);
      std::printf("  %-11s  the editor did not stay open: %s\n", s.window, line.c_str());
      status = 1;
      continue;
    }
    std::printf("  %-11s  %6.3f %%\n", s.window, 100.0 * share);
    std::fflush(stdout);
  }
  fs::remove_all(tmpl);
  if (xvfb > 0)
  {
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
  }
  return status;
}
