// The effect's registration: everything here is specific to this plug-in; the binding
// around it is not.
#include <memory>
#include <mutex>
#include <new>

#include "public.sdk/source/main/pluginfactory.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/vsttypes.h"

#include "effect/trellowphaser.h"
#include "frame/vst3/IFrameVST3Effect.h"

namespace {

constexpr Steinberg::uint32 kClassIDWord1 = 0xF2AEE70D;
constexpr Steinberg::uint32 kClassIDWord2 = 0x00DE4F4E;
constexpr Steinberg::uint32 kVendorID = 0x54724D75; // T r M u
constexpr Steinberg::uint32 kUniqueID = 0x74727068; // t r p h
constexpr Steinberg::int32 kClassFlags = 2;          // simple mode supported

/** Constructs the effect. Construction reads the settings file, which several instances
 *  created at once must not do together. */
frame::IFramePlugin* MakePlug(const frame::InstanceInfo& info)
{
  static std::recursive_mutex creation;
  std::lock_guard<std::recursive_mutex> lock(creation);
  return new TrellowPhaser(info);
}

Steinberg::FUnknown* createInstance(void*)
{
  try
  {
    const frame::InstanceInfo info;
    std::unique_ptr<frame::IFramePlugin> plug(MakePlug(info));
    auto* effect = new frame::IFrameVST3Effect(std::move(plug));
    return static_cast<Steinberg::Vst::IComponent*>(effect);
  }
  catch (...)
  {
    // Nothing may leave the module as an exception; the host sees a failed creation.
    return nullptr;
  }
}

} // namespace

BEGIN_FACTORY("Mistlegrove Music", "https://www.mistlegrovemusic.com", "support@mistlegrovemusic.com",
              PFactoryInfo::kUnicode)

DEF_CLASS2(INLINE_UID(kClassIDWord1, kClassIDWord2, kVendorID, kUniqueID), PClassInfo::kManyInstances,
           kVstAudioEffectClass, "Mistlegrove Phaser", kClassFlags, "Fx|Filter", "2.0.1", kVstVersionString,
           createInstance)

END_FACTORY
