// The busy setting every whole-plug-in benchmark plays through, set the way each format's
// host sets it: the signal path's settings (SignalPath.h), synced to a transport playing at
// 128 bpm, over noise.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "bench/SignalPath.h"
#include "apps/render/PluginHost.h"

#ifdef MG_BENCH_LV2
#include "lv2/Lv2TestHost.h"
#include "lv2/time/time.h"
#endif

namespace bench {

/** Loads the .vst3 bundle or the .clap at path and starts it with the busy setting, its
 *  input filled with noise. False with a reason. */
inline bool StartBusy(render::PluginHost& host, const std::string& path, bool eightStages, int blockSize,
                      std::string& error)
{
  if (path.empty() || !host.Load(path, error))
    return false;
  render::ProcessSettings settings;
  settings.sampleRate = kSampleRate;
  settings.maxBlockSize = blockSize;
  settings.realtime = true;
  settings.tempo = 128.0;
  if (!host.Start(settings, error))
    return false;
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
      error = "cannot set " + std::string(title);
      return false;
    }
  }
  fillNoise(host.Input32(0), host.Input32(1), blockSize);
  return true;
}

#ifdef MG_BENCH_LV2
/** Connects and activates the instance with the busy setting as port values (feedback in
 *  %), tells it the transport in a first run, and leaves it an empty sequence for the
 *  runs after, as a host does between changes. False when the instance did not load. */
inline bool StartBusy(Lv2Instance& in, bool eightStages, int blockSize)
{
  if (!in.handle)
    return false;
  in.ConnectAll(blockSize);
  const std::pair<int, float> ports[] = {
    {0, eightStages ? 1.0f : 0.0f}, {3, 70.0f}, {2, 40.0f}, {5, 90.0f}, {8, 0.8f}, {7, 1.0f}};
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
  in.BeginSequence();
  in.EndSequence();
  fillNoise(in.inL.data(), in.inR.data(), blockSize);
  return true;
}
#endif

} // namespace bench
