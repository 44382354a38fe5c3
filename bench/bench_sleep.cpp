// A mixing session's idle instances: 32 of the built plug-in through the renderer's CLAP
// (clap:1) or VST 3 (clap:0) hosting, which flags quiet input and lets an instance that
// says it sleeps sleep. 4 get noise all along; 28 get noise for a second, then silence, and
// have slept through their rings before the timing starts. BM_Session times one block of
// all 32; BM_Active the 4 alone and BM_Idle the 28 alone, each per instance and call
// (per_instance): an idle instance's cost against an active one's is the figure to watch.
// With known:1 the host is told that no input changed since the last call, as a host that
// knows its silent tracks is; with known:0 it reads every input before every call.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bench/SignalPath.h"
#include "apps/render/PluginHost.h"

namespace {
using namespace bench;

constexpr int kInstances = 32, kActive = 4;

struct Session
{
  std::vector<std::unique_ptr<render::PluginHost>> hosts;
  std::string error;

  bool Start(const char* path, int blockSize)
  {
    for (int i = 0; i < kInstances; ++i)
    {
      auto host = std::make_unique<render::PluginHost>();
      render::ProcessSettings settings;
      settings.sampleRate = kSampleRate;
      settings.maxBlockSize = blockSize;
      settings.realtime = true;
      if (!host->Load(path, error) || !host->Start(settings, error))
        return false;
      // Busy settings, free-running: feedback 70 %, 8 stages, a deep sweep.
      const std::pair<const char*, double> normalized[] = {
        {"Stages", 1.0}, {"Feedback", 0.85}, {"Spread", 0.4}, {"LFODepth", 0.9}, {"Stereo", 0.8}};
      for (const auto& [title, value] : normalized)
      {
        render::PluginParam p;
        if (!host->FindParam(title, p) || !host->SetParam(p.id, value, error))
          return false;
      }
      fillNoise(host->Input32(0), host->Input32(1), blockSize);
      hosts.push_back(std::move(host));
    }
    // A second of noise for all, then silence for the 28 until their rings are long over.
    const int second = static_cast<int>(kSampleRate) / blockSize;
    for (int b = 0; b < second; ++b)
      if (!Round(0, kInstances, blockSize))
        return false;
    for (int i = kActive; i < kInstances; ++i)
    {
      std::fill_n(hosts[i]->Input32(0), blockSize, 0.0f);
      std::fill_n(hosts[i]->Input32(1), blockSize, 0.0f);
    }
    for (int b = 0; b < 8 * second; ++b)
      if (!Round(0, kInstances, blockSize))
        return false;
    return true;
  }

  bool Round(int from, int to, int blockSize, bool known = false)
  {
    for (int i = from; i < to; ++i)
    {
      if (known)
        hosts[i]->InputUnchanged();
      if (!hosts[i]->Process(blockSize, error))
        return false;
    }
    return true;
  }
};

void run(benchmark::State& state, int from, int to)
{
  const int blockSize = static_cast<int>(state.range(0));
  const char* path = state.range(1) ? MG_BENCH_CLAP : MG_BENCH_BUNDLE;
  const bool known = state.range(2) != 0;
  Session session;
  if (!*path || !session.Start(path, blockSize))
  {
    state.SkipWithError(session.error.c_str());
    return;
  }
  for (auto _ : state)
  {
    if (!session.Round(from, to, blockSize, known))
    {
      state.SkipWithError(session.error.c_str());
      break;
    }
    benchmark::ClobberMemory();
  }
  state.counters["per_instance"] = benchmark::Counter(static_cast<double>(state.iterations()) * (to - from),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Session(benchmark::State& state) { run(state, 0, kInstances); }
void BM_Active(benchmark::State& state) { run(state, 0, kActive); }
void BM_Idle(benchmark::State& state) { run(state, kActive, kInstances); }
} // namespace

BENCHMARK(BM_Session)->ArgNames({"block", "clap", "known"})->ArgsProduct({{64, 512}, {0, 1}, {0, 1}});
BENCHMARK(BM_Active)->ArgNames({"block", "clap", "known"})->ArgsProduct({{64, 512}, {0, 1}, {0, 1}});
BENCHMARK(BM_Idle)->ArgNames({"block", "clap", "known"})->ArgsProduct({{64, 512}, {0, 1}, {0, 1}});

BENCHMARK_MAIN();
