#pragma once

// The built bundle, loaded once per test program the way a host loads it.
#include <cstring>
#include <string>
#include <vector>

#include "public.sdk/source/vst/hosting/module.h"

#include "vst3/VST3TestHost.h"

namespace mgtest {

inline const VST3::Hosting::Module::Ptr& bundle()
{
  // Never unloaded: LeakSanitizer's exit scan can trip over the thread-local storage of a
  // module that was closed before it.
  static const auto* module = new VST3::Hosting::Module::Ptr([] {
    std::string error;
    return VST3::Hosting::Module::create(MG_VST3_BUNDLE, error);
  }());
  return *module;
}

/** A new instance of the bundle's one class, or null. */
inline IPtr<IComponent> createComponent()
{
  if (!bundle())
    return nullptr;
  const auto& factory = bundle()->getFactory();
  const auto infos = factory.classInfos();
  return infos.empty() ? nullptr : factory.createInstance<IComponent>(infos.front().ID());
}

/** The ten values the instance would save now (zeros when its state is not the effect's
 *  108 bytes: the tag, the values and the bypass flag). */
inline std::vector<double> savedValues(Instance& plug)
{
  const std::vector<uint8_t> state = plug.getState();
  std::vector<double> values(10);
  if (state.size() == 108)
    std::memcpy(values.data(), state.data() + 24, 80);
  return values;
}

} // namespace mgtest
