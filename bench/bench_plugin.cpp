// Cost of the whole plug-in path at 48 kHz stereo: the built plug-in loaded the way a host
// loads it, 32-bit buffers through the VST 3 process call (clap:0) and through the CLAP one
// (clap:1) in the same run, and through the LV2 run (BM_Lv2Run), with the same busy settings
// as bench_process, synced to a transport that plays. BM_SignalPath is ProcessBlock alone
// with the same settings, in the same run: compare each format's per_frame with it, and the
// formats with each other: at 8 frames a call the call's own cost shows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/BusySettings.h"
#include "bench/SignalPath.h"

namespace {
using namespace bench;

// The signal path alone, as bench_process times it, synced as the formats below are.
void BM_SignalPath(benchmark::State& state)
{
  timeSignalPath(state, state.range(0) == 8, static_cast<int>(state.range(1)), true);
}

void BM_PluginProcess(benchmark::State& state)
{
  const int blockSize = static_cast<int>(state.range(1));
  render::PluginHost host;
  std::string error;
  if (!StartBusy(host, state.range(2) ? MG_BENCH_CLAP : MG_BENCH_BUNDLE, state.range(0) == 8, blockSize, error))
  {
    state.SkipWithError(error.c_str());
    return;
  }
  float* const output = host.Output32(0);
  for (auto _ : state)
  {
    if (!host.Process(blockSize, error))
    {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(output);
    benchmark::ClobberMemory();
  }
  host.Stop();
  perFrameCounters(state, blockSize);
}

#ifdef MG_BENCH_LV2
void BM_Lv2Run(benchmark::State& state)
{
  const int blockSize = static_cast<int>(state.range(1));
  Lv2Instance in(blockSize, true, kSampleRate);
  if (!StartBusy(in, state.range(0) == 8, blockSize))
  {
    state.SkipWithError("the LV2 module did not load");
    return;
  }
  for (auto _ : state)
  {
    in.d->run(in.handle, static_cast<uint32_t>(blockSize));
    benchmark::DoNotOptimize(in.outL.data());
    benchmark::ClobberMemory();
  }
  in.d->deactivate(in.handle);
  perFrameCounters(state, blockSize);
}
#endif
} // namespace

BENCHMARK(BM_SignalPath)->ArgNames({"stages", "block"})->ArgsProduct({{4, 8}, {8, 64, 512}});
BENCHMARK(BM_PluginProcess)->ArgNames({"stages", "block", "clap"})->ArgsProduct({{4, 8}, {8, 64, 512}, {0, 1}});
#ifdef MG_BENCH_LV2
BENCHMARK(BM_Lv2Run)->ArgNames({"stages", "block"})->ArgsProduct({{4, 8}, {8, 64, 512}});
#endif

BENCHMARK_MAIN();
