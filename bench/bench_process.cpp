// Cost of ProcessBlock at 48 kHz stereo: ns per stereo frame and the realtime factor
// (seconds of audio per second of CPU), for 4 and 8 stages, small and large blocks, sync
// off and on. Then the whole 32-bit processing call on noise beside subnormal input: the two
// must cost the same (the filters' offset keeps their states far from subnormals).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "effect/trellowphaser.h"

namespace {
constexpr double kSampleRate = 48000.0;

void BM_ProcessBlock(benchmark::State& state)
{
  const bool eightStages = state.range(0) == 8;
  const int blockSize = static_cast<int>(state.range(1));
  const bool sync = state.range(2) != 0;

  auto plug = std::make_unique<TrellowPhaser>(frame::InstanceInfo{});
  plug->Initialize("bench");
  plug->SetupProcessing(kSampleRate, blockSize);
  // A busy setting: feedback, a swept spread and the alternating stereo mode.
  const std::pair<int, double> settings[] = {
    {kParamStages, eightStages ? 1.0 : 0.0}, {kParamFeedback, 0.7}, {kParamSpread, 0.4},
    {kParamLFODepth, 0.9}, {kParamStereo, 0.8}, {kParamSync, sync ? 1.0 : 0.0},
  };
  for (const auto& [idx, value] : settings)
  {
    plug->GetParam(idx)->Set(value);
    plug->OnParamChange(idx);
  }
  frame::ITimeInfo timeInfo;
  timeInfo.mTempo = 128.0;
  timeInfo.mTransportIsRunning = true;

  // Noise, so no input pattern flatters the arithmetic.
  std::vector<double> left(static_cast<size_t>(blockSize)), right(left.size());
  uint32_t seed = 12345;
  for (size_t i = 0; i < left.size(); ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    left[i] = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.5;
    right[i] = -left[i];
  }
  double* channels[2] = {left.data(), right.data()};

  double ppq = 0.0;
  const double ppqPerBlock = blockSize / kSampleRate * timeInfo.mTempo / 60.0;
  for (auto _ : state)
  {
    timeInfo.mPPQPos = ppq;
    ppq += ppqPerBlock;
    plug->SetTimeInfo(timeInfo);
    plug->ProcessBlock(channels, channels, blockSize);
    benchmark::DoNotOptimize(left.data());
    benchmark::ClobberMemory();
  }

  const double frames = static_cast<double>(state.iterations()) * blockSize;
  // Printed with an SI prefix: "29.5ns" per stereo frame.
  state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime"] = benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
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
  uint32_t seed = 12345;
  for (int i = 0; i < kBlock; ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.5;
    left[static_cast<size_t>(i)] = subnormal ? static_cast<float>(noise * 4e-38) : static_cast<float>(noise);
    right[static_cast<size_t>(i)] = -left[static_cast<size_t>(i)];
  }
  const float* in[2] = {left.data(), right.data()};
  float* out[2] = {outL.data(), outR.data()};
  for (auto _ : state)
  {
    plug->ProcessBuffers(in, 2, out, 2, kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::ClobberMemory();
  }
  const double frames = static_cast<double>(state.iterations()) * kBlock;
  state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
} // namespace

BENCHMARK(BM_ProcessBuffersInput)->ArgName("subnormal")->Arg(0)->Arg(1);

BENCHMARK(BM_ProcessBlock)
  ->ArgNames({"stages", "block", "sync"})
  ->ArgsProduct({{4, 8}, {64, 512}, {0, 1}});

BENCHMARK_MAIN();
