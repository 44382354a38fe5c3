// The module's plug-in factory: one class, whatever plug-in the module holds; its identity
// comes from the plug-in's descriptor.
#include <memory>

#include "public.sdk/source/main/pluginfactory.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/vsttypes.h"

#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"
#include "frame/vst3/IFrameVST3Effect.h"

namespace {

constexpr Steinberg::int32 kClassFlags = 2; // simple mode supported

Steinberg::FUnknown* createInstance(void*)
{
  try
  {
    std::unique_ptr<frame::IFramePlugin> plug(frame::CreatePlugin());
    auto* effect = new frame::IFrameVST3Effect(std::move(plug));
    return static_cast<Steinberg::Vst::IComponent*>(effect);
  }
  catch (...)
  {
    // Nothing may leave the module as an exception; the host sees a failed creation.
    return nullptr;
  }
}

const frame::Descriptor& d = frame::PluginDescriptor();

} // namespace

BEGIN_FACTORY(d.vendor, d.vendorUrl, d.supportEmail, PFactoryInfo::kUnicode)

DEF_CLASS2(INLINE_UID(d.classId[0], d.classId[1], d.classId[2], d.classId[3]), PClassInfo::kManyInstances,
           kVstAudioEffectClass, d.name, kClassFlags, d.category, d.version, kVstVersionString, createInstance)

END_FACTORY
