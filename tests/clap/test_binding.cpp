// The binding around a stand-in plug-in, for what no host call can show from outside: the
// editor's gestures on their way to the host.
#include <gtest/gtest.h>

#include "ClapTestHost.h"
#include "frame/AudioThread.h"
#include "frame/Descriptor.h"
#include "frame/clap/IFrameCLAP.h"
#include "vst3/StandInPlug.h"

namespace frame {
// The binding reads the module's plug-in from here; this program has the stand-in.
const Descriptor& PluginDescriptor()
{
  static const float scales[] = {0.5f, 1.f};
  static const Descriptor d = [] {
    Descriptor s{};
    s.name = "Stand-in";
    s.version = "1.0.0";
    s.reverseDomainId = "com.example.standin";
    s.channelIO = "2-2";
    s.editorScales = scales;
    s.numEditorScales = 2;
    return s;
  }();
  return d;
}
IFramePlugin* CreatePlugin() { return new StandInPlug; }
} // namespace frame

namespace {
struct WatchedPlug : StandInPlug
{
  using StandInPlug::OnParamChange;
  void OnParamChange(int idx) override { heard.push_back({idx, frame::IsAudioThread()}); }
  std::vector<std::pair<int, bool>> heard; // index, on the audio thread
};

struct Bound
{
  Bound() : clap(new frame::IFrameCLAP(&host.clap, std::make_unique<WatchedPlug>())), plug(static_cast<WatchedPlug&>(clap->GetPlug()))
  {
    clap->ClapPlugin()->init(clap->ClapPlugin());
  }
  ~Bound() { clap->ClapPlugin()->destroy(clap->ClapPlugin()); }

  void editorTurns(int idx, double normalized)
  {
    plug.BeginInformHostOfParamChangeFromUI(idx);
    plug.SendParameterValueFromUI(idx, normalized);
    plug.EndInformHostOfParamChangeFromUI(idx);
  }
  clap_process_status process(uint32_t frames)
  {
    float l[64] = {}, r[64] = {};
    float* ch[2] = {l, r};
    clap_audio_buffer_t buffer{ch, nullptr, 2, 0, 0};
    clap_process_t p{};
    p.frames_count = frames;
    p.audio_inputs = p.audio_outputs = &buffer;
    p.audio_inputs_count = p.audio_outputs_count = 1;
    p.in_events = &none.list;
    p.out_events = &out.list;
    host.inAudio = true;
    const clap_process_status status = clap->ClapPlugin()->process(clap->ClapPlugin(), &p);
    host.inAudio = false;
    return status;
  }

  claptest::Host host;
  frame::IFrameCLAP* clap;
  WatchedPlug& plug;
  claptest::InputEvents none;
  claptest::OutputEvents out;
};

const std::vector<std::string> kTurn2 = {"begin 2", "value 2 2", "end 2"}; // Mode, to "C"
} // namespace

TEST(EditorGestures, ReachTheHostByFlushWhileNotProcessing)
{
  Bound b;
  EXPECT_STREQ(b.plug.GetAPIStr(), "CLAP") << "the plug-in knows its format";
  b.editorTurns(2, 1.0);
  EXPECT_GT(b.host.flushRequests, 0) << "the host is asked to flush";
  EXPECT_GT(b.host.dirty, 0);
  const auto* params = static_cast<const clap_plugin_params_t*>(b.clap->GetExtension(CLAP_EXT_PARAMS));
  params->flush(b.clap->ClapPlugin(), &b.none.list, &b.out.list);
  EXPECT_EQ(b.out.log, kTurn2);
  b.out.log.clear();
  params->flush(b.clap->ClapPlugin(), &b.none.list, &b.out.list);
  EXPECT_TRUE(b.out.log.empty()) << "each gesture once";
}

TEST(EditorGestures, ReachTheHostAndTheSignalPathInTheNextProcessCall)
{
  Bound b;
  ASSERT_TRUE(b.clap->ClapPlugin()->activate(b.clap->ClapPlugin(), 48000.0, 1, 64));
  b.host.inAudio = true;
  ASSERT_TRUE(b.clap->ClapPlugin()->start_processing(b.clap->ClapPlugin()));
  b.host.inAudio = false;
  b.plug.heard.clear();
  const int flushes = b.host.flushRequests;
  b.editorTurns(2, 1.0);
  EXPECT_EQ(b.host.flushRequests, flushes) << "processing runs anyway";
  EXPECT_TRUE(b.plug.heard.empty()) << "the signal path is the audio thread's while active";
  EXPECT_NE(b.process(64), CLAP_PROCESS_ERROR);
  EXPECT_EQ(b.out.log, kTurn2);
  EXPECT_EQ(b.plug.heard, (std::vector<std::pair<int, bool>>{{2, true}}));

  // All values at once, as the editor asks after a preset of its own.
  b.out.log.clear();
  b.plug.DirtyParametersFromUI();
  b.process(0);
  EXPECT_EQ(b.out.log, (std::vector<std::string>{"value 0 0.5", "value 1 0", "value 2 2"}));
  b.clap->ClapPlugin()->deactivate(b.clap->ClapPlugin());
}

TEST(EditorGestures, HostLearnsOfPresetsTextsLatencyResizesAndMenus)
{
  Bound b;
  ASSERT_TRUE(b.plug.RestorePreset(1));
  b.plug.InformHostOfPresetChange();
  b.plug.InformHostOfParameterDetailsChange();
  EXPECT_EQ(b.host.rescans, (std::vector<uint32_t>{CLAP_PARAM_RESCAN_VALUES, CLAP_PARAM_RESCAN_TEXT}));
  b.plug.SetLatency(64);
  EXPECT_EQ(b.host.restarts, 1);
  EXPECT_TRUE(b.clap->ResizeEditor(1440, 348));
  EXPECT_EQ(b.host.resizeRequests, (std::vector<std::pair<uint32_t, uint32_t>>{{1440, 348}}));
  EXPECT_FALSE(b.clap->ResizeEditor(0, 348));
  EXPECT_TRUE(b.plug.ShowHostContextMenu(1, 10.f, 20.f));
  EXPECT_FALSE(b.plug.ShowHostContextMenu(7, 10.f, 20.f));
  EXPECT_EQ(b.host.popups, (std::vector<std::array<int, 3>>{{1, 10, 20}}));
}
