// A quiet instance through the CLAP ABI: the tail it reports against the ring it has, the
// statuses that let a host put it to sleep, and the sound after it wakes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "ClapTestHost.h"

using namespace claptest;

namespace {
constexpr uint32_t kBlock = 256;
constexpr double kQuiet = 1e-6; // -120 dBFS

std::vector<double> noiseBlock(uint64_t& seed)
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

TEST(Sleep, TheTailCoversTheRingThenTheInstanceSleepsAndWakesAsIfItHadNotSlept)
{
  Host host;
  // The reference never sleeps: its silence is 1e-30, which the signal path's own offset
  // (1e-13) swallows to the bit, but which is no quiet input.
  Plugin sleeper(host), reference(host);
  InputEvents settings;
  settings.Param(0, 0, 1.0);  // 8 stages
  settings.Param(0, 3, 0.95); // feedback 90 %
  for (Plugin* p : {&sleeper, &reference})
  {
    ASSERT_TRUE(p->Start());
    p->SetInput(std::vector<double>(kBlock, 0.0));
    p->Process(kBlock, &settings.list, false, nullptr, 0);
  }
  const auto* tailExt = sleeper.Ext<clap_plugin_tail_t>(CLAP_EXT_TAIL);
  ASSERT_NE(tailExt, nullptr);
  host.inAudio = true;
  const uint32_t tail = tailExt->get(sleeper.plugin);
  host.inAudio = false;
  EXPECT_GT(host.tailChanges, 0); // the settings moved it

  uint64_t seed = 7;
  int64_t steady = kBlock;
  for (int b = 0; b < 48000 / static_cast<int>(kBlock); ++b, steady += kBlock)
  {
    const std::vector<double> x = noiseBlock(seed);
    sleeper.SetInput(x);
    reference.SetInput(x);
    ASSERT_EQ(sleeper.Process(kBlock, nullptr, false, nullptr, steady), CLAP_PROCESS_CONTINUE);
    reference.Process(kBlock, nullptr, false, nullptr, steady);
  }

  // Silence: the sleeper rings (TAIL) to the bit as the reference does, then sleeps, and the
  // host stops calling it. The reference's ring ends within the tail.
  sleeper.SetInput(std::vector<double>(kBlock, 0.0));
  reference.SetInput(std::vector<double>(kBlock, 1e-30));
  int64_t ringEnd = 0, slept = -1, tails = 0;
  for (int64_t done = 0; done < 48000; done += kBlock, steady += kBlock)
  {
    reference.Process(kBlock, nullptr, false, nullptr, steady);
    for (uint32_t i = 0; i < kBlock; ++i)
      if (std::fabs(reference.Out(0)[i]) >= kQuiet || std::fabs(reference.Out(1)[i]) >= kQuiet)
        ringEnd = done + i + 1;
    if (slept >= 0)
      continue;
    const clap_process_status status = sleeper.Process(kBlock, nullptr, false, nullptr, steady);
    EXPECT_TRUE(std::equal(sleeper.Out(0).begin(), sleeper.Out(0).begin() + kBlock, reference.Out(0).begin()));
    if (status == CLAP_PROCESS_SLEEP)
      slept = done + kBlock;
    else
    {
      ASSERT_EQ(status, CLAP_PROCESS_TAIL);
      ++tails;
    }
  }
  EXPECT_GT(tails, 0);
  ASSERT_GE(slept, 0);
  EXPECT_GE(slept, ringEnd);
  EXPECT_LE(ringEnd, static_cast<int64_t>(tail));

  // Sound again after more silence, off the sweep's grid of control updates.
  reference.SetInput(std::vector<double>(777, 1e-30));
  reference.Process(777, nullptr, false, nullptr, steady);
  steady += 777;
  const std::vector<double> x = noiseBlock(seed);
  sleeper.SetInput(x);
  reference.SetInput(x);
  EXPECT_EQ(sleeper.Process(kBlock, nullptr, false, nullptr, steady), CLAP_PROCESS_CONTINUE);
  reference.Process(kBlock, nullptr, false, nullptr, steady);
  double worst = 0.0;
  for (int c = 0; c < 2; ++c)
    for (uint32_t i = 0; i < kBlock; ++i)
      worst = std::max(worst, std::fabs(static_cast<double>(sleeper.Out(c)[i]) - reference.Out(c)[i]));
  EXPECT_LT(worst, kQuiet);
  std::printf("ring %lld, tail %u, asleep after %lld samples; waking off by %.1f dBFS\n", static_cast<long long>(ringEnd),
              tail, static_cast<long long>(slept), 20.0 * std::log10(std::max(worst, 1e-300)));
}
