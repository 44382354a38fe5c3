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

TEST(Events, BypassedSubnormalsLeaveAsZeroAndNothingNonFiniteOutlivesABypass)
{
  Host host;
  Plugin plug(host);
  ASSERT_TRUE(plug.Start());
  InputEvents on, off;
  on.Param(0, Plugin::kBypass, 1.0);
  off.Param(0, Plugin::kBypass, 0.0);

  // Subnormal in the host's format: 1e-40 is one in 32 bits, a normal number in 64.
  std::vector<double> x(kSignal.begin(), kSignal.end());
  for (size_t i = 0; i < x.size(); i += 3)
    x[i] = i % 2 ? 1e-40 : -1e-42;
  plug.SetInput(x);
  plug.Process(256, &on.list);
  for (size_t i = 0; i < 256; ++i)
    ASSERT_EQ(plug.Out(0)[i], i % 3 ? static_cast<float>(x[i]) : 0.0f) << i;
  double in64[2][4] = {{1e-310, 1e-40, -4.9e-324, 0.25}, {0.5, -1e-309, NAN, 1e-300}};
  double out64[2][4] = {};
  double* ins[2] = {in64[0], in64[1]};
  double* outs[2] = {out64[0], out64[1]};
  clap_audio_buffer_t input{nullptr, ins, 2, 0, 0}, output{nullptr, outs, 2, 0, 0};
  clap_process_t p{};
  p.steady_time = -1;
  p.frames_count = 4;
  p.audio_inputs = &input;
  p.audio_outputs = &output;
  p.audio_inputs_count = p.audio_outputs_count = 1;
  InputEvents none;
  p.in_events = &none.list;
  p.out_events = &plug.out.list;
  plug.ProcessRaw(&p);
  EXPECT_EQ(std::vector<double>(out64[0], out64[0] + 4), (std::vector<double>{0.0, 1e-40, 0.0, 0.25}));
  EXPECT_EQ(out64[1][0], 0.5);
  EXPECT_EQ(out64[1][1], 0.0);
  EXPECT_TRUE(std::isnan(out64[1][2])) << "a bypass passes what it is given";
  EXPECT_EQ(out64[1][3], 1e-300);

  // A NaN enters the filters just after a control update (one per 48 samples), then the
  // host bypasses before the next.
  plug.SetInput(kSignal);
  plug.Process(1, &off.list);
  plug.Process(47);
  x.assign(kSignal.begin(), kSignal.end());
  x[2] = NAN;
  plug.SetInput(x);
  plug.Process(10);
  ASSERT_FALSE(std::isfinite(plug.Out(0)[9]));
  plug.Process(64, &on.list);
  plug.SetInput(kSignal);
  plug.Process(512, &off.list);
  int nonFinite = 0;
  for (size_t i = 0; i < 512; ++i)
    nonFinite += !std::isfinite(plug.Out(0)[i]) || !std::isfinite(plug.Out(1)[i]);
  EXPECT_EQ(nonFinite, 0) << "samples out after the bypass";
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
  EXPECT_NE(plug.Process(0, &mix.list), CLAP_PROCESS_ERROR); // silence: asleep
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
    EXPECT_NE(plug.ProcessRaw(&p), CLAP_PROCESS_ERROR);
  }
  for (float v : l)
    EXPECT_TRUE(std::isfinite(v));
}
