#pragma once

// The built bundle, loaded once per test program the way a host loads it.
#include <string>

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

} // namespace mgtest
