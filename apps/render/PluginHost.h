#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "apps/render/HostedPlugin.h"

namespace render {

/** The renderer's host: a .vst3 bundle or a .clap, chosen once by the path's ending, loaded
 *  and driven through HostedPlugin with the same meaning for every call. Calls out of order
 *  (processing before Start, values before Load) fail here, for either format. Teardown
 *  runs the loading steps in reverse. Main thread only. */
class PluginHost
{
public:
  PluginHost();
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  /** False with a one-line reason when the plug-in cannot be loaded or set up. */
  bool Load(const std::string& bundlePath, std::string& error);

  const PluginDescription& Description() const { return mDescription; }

  // Parameters -----------------------------------------------------------------------

  std::vector<PluginParam> Params() const;
  /** By title, ignoring case, blanks, '-' and '_'. */
  bool FindParam(const std::string& title, PluginParam& param) const;
  double Normalized(ParamId id) const;
  /** The plug-in's own text for the parameter's current value. */
  std::string ValueText(ParamId id) const;
  /** The plug-in's own text for any normalised value of the parameter. */
  std::string TextFor(ParamId id, double normalized) const;
  /** Reads a typed value through the plug-in's texts (see ReadValueText). */
  bool ReadValue(const PluginParam& param, const std::string& text, double& normalized, std::string& error) const;
  /** Sets the value, to reach the processor with the next call. */
  bool SetParam(ParamId id, double normalized, std::string& error);
  /** Through the parameter flagged as the bypass. */
  bool SetBypass(bool on, std::string& error);

  // Presets --------------------------------------------------------------------------

  /** The plug-in's own list of presets; empty without one. */
  std::string PresetListName() const;
  std::vector<std::string> PresetNames() const;
  bool SelectPreset(int index, std::string& error);

  uint32_t LatencySamples() const;
  uint32_t TailSamples() const;

  // Processing -----------------------------------------------------------------------

  /** Arranges stereo buses and sets up, activates and starts processing; the current
   *  value of every parameter is sent with the first call, as a host does at start. */
  bool Start(const ProcessSettings& settings, std::string& error);
  /** The channel buffers of the main buses, maxBlockSize samples each, of the sample type
   *  chosen in Start; null for a channel the plug-in does not have. */
  float* Input32(int channel) { return mStarted ? mPlugin->Channel32(false, channel) : nullptr; }
  float* Output32(int channel) { return mStarted ? mPlugin->Channel32(true, channel) : nullptr; }
  double* Input64(int channel) { return mStarted ? mPlugin->Channel64(false, channel) : nullptr; }
  double* Output64(int channel) { return mStarted ? mPlugin->Channel64(true, channel) : nullptr; }
  /** One processing call over frames samples of the buffers above. The output buffers are
   *  the host's, for the caller to read only. */
  bool Process(int32_t frames, std::string& error);
  /** The input buffers hold what they held for the last call: the next call, over no more
   *  frames, does not read them again to learn whether they are quiet, as a host that knows
   *  its silent tracks does not. Holds for that call only. */
  void InputUnchanged() { mSameInput = true; }
  /** Parameter changes waiting for the next Process call. */
  bool HasPendingChanges() const { return mPlugin && mPlugin->HasPendingChanges(); }
  /** Stops processing and deactivates; Start may follow again. */
  void Stop();

  /** The plug-in as its format's host drives it, for what only one format has (a VST 3
   *  plug-in's editor view); null until loaded. */
  HostedPlugin* Plugin() const { return mPlugin.get(); }

private:
  std::unique_ptr<HostedPlugin> mPlugin;
  PluginDescription mDescription;
  ProcessSettings mSettings;
  bool mStarted = false;
  bool mSameInput = false;
  int64_t mPosition = 0; ///< of the transport, in samples since Start
};

} // namespace render
