// The command-line host's editor window, with a stand-in plug-in view: the window it is
// given, the run loop it is served by, resizing, and closing.

#include <gtest/gtest.h>

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/gui/iplugview.h"

#include "e2e/X11TestSupport.h"
#include "apps/render/EditorWindowX11.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <unistd.h>

using namespace Steinberg;

namespace {

class TimerHandler : public U::Implements<U::Directly<Linux::ITimerHandler>>
{
public:
  explicit TimerHandler(std::function<void()> f) : mF(std::move(f)) {}
  void PLUGIN_API onTimer() override { mF(); }

private:
  std::function<void()> mF;
};

class FdHandler : public U::Implements<U::Directly<Linux::IEventHandler>>
{
public:
  explicit FdHandler(std::function<void(int)> f) : mF(std::move(f)) {}
  void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override { mF(fd); }

private:
  std::function<void(int)> mF;
};

uint32 referencesOf(FUnknown* object)
{
  const uint32 n = object->addRef();
  object->release();
  return n - 1;
}

/** A plug-in view that records what the host does and runs a script on its timer. */
class FakeView : public U::Implements<U::Directly<IPlugView>>
{
public:
  tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override
  {
    return supportsX11 && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue : kResultFalse;
  }
  tresult PLUGIN_API attached(void* p, FIDString type) override
  {
    parent = static_cast<Window>(reinterpret_cast<uintptr_t>(p));
    attachedType = type;
    ++attachedCalls;
    if (!acceptWindow)
      return kResultFalse;
    FUnknownPtr<Linux::IRunLoop> runLoop(frame);
    loop = runLoop;
    if (onAttached)
      onAttached(*this);
    return kResultTrue;
  }
  tresult PLUGIN_API removed() override
  {
    ++removedCalls;
    if (onRemoved)
      onRemoved(*this);
    return kResultTrue;
  }
  tresult PLUGIN_API onWheel(float) override { return kResultFalse; }
  tresult PLUGIN_API onKeyDown(char16, int16, int16) override { return kResultFalse; }
  tresult PLUGIN_API onKeyUp(char16, int16, int16) override { return kResultFalse; }
  tresult PLUGIN_API getSize(ViewRect* size) override
  {
    *size = ViewRect(0, 0, 400, 200);
    return kResultTrue;
  }
  tresult PLUGIN_API onSize(ViewRect* newSize) override
  {
    lastSize = *newSize;
    return kResultTrue;
  }
  tresult PLUGIN_API onFocus(TBool) override { return kResultTrue; }
  tresult PLUGIN_API setFrame(IPlugFrame* f) override
  {
    frame = f;
    return kResultTrue;
  }
  tresult PLUGIN_API canResize() override { return kResultFalse; }
  tresult PLUGIN_API checkSizeConstraint(ViewRect*) override { return kResultTrue; }

  bool supportsX11 = true;
  bool acceptWindow = true;
  Window parent = 0;
  std::string attachedType;
  int attachedCalls = 0, removedCalls = 0;
  ViewRect lastSize;
  IPlugFrame* frame = nullptr;
  IPtr<Linux::IRunLoop> loop;
  std::function<void(FakeView&)> onAttached, onRemoved;
};


class EditorWindowTest : public e2e::XTestCase
{
};

TEST_F(EditorWindowTest, TheViewRunsInAWindowOfItsSizeUntilTheWindowIsClosed)
{
  e2e::TestX x;
  IPtr<FakeView> view = owned(new FakeView);
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);

  int ticks = 0, fdCalls = 0, lateTicks = 0;
  bool viewable = false;
  int w0 = 0, h0 = 0, w1 = 0, h1 = 0, wx, wy;
  std::string title;
  IPtr<FdHandler> fd = owned(new FdHandler([&](int f) {
    char c;
    if (read(f, &c, 1) == 1)
      ++fdCalls;
  }));
  IPtr<TimerHandler> late = owned(new TimerHandler([&] {
    if (++lateTicks == 2)
      x.Close(view->parent);
  }));
  IPtr<TimerHandler> tick;
  tick = owned(new TimerHandler([&] {
    switch (++ticks)
    {
      case 1:
        viewable = x.Viewable(view->parent);
        x.Geometry(view->parent, wx, wy, w0, h0);
        title = x.Title(view->parent);
        break;
      case 2: EXPECT_EQ(write(pipeFds[1], "x", 1), 1); break;
      case 4:
      {
        ViewRect r(0, 0, 320, 150);
        EXPECT_EQ(view->frame->resizeView(view, &r), kResultTrue);
        x.Geometry(view->parent, wx, wy, w1, h1);
        break;
      }
      case 5:
        // Both from inside a callback of the loop.
        view->loop->unregisterEventHandler(fd);
        view->loop->unregisterTimer(tick);
        view->loop->registerTimer(late, 5);
        break;
      default: break;
    }
  }));
  view->onAttached = [&](FakeView& v) {
    EXPECT_EQ(v.loop->registerTimer(tick, 10), kResultTrue);
    EXPECT_EQ(v.loop->registerEventHandler(fd, pipeFds[0]), kResultTrue);
  };
  view->onRemoved = [&](FakeView& v) { v.loop->unregisterTimer(late); };

  std::string error;
  int idles = 0;
  ASSERT_TRUE(render::RunEditorView(view.get(), "Mistlegrove Phaser", [&] { ++idles; }, error)) << error;

  EXPECT_EQ(view->attachedType, kPlatformTypeX11EmbedWindowID);
  EXPECT_TRUE(viewable) << "the window is mapped before the view is attached";
  EXPECT_EQ(w0, 400);
  EXPECT_EQ(h0, 200);
  EXPECT_EQ(title, "Mistlegrove Phaser");
  EXPECT_EQ(fdCalls, 1);
  EXPECT_EQ(w1, 320);
  EXPECT_EQ(h1, 150);
  EXPECT_EQ(view->lastSize.getWidth(), 320);
  EXPECT_EQ(ticks, 5) << "an unregistered timer is not called again";
  EXPECT_EQ(view->removedCalls, 1);
  EXPECT_EQ(view->frame, nullptr);
  EXPECT_GE(idles, 1) << "the host's idle work runs on the same loop";
  EXPECT_EQ(referencesOf(tick), 1u) << "the host keeps no handler";
  EXPECT_EQ(referencesOf(fd), 1u);
  EXPECT_EQ(referencesOf(late), 1u);
  close(pipeFds[0]);
  close(pipeFds[1]);
}

TEST_F(EditorWindowTest, AWindowDestroyedFromOutsideEndsTheSessionCleanly)
{
  e2e::TestX x;
  IPtr<FakeView> view = owned(new FakeView);
  IPtr<TimerHandler> tick = owned(new TimerHandler([&] { x.Destroy(view->parent); }));
  view->onAttached = [&](FakeView& v) { v.loop->registerTimer(tick, 10); };
  view->onRemoved = [&](FakeView& v) { v.loop->unregisterTimer(tick); };
  std::string error;
  EXPECT_TRUE(render::RunEditorView(view.get(), "t", {}, error)) << error;
  EXPECT_EQ(view->removedCalls, 1);
}

TEST_F(EditorWindowTest, AViewThatRefusesTheWindowEndsTheSessionWithAReason)
{
  IPtr<FakeView> view = owned(new FakeView);
  view->acceptWindow = false;
  std::string error;
  EXPECT_FALSE(render::RunEditorView(view.get(), "t", {}, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(view->attachedCalls, 1);
  EXPECT_EQ(view->removedCalls, 0);
  EXPECT_EQ(view->frame, nullptr);

  IPtr<FakeView> other = owned(new FakeView);
  other->supportsX11 = false;
  error.clear();
  EXPECT_FALSE(render::RunEditorView(other.get(), "t", {}, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(other->attachedCalls, 0);
}

TEST_F(EditorWindowTest, WithoutADisplayTheReasonSaysSo)
{
  const std::string display = std::getenv("DISPLAY");
  unsetenv("DISPLAY");
  IPtr<FakeView> view = owned(new FakeView);
  std::string error;
  EXPECT_FALSE(render::RunEditorView(view.get(), "t", {}, error));
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_NE(error.find("DISPLAY"), std::string::npos);
  EXPECT_EQ(view->attachedCalls, 0);
}

} // namespace
