// A quiet instance through the VST 3 ABI: its tail against its ring, the silence flags in
// and out, and the sound after the skipped silence.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "vst3/Bundle.h"

using namespace mgtest;

namespace {
constexpr int32 kBlock = 256;
constexpr double kQuiet = 1e-6; // -120 dBFS

struct Call
{
  std::vector<float> left, right;
  uint64 flags = 0;
};

Call run(Instance& plug, const std::vector<double>& x, uint64 inputFlags, IParameterChanges* changes = nullptr)
{
  HostProcessData data;
  data.prepare(*plug.component, kBlock, kSample32);
  data.numSamples = kBlock;
  data.inputParameterChanges = changes;
  for (int32 c = 0; c < 2; ++c)
    for (int32 i = 0; i < kBlock; ++i)
    {
      data.inputs[0].channelBuffers32[c][i] = static_cast<float>(x[static_cast<size_t>(i)]);
      data.outputs[0].channelBuffers32[c][i] = 0.5f; // what the host left there
    }
  data.inputs[0].silenceFlags = inputFlags;
  plug.processor->process(data);
  Call call;
  call.left.assign(data.outputs[0].channelBuffers32[0], data.outputs[0].channelBuffers32[0] + kBlock);
  call.right.assign(data.outputs[0].channelBuffers32[1], data.outputs[0].channelBuffers32[1] + kBlock);
  call.flags = data.outputs[0].silenceFlags;
  return call;
}

std::vector<double> noise(uint64_t& seed)
{
  std::vector<double> x(kBlock);
  for (double& v : x)
  {
    seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
    v = static_cast<double>(seed >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }
  return x;
}
} // namespace

TEST(Silence, FlaggedSilencePastTheTailSkipsTheSignalPathAndWakesAsIfItHadNot)
{
  // The reference's silence is 1e-30: the signal path's own offset swallows it to the bit,
  // yet it is no silence, so the reference never skips.
  Instance sleeper(createComponent()), reference(createComponent());
  ParameterChanges settings;
  fillChanges(settings, {{0, 0, 1.0}, {3, 0, 0.95}}); // 8 stages, feedback 90 %
  uint64_t seed = 11;
  for (Instance* p : {&sleeper, &reference})
  {
    ASSERT_EQ(p->setup(kSample32, kBlock), kResultOk);
    run(*p, std::vector<double>(kBlock, 0.5), 0, &settings);
  }
  const uint32 tail = sleeper.processor->getTailSamples();
  for (int b = 0; b < 48000 / kBlock; ++b)
  {
    const std::vector<double> x = noise(seed);
    EXPECT_EQ(run(sleeper, x, 0).flags, 0u);
    run(reference, x, 0);
  }

  const std::vector<double> zeros(kBlock, 0.0), tiny(kBlock, 1e-30);
  long ringEnd = 0, skippedFrom = -1;
  for (long done = 0; done < 2 * 48000; done += kBlock)
  {
    const Call want = run(reference, tiny, 0);
    const Call got = run(sleeper, zeros, 3);
    for (int32 i = 0; i < kBlock; ++i)
      if (std::fabs(want.left[i]) >= kQuiet || std::fabs(want.right[i]) >= kQuiet)
        ringEnd = done + i + 1;
    if (got.flags == 0)
    {
      ASSERT_LT(skippedFrom, 0) << "asleep, then awake in silence";
      ASSERT_EQ(got.left, want.left);
      continue;
    }
    EXPECT_EQ(got.flags, 3u);
    EXPECT_TRUE(std::all_of(got.left.begin(), got.left.end(), [](float v) { return v == 0.0f; }));
    EXPECT_TRUE(std::all_of(got.right.begin(), got.right.end(), [](float v) { return v == 0.0f; }));
    if (skippedFrom < 0)
      skippedFrom = done;
  }
  ASSERT_GE(skippedFrom, 0);
  EXPECT_GE(skippedFrom, ringEnd);
  EXPECT_GE(static_cast<long>(tail), ringEnd);

  const std::vector<double> x = noise(seed);
  const Call got = run(sleeper, x, 0), want = run(reference, x, 0);
  EXPECT_EQ(got.flags, 0u);
  double worst = 0.0;
  for (int32 i = 0; i < kBlock; ++i)
    worst = std::max({worst, std::fabs(double(got.left[i]) - want.left[i]), std::fabs(double(got.right[i]) - want.right[i])});
  EXPECT_LT(worst, kQuiet);
}
