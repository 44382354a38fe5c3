#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "clap/clap.h"

#include "apps/render/ClapHosting.h"
#include "apps/render/HostedPlugin.h"
#include "apps/render/PendingValues.h"

namespace render {

/** A .clap loaded through its entry: the first plug-in of its factory, its parameters
 *  converted to and from the ranges it announces, its presets through the preset discovery
 *  factory and preset-load. A value set before processing starts is taken at once through
 *  flush, so that it reads back; after, it is an event of the next processing call. */
class ClapPlugin final : public HostedPlugin
{
public:
  ClapPlugin();
  ~ClapPlugin() override;
  ClapPlugin(const ClapPlugin&) = delete;
  ClapPlugin& operator=(const ClapPlugin&) = delete;

  bool Load(const std::string& path, PluginDescription& description, std::string& error) override;

  std::vector<PluginParam> Params() const override { return mParams; }
  double Normalized(uint32_t id) const override;
  std::string TextFor(uint32_t id, double normalized) const override;
  bool FromText(uint32_t id, const std::string& text, double& normalized) const override;
  double ToPlain(uint32_t id, double normalized) const override;
  bool SetParam(uint32_t id, double normalized) override;

  /** The first location inside the plug-in, of its preset discovery provider. */
  std::string PresetListName() const override { return mPresetListName; }
  std::vector<std::string> PresetNames() const override { return mPresetNames; }
  bool SelectPreset(int index, std::string& error) override;

  uint32_t LatencySamples() const override;
  uint32_t TailSamples() const override;

  bool Start(const ProcessSettings& settings, std::string& error) override;
  float* Channel32(bool output, int channel) override { return mProcessing ? mBuffers.Channel32(output, channel) : nullptr; }
  double* Channel64(bool output, int channel) override { return mProcessing ? mBuffers.Channel64(output, channel) : nullptr; }
  bool Process(int32_t frames, int64_t position, bool sameInput, std::string& error) override;
  bool HasPendingChanges() const override { return !mPending.Empty(); }
  void Stop() override;

private:
  struct Range
  {
    double min = 0.0, max = 1.0;
    bool stepped = false;
    double Normalized(double plain) const { return max > min ? std::clamp((plain - min) / (max - min), 0.0, 1.0) : 0.0; }
  };
  void Unload();
  void ReadParams();
  void ReadPresets();
  const Range* RangeOf(uint32_t id) const;
  /** Turns the pending values into events: taken at once by flush before processing
   *  starts, by the next processing call after. */
  void FlushPending();
  /** Moves mTransport to the position (in samples); Start wrote its other fields. */
  void MoveTransport(int64_t position);

  const clap_plugin_entry_t* mEntry = nullptr;
  clap_host_t mHost{};
  const clap_plugin_t* mPlugin = nullptr;
  const clap_plugin_params_t* mParamsExt = nullptr;
  PluginDescription mDescription;
  std::vector<PluginParam> mParams;
  std::vector<std::pair<uint32_t, Range>> mRanges;
  std::string mPresetListName;
  std::vector<std::string> mPresetNames;
  bool mActive = false, mProcessing = false;

  ProcessSettings mSettings;
  clap_event_transport_t mTransport{};
  PendingValues mPending;
  claphost::InputEvents mEvents;
  clap_output_events_t mOut{};
  claphost::StereoBuffers mBuffers;
  clap_process_t mCall{}; // set up by Start: each call moves its count and its time alone
  bool mAsleep = false;   // the last call said CLAP_PROCESS_SLEEP
  uint32_t mLookedFrames = 0; // over which MarkQuietInput last looked
};

} // namespace render
