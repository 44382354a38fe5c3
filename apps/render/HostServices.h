#pragma once

#include <functional>

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace render {

/** The name this host gives plug-ins that ask. */
constexpr const char* kHostName = "Mistlegrove Render";

/** The host context handed to the plug-in's initialize: the SDK's host application under
 *  this tool's name. */
class RenderHostApplication : public Steinberg::Vst::HostApplication
{
public:
  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
};

/** The controller's way back to the host. Edits the plug-in performs itself (a preset
 *  recall, an editor's knob) are handed to onEdit, so the host can carry them into the
 *  next processing call; restart requests go to onRestart. Main thread. */
class ComponentHandler
  : public Steinberg::U::Implements<
      Steinberg::U::Directly<Steinberg::Vst::IComponentHandler, Steinberg::Vst::IComponentHandler2>>
{
public:
  std::function<void(Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue)> onEdit;
  std::function<void(Steinberg::int32 flags)> onRestart;

  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

  Steinberg::tresult PLUGIN_API setDirty(Steinberg::TBool) override { return Steinberg::kResultOk; }
  Steinberg::tresult PLUGIN_API requestOpenEditor(Steinberg::FIDString) override { return Steinberg::kResultFalse; }
  Steinberg::tresult PLUGIN_API startGroupEdit() override { return Steinberg::kResultOk; }
  Steinberg::tresult PLUGIN_API finishGroupEdit() override { return Steinberg::kResultOk; }
};

} // namespace render
