// One song through both formats as Qtractor drives them: CLAP told the exact beat and second
// every block, LV2 a time:Position only when the beat number changes, with time:beat counted
// from 1 within the bar and time:barBeat the whole beats before the bar (time:frame exact).
// A synced sweep must sound the same in both.
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "lv2/time/time.h"

#include "ClapTestHost.h"
#include "Lv2TestHost.h"
#include "effect/params.h"
#include "vst3/VST3TestHost.h"

using claptest::Host;
using claptest::InputEvents;
using claptest::Plugin;

namespace {
constexpr double kRate = 48000.0, kTempo = 120.0;
constexpr int kBlock = 1024;
constexpr float kQuarterSweep = 14.0f / 19.0f; // "1/4"

void forgeQtractorPosition(Lv2Instance& in, int64_t frame, double beats)
{
  const double whole = std::floor(beats);
  const double bar = std::floor(whole / 4.0);
  LV2_Atom_Forge& f = in.forge;
  LV2_Atom_Forge_Frame obj;
  lv2_atom_forge_frame_time(&f, 0);
  lv2_atom_forge_object(&f, &obj, 0, in.urids.Map(LV2_TIME__Position));
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__frame));
  lv2_atom_forge_long(&f, frame);
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__speed));
  lv2_atom_forge_float(&f, 1.0f);
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__bar));
  lv2_atom_forge_long(&f, static_cast<int64_t>(bar));
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__beat));
  lv2_atom_forge_double(&f, whole - bar * 4.0 + 1.0);
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__barBeat));
  lv2_atom_forge_float(&f, static_cast<float>(bar * 4.0));
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__beatUnit));
  lv2_atom_forge_int(&f, 4);
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__beatsPerBar));
  lv2_atom_forge_float(&f, 4.0f);
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&f, static_cast<float>(kTempo));
  lv2_atom_forge_pop(&f, &obj);
}

clap_event_transport_t clapTransport(int64_t frame, double beats)
{
  clap_event_transport_t t = InputEvents::Transport(kTempo, beats, true);
  t.flags |= CLAP_TRANSPORT_HAS_SECONDS_TIMELINE;
  t.song_pos_seconds = static_cast<clap_sectime>(std::llround(static_cast<double>(frame) / kRate * CLAP_SECTIME_FACTOR));
  return t;
}
} // namespace

TEST(QtractorSync, TheLv2SweepIsTheClapSweepOfTheSameSong)
{
  if (!Lv2Descriptor())
    GTEST_SKIP() << "the LV2 module is not built";
  const std::vector<double> signal = mgtest::testSignal(kBlock);
  Host host;
  Plugin clap(host);
  ASSERT_TRUE(clap.Start(kRate, kBlock));
  InputEvents synced;
  synced.Param(0, kParamSync, 1.0);
  synced.Param(0, kParamLFOSpeed, kQuarterSweep);
  auto lv2 = std::make_unique<Lv2Instance>(kBlock);
  lv2->ConnectAll(kBlock);
  lv2->params[kParamSync] = 1.0f;
  lv2->params[kParamLFOSpeed] = kQuarterSweep;

  double toldBeat = -1.0;
  for (int64_t frame = 0; frame < 10 * static_cast<int64_t>(kRate); frame += kBlock)
  {
    const double beats = static_cast<double>(frame) * kTempo / (60.0 * kRate);
    lv2->BeginSequence();
    if (std::floor(beats) != toldBeat)
    {
      toldBeat = std::floor(beats);
      forgeQtractorPosition(*lv2, frame, beats);
    }
    lv2->EndSequence();
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < kBlock; ++i)
        (c ? lv2->inR : lv2->inL)[static_cast<size_t>(i)] = static_cast<float>(signal[static_cast<size_t>(i)]);
    clap.SetInput(signal);
    lv2->d->run(lv2->handle, kBlock);
    const clap_event_transport_t t = clapTransport(frame, beats);
    clap.Process(kBlock, frame == 0 ? &synced.list : nullptr, false, &t);
    for (int c = 0; c < 2; ++c)
    {
      const std::vector<float>& lv2Out = c ? lv2->outR : lv2->outL;
      for (int i = 0; i < kBlock; ++i)
        ASSERT_EQ(lv2Out[static_cast<size_t>(i)], clap.Out(c)[static_cast<size_t>(i)])
          << "channel " << c << ", frame " << frame + i;
    }
  }
}
