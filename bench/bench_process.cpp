// Cost of ProcessBlock at 48 kHz stereo: ns per stereo frame and the realtime factor
// (seconds of audio per second of CPU), for 4 and 8 stages, small and large blocks, sync
// off and on. Then the whole 32-bit processing call on noise beside subnormal input: the two
// must cost the same (the filters' offset keeps their states far from subnormals).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/SignalPath.h"
#include "effect/trellowphaser.h"

namespace {
using namespace bench;

void BM_ProcessBlock(benchmark::State& state)
{
  timeSignalPath(state, state.range(0) == 8, static_cast<int>(state.range(1)), state.range(2) != 0);
}

void BM_ProcessBuffersInput(benchmark::State& state)
{
  const bool subnormal = state.range(0) != 0;
  constexpr int kBlock = 512;
  auto plug = std::make_unique<TrellowPhaser>(frame::InstanceInfo{});
  plug->Initialize("bench");
  plug->SetupProcessing(kSampleRate, kBlock);
  plug->SetActive(true);
  const std::pair<int, double> settings[] = {{kParamStages, 1.0}, {kParamFeedback, 0.7}, {kParamLFODepth, 0.9}};
  for (const auto& [idx, value] : settings)
  {
    plug->GetParam(idx)->Set(value);
    plug->OnParamChange(idx);
  }
  // Subnormal floats of both signs and many magnitudes, as a validator feeds them.
  std::vector<float> left(kBlock), right(kBlock), outL(kBlock), outR(kBlock);
  fillNoise(left.data(), right.data(), kBlock, subnormal ? 4e-38 : 1.0);
  const float* in[2] = {left.data(), right.data()};
  float* out[2] = {outL.data(), outR.data()};
  for (auto _ : state)
  {
    plug->ProcessBuffers(in, 2, out, 2, kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::ClobberMemory();
  }
  perFrameCounters(state, kBlock);
}
} // namespace

BENCHMARK(BM_ProcessBuffersInput)->ArgName("subnormal")->Arg(0)->Arg(1);

BENCHMARK(BM_ProcessBlock)
  ->ArgNames({"stages", "block", "sync"})
  ->ArgsProduct({{4, 8}, {64, 512}, {0, 1}});

BENCHMARK_MAIN();
