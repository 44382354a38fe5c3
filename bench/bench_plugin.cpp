// Cost of the whole plug-in path at 48 kHz stereo: the built plug-in loaded the way a host
// loads it, 32-bit buffers through the VST 3 process call (clap:0) and through the CLAP one
// (clap:1) in the same run, with the same busy settings as bench_process. Compare per_frame
// with bench_process's ProcessBlock alone, and the formats with each other: at 8 frames a
// call the call's own cost shows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/render/PluginHost.h"

namespace {
constexpr double kSampleRate = 48000.0;

void BM_PluginProcess(benchmark::State& state)
{
  const bool eightStages = state.range(0) == 8;
  const int blockSize = static_cast<int>(state.range(1));
  const char* path = state.range(2) ? MG_BENCH_CLAP : MG_BENCH_BUNDLE;

  render::PluginHost host;
  std::string error;
  if (!*path || !host.Load(path, error))
  {
    state.SkipWithError(error.c_str());
    return;
  }
  render::ProcessSettings settings;
  settings.sampleRate = kSampleRate;
  settings.maxBlockSize = blockSize;
  settings.realtime = true;
  settings.tempo = 128.0;
  if (!host.Start(settings, error))
  {
    state.SkipWithError(error.c_str());
    return;
  }
  // Normalised: a feedback of 0.7 in its range of -1 .. 1 is 0.85.
  const std::pair<const char*, double> normalized[] = {
    {"Stages", eightStages ? 1.0 : 0.0}, {"Feedback", 0.85}, {"Spread", 0.4}, {"LFODepth", 0.9}, {"Stereo", 0.8},
  };
  for (const auto& [title, value] : normalized)
  {
    render::PluginParam p;
    if (!host.FindParam(title, p) || !host.SetParam(p.id, value, error))
    {
      state.SkipWithError(("cannot set " + std::string(title)).c_str());
      return;
    }
  }

  uint32_t seed = 12345;
  for (int i = 0; i < blockSize; ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    const float v = static_cast<float>((static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.5);
    host.Input32(0)[i] = v;
    host.Input32(1)[i] = -v;
  }
  for (auto _ : state)
  {
    if (!host.Process(blockSize, error))
    {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(host.Output32(0));
    benchmark::ClobberMemory();
  }
  host.Stop();

  const double frames = static_cast<double>(state.iterations()) * blockSize;
  state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime"] = benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
}
} // namespace

BENCHMARK(BM_PluginProcess)->ArgNames({"stages", "block", "clap"})->ArgsProduct({{4, 8}, {8, 64, 512}, {0, 1}});

BENCHMARK_MAIN();
