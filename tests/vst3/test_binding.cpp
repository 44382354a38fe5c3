// The binding around a stand-in plug-in: what reaches the plug-in from the host's calls, and
// what reaches the host from the plug-in's frame, the editor's side included.
#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "pluginterfaces/base/keycodes.h"

#include "frame/vst3/IFrameVST3Effect.h"
#include "frame/vst3/IFrameVST3View.h"
#include "vst3/StandInPlug.h"
#include "vst3/VST3TestHost.h"

using namespace mgtest;

namespace {

std::vector<int32> edges(const ViewRect& r) { return {r.left, r.top, r.right, r.bottom}; }

/** A host window: resizes on request and runs a run loop the test turns by hand. */
struct TestPlugFrame : U::Implements<U::Directly<IPlugFrame, Linux::IRunLoop>>
{
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* r) override
  {
    resizes.push_back(*r);
    return view->onSize(r);
  }
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* h, Linux::FileDescriptor fd) override
  {
    fds[h] = fd;
    return kResultTrue;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* h) override { return fds.erase(h) ? kResultTrue : kResultFalse; }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* h, Linux::TimerInterval ms) override
  {
    timers[h] = ms;
    return kResultTrue;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* h) override { return timers.erase(h) ? kResultTrue : kResultFalse; }
  void fireTimers()
  {
    auto copy = timers;
    for (auto& t : copy)
      if (timers.count(t.first))
        t.first->onTimer();
  }

  std::vector<ViewRect> resizes;
  std::map<Linux::IEventHandler*, Linux::FileDescriptor> fds;
  std::map<Linux::ITimerHandler*, Linux::TimerInterval> timers;
};

struct Bound
{
  explicit Bound(bool withEditor = false)
    : effect(new frame::IFrameVST3Effect(std::make_unique<StandInPlug>(withEditor))),
      plug(static_cast<StandInPlug&>(effect->GetPlug())),
      instance(owned(static_cast<IComponent*>(effect)))
  {
  }
  frame::IFrameVST3Effect* effect;
  StandInPlug& plug;
  Instance instance;
};

} // namespace

TEST(TimeInfo, HostWithoutAProcessContextLeavesEverythingAtZero)
{
  Bound b;
  b.instance.setup(kSample64, 64);
  b.instance.process(std::vector<double>(64, 0.1), kSample64);
  ASSERT_EQ(b.plug.mTimeInfos.size(), 1u);
  const frame::ITimeInfo& t = b.plug.mTimeInfos[0];
  EXPECT_EQ(t.mTempo, 0.0);
  EXPECT_EQ(t.mSamplePos, -1.0);
  EXPECT_EQ(t.mPPQPos, 0.0);
  EXPECT_EQ(t.mNumerator, 0);
  EXPECT_FALSE(t.mTransportIsRunning);
  EXPECT_EQ(b.plug.GetSamplesPerBeat(), 0.0);
}

TEST(TimeInfo, OfflineFollowsEachCallsProcessMode)
{
  // Hosts switch to offline for an export without setting processing up again.
  Bound b;
  b.instance.setup(kSample32, 64);
  HostProcessData data;
  data.prepare(*b.instance.component, 64, kSample32);
  data.numSamples = 64;
  for (int32 mode : {kOffline, kRealtime})
  {
    data.processMode = mode;
    b.instance.processor->process(data);
    EXPECT_EQ(b.plug.GetRenderingOffline(), mode == kOffline);
  }
}

TEST(TimeInfo, LastContextStaysWhenTheHostStopsPassingOne)
{
  Bound b;
  b.instance.setup(kSample32, 64);
  ProcessContext context{};
  context.state = ProcessContext::kPlaying | ProcessContext::kCycleActive;
  context.tempo = 140.0;
  context.projectTimeSamples = 4800;
  context.projectTimeMusic = 2.5;
  context.timeSigNumerator = 7;
  context.timeSigDenominator = 8;
  HostProcessData data;
  data.prepare(*b.instance.component, 64, kSample32);
  data.numSamples = 64;
  data.processContext = &context;
  b.instance.processor->process(data);
  data.processContext = nullptr;
  b.instance.processor->process(data);
  ASSERT_EQ(b.plug.mTimeInfos.size(), 2u);
  // The song position told again brings no news: the second call is told none.
  EXPECT_EQ(b.plug.mTimeInfos[0].mPPQPos, 2.5);
  EXPECT_TRUE(std::isnan(b.plug.mTimeInfos[1].mPPQPos));
  for (const frame::ITimeInfo& t : b.plug.mTimeInfos)
  {
    EXPECT_EQ(t.mTempo, 140.0);
    // Without the musical-time flag the sample position is not trusted.
    EXPECT_EQ(t.mSamplePos, -1.0);
    EXPECT_EQ(t.mNumerator, 7);
    EXPECT_EQ(t.mDenominator, 8);
    EXPECT_TRUE(t.mTransportIsRunning);
    EXPECT_TRUE(t.mTransportLoopEnabled);
  }
}

TEST(HostNotifications, AnEditorGestureIsReportedWithTheHostValueSetFirst)
{
  Bound b;
  b.plug.BeginInformHostOfParamChangeFromUI(0);
  b.plug.SendParameterValueFromUI(0, 0.25);
  b.plug.EndInformHostOfParamChangeFromUI(0);
  EXPECT_EQ(b.instance.handler->calls, (std::vector<std::string>{"begin 0", "perform 0 0.25", "end 0"}));
  EXPECT_EQ(b.instance.controller->getParamNormalized(0), 0.25);
  EXPECT_DOUBLE_EQ(b.plug.GetParam(0)->Value(), 0.5);
}

TEST(HostNotifications, DirtyParametersAreOneGroupEdit)
{
  Bound b;
  b.plug.GetParam(2)->Set(2.0);
  b.plug.DirtyParametersFromUI();
  EXPECT_EQ(b.instance.handler->calls,
            (std::vector<std::string>{"group start", "perform 0 0.5", "perform 1 0", "perform 2 1", "group finish"}));
  EXPECT_EQ(b.instance.controller->getParamNormalized(2), 1.0);
}

TEST(HostNotifications, DetailsAndLatencyChangesRestartTheComponent)
{
  Bound b;
  b.plug.InformHostOfParameterDetailsChange();
  b.plug.SetLatency(64);
  EXPECT_EQ(b.instance.handler->calls, (std::vector<std::string>{"restart 16", "restart 8"}));
  EXPECT_EQ(b.instance.processor->getLatencySamples(), 64u);
}

TEST(HostNotifications, APresetRecalledOnThePluginsSideReachesTheHostsValuesAndProgram)
{
  Bound b;
  ASSERT_TRUE(b.plug.RestorePreset(1)); // as the editor's preset menu does
  b.plug.InformHostOfPresetChange();
  EXPECT_EQ(b.instance.handler->calls, std::vector<std::string>{"restart 4"});
  EXPECT_DOUBLE_EQ(b.instance.controller->getParamNormalized(0), 0.75); // gain 1.5 of 0 .. 2
  EXPECT_EQ(b.instance.controller->getParamNormalized(0x10001), 1.0);  // the second of two
}

TEST(HostNotifications, EditorResizeAsksThePlugFrameOnlyForAChange)
{
  Bound b;
  auto view = owned(b.instance.controller->createView(ViewType::kEditor));
  auto frame = owned(new TestPlugFrame);
  view->setFrame(frame);
  EXPECT_TRUE(b.plug.EditorResize(720, 174));
  EXPECT_TRUE(b.plug.EditorResize(800, 200));
  ASSERT_EQ(frame->resizes.size(), 1u);
  EXPECT_EQ(edges(frame->resizes[0]), (std::vector<int32>{0, 0, 800, 200}));
  ViewRect size;
  view->getSize(&size);
  EXPECT_EQ(edges(size), (std::vector<int32>{0, 0, 800, 200}));
}

TEST(HostNotifications, ContextMenuComesFromTheHostAtTheScaledPosition)
{
  Bound b(true);
  EXPECT_FALSE(b.plug.ShowHostContextMenu(1, 10.f, 20.f)); // no view yet
  auto view = owned(b.instance.controller->createView(ViewType::kEditor));
  auto frame = owned(new TestPlugFrame);
  view->setFrame(frame);
  ASSERT_EQ(view->attached(reinterpret_cast<void*>(0x4242), kPlatformTypeX11EmbedWindowID), kResultTrue);
  EXPECT_TRUE(b.plug.ShowHostContextMenu(1, 10.f, 20.f));
  EXPECT_EQ(b.instance.handler->menuParam, 1);
  EXPECT_EQ(b.instance.handler->menuView, view.get());
  EXPECT_EQ(b.instance.handler->menu->poppedAt, (std::vector<UCoord>{20, 40}));
  view->removed();
}

TEST(EditorView, AttachingOpensTheWindowAndRunsOnTheHostsLoop)
{
  Bound b(true);
  auto view = owned(b.instance.controller->createView(ViewType::kEditor));
  auto frame = owned(new TestPlugFrame);
  view->setFrame(frame);
  ASSERT_EQ(view->attached(reinterpret_cast<void*>(0x4242), kPlatformTypeX11EmbedWindowID), kResultTrue);
  ASSERT_TRUE(b.plug.mGraphics);
  EXPECT_EQ(b.plug.mGraphics->mParent, reinterpret_cast<void*>(0x4242));
  ASSERT_TRUE(b.plug.GetEventLoop());
  ASSERT_EQ(frame->timers.size(), 1u);
  EXPECT_EQ(frame->timers.begin()->second, 20u);

  // The editor's own registrations; a handler may remove itself while it runs.
  frame::IEventLoop* loop = b.plug.GetEventLoop();
  int fired = 0, id = 0;
  id = loop->AddTimer(50, [&] {
    ++fired;
    loop->Remove(id);
  });
  EXPECT_GT(loop->AddFd(7, [] {}), 0);
  const int idles = b.plug.mIdles;
  frame->fireTimers();
  frame->fireTimers();
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(b.plug.mIdles, idles + 2);

  view->removed();
  EXPECT_FALSE(b.plug.EditorIsOpen());
  EXPECT_EQ(b.plug.GetEventLoop(), nullptr);
  EXPECT_TRUE(frame->timers.empty());
  EXPECT_TRUE(frame->fds.empty());
}

TEST(EditorView, KeysReachTheDelegateTranslated)
{
  const frame::IKeyPress left = frame::MakeKeyPress(0, KEY_LEFT, kShiftKey);
  EXPECT_EQ(left.VK, 0x25);
  EXPECT_TRUE(left.S);
  const frame::IKeyPress a = frame::MakeKeyPress('a', 0, kCommandKey);
  EXPECT_EQ(a.VK, 'A');
  EXPECT_STREQ(a.utf8, "a");
  EXPECT_TRUE(a.C);
  EXPECT_STREQ(frame::MakeKeyPress(0x00E9, 0, 0).utf8, "\xC3\xA9");
}

TEST(Units, OnePerParameterGroupInOrderOfAppearance)
{
  Bound b;
  ASSERT_EQ(b.instance.units->getUnitCount(), 3);
  UnitInfo unit{};
  b.instance.units->getUnitInfo(2, unit);
  EXPECT_EQ(unit.id, 2);
  EXPECT_EQ(unit.parentUnitId, kRootUnitId);
  EXPECT_EQ(unit.programListId, kNoProgramListId);
  EXPECT_EQ(StringConvert::convert(unit.name, 128), "Modes");
  ParameterInfo info{};
  b.instance.controller->getParameterInfo(1, info);
  EXPECT_EQ(info.unitId, 1);
  b.instance.controller->getParameterInfo(2, info);
  EXPECT_EQ(info.unitId, 2);
  EXPECT_EQ(StringConvert::convert(info.title, 128), "Mode");
}
