// The editor through the gui extension, embedded in a window of the test's private Xvfb;
// the host's timers and descriptors are served by a poll loop.
#include "e2e/X11TestSupport.h"

#include <X11/keysym.h>

#include <algorithm>
#include <map>

#include "ClapTestHost.h"

using namespace claptest;

namespace {

class ClapGui : public e2e::XTestCase
{
protected:
  void SetUp() override
  {
    e2e::XTestCase::SetUp();
    if (IsSkipped())
      return;
    x = std::make_unique<e2e::TestX>();
    host.withEventLoop = true;
    host.onRegisterTimer = [this](clap_id id, uint32_t period) {
      const int loopId = loop.AddTimer(static_cast<int>(period), [this, id] { host.Fire(plug->plugin, true, static_cast<int>(id)); });
      registered[{true, static_cast<int>(id)}] = loopId;
      return loopId > 0;
    };
    host.onRegisterFd = [this](int fd) {
      const int loopId = loop.AddFd(fd, [this, fd] { host.Fire(plug->plugin, false, fd); });
      registered[{false, fd}] = loopId;
      return loopId > 0;
    };
    host.onUnregister = [this](bool timer, int key) {
      auto it = registered.find({timer, key});
      if (it == registered.end())
        return;
      loop.Remove(it->second);
      registered.erase(it);
    };
    plug = std::make_unique<Plugin>(host);
    gui = plug->Ext<clap_plugin_gui_t>(CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
  }
  void TearDown() override
  {
    plug.reset();
    x.reset();
    e2e::XTestCase::TearDown();
  }

  Window child(Window parent)
  {
    Window root = 0, up = 0, *children = nullptr;
    unsigned int n = 0;
    XQueryTree(x->display(), parent, &root, &up, &children, &n);
    const Window found = n > 0 ? children[0] : 0;
    if (children)
      XFree(children);
    return found;
  }

  std::pair<uint32_t, uint32_t> size()
  {
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(gui->get_size(plug->plugin, &w, &h));
    return {w, h};
  }

  std::unique_ptr<e2e::TestX> x;
  e2e::PollLoop loop;
  std::map<std::pair<bool, int>, int> registered;
  Host host;
  std::unique_ptr<Plugin> plug;
  const clap_plugin_gui_t* gui = nullptr;
};

std::pair<uint32_t, uint32_t> adjusted(const clap_plugin_gui_t* gui, const clap_plugin_t* p, uint32_t w, uint32_t h)
{
  EXPECT_TRUE(gui->adjust_size(p, &w, &h));
  return {w, h};
}

} // namespace

TEST_F(ClapGui, EmbedsIntoX11OnlyAndSnapsToTheEditorsSizes)
{
  EXPECT_TRUE(gui->is_api_supported(plug->plugin, CLAP_WINDOW_API_X11, false));
  EXPECT_FALSE(gui->is_api_supported(plug->plugin, CLAP_WINDOW_API_X11, true));
  EXPECT_FALSE(gui->is_api_supported(plug->plugin, CLAP_WINDOW_API_WAYLAND, false));
  EXPECT_FALSE(gui->create(plug->plugin, CLAP_WINDOW_API_X11, true));
  const char* api = nullptr;
  bool floating = true;
  ASSERT_TRUE(gui->get_preferred_api(plug->plugin, &api, &floating));
  EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
  EXPECT_FALSE(floating);

  EXPECT_TRUE(gui->can_resize(plug->plugin));
  clap_gui_resize_hints_t hints{};
  ASSERT_TRUE(gui->get_resize_hints(plug->plugin, &hints));
  EXPECT_TRUE(hints.preserve_aspect_ratio);
  EXPECT_EQ(hints.aspect_ratio_width * 87, hints.aspect_ratio_height * 360);
  using Size = std::pair<uint32_t, uint32_t>;
  EXPECT_EQ(adjusted(gui, plug->plugin, 1000, 1000), Size(720, 174));
  EXPECT_EQ(adjusted(gui, plug->plugin, 1018, 246), Size(1018, 246));
  EXPECT_EQ(adjusted(gui, plug->plugin, 5000, 200), Size(720, 174)) << "the height limits it";
  EXPECT_EQ(adjusted(gui, plug->plugin, 10, 10), Size(360, 87));
  EXPECT_EQ(adjusted(gui, plug->plugin, 9000, 9000), Size(2880, 696));
  clap_window_t window{CLAP_WINDOW_API_X11, {}};
  window.x11 = 1;
  EXPECT_FALSE(gui->set_parent(plug->plugin, &window)) << "no gui created";
}

TEST_F(ClapGui, CreatedEmbeddedResizedAndDestroyedOnTheHostsLoop)
{
  const Window top = x->MakeTopLevel(0, 0, 1500, 400);
  ASSERT_TRUE(gui->create(plug->plugin, CLAP_WINDOW_API_X11, false));
  EXPECT_FALSE(gui->create(plug->plugin, CLAP_WINDOW_API_X11, false)) << "one at a time";
  EXPECT_TRUE(gui->set_scale(plug->plugin, 1.0));
  clap_window_t window{CLAP_WINDOW_API_X11, {}};
  window.x11 = top;
  ASSERT_TRUE(gui->set_parent(plug->plugin, &window));
  EXPECT_FALSE(gui->set_parent(plug->plugin, &window)) << "already embedded";
  EXPECT_TRUE(gui->show(plug->plugin));

  Window editor = 0;
  ASSERT_TRUE(loop.RunUntil([&] { return (editor = child(top)) != 0 && x->Viewable(editor); }));
  const std::pair<uint32_t, uint32_t> opened = size();
  const uint32_t w = opened.first, h = opened.second;
  int ex = 0, ey = 0, ew = 0, eh = 0;
  ASSERT_TRUE(loop.RunUntil([&] {
    x->Geometry(editor, ex, ey, ew, eh);
    return ew == static_cast<int>(w) && eh == static_cast<int>(h);
  }));
  EXPECT_GT(registered.size(), 1u) << "timers and the display connection";
  EXPECT_TRUE(std::any_of(registered.begin(), registered.end(), [](const auto& r) { return !r.first.first; }));

  // The host resizes, to one of the editor's sizes.
  uint32_t nw = 1100, nh = 300;
  ASSERT_TRUE(gui->adjust_size(plug->plugin, &nw, &nh));
  ASSERT_TRUE(gui->set_size(plug->plugin, nw, nh));
  EXPECT_EQ(size(), std::make_pair(nw, nh));
  EXPECT_TRUE(loop.RunUntil([&] {
    x->Geometry(editor, ex, ey, ew, eh);
    return ew == static_cast<int>(nw) && eh == static_cast<int>(nh);
  })) << ew << "x" << eh;
  loop.RunFor(100);

  gui->destroy(plug->plugin);
  EXPECT_TRUE(registered.empty()) << "nothing of the editor stays on the host's loop";
  EXPECT_EQ(loop.Active(), 0);
  EXPECT_TRUE(loop.RunUntil([&] { return child(top) == 0; }));
  // And once more, as hosts do when the editor is reopened.
  ASSERT_TRUE(gui->create(plug->plugin, CLAP_WINDOW_API_X11, false));
  ASSERT_TRUE(gui->set_parent(plug->plugin, &window));
  EXPECT_TRUE(loop.RunUntil([&] { return child(top) != 0; }));
  // The editor opens at the scale it keeps (its own menu sets it), and says so.
  EXPECT_EQ(size(), std::make_pair(w, h));
  ASSERT_FALSE(host.resizeRequests.empty());
  EXPECT_EQ(host.resizeRequests.back(), std::make_pair(w, h));
  gui->destroy(plug->plugin);
  x->Destroy(top);
}

// A host may free a timer's record in unregister_timer and still write to it when the
// callback returns (Qtractor does). The editor's frame ticks go idle, come back for a menu
// and go idle again without a registration changing inside its own callback.
TEST_F(ClapGui, NoTimerOrDescriptorIsUnregisteredFromInsideItsOwnCallback)
{
  const Window top = x->MakeTopLevel(0, 0, 1500, 400);
  ASSERT_TRUE(gui->create(plug->plugin, CLAP_WINDOW_API_X11, false));
  ASSERT_TRUE(gui->set_scale(plug->plugin, 1.0));
  clap_window_t window{CLAP_WINDOW_API_X11, {}};
  window.x11 = top;
  ASSERT_TRUE(gui->set_parent(plug->plugin, &window));
  Window editor = 0;
  ASSERT_TRUE(loop.RunUntil([&] { return (editor = child(top)) != 0 && x->Viewable(editor); }));
  loop.RunFor(1500); // idle: nothing left to draw

  const auto [w, h] = size();
  const float scale = static_cast<float>(w) / 1440.f;
  x->MoveTo(editor, static_cast<int>(50 * scale), static_cast<int>(54 * scale)); // the preset menu
  x->Click(Button1);
  Window popup = 0;
  EXPECT_TRUE(loop.RunUntil([&] { return (popup = x->FindPopup()) != 0; })) << "no preset menu";
  x->Tap(XK_Escape);
  EXPECT_TRUE(loop.RunUntil([&] { return x->FindPopup() == 0; }));
  loop.RunFor(1500);

  EXPECT_EQ(host.changedInOwnCallback, 0);
  gui->destroy(plug->plugin);
  EXPECT_TRUE(registered.empty());
  x->Destroy(top);
}

namespace {
int changedPixels(const frame::graphics::Surface& a, const frame::graphics::Surface& b)
{
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return -1;
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      n += a.At(x, y) != b.At(x, y);
  return n;
}
} // namespace

// A host's automation, flush and state load reach the open editor through the frame: the
// knobs move within two idle ticks, with or without the call to the main thread asked for.
TEST_F(ClapGui, KnobsFollowTheHostsAutomationFlushAndStateLoad)
{
  const std::vector<uint8_t> defaults = plug->Save();
  const Window top = x->MakeTopLevel(0, 0, 1500, 400);
  ASSERT_TRUE(gui->create(plug->plugin, CLAP_WINDOW_API_X11, false));
  ASSERT_TRUE(gui->set_scale(plug->plugin, 1.0));
  clap_window_t window{CLAP_WINDOW_API_X11, {}};
  window.x11 = top;
  ASSERT_TRUE(gui->set_parent(plug->plugin, &window));
  Window editor = 0;
  ASSERT_TRUE(loop.RunUntil([&] { return (editor = child(top)) != 0 && x->Viewable(editor); }));
  loop.RunFor(300);
  ASSERT_TRUE(plug->Start());

  // Feedback, Manual, LFODepth and Mix, automated in one call; the host honours the request.
  InputEvents automation;
  automation.Param(0, 3, 0.9);
  automation.Param(0, 1, 0.9);
  automation.Param(16, 5, 0.9);
  automation.Param(32, 6, 0.9);
  frame::graphics::Surface before = x->Capture(editor);
  const int asked = host.callbackRequests;
  plug->Process(64, &automation.list);
  for (int i = 0; i < 20; ++i)
    plug->Process(64);
  EXPECT_EQ(host.callbackRequests, asked + 1) << "one request for the whole flood";
  plug->plugin->on_main_thread(plug->plugin);
  loop.RunFor(50);
  frame::graphics::Surface after = x->Capture(editor);
  const int automated = changedPixels(before, after);
  EXPECT_GT(automated, 2000) << "four knobs and their texts";
  std::printf("automation: %d of %d pixels changed\n", automated, after.Width() * after.Height());

  // Stereo flushed while inactive; this host never calls back: the idle timer catches up.
  plug->Stop();
  plug->plugin->deactivate(plug->plugin);
  plug->active = false;
  InputEvents stereo;
  stereo.Param(0, 8, 1.0);
  before = after;
  plug->Params()->flush(plug->plugin, &stereo.list, &plug->out.list);
  loop.RunFor(50);
  after = x->Capture(editor);
  const int flushed = changedPixels(before, after);
  EXPECT_GT(flushed, 500) << "the Stereo knob";

  before = after;
  ASSERT_TRUE(plug->Load(defaults));
  loop.RunFor(50);
  const int loaded = changedPixels(before, x->Capture(editor));
  EXPECT_GT(loaded, 2000) << "five knobs back";
  std::printf("flush: %d, state load: %d pixels changed\n", flushed, loaded);
  gui->destroy(plug->plugin);
  x->Destroy(top);
}
