// Cost of the whole plug-in path at 48 kHz stereo: the built plug-in loaded the way a host
// loads it, 32-bit buffers through the VST 3 process call (clap:0) and through the CLAP one
// (clap:1) in the same run, and through the LV2 run (BM_Lv2Run), with the same busy settings
// as bench_process, synced to a transport that plays. BM_SignalPath is ProcessBlock alone
// with the same settings, in the same run: compare each format's per_frame with it, and the
// formats with each other: at 8 frames a call the call's own cost shows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/SignalPath.h"
#include "effect/trellowphaser.h"
#include "apps/render/PluginHost.h"

#ifdef MG_LV2_DSP_MODULE
#include "lv2/Lv2TestHost.h"
#include "lv2/time/time.h"
#endif

namespace {
using namespace bench;

// The signal path alone, as bench_process times it, synced as the formats below are.
void BM_SignalPath(benchmark::State& state)
{
  timeSignalPath(state, state.range(0) == 8, static_cast<int>(state.range(1)), true);
}

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
    {"Sync to Host", 1.0},
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

  fillNoise(host.Input32(0), host.Input32(1), blockSize);
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

#ifdef MG_LV2_DSP_MODULE
// The same settings as LV2 port values (feedback in %), and a transport playing at 128 bpm.
void BM_Lv2Run(benchmark::State& state)
{
  const int blockSize = static_cast<int>(state.range(1));
  Lv2Instance in(blockSize, true, kSampleRate);
  if (!in.handle)
  {
    state.SkipWithError("the LV2 module did not load");
    return;
  }
  in.ConnectAll(blockSize);
  const std::pair<int, float> ports[] = {
    {0, state.range(0) == 8 ? 1.0f : 0.0f}, {3, 70.0f}, {2, 40.0f}, {5, 90.0f}, {8, 0.8f}, {7, 1.0f}};
  for (const auto& [param, value] : ports)
    in.params[param] = value;
  in.BeginSequence();
  LV2_Atom_Forge_Frame obj;
  lv2_atom_forge_frame_time(&in.forge, 0);
  lv2_atom_forge_object(&in.forge, &obj, 0, in.urids.Map(LV2_TIME__Position));
  lv2_atom_forge_key(&in.forge, in.urids.Map(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&in.forge, 128.0f);
  lv2_atom_forge_key(&in.forge, in.urids.Map(LV2_TIME__speed));
  lv2_atom_forge_float(&in.forge, 1.0f);
  lv2_atom_forge_key(&in.forge, in.urids.Map(LV2_TIME__frame));
  lv2_atom_forge_long(&in.forge, 0);
  lv2_atom_forge_pop(&in.forge, &obj);
  in.EndSequence();
  in.d->run(in.handle, static_cast<uint32_t>(blockSize));
  in.BeginSequence(); // later runs get an empty sequence, as from a host between changes
  in.EndSequence();

  fillNoise(in.inL.data(), in.inR.data(), blockSize);
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
#ifdef MG_LV2_DSP_MODULE
BENCHMARK(BM_Lv2Run)->ArgNames({"stages", "block"})->ArgsProduct({{4, 8}, {8, 64, 512}});
#endif

BENCHMARK_MAIN();
