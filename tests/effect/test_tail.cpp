// The tail the effect reports against the ring it has: full-scale noise, then silence, over a
// grid of the settings the ring depends on.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

namespace {
constexpr double kQuiet = 1e-6; // -120 dBFS

struct Setting
{
  int stages;
  double feedback, manual, depth, speed, rate;
};

// Samples after the input stops until the output stays below -120 dBFS, and the tail reported.
std::pair<long, long> ringAndTail(const Setting& s)
{
  EffectHost<> host(s.rate, 512);
  TrellowPhaser& p = host.plug();
  p.SetParameterValue(kParamStages, s.stages == 8 ? 1.0 : 0.0);
  p.SetParameterValue(kParamFeedback, host.param(kParamFeedback).ToNormalized(s.feedback / 100.0));
  p.SetParameterValue(kParamManual, host.param(kParamManual).ToNormalized(s.manual / 16000.0));
  p.SetParameterValue(kParamLFODepth, s.depth);
  p.SetParameterValue(kParamLFOSpeed, s.speed);
  p.SetParameterValue(kParamMix, 1.0);
  const long tail = p.GetTailSize();
  std::vector<double> l(512), r(512);
  uint64_t seed = 0x9e3779b97f4a7c15ull;
  auto noise = [&seed] {
    seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
    return static_cast<double>(seed >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  };
  const long noiseFrames = static_cast<long>(s.rate);
  for (long done = 0; done < noiseFrames; done += 512)
  {
    for (int i = 0; i < 512; ++i)
      l[i] = noise(), r[i] = noise();
    host.process(l.data(), r.data(), 512);
  }
  long last = 0;
  const long listen = std::max(tail, 1L) * 2 + 512;
  for (long done = 0; done < listen; done += 512)
  {
    std::fill(l.begin(), l.end(), 0.0);
    std::fill(r.begin(), r.end(), 0.0);
    host.process(l.data(), r.data(), 512);
    for (int i = 0; i < 512; ++i)
      if (std::fabs(l[i]) >= kQuiet || std::fabs(r[i]) >= kQuiet)
        last = done + i + 1;
  }
  return {last, tail};
}
} // namespace

TEST(Tail, CoversTheRingOverTheSettingsAndIsNotFarLonger)
{
  std::vector<Setting> grid;
  for (int stages : {4, 8})
    for (double feedback : {0.0, 50.0, 90.0, 99.0, -90.0})
      for (double manual : {1000.0, 160.0})
        for (double depth : {0.0, 0.5, 1.0})
          grid.push_back({stages, feedback, manual, depth, 0.5, 48000.0});
  for (double rate : {1000.0, 44100.0, 192000.0})
    for (double depth : {0.0, 1.0})
      grid.push_back({8, 90.0, 1000.0, depth, 0.2, rate});
  grid.push_back({8, 90.0, 16000.0, 0.0, 0.5, 8000.0});
  double worst = 0.0;
  std::printf("stages feedback manual depth speed rate: ring tail (samples)\n");
  for (const Setting& s : grid)
  {
    const auto [ring, tail] = ringAndTail(s);
    std::printf("%d %5.0f%% %5.0fHz %3.0f%% %.2f %6.0f: %8ld %8ld\n", s.stages, s.feedback, s.manual,
                s.depth * 100, s.speed, s.rate, ring, tail);
    EXPECT_GE(tail, ring) << s.stages << " stages, feedback " << s.feedback << ", manual " << s.manual
                          << ", depth " << s.depth << ", rate " << s.rate;
    if (ring > 0)
      worst = std::max(worst, static_cast<double>(tail) / ring);
  }
  std::printf("longest tail against its ring: %.1f times\n", worst);
}
