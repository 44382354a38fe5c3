// The process call: events at their sample positions, the transport, bad input.
#include <cmath>

#include <gtest/gtest.h>

#include "pluginterfaces/vst/ivstprocesscontext.h"

#include "ClapTestHost.h"
#include "vst3/Bundle.h"

using claptest::Host;
using claptest::InputEvents;
using claptest::Plugin;

namespace {
const std::vector<double> kSignal = mgtest::testSignal(8192);

std::vector<float> left(const Plugin& p, size_t n) { return std::vector<float>(p.Out(0).begin(), p.Out(0).begin() + static_cast<long>(n)); }

size_t firstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i])
      return i;
  return std::min(a.size(), b.size());
}
} // namespace

TEST(Events, AValueChangeIsHeardFromTheControlUpdateAtItsFrameOn)
{
  constexpr clap_id kManual = 1;
  Host host;
  Plugin changed(host), split(host), unchanged(host);
  for (Plugin* p : {&changed, &split, &unchanged})
  {
    ASSERT_TRUE(p->Start());
    p->SetInput(kSignal);
  }
  InputEvents at100;
  at100.Param(100, kManual, 0.8);
  ASSERT_EQ(changed.Process(512, &at100.list), CLAP_PROCESS_CONTINUE);
  ASSERT_EQ(unchanged.Process(512), CLAP_PROCESS_CONTINUE);

  // The same change at the start of a block that begins at frame 100.
  split.Process(100);
  const std::vector<float> head = left(split, 100);
  InputEvents at0;
  at0.Param(0, kManual, 0.8);
  split.SetInput(kSignal, 100);
  split.Process(412, &at0.list);
  std::vector<float> whole = head;
  whole.insert(whole.end(), split.Out(0).begin(), split.Out(0).begin() + 412);
  EXPECT_EQ(left(changed, 512), whole);

  // Control updates fall every 48 samples at 48 kHz: the first after frame 100 is at 144.
  EXPECT_EQ(firstDifference(left(changed, 512), left(unchanged, 512)), 144u);
}

TEST(Events, LateEarlyAndUnknownEventsTakeEffectWhereTheBlockHasGot)
{
  Host host;
  Plugin shuffled(host), ordered(host);
  InputEvents bad, good;
  bad.Param(300, 6, 1.0);
  bad.Param(100, 1, 0.9); // earlier than the one before: taken at 300
  bad.Param(200, 4242, 0.3);
  bad.Param(250, 65537, 1.0);
  bad.Param(9999, 2, 0.7); // past the block: taken at its end
  good.Param(300, 6, 1.0);
  good.Param(300, 1, 0.9);
  good.Param(512, 2, 0.7);
  for (auto [plug, events] : {std::pair{&shuffled, &bad}, std::pair{&ordered, &good}})
  {
    ASSERT_TRUE(plug->Start());
    plug->SetInput(kSignal);
    ASSERT_EQ(plug->Process(512, &events->list), CLAP_PROCESS_CONTINUE);
  }
  EXPECT_EQ(left(shuffled, 512), left(ordered, 512));
  EXPECT_DOUBLE_EQ(shuffled.Value(2), 0.7);
}

TEST(Events, BypassFromItsFramePassesTheInputThrough)
{
  Host host;
  Plugin plug(host);
  ASSERT_TRUE(plug.Start());
  plug.SetInput(kSignal);
  InputEvents events;
  events.Param(256, Plugin::kBypass, 1.0);
  plug.Process(512, &events.list);
  for (size_t i = 0; i < 512; ++i)
    ASSERT_EQ(plug.Out(0)[i] == static_cast<float>(kSignal[i]), i >= 256) << i;
  EXPECT_EQ(plug.Value(Plugin::kBypass), 1.0);
}

TEST(Transport, SyncedLFOFollowsTheTransportAsInVST3)
{
  // At 32768 Hz and 120 bpm a 512-frame block is 1/32 beat, exact in either format.
  constexpr double kRate = 32768.0, kTempo = 120.0;
  Host host;
  Plugin clap(host), event(host), later(host);
  mgtest::Instance vst3(mgtest::createComponent());
  ASSERT_EQ(vst3.setup(Steinberg::Vst::kSample32, 512, kRate), Steinberg::kResultOk);
  InputEvents sync;
  sync.Param(0, 7, 1.0);
  sync.Param(0, 5, 1.0);
  for (Plugin* p : {&clap, &event, &later})
    ASSERT_TRUE(p->Start(kRate));
  Steinberg::Vst::ParameterChanges vst3Sync;
  mgtest::fillChanges(vst3Sync, {{7, 0, 1.0}, {5, 0, 1.0}});

  for (int block = 0; block < 16; ++block)
  {
    const double beats = 3.0 + block / 32.0;
    const std::vector<double> in(kSignal.begin() + block * 512, kSignal.begin() + (block + 1) * 512);
    const clap_event_transport_t t = InputEvents::Transport(kTempo, beats, true);
    const clap_event_transport_t t2 = InputEvents::Transport(kTempo, beats + 0.375, true);
    InputEvents asEvent;
    if (block == 0)
    {
      asEvent.Param(0, 7, 1.0);
      asEvent.Param(0, 5, 1.0);
    }
    asEvent.Transport(0, kTempo, beats);
    for (Plugin* p : {&clap, &event, &later})
      p->SetInput(in);
    clap.Process(512, block == 0 ? &sync.list : nullptr, false, &t);
    event.Process(512, &asEvent.list);
    later.Process(512, block == 0 ? &sync.list : nullptr, false, &t2);

    Steinberg::Vst::HostProcessData data;
    data.prepare(*vst3.component, 512, Steinberg::Vst::kSample32);
    data.numSamples = 512;
    Steinberg::Vst::ProcessContext ctx{};
    ctx.state = Steinberg::Vst::ProcessContext::kPlaying | Steinberg::Vst::ProcessContext::kTempoValid |
                Steinberg::Vst::ProcessContext::kProjectTimeMusicValid;
    ctx.tempo = kTempo;
    ctx.projectTimeMusic = beats;
    ctx.sampleRate = kRate;
    data.processContext = &ctx;
    data.inputParameterChanges = block == 0 ? &vst3Sync : nullptr;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < 512; ++i)
        data.inputs[0].channelBuffers32[c][i] = static_cast<float>(in[static_cast<size_t>(i)]);
    vst3.processor->process(data);
    const std::vector<float> vst3Out(data.outputs[0].channelBuffers32[0], data.outputs[0].channelBuffers32[0] + 512);
    ASSERT_EQ(left(clap, 512), vst3Out) << "block " << block;
    ASSERT_EQ(left(event, 512), vst3Out) << "block " << block;
    if (block > 0)
    {
      EXPECT_NE(left(later, 512), vst3Out) << "later in the song is elsewhere in the sweep, block " << block;
    }
  }
}

TEST(BadInput, NullBuffersNoFramesLongBlocksAndStrangeChannelsAreSurvived)
{
  Host host;
  Plugin plug(host), blocks(host);
  ASSERT_TRUE(plug.Start(48000.0, 512));
  ASSERT_TRUE(blocks.Start(48000.0, 512));
  EXPECT_EQ(plug.ProcessRaw(nullptr), CLAP_PROCESS_ERROR);

  // No frames: the events still count.
  InputEvents mix;
  mix.Param(0, 6, 0.9);
  EXPECT_EQ(plug.Process(0, &mix.list), CLAP_PROCESS_CONTINUE);
  EXPECT_DOUBLE_EQ(plug.Value(6), 0.9);
  blocks.Process(0, &mix.list);

  // Eight times the announced block at once sounds like eight blocks.
  plug.SetInput(kSignal);
  ASSERT_EQ(plug.Process(4096), CLAP_PROCESS_CONTINUE);
  std::vector<float> pieces;
  for (int b = 0; b < 8; ++b)
  {
    blocks.SetInput(kSignal, static_cast<size_t>(b) * 512);
    blocks.Process(512);
    pieces.insert(pieces.end(), blocks.Out(0).begin(), blocks.Out(0).begin() + 512);
  }
  EXPECT_EQ(left(plug, 4096), pieces);

  // Buffers missing at every level.
  float l[64] = {}, r[64] = {};
  float* withNull[2] = {l, nullptr};
  float* both[2] = {l, r};
  clap_audio_buffer_t noData{nullptr, nullptr, 2, 0, 0};
  clap_audio_buffer_t oneNull{withNull, nullptr, 2, 0, 0};
  clap_audio_buffer_t many{both, nullptr, 2, 0, 0};
  clap_audio_buffer_t mono{both, nullptr, 1, 0, 0};
  clap_audio_buffer_t* cases[][2] = {{nullptr, nullptr}, {&noData, &noData}, {&oneNull, &oneNull},
                                     {&mono, &many}, {&many, &mono}, {&noData, &many}, {&many, nullptr}};
  for (auto& [in, out] : cases)
  {
    clap_process_t p{};
    p.frames_count = 64;
    p.audio_inputs = in;
    p.audio_outputs = out;
    p.audio_inputs_count = in ? 1 : 3; // a count without buffers
    p.audio_outputs_count = out ? 1 : 3;
    EXPECT_EQ(plug.ProcessRaw(&p), CLAP_PROCESS_CONTINUE);
  }
  for (float v : l)
    EXPECT_TRUE(std::isfinite(v));
}
