#include "e2e/X11TestSupport.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#ifndef MG_E2E_ARTEFACT_DIR
#define MG_E2E_ARTEFACT_DIR "."
#endif

namespace e2e {

namespace {

struct XvfbState
{
  pid_t pid = -1;
  bool available = false;
};
XvfbState gXvfb;

// The test's own connections look at windows of other clients, which may be gone by the
// time the request arrives (a popup closing between a tree query and a read). Such errors
// mean "no such window" there; on every other connection they still end the test.
std::mutex gTestDisplaysMutex;
std::vector<Display*> gTestDisplays;
XErrorHandler gDefaultErrorHandler = nullptr;

int testErrorHandler(Display* display, XErrorEvent* error)
{
  {
    std::lock_guard<std::mutex> lock(gTestDisplaysMutex);
    const bool ours = std::find(gTestDisplays.begin(), gTestDisplays.end(), display) != gTestDisplays.end();
    if (ours && (error->error_code == BadWindow || error->error_code == BadDrawable || error->error_code == BadMatch))
      return 0;
  }
  return gDefaultErrorHandler ? gDefaultErrorHandler(display, error) : 0;
}

bool onPath(const char* name)
{
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size())
  {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos)
      end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0)
      return true;
    start = end + 1;
  }
  return false;
}

/** One Xvfb per test process, on a display number it picks itself, gone with the process. */
class XvfbEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    XInitThreads(); // the message-box tests answer from a second thread
    // Before any test runs, so the views' own error traps chain to it.
    gDefaultErrorHandler = XSetErrorHandler(&testErrorHandler);
    if (!onPath("Xvfb"))
      return;
    int fds[2];
    if (pipe(fds) != 0)
      return;
    const pid_t pid = fork();
    if (pid == 0)
    {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(fds[0]);
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 1);
      dup2(devnull, 2);
      const std::string fd = std::to_string(fds[1]);
      const std::string screen = std::to_string(kScreenW) + "x" + std::to_string(kScreenH) + "x24";
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-noreset",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (pid < 0)
    {
      close(fds[0]);
      return;
    }
    gXvfb.pid = pid;
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline)
    {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0)
        continue;
      char c = 0;
      if (read(fds[0], &c, 1) != 1)
        break;
      if (c == '\n')
        break;
      number += c;
    }
    close(fds[0]);
    if (number.empty())
      return;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    if (Display* d = XOpenDisplay(nullptr))
    {
      XCloseDisplay(d);
      gXvfb.available = true;
    }
  }

  void TearDown() override
  {
    if (gXvfb.pid > 0)
    {
      kill(gXvfb.pid, SIGTERM);
      waitpid(gXvfb.pid, nullptr, 0);
    }
    gXvfb = {};
  }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

} // namespace

bool XvfbAvailable() { return gXvfb.available; }

void XTestCase::SetUp()
{
  if (!XvfbAvailable())
    GTEST_SKIP() << "no Xvfb to run X11 tests on";
  alarm(60);
}

void XTestCase::TearDown() { alarm(0); }

void ViewTestCase::SetUp()
{
  XTestCase::SetUp();
  if (IsSkipped())
    return;
  x = std::make_unique<TestX>();
  top = x->MakeTopLevel(mTopX, mTopY, mTopW, mTopH);
  events = std::make_unique<RecordingEvents>(mViewW, mViewH);
  view = std::make_unique<frame::graphics::X11View>();
}

void ViewTestCase::TearDown()
{
  view.reset();
  XTestCase::TearDown();
}

void ViewTestCase::OpenView(frame::IEventLoop* withLoop, int fps)
{
  win = static_cast<Window>(reinterpret_cast<uintptr_t>(view->Open(AsParent(top), mViewW, mViewH, *events, withLoop, fps)));
  ASSERT_NE(win, 0u);
  loop.RunFor(30);
}

// PollLoop --------------------------------------------------------------------------------

int PollLoop::AddTimer(int periodMs, Handler handler)
{
  if (periodMs <= 0 || !handler)
    return 0;
  Entry e;
  e.id = mNextId++;
  e.timer = true;
  e.periodMs = periodMs;
  e.next = Clock::now() + std::chrono::milliseconds(periodMs);
  e.handler = std::make_shared<Handler>(std::move(handler));
  mEntries.push_back(std::move(e));
  return mEntries.back().id;
}

int PollLoop::AddFd(int fd, Handler handler)
{
  if (fd < 0 || !handler)
    return 0;
  Entry e;
  e.id = mNextId++;
  e.fd = fd;
  e.handler = std::make_shared<Handler>(std::move(handler));
  mEntries.push_back(std::move(e));
  return mEntries.back().id;
}

void PollLoop::Remove(int id)
{
  mEntries.erase(std::remove_if(mEntries.begin(), mEntries.end(), [id](const Entry& e) { return e.id == id; }),
                 mEntries.end());
}

PollLoop::Entry* PollLoop::find(int id)
{
  for (Entry& e : mEntries)
    if (e.id == id)
      return &e;
  return nullptr;
}

void PollLoop::runOnce(int maxWaitMs)
{
  const auto now = Clock::now();
  int wait = maxWaitMs;
  std::vector<pollfd> fds;
  std::vector<int> fdIds;
  for (const Entry& e : mEntries)
  {
    if (e.timer)
    {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(e.next - now).count();
      wait = std::min(wait, static_cast<int>(std::max<long long>(0, ms)));
    }
    else
    {
      fds.push_back({e.fd, POLLIN, 0});
      fdIds.push_back(e.id);
    }
  }
  poll(fds.data(), fds.size(), wait);
  for (size_t i = 0; i < fds.size(); ++i)
    if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
      if (Entry* e = find(fdIds[i]))
      {
        auto handler = e->handler; // survives its own removal
        (*handler)();
      }
  std::vector<int> due;
  for (const Entry& e : mEntries)
    if (e.timer && e.next <= Clock::now())
      due.push_back(e.id);
  for (int id : due)
    if (Entry* e = find(id))
    {
      e->next += std::chrono::milliseconds(e->periodMs);
      if (e->next < Clock::now())
        e->next = Clock::now() + std::chrono::milliseconds(e->periodMs);
      auto handler = e->handler;
      (*handler)();
    }
}

void PollLoop::RunFor(int ms)
{
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end)
  {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    runOnce(static_cast<int>(std::max<long long>(1, left)));
  }
}

bool PollLoop::RunUntil(const std::function<bool()>& done, int timeoutMs)
{
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done())
  {
    if (Clock::now() >= end)
      return false;
    runOnce(10);
  }
  return true;
}

// RecordingEvents -------------------------------------------------------------------------

int RecordingEvents::Count(Recorded::Kind kind) const
{
  return static_cast<int>(std::count_if(log.begin(), log.end(), [kind](const Recorded& r) { return r.kind == kind; }));
}

std::vector<Recorded> RecordingEvents::Only(std::initializer_list<Recorded::Kind> kinds) const
{
  std::vector<Recorded> out;
  for (const Recorded& r : log)
    if (std::find(kinds.begin(), kinds.end(), r.kind) != kinds.end())
      out.push_back(r);
  return out;
}

// TestX -----------------------------------------------------------------------------------

TestX::TestX() : mDisplay(XOpenDisplay(nullptr))
{
  std::lock_guard<std::mutex> lock(gTestDisplaysMutex);
  gTestDisplays.push_back(mDisplay);
}

TestX::~TestX()
{
  {
    std::lock_guard<std::mutex> lock(gTestDisplaysMutex);
    gTestDisplays.erase(std::remove(gTestDisplays.begin(), gTestDisplays.end(), mDisplay), gTestDisplays.end());
  }
  if (mDisplay)
    XCloseDisplay(mDisplay);
}

Window TestX::MakeTopLevel(int x, int y, int w, int h)
{
  const Window win = XCreateSimpleWindow(mDisplay, Root(), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                                         0, 0x202020);
  XSelectInput(mDisplay, win, StructureNotifyMask);
  XMapWindow(mDisplay, win);
  XEvent e;
  do
    XWindowEvent(mDisplay, win, StructureNotifyMask, &e);
  while (e.type != MapNotify);
  XSync(mDisplay, False);
  return win;
}

void TestX::Destroy(Window w)
{
  XDestroyWindow(mDisplay, w);
  XSync(mDisplay, False);
}

void TestX::MoveTo(int rootX, int rootY)
{
  XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), rootX, rootY, 0);
  Sync();
}

void TestX::MoveTo(Window w, int x, int y)
{
  int rx = 0, ry = 0;
  RootPosition(w, rx, ry);
  MoveTo(rx + x, ry + y);
}

void TestX::Button(unsigned int button, bool press, unsigned long delayMs)
{
  XTestFakeButtonEvent(mDisplay, button, press ? True : False, delayMs);
  Sync();
}

void TestX::Click(unsigned int button, unsigned long delayMs)
{
  Button(button, true, delayMs);
  Button(button, false);
}

void TestX::Key(unsigned long keysym, bool press)
{
  XTestFakeKeyEvent(mDisplay, XKeysymToKeycode(mDisplay, keysym), press ? True : False, 0);
  Sync();
}

void TestX::Tap(unsigned long keysym)
{
  Key(keysym, true);
  Key(keysym, false);
}

void TestX::Sync() { XSync(mDisplay, False); }

void TestX::Close(Window w)
{
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(mDisplay, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(mDisplay, "WM_DELETE_WINDOW", False));
  XSendEvent(mDisplay, w, False, NoEventMask, &e);
  Sync();
}

void TestX::RootPosition(Window w, int& x, int& y)
{
  Window child = 0;
  XTranslateCoordinates(mDisplay, w, Root(), 0, 0, &x, &y, &child);
}

void TestX::Geometry(Window w, int& x, int& y, int& width, int& height)
{
  XWindowAttributes a{};
  XGetWindowAttributes(mDisplay, w, &a);
  RootPosition(w, x, y);
  width = a.width;
  height = a.height;
}

bool TestX::Viewable(Window w)
{
  XWindowAttributes a{};
  return XGetWindowAttributes(mDisplay, w, &a) && a.map_state == IsViewable;
}

std::vector<long> TestX::CardinalProperty(Window w, const char* name)
{
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> out;
  if (XGetWindowProperty(mDisplay, w, XInternAtom(mDisplay, name, False), 0, 64, False, AnyPropertyType, &type, &format,
                         &n, &after, &data) == Success &&
      data)
  {
    if (format == 32)
      out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + n);
    XFree(data);
  }
  return out;
}

Window TestX::ParentOf(Window w)
{
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  XQueryTree(mDisplay, w, &root, &parent, &children, &n);
  if (children)
    XFree(children);
  return parent;
}

Window TestX::FindPopup()
{
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  Window found = 0;
  XQueryTree(mDisplay, Root(), &root, &parent, &children, &n);
  for (unsigned int i = 0; i < n; ++i)
  {
    XWindowAttributes a{};
    if (XGetWindowAttributes(mDisplay, children[i], &a) && a.override_redirect && a.map_state == IsViewable)
      found = children[i];
  }
  if (children)
    XFree(children);
  return found;
}

std::string TestX::Title(Window w)
{
  char* name = nullptr;
  std::string out;
  if (XFetchName(mDisplay, w, &name) && name)
  {
    out = name;
    XFree(name);
  }
  return out;
}

Window TestX::WaitForTitle(const char* name, int timeoutMs)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end)
  {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    Window found = 0;
    XQueryTree(mDisplay, Root(), &root, &parent, &children, &n);
    for (unsigned int i = 0; i < n && !found; ++i)
      if (Viewable(children[i]) && Title(children[i]) == name)
        found = children[i];
    if (children)
      XFree(children);
    if (found)
      return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

uint32_t TestX::PixelAt(Window w, int x, int y)
{
  XImage* image = XGetImage(mDisplay, w, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image)
    return 0xDEADBEEF;
  const uint32_t p = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFFu;
  XDestroyImage(image);
  return p;
}

frame::graphics::Surface TestX::Capture(Window w)
{
  XWindowAttributes a{};
  XGetWindowAttributes(mDisplay, w, &a);
  frame::graphics::Surface s(a.width, a.height);
  XImage* image = XGetImage(mDisplay, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                            AllPlanes, ZPixmap);
  if (!image)
    return s;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      s.Set(x, y, 0xFF000000u | (static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu));
  XDestroyImage(image);
  return s;
}

std::string ArtefactPath(const char* fileName)
{
  mkdir(MG_E2E_ARTEFACT_DIR, 0755);
  return std::string(MG_E2E_ARTEFACT_DIR) + "/" + fileName;
}

} // namespace e2e
