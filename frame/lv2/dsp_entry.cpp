// The signal-path module's entry: the LV2 descriptor over the frame's plug-in.
#include <cstring>
#include <new>

#include "frame/Descriptor.h"
#include "frame/lv2/Lv2Instance.h"

namespace {
using frame::lv2::Instance;

Instance* self(LV2_Handle h) { return static_cast<Instance*>(h); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
  if (!frame::IFrameProcessor::ServesSampleRate(rate))
    return nullptr;
  try
  {
    return new Instance(std::unique_ptr<frame::IFramePlugin>(frame::CreatePlugin()), rate, features);
  }
  catch (...)
  {
    return nullptr;
  }
}

void connectPort(LV2_Handle h, uint32_t port, void* data) { self(h)->ConnectPort(port, data); }
void activate(LV2_Handle h) { self(h)->Activate(); }
void run(LV2_Handle h, uint32_t nFrames) { self(h)->Run(nFrames); }
void deactivate(LV2_Handle h) { self(h)->Deactivate(); }
void cleanup(LV2_Handle h) { delete self(h); }

// A state call must not let an exception (only allocation throws) reach the host.
template <typename F>
LV2_State_Status guarded(F&& f)
{
  try
  {
    return f();
  }
  catch (...)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*)
{
  return guarded([&] { return self(h)->Save(store, handle); });
}

LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                         const LV2_Feature* const*)
{
  return guarded([&] { return self(h)->Restore(retrieve, handle); });
}

const void* extensionData(const char* uri)
{
  static const LV2_State_Interface state{save, restore};
  return uri && std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}
} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  static const LV2_Descriptor descriptor{frame::PluginDescriptor().uri, instantiate, connectPort, activate,
                                         run, deactivate, cleanup, extensionData};
  return index == 0 ? &descriptor : nullptr;
}
