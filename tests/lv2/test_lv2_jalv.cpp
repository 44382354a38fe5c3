// The UI in a real host: jalv.gtk3 on a dummy JACK server, on this process's private Xvfb.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "e2e/X11TestSupport.h"
// After the test headers: Xlib defines names they use.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstring>
#include <filesystem>
#include "graphics/PngWriter.h"

namespace {
using Clock = std::chrono::steady_clock;

bool onPath(const std::string& name)
{
  std::stringstream dirs(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (access((dir + "/" + name).c_str(), X_OK) == 0)
      return true;
  return false;
}

/** A child process with its output in a file, ended (by its id) with the test. */
class Child
{
public:
  Child(std::vector<std::string> argv, const std::string& log)
  {
    mPid = fork();
    if (mPid == 0)
    {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 1);
      dup2(fd, 2);
      std::vector<char*> args;
      for (std::string& a : argv)
        args.push_back(a.data());
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
  }
  ~Child()
  {
    if (mPid > 0)
    {
      kill(mPid, SIGTERM);
      waitpid(mPid, nullptr, 0);
    }
  }
  bool Running() { return mPid > 0 && waitpid(mPid, nullptr, WNOHANG) == 0; }

private:
  pid_t mPid = -1;
};

std::string readFile(const std::string& path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The deepest unnamed window of the given size below w: the editor's own.
Window findEditor(Display* d, Window w, int width, int height)
{
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n))
  {
    for (unsigned i = 0; i < n && !found; ++i)
    {
      found = findEditor(d, children[i], width, height);
      XWindowAttributes a{};
      char* name = nullptr;
      if (!found && XGetWindowAttributes(d, children[i], &a) && a.width == width && a.height == height &&
          a.map_state == IsViewable && !(XFetchName(d, children[i], &name) && name))
        found = children[i];
      if (name)
        XFree(name);
    }
    if (children)
      XFree(children);
  }
  return found;
}

bool differ(const frame::graphics::Surface& a, const frame::graphics::Surface& b)
{
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return true;
  for (int y = 0; y < a.Height(); ++y)
    if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y)))
      return true;
  return false;
}

std::vector<uint8_t> base64(const std::string& text)
{
  std::vector<uint8_t> out;
  uint32_t bits = 0;
  int n = 0;
  for (char c : text)
  {
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* at = c ? std::strchr(digits, c) : nullptr;
    if (!at)
      continue;
    bits = (bits << 6) | static_cast<uint32_t>(at - digits);
    if ((n += 6) >= 8)
      out.push_back(static_cast<uint8_t>(bits >> (n -= 8)));
  }
  return out;
}

// Types a path of lower-case letters, digits and slashes.
void typePath(e2e::TestX& x, const std::string& path)
{
  for (char c : path)
    x.Tap(c == '/' ? XK_slash : XStringToKeysym(std::string(1, c).c_str()));
}

bool waitUntil(const std::function<bool()>& done)
{
  for (auto deadline = Clock::now() + std::chrono::seconds(5); Clock::now() < deadline;)
  {
    if (done())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Saves jalv's state through its own menu key and dialog; returns its state.ttl.
std::string saveState(e2e::TestX& x, Window top, const std::string& name)
{
  const std::string dir = "/tmp/mglv2jalv" + std::to_string(getpid()) + name;
  std::filesystem::remove_all(dir);
  XSetInputFocus(x.display(), top, RevertToParent, CurrentTime);
  x.Sync();
  x.Key(XK_Control_L, true);
  x.Tap(XK_s);
  x.Key(XK_Control_L, false);
  const Window dialog = x.WaitForTitle("Save State", 5000);
  if (!dialog)
    return "(jalv showed no save dialog)";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  XSetInputFocus(x.display(), dialog, RevertToParent, CurrentTime);
  x.Sync();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  typePath(x, dir);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  x.Tap(XK_Return);
  std::string state;
  waitUntil([&] { return (state = readFile(dir + "/state.ttl")).find("state:state") != std::string::npos; });
  std::filesystem::remove_all(dir);
  return state;
}

// The text between after and the next until, past where from is found; empty without them.
std::string between(const std::string& text, const std::string& from, const std::string& after, const std::string& until)
{
  const size_t at = text.find(from);
  const size_t start = at == std::string::npos ? at : text.find(after, at + from.size());
  const size_t end = start == std::string::npos ? start : text.find(until, start + after.size());
  return end == std::string::npos ? "" : text.substr(start + after.size(), end - start - after.size());
}

std::string portValue(const std::string& state, const std::string& symbol)
{
  return between(state, "lv2:symbol \"" + symbol + "\" ;", "pset:value ", "\n");
}

// A parameter's value in the plug-in's own chunk, as jalv saved it: the version tag, then
// one double per parameter.
double chunkValue(const std::string& state, int paramIdx)
{
  const std::vector<uint8_t> bytes = base64(between(state, "#state>", "\"\"\"", "\"\"\""));
  const size_t at = std::strlen("Mistlegrove Phaser_2.0.1") + static_cast<size_t>(paramIdx) * sizeof(double);
  double v = NAN;
  if (bytes.size() >= at + sizeof v)
    std::memcpy(&v, bytes.data() + at, sizeof v);
  return v;
}

class JalvUi : public e2e::XTestCase
{
};
} // namespace

TEST_F(JalvUi, ASwitchClickedAndAPresetPickedReachThePortsAndTheSignalPath)
{
  if (!onPath("jalv.gtk3") || !onPath("jackd"))
    GTEST_SKIP() << "jalv.gtk3 or jackd is not installed (Debian: jalv, jackd2)";
  // A sanitized module needs the runtime preloaded into the host, and jalv.gtk3 hangs at
  // start with it preloaded: the UI is tried in jalv in the plain build only.
  if (*MG_HOST_PRELOAD)
    GTEST_SKIP() << "jalv.gtk3 does not start with the sanitizer runtime preloaded";
  const std::string server = "mglv2test" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
  setenv("LV2_PATH", MG_LV2_PATH, 1);

  const std::string jackLog = e2e::ArtefactPath("jackd.log"), jalvLog = e2e::ArtefactPath("jalv.log");
  Child jackd({"jackd", "--no-realtime", "-n", server, "-d", "dummy", "-r", "48000", "-p", "256"}, jackLog);

  // jalv gives up while the server is still starting: it is started again until it stays.
  std::unique_ptr<Child> jalv;
  e2e::TestX x;
  Window top = 0;
  for (int attempt = 0; attempt < 10 && !top; ++attempt)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    jalv = std::make_unique<Child>(std::vector<std::string>{"jalv.gtk3", MG_LV2_URI}, jalvLog);
    const auto deadline = Clock::now() + std::chrono::seconds(4);
    while (!top && jalv->Running() && Clock::now() < deadline)
    {
      top = x.WaitForTitle("Mistlegrove Phaser", 200);
    }
  }
  if (!top)
    GTEST_SKIP() << "jalv could not run here:\n" << readFile(jalvLog) << readFile(jackLog);

  Window editor = 0;
  for (auto deadline = Clock::now() + std::chrono::seconds(5); !editor && Clock::now() < deadline;)
  {
    editor = findEditor(x.display(), top, 720, 174);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(editor, 0u) << "no embedded editor of the stored size in jalv's window";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const frame::graphics::Surface before = x.Capture(editor);
  frame::graphics::WritePNG(before, e2e::ArtefactPath("lv2-jalv-before.png"));

  // "Sync to Host", at half the editor's full size.
  x.MoveTo(editor, (802 + 32) / 2, (188 + 46) / 2);
  x.Click(1, 50);
  frame::graphics::Surface after;
  for (auto deadline = Clock::now() + std::chrono::seconds(5); Clock::now() < deadline && !differ(before, after);)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    after = x.Capture(editor);
  }
  frame::graphics::WritePNG(after, e2e::ArtefactPath("lv2-jalv-after.png"));
  EXPECT_TRUE(differ(before, after)) << "the editor did not redraw the switch";

  // jalv reports its port values where it saves a state (File > Save, Ctrl+S): the port
  // holds what the UI wrote, and the signal path's own chunk has the switch on too.
  const std::string saved = saveState(x, top, "sync");
  EXPECT_EQ(portValue(saved, "sync_to_host"), "1.0") << saved;
  EXPECT_EQ(chunkValue(saved, 7), 1.0) << "the signal path's own state";

  // A preset picked in the editor's menu reaches the host as port values: "Aliens", the
  // last, with its eight stages and its sync off again.
  x.MoveTo(editor, 50 / 2, 54 / 2);
  x.Click(1, 50);
  ASSERT_TRUE(waitUntil([&] { return x.FindPopup() != 0; })) << "no preset menu";
  x.Tap(XK_End);
  x.Tap(XK_Return);
  ASSERT_TRUE(waitUntil([&] { return x.FindPopup() == 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::string aliens = saveState(x, top, "aliens");
  EXPECT_EQ(portValue(aliens, "stages"), "1.0") << aliens;
  EXPECT_EQ(portValue(aliens, "manual"), "4000.0") << aliens;
  EXPECT_EQ(portValue(aliens, "feedback"), "90.0") << aliens;
  EXPECT_EQ(portValue(aliens, "sync_to_host"), "0.0") << aliens;
  // Through the host's normalised change, as every host change goes: 0.9 within a rounding.
  EXPECT_NEAR(chunkValue(aliens, 3), 0.9, 1e-12) << "the signal path's own state";
}
