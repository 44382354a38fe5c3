#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/PluginHost.h"

#ifdef MG_RENDER_CLAP
#include "clap/clap.h"

namespace render {

/** A .clap loaded through its entry and driven the way PluginHost drives a .vst3, with
 *  the same meaning for every call: values are normalised (0..1) at this interface and
 *  converted to the ranges the plug-in announces; a value set reaches the plug-in as an
 *  event at the start of the next processing call (through flush before processing
 *  starts), and Start sends every current value with the first call; the transport plays
 *  from position 0 in 4/4 at the chosen tempo. Main thread only. */
class ClapPluginHost
{
public:
  ClapPluginHost();
  ~ClapPluginHost();
  ClapPluginHost(const ClapPluginHost&) = delete;
  ClapPluginHost& operator=(const ClapPluginHost&) = delete;

  bool Load(const std::string& path, std::string& error);
  const PluginDescription& Description() const { return mDescription; }

  std::vector<PluginParam> Params() const { return mParams; }
  double Normalized(uint32_t id) const;
  std::string TextFor(uint32_t id, double normalized) const;
  bool ReadValue(const PluginParam& param, const std::string& text, double& normalized, std::string& error) const;
  bool SetParam(uint32_t id, double normalized, std::string& error);

  std::string PresetListName() const { return mPresetListName; }
  std::vector<std::string> PresetNames() const { return mPresetNames; }
  bool SelectPreset(int index, std::string& error);

  uint32_t LatencySamples() const;
  uint32_t TailSamples() const;

  bool Start(const ProcessSettings& settings, std::string& error);
  float* Input32(int channel);
  float* Output32(int channel);
  double* Input64(int channel);
  double* Output64(int channel);
  bool Process(int32_t frames, std::string& error);
  void Stop();

private:
  struct Range
  {
    double min = 0.0, max = 1.0;
    bool stepped = false;
  };
  void unload();
  void readParams();
  void readPresets();
  const Range* rangeOf(uint32_t id) const;
  double toPlain(uint32_t id, double normalized) const;
  void queue(uint32_t id, double normalized);
  /** Turns the pending values into events: taken at once by flush before processing
   *  starts, by the next processing call after. */
  void flushPending();

  void* mModule = nullptr;
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
  std::vector<std::pair<uint32_t, double>> mPending; // id, normalised
  std::vector<clap_event_param_value_t> mEvents;
  clap_input_events_t mIn{};
  clap_output_events_t mOut{};
  std::vector<std::vector<float>> mBuffers32;  // in L, in R, out L, out R
  std::vector<std::vector<double>> mBuffers64;
  float* mChannels32[4] = {};
  double* mChannels64[4] = {};
  int64_t mPosition = 0;
};

} // namespace render

#else
namespace render {
// A build without the CLAP headers never makes one; the calls only need to compile.
class ClapPluginHost
{
public:
  bool Load(const std::string&, std::string&) { return false; }
  const PluginDescription& Description() const { return mDescription; }
  std::vector<PluginParam> Params() const { return {}; }
  double Normalized(uint32_t) const { return 0.0; }
  std::string TextFor(uint32_t, double) const { return {}; }
  bool ReadValue(const PluginParam&, const std::string&, double&, std::string&) const { return false; }
  bool SetParam(uint32_t, double, std::string&) { return false; }
  std::string PresetListName() const { return {}; }
  std::vector<std::string> PresetNames() const { return {}; }
  bool SelectPreset(int, std::string&) { return false; }
  uint32_t LatencySamples() const { return 0; }
  uint32_t TailSamples() const { return 0; }
  bool Start(const ProcessSettings&, std::string&) { return false; }
  float* Input32(int) { return nullptr; }
  float* Output32(int) { return nullptr; }
  double* Input64(int) { return nullptr; }
  double* Output64(int) { return nullptr; }
  bool Process(int32_t, std::string&) { return false; }
  void Stop() {}

private:
  PluginDescription mDescription;
};
} // namespace render
#endif
