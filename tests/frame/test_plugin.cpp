#include <gtest/gtest.h>

#include "TestPlugin.h"
#include "frame/IFrameQueue.h"

using frame::EParamSource;

namespace {
// Records what the frame pushes into an "open editor".
class FakeGraphics : public frame::graphics::IGraphicsContext
{
public:
  void* OpenWindow(void*) override { open = true; return this; }
  void CloseWindow() override { open = false; }
  bool WindowIsOpen() const override { return open; }
  int Width() const override { return w; }
  int Height() const override { return h; }
  float GetDrawScale() const override { return scale; }
  void Resize(int width, int height, float s, bool) override { w = width; h = height; scale = s; }
  void SetScreenScale(float) override {}
  void SetControlValueFromDelegate(int idx, double v) override { pushed.push_back({idx, v}); }
  void SetAllControlsDirty() override {}

  bool open = false;
  int w = 720, h = 174;
  float scale = 1.f;
  std::vector<std::pair<int, double>> pushed;
};

class EditorPlugin : public TestPlugin
{
public:
  EditorPlugin()
  {
    mMakeGraphicsFunc = [this] { return graphics = new FakeGraphics; };
  }
  FakeGraphics* graphics = nullptr;
};
} // namespace

TEST(Identity, VersionsAndNames)
{
  TestPlugin p;
  frame::IString s;
  p.GetPluginVersionStr(s);
  EXPECT_STREQ(s.Get(), "v2.0.1");
  EXPECT_EQ(p.GetPluginVersion(true), 20001);
  EXPECT_STREQ(p.GetAPIStr(), "") << "no binding yet";
  p.SetAPI(1);
  EXPECT_STREQ(p.GetAPIStr(), "VST3");
  p.GetBuildInfoStr(s, "Jan 1 2026", "12:34:56");
  EXPECT_STREQ(s.Get(), "v2.0.1 VST3 (x86-64), built on Jan 1 2026 at 12:34 ");
  EXPECT_EQ(p.GetMinWidth(), 360); // the limits are sorted
  EXPECT_EQ(p.GetMaxWidth(), 1440);
}

TEST(Identity, HostsAreRecognisedBySubstringInTableOrder)
{
  EXPECT_EQ(frame::IPluginBase::LookUpHost("WaveLab Elements 12"), 32);
  EXPECT_EQ(frame::IPluginBase::LookUpHost("WaveLab Pro"), 31);
  EXPECT_EQ(frame::IPluginBase::LookUpHost("Ardour"), 28);
  EXPECT_EQ(frame::IPluginBase::LookUpHost("Harrison Mixbus"), 45);
  EXPECT_EQ(frame::IPluginBase::LookUpHost("Ableton Live"), 9);
  EXPECT_EQ(frame::IPluginBase::LookUpHost("something else"), 0);
  TestPlugin p;
  EXPECT_EQ(p.GetHost(), frame::kHostUninit);
  p.Initialize("REAPER");
  EXPECT_EQ(p.GetHost(), 1);
}

TEST(ChangePaths, InitialisationRunsEveryHandlerOnceInOrder)
{
  TestPlugin p;
  p.Initialize("x");
  EXPECT_EQ(p.changes, (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(p.uiChanges.size(), 3u);
  EXPECT_EQ(p.uiChanges[0].second, frame::kSourceReset);
}

TEST(ChangePaths, HostAutomationReachesTheEffectAndIgnoresUnknownIds)
{
  TestPlugin p;
  p.ApplyHostParamChange(0, 0.5);
  p.ApplyHostParamChange(7, 0.5);
  EXPECT_EQ(p.changes, (std::vector<int>{0}));
  EXPECT_DOUBLE_EQ(p.GetParam(0)->Value(), 2.0);
}

TEST(ChangePaths, ControllerSideValueReachesOnlyTheEditor)
{
  EditorPlugin p;
  p.OpenWindow(nullptr);
  p.graphics->pushed.clear();
  p.SetParameterFromHostController(1, 1.0);
  EXPECT_TRUE(p.changes.empty());
  EXPECT_TRUE(p.GetParam(1)->Bool());
  ASSERT_EQ(p.graphics->pushed.size(), 1u);
  EXPECT_EQ(p.graphics->pushed[0], (std::pair<int, double>{1, 1.0}));
}

TEST(ChangePaths, EditorValueSetsTellsHostAndNotifies)
{
  TestPlugin p;
  p.SendParameterValueFromUI(2, 1.0);
  EXPECT_EQ(p.GetParam(2)->Value(), 2.0);
  EXPECT_EQ(p.changes, (std::vector<int>{2}));
  ASSERT_FALSE(p.uiChanges.empty());
  EXPECT_EQ(p.uiChanges.back().second, frame::kSourceEditor);
}

TEST(ChangePaths, OpeningTheEditorPushesEveryValue)
{
  EditorPlugin p;
  ASSERT_NE(p.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(p.graphics->pushed.size(), 3u);
  EXPECT_DOUBLE_EQ(p.graphics->pushed[0].second, 0.25);
  p.CloseWindow();
  EXPECT_EQ(p.GetUI(), nullptr);
}

TEST(ChangePaths, EditorSizeAndScaleSurviveCloseAndReopen)
{
  EditorPlugin p;
  p.OpenWindow(nullptr);
  p.graphics->Resize(1440, 348, 0.5f, false);
  p.CloseWindow();
  p.OpenWindow(nullptr);
  EXPECT_EQ(p.graphics->w, 1440);
  EXPECT_EQ(p.graphics->scale, 0.5f);
}

TEST(ChangePaths, EditorPushesFromTheAudioThreadWaitForTheIdleTimer)
{
  EditorPlugin p;
  p.OpenWindow(nullptr);
  p.graphics->pushed.clear();
  {
    frame::AudioThreadScope audio;
    p.SendParameterValueFromDelegate(0, 0.75, true);
  }
  EXPECT_TRUE(p.graphics->pushed.empty());
  p.GetIdleTimer()->Fire();
  ASSERT_EQ(p.graphics->pushed.size(), 1u);
  EXPECT_DOUBLE_EQ(p.graphics->pushed[0].second, 0.75);
}

TEST(Presets, RestoreRefusesBadSlotsAndKeepsTheIndex)
{
  TestPlugin p;
  EXPECT_FALSE(p.RestorePreset(-1));
  EXPECT_FALSE(p.RestorePreset(2));
  EXPECT_FALSE(p.RestorePreset(1)); // empty chunk: nothing to restore
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
  EXPECT_STREQ(p.GetPresetName(5), "");
}

TEST(Presets, ModifyStoresCurrentValuesAndRestoreBringsThemBack)
{
  TestPlugin p;
  p.GetParam(0)->Set(3.0);
  p.ModifyCurrentPreset("mine");
  p.GetParam(0)->Set(1.0);
  p.changes.clear();
  EXPECT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.GetParam(0)->Value(), 3.0);
  EXPECT_STREQ(p.GetPresetName(0), "mine");
  EXPECT_EQ(p.changes, (std::vector<int>{0, 1, 2}));
}

TEST(State, ParamsRoundTripAndShortChunksFail)
{
  TestPlugin p;
  p.GetParam(0)->Set(2.5);
  frame::IByteChunk chunk;
  ASSERT_TRUE(p.SerializeState(chunk));
  EXPECT_EQ(chunk.Size(), 24);
  TestPlugin q;
  EXPECT_EQ(q.UnserializeState(chunk, 0), 24);
  EXPECT_EQ(q.GetParam(0)->Value(), 2.5);
  chunk.Resize(12);
  EXPECT_EQ(q.UnserializeState(chunk, 0), -1);
}

TEST(Queues, SingleProducerRingDropsWhenFull)
{
  frame::IFrameQueue<int> q(2);
  EXPECT_TRUE(q.Push(1));
  EXPECT_TRUE(q.Push(2));
  EXPECT_FALSE(q.Push(3));
  int v = 0;
  EXPECT_TRUE(q.Pop(v));
  EXPECT_EQ(v, 1);
  EXPECT_TRUE(q.Push(4));
  EXPECT_EQ(q.ElementsAvailable(), 2u);
}

TEST(IdleTimer, RunsOnIdleAndStopsForGood)
{
  struct IdlePlugin : TestPlugin
  {
    void OnIdle() override { ++idles; }
    int idles = 0;
  } p;
  ASSERT_NE(p.GetIdleTimer(), nullptr);
  EXPECT_EQ(p.GetIdleTimer()->PeriodMs(), 20);
  p.GetIdleTimer()->Fire();
  p.GetIdleTimer()->Stop();
  p.GetIdleTimer()->Fire();
  EXPECT_EQ(p.idles, 1);
}
