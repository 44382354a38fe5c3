// What the benchmarks share: their noise, their per-frame figures, and the signal path
// alone, timed one way wherever a benchmark is compared against it.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "effect/trellowphaser.h"

namespace bench {

constexpr double kSampleRate = 48000.0;

// Noise, so no input pattern flatters the arithmetic; the right channel mirrors the left.
template <typename T>
void fillNoise(T* left, T* right, int n, double scale = 1.0)
{
  uint32_t seed = 12345;
  for (int i = 0; i < n; ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    left[i] = static_cast<T>((static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.5 * scale);
    right[i] = -left[i];
  }
}

// Printed with an SI prefix: "29.5ns" per stereo frame, and seconds of audio per second of CPU.
inline void perFrameCounters(benchmark::State& state, int blockSize)
{
  const double frames = static_cast<double>(state.iterations()) * blockSize;
  state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime"] = benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
}

// ProcessBlock on 64-bit buffers in place with a busy setting (feedback, a swept spread, the
// alternating stereo mode), the transport playing at 128 bpm and its position told per block.
inline void timeSignalPath(benchmark::State& state, bool eightStages, int blockSize, bool sync)
{
  auto plug = std::make_unique<TrellowPhaser>(frame::InstanceInfo{});
  plug->Initialize("bench");
  plug->SetupProcessing(kSampleRate, blockSize);
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
  std::vector<double> left(static_cast<size_t>(blockSize)), right(left.size());
  fillNoise(left.data(), right.data(), blockSize);
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
  perFrameCounters(state, blockSize);
}

} // namespace bench
