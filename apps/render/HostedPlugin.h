#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "apps/render/Vst3PresetFile.h"

namespace render {

/** A host-side parameter's number, as the plug-in gives it. */
using ParamId = uint32_t;

/** What a host-side parameter is, whatever the format says it in. */
enum ParamFlags : int32_t
{
  kParamCanAutomate = 1 << 0,
  kParamReadOnly = 1 << 1,
  kParamList = 1 << 2,
  kParamProgramChange = 1 << 3, ///< picks the preset
  kParamBypass = 1 << 4
};

/** One host-side parameter as the plug-in describes it. */
struct PluginParam
{
  ParamId id = 0;
  std::string title;
  std::string units;
  int32_t stepCount = 0;
  int32_t flags = 0; ///< ParamFlags
  double defaultNormalized = 0.0;
};

/** What the factory says about the module and the effect class that was created. */
struct PluginDescription
{
  std::string name;
  std::string category;
  std::string subCategories;
  std::string vendor;
  std::string version;
  std::string sdkVersion;
  std::string classId; ///< 32 hex digits, bytes in order
  std::string factoryVendor;
  std::string url;
  std::string email;
  std::string bundle;
};

struct ProcessSettings
{
  double sampleRate = 48000.0;
  int32_t maxBlockSize = 512;
  bool doublePrecision = false;
  bool realtime = false;
  double tempo = 120.0; ///< of the transport, which runs from position 0 while processing
  bool renderTail = true; ///< RenderThrough renders the plug-in's tail after the input
};

/** The first of params with the flag (of ParamFlags) set. */
inline bool FindFlagged(const std::vector<PluginParam>& params, int32_t flag, PluginParam& param)
{
  for (const PluginParam& p : params)
  {
    if (p.flags & flag)
    {
      param = p;
      return true;
    }
  }
  return false;
}

/** A plug-in of one format, loaded and driven the way a host of that format drives it, with
 *  one meaning for every call whatever the format: values are normalised (0..1); a value
 *  set reaches the processor with the next processing call, and Start sends every current
 *  value with the first; the transport plays from position 0 in 4/4 at the chosen tempo.
 *  PluginHost chooses the format and checks the calls' order. Main thread only. */
class HostedPlugin
{
public:
  virtual ~HostedPlugin() = default;

  /** False with a one-line reason when the plug-in cannot be loaded or set up. */
  virtual bool Load(const std::string& path, PluginDescription& description, std::string& error) = 0;

  virtual std::vector<PluginParam> Params() const = 0;
  virtual double Normalized(ParamId id) const = 0;
  /** The plug-in's own text for a normalised value; empty where it has none. */
  virtual std::string TextFor(ParamId id, double normalized) const = 0;
  /** The plug-in's own reading of a text, as a normalised value. */
  virtual bool FromText(ParamId id, const std::string& text, double& normalized) const = 0;
  /** The value in the parameter's own range. */
  virtual double ToPlain(ParamId id, double normalized) const = 0;
  /** False when the plug-in refuses the value. */
  virtual bool SetParam(ParamId id, double normalized) = 0;

  virtual std::string PresetListName() const = 0;
  virtual std::vector<std::string> PresetNames() const = 0;
  virtual bool SelectPreset(int index, std::string& error) = 0;
  /** The state a VST 3 preset file holds, once loaded and before Start; only a VST 3
   *  plug-in of the file's class takes it. */
  virtual bool LoadPresetFile(const Vst3PresetFile& preset, std::string& error)
  {
    error = "'" + preset.path + "' is a VST 3 preset file: it loads into a .vst3 bundle only";
    return false;
  }

  virtual uint32_t LatencySamples() const = 0;
  virtual uint32_t TailSamples() const = 0;

  /** Stereo main buses, set up, activated and processing; called once loaded and stopped. */
  virtual bool Start(const ProcessSettings& settings, std::string& error) = 0;
  /** Channel 0 or 1 of the main input or output, of the sample type chosen in Start; null
   *  for a channel or type the plug-in does not have. */
  virtual float* Channel32(bool output, int channel) = 0;
  virtual double* Channel64(bool output, int channel) = 0;
  /** After a successful Start, with frames from 0 to its maxBlockSize, at position samples
   *  into the transport. With sameInput the input holds what it held for the last call,
   *  whose look at it (whether it is quiet) may then stand for a call over as many frames. */
  virtual bool Process(int32_t frames, int64_t position, bool sameInput, std::string& error) = 0;
  virtual bool HasPendingChanges() const = 0;
  /** Stops processing and deactivates; Start may follow again. */
  virtual void Stop() = 0;

  /** The plug-in's editor can open in a window of this host's (EditorWindow.h). */
  virtual bool HasEditorView() const { return false; }
};

} // namespace render
