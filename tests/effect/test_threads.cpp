// Which thread owns the signal path's settings: while the host may process, changes made on
// the main thread reach them on the audio thread, at the start of the next processing call.
// The concurrent case is the one ThreadSanitizer watches.
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

using Access = TrellowPhaserTestAccess;

namespace {
void processOnce(TrellowPhaser& plug, int n = 64)
{
  std::vector<double> l(static_cast<size_t>(n), 0.1), r(static_cast<size_t>(n), -0.1);
  const double* in[2] = {l.data(), r.data()};
  double* out[2] = {l.data(), r.data()};
  frame::AudioThreadScope audio;
  plug.ProcessBuffers(in, 2, out, 2, n);
}
} // namespace

TEST(SignalPathThread, EditsWhileActiveAreHeardFromTheNextProcessingCall)
{
  EffectHost<> host;
  TrellowPhaser& plug = host.plug();
  plug.SetActive(true);
  plug.SendParameterValueFromUI(kParamFeedback, 1.0);
  plug.changePreset(7); // "Vibrato": Mix 1
  EXPECT_EQ(Access::feedback(plug), 0.0) << "the main thread never writes the signal path's settings";
  EXPECT_EQ(Access::wetGain(plug), std::sqrt(0.5));
  processOnce(plug);
  EXPECT_EQ(Access::feedback(plug), 0.0) << "the preset's value, heard in that call";
  EXPECT_EQ(Access::wetGain(plug), 1.0);
  EXPECT_EQ(host.param(kParamMix).Value(), 1.0);

  // Inactive again: the main thread owns the settings and applies at once.
  plug.SendParameterValueFromUI(kParamFeedback, 1.0);
  EXPECT_EQ(Access::feedback(plug), 0.0);
  plug.SetActive(false);
  EXPECT_EQ(Access::feedback(plug), 0.99) << "what waited is applied when processing ends";
  plug.SendParameterValueFromUI(kParamFeedback, 0.0);
  EXPECT_EQ(Access::feedback(plug), -0.99);
}

TEST(SignalPathThread, KnobsPresetsAndStatesOnTheMainThreadRaceNothingOnTheAudioThread)
{
  EffectHost<> host(48000.0, 256);
  TrellowPhaser& plug = host.plug();
  frame::IByteChunk saved;
  ASSERT_TRUE(plug.SaveState(saved));
  plug.SetActive(true);

  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::thread audio([&] {
    std::vector<double> l(256), r(256);
    const double* in[2] = {l.data(), r.data()};
    double* out[2] = {l.data(), r.data()};
    frame::AudioThreadScope scope;
    for (long b = 0; !stop.load(std::memory_order_relaxed); ++b)
    {
      for (size_t i = 0; i < l.size(); ++i)
        l[i] = r[i] = std::sin(0.01 * static_cast<double>(b * 256 + static_cast<long>(i)));
      if (b % 5 == 0)
        plug.ApplyHostParamChange(kParamManual, static_cast<double>(b % 100) / 100.0);
      plug.ProcessBuffers(in, 2, out, 2, 64 + static_cast<int>(b % 193));
      for (double v : l)
        ASSERT_TRUE(std::isfinite(v));
      blocks.fetch_add(1, std::memory_order_relaxed);
    }
  });

  // Both sides keep going until each has done plenty while the other ran.
  for (int round = 0; round < 300 || blocks.load(std::memory_order_relaxed) < 500; ++round)
  {
    for (int idx = 0; idx < kNumParams; ++idx)
    {
      plug.BeginInformHostOfParamChangeFromUI(idx);
      plug.SendParameterValueFromUI(idx, static_cast<double>((round * 7 + idx * 3) % 11) / 10.0);
      plug.EndInformHostOfParamChangeFromUI(idx);
    }
    plug.changePreset(round % kNumPresets);
    if (round % 3 == 0)
    {
      EXPECT_TRUE(plug.LoadState(saved));
    }
    if (round % 10 == 0)
      std::this_thread::yield();
  }
  stop = true;
  audio.join();

  // After the last load, the next call hears exactly the saved values.
  ASSERT_TRUE(plug.LoadState(saved));
  processOnce(plug);
  EXPECT_EQ(Access::feedback(plug), host.param(kParamFeedback).Value() * 0.99);
  EXPECT_EQ(Access::numStages(plug), 4);
}
