#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "public.sdk/source/vst/hosting/module.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"
#include "public.sdk/source/vst/hosting/processdata.h"

#include "tools/render/HostServices.h"

namespace render {

class ClapPluginHost;

/** One host-side parameter as the controller describes it. */
struct PluginParam
{
  Steinberg::Vst::ParamID id = 0;
  std::string title;
  std::string units;
  int32_t stepCount = 0;
  int32_t flags = 0; ///< Steinberg::Vst::ParameterInfo::ParameterFlags
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
};

/** A VST 3 effect loaded from its bundle and driven the way a host drives it: the module
 *  through the SDK's hosting classes, the first audio-effect class of its factory, the
 *  component initialised with this host's context, the controller (the component itself
 *  when it is a single-component effect, otherwise created, initialised and connected),
 *  stereo buses, then processing with a running transport. Parameter values set on the
 *  controller, and edits the plug-in reports, reach the processor as parameter changes of
 *  the next processing call. Teardown runs the same steps in reverse. Main thread only. */
class PluginHost
{
public:
  PluginHost();
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  /** False with a one-line reason when the bundle cannot be loaded or set up. A path
   *  ending in ".clap" is a CLAP plug-in, driven through ClapPluginHost with the same
   *  meaning for every call; it has no EditController. */
  bool Load(const std::string& bundlePath, std::string& error);

  const PluginDescription& Description() const { return mDescription; }

  // Parameters -----------------------------------------------------------------------

  std::vector<PluginParam> Params() const;
  /** By title, ignoring case, blanks, '-' and '_'. */
  bool FindParam(const std::string& title, PluginParam& param) const;
  double Normalized(Steinberg::Vst::ParamID id) const;
  /** The plug-in's own text for the parameter's current value. */
  std::string ValueText(Steinberg::Vst::ParamID id) const;
  /** The plug-in's own text for any normalised value of the parameter. */
  std::string TextFor(Steinberg::Vst::ParamID id, double normalized) const;
  /** Reads a typed value through the plug-in's texts (see ReadValueText). */
  bool ReadValue(const PluginParam& param, const std::string& text, double& normalized, std::string& error) const;
  /** Sets the value on the controller, to reach the processor with the next call. */
  bool SetParam(Steinberg::Vst::ParamID id, double normalized, std::string& error);
  /** Through the parameter flagged as the bypass. */
  bool SetBypass(bool on, std::string& error);

  // Presets --------------------------------------------------------------------------

  /** The first program list of the controller; empty without one. */
  std::string PresetListName() const;
  std::vector<std::string> PresetNames() const;
  /** Recalls a preset through the controller's program-change parameter. */
  bool SelectPreset(int index, std::string& error);

  uint32_t LatencySamples() const;
  uint32_t TailSamples() const;

  // Processing -----------------------------------------------------------------------

  /** Arranges stereo buses and sets up, activates and starts processing; the current
   *  value of every parameter is sent with the first call, as a host does at start. */
  bool Start(const ProcessSettings& settings, std::string& error);
  /** The channel buffers of the main buses, maxBlockSize samples each, of the sample type
   *  chosen in Start; null for a channel the plug-in does not have. */
  float* Input32(int channel);
  float* Output32(int channel);
  double* Input64(int channel);
  double* Output64(int channel);
  /** One processing call over frames samples of the buffers above. */
  bool Process(int32_t frames, std::string& error);
  /** Parameter changes waiting for the next Process call. */
  bool HasPendingChanges() const { return !mPending.empty(); }
  /** Stops processing and deactivates; Start may follow again. */
  void Stop();

  /** For a view of the plug-in: createView(ViewType::kEditor) on it. Null until loaded.
   *  Edits made in the view reach the processor like those of SetParam. */
  Steinberg::Vst::IEditController* EditController() const { return mController.get(); }

private:
  void Unload();
  bool loadClap(const std::string& path, std::string& error);
  void QueueChange(Steinberg::Vst::ParamID id, double normalized);
  bool FindFlagged(int32_t flag, PluginParam& param) const;
  void FillProcessContext();

  // Declared first, destroyed last: every plug-in object must be gone before the module.
  VST3::Hosting::Module::Ptr mModule;
  RenderHostApplication mHostApp; ///< not reference-counted: it lives as long as the host
  Steinberg::IPtr<ComponentHandler> mHandler;
  Steinberg::IPtr<Steinberg::Vst::IComponent> mComponent;
  Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> mProcessor;
  Steinberg::IPtr<Steinberg::Vst::IEditController> mController;
  Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> mComponentPoint;
  Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> mControllerPoint;
  bool mComponentInitialized = false;
  bool mSeparateController = false;
  bool mActive = false;
  bool mProcessing = false;

  ProcessSettings mSettings;
  Steinberg::Vst::HostProcessData mData;
  Steinberg::Vst::ParameterChanges mInputChanges;
  Steinberg::Vst::ParameterChanges mOutputChanges;
  Steinberg::Vst::ProcessContext mContext{};
  int64_t mPosition = 0;
  std::vector<std::pair<Steinberg::Vst::ParamID, double>> mPending;

  PluginDescription mDescription;
  std::unique_ptr<ClapPluginHost> mClap;
};

} // namespace render
