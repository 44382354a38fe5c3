#pragma once

#include <memory>

// First, so the controller's state calls get the names the single-component effect uses.
#include "public.sdk/source/vst/vstsinglecomponenteffect.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"

#include "frame/IFramePlugin.h"
#include "frame/IHostNotifier.h"
#include "frame/vst3/IFrameVST3ControllerBase.h"
#include "frame/vst3/IFrameVST3ProcessorBase.h"

namespace frame {

class IFrameVST3View;

/** One plug-in instance as the host sees it: component, audio processor and edit controller
 *  in one object, wrapped around the frame's plug-in object, which it owns. The plug-in's
 *  notifications reach the host through this object's notifier side: the component handler
 *  (begin, perform and end edit, group edits, restart), the open view's plug frame (resize)
 *  and IComponentHandler3 (context menus). */
class IFrameVST3Effect : public Steinberg::Vst::SingleComponentEffect,
                         public Steinberg::Vst::IMidiMapping,
                         public Steinberg::Vst::ChannelContext::IInfoListener,
                         public IHostNotifier
{
public:
  explicit IFrameVST3Effect(std::unique_ptr<IFramePlugin> plug);
  ~IFrameVST3Effect() override;

  IFramePlugin& GetPlug() { return *mPlug; }
  /** The last editor view created and not yet destroyed, or null. */
  IFrameVST3View* GetView() const { return mView; }

  // Plug-in base and component
  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
  Steinberg::tresult PLUGIN_API getBusInfo(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir,
                                           Steinberg::int32 index, Steinberg::Vst::BusInfo& bus) override;
  Steinberg::tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir,
                                            Steinberg::int32 index, Steinberg::TBool state) override;
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;
  /** The effect's chunk, then the bypass flag as a 32-bit little-endian integer. */
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;
  /** Succeeds only when the effect's data and the bypass flag after it were read. */
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;

  // Audio processor
  Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs, Steinberg::int32 numIns,
                                                   Steinberg::Vst::SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) override;
  Steinberg::tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                                                  Steinberg::Vst::SpeakerArrangement& arr) override;
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
  Steinberg::uint32 PLUGIN_API getLatencySamples() override;
  Steinberg::uint32 PLUGIN_API getTailSamples() override;
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
  Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) override;
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

  // Edit controller
  Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API setEditorState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API getEditorState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) override;
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;
  void editorDestroyed(Steinberg::Vst::EditorView* editor) override;
  Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId, Steinberg::int32 index,
                                               Steinberg::Vst::String128 name) override;

  // MIDI mapping and channel context
  Steinberg::tresult PLUGIN_API getMidiControllerAssignment(Steinberg::int32 busIndex, Steinberg::int16 channel,
                                                            Steinberg::Vst::CtrlNumber midiControllerNumber,
                                                            Steinberg::Vst::ParamID& id) override;
  Steinberg::tresult PLUGIN_API setChannelContextInfos(Steinberg::Vst::IAttributeList* list) override;

  // IHostNotifier
  void BeginEdit(int paramIdx) override;
  /** The host-side object takes the value first, so a host that reads it back while the
   *  edit is reported already sees the new value. */
  void PerformEdit(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;
  void ReportAllValues() override;
  void PresetRecalled() override;
  void ParameterTextsChanged() override;
  /** Latency changes only reach a host through a restart. */
  void LatencyChanged() override;
  bool ResizeEditor(int width, int height) override;
  bool ShowParameterMenu(int paramIdx, float x, float y) override;

  OBJ_METHODS(IFrameVST3Effect, SingleComponentEffect)
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  REFCOUNT_METHODS(SingleComponentEffect)

private:
  Steinberg::tresult initializeSides(Steinberg::FUnknown* context);
  Steinberg::tresult writeState(Steinberg::IBStream* state);
  Steinberg::tresult readState(Steinberg::IBStream* state);
  Steinberg::tresult takeChannelContext(Steinberg::Vst::IAttributeList* list);
  void restartComponent(Steinberg::int32 flags);

  std::unique_ptr<IFramePlugin> mPlug;
  IFrameVST3ProcessorBase mProcessor;
  IFrameVST3ControllerBase mController;
  IFrameVST3View* mView = nullptr;
};

} // namespace frame
