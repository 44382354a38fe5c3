#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "public.sdk/source/vst/hosting/module.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"
#include "public.sdk/source/vst/hosting/processdata.h"

#include "apps/render/HostServices.h"
#include "apps/render/HostedPlugin.h"
#include "apps/render/PendingValues.h"

namespace render {

/** A VST 3 effect loaded from its bundle: the module through the SDK's hosting classes,
 *  the first audio-effect class of its factory, the component initialised with this host's
 *  context, the controller (the component itself when it is a single-component effect,
 *  otherwise created, initialised and connected), stereo buses, then processing with a
 *  running transport. Values set on the controller, and edits the plug-in reports, reach
 *  the processor as parameter changes of the next processing call. */
class Vst3Plugin final : public HostedPlugin
{
public:
  Vst3Plugin();
  ~Vst3Plugin() override;

  bool Load(const std::string& bundlePath, PluginDescription& description, std::string& error) override;

  std::vector<PluginParam> Params() const override;
  double Normalized(Steinberg::Vst::ParamID id) const override;
  std::string TextFor(Steinberg::Vst::ParamID id, double normalized) const override;
  bool FromText(Steinberg::Vst::ParamID id, const std::string& text, double& normalized) const override;
  double ToPlain(Steinberg::Vst::ParamID id, double normalized) const override;
  bool SetParam(Steinberg::Vst::ParamID id, double normalized) override;

  /** The first program list of the controller. */
  std::string PresetListName() const override;
  std::vector<std::string> PresetNames() const override;
  /** Through the controller's program-change parameter. */
  bool SelectPreset(int index, std::string& error) override;
  /** Through the SDK's preset-file reader, as a host loads one: the component state into the
   *  component and, as its component state, into the controller, then any controller state. */
  bool LoadPresetFile(const Vst3PresetFile& preset, std::string& error) override;

  uint32_t LatencySamples() const override;
  uint32_t TailSamples() const override;

  bool Start(const ProcessSettings& settings, std::string& error) override;
  float* Channel32(bool output, int channel) override;
  double* Channel64(bool output, int channel) override;
  bool Process(int32_t frames, int64_t position, bool sameInput, std::string& error) override;
  bool HasPendingChanges() const override { return !mPending.Empty(); }
  void Stop() override;

  bool HasEditorView() const override { return mController != nullptr; }
  /** The controller the editor's view is made from (createView(ViewType::kEditor)); edits
   *  made in the view reach the processor like those of SetParam. */
  Steinberg::Vst::IEditController* EditController() const { return mController.get(); }

private:
  void Unload();
  void FillProcessContext(int64_t position);
  /** Moves the context's position (in samples) and its musical position there. */
  void MoveContext(int64_t position);

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
  PluginDescription mDescription;
  VST3::UID mClassId; ///< of the effect created

  ProcessSettings mSettings;
  Steinberg::Vst::HostProcessData mData;
  Steinberg::Vst::ParameterChanges mInputChanges;
  Steinberg::Vst::ParameterChanges mOutputChanges;
  Steinberg::Vst::ProcessContext mContext{};
  int32_t mLookedFrames = 0; ///< over which the input's silence flags were last set
  int64_t mContextAt = -1;   ///< the position mContext is at
  PendingValues mPending;
};

} // namespace render
