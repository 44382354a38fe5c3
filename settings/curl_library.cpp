#include "settings/curl_library.h"

#include <dlfcn.h>

#include <mutex>

namespace settings::curl {

namespace {

template <typename F>
bool bind(void* handle, const char* name, F& f)
{
  f = reinterpret_cast<F>(dlsym(handle, name));
  return f != nullptr;
}

} // namespace

const Library* Open(EOpen* state)
{
  static std::mutex mutex;
  static Library library;
  static EOpen opened = EOpen::kMissing;
  std::lock_guard<std::mutex> lock(mutex);
  if (opened == EOpen::kMissing)
  {
    // Local: its symbols must not satisfy, or clash with, anything else in the host.
    if (void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL))
    {
      Library l{};
      if (bind(handle, "curl_global_init", l.globalInit) && bind(handle, "curl_easy_init", l.easyInit) &&
          bind(handle, "curl_easy_setopt", l.easySetopt) && bind(handle, "curl_easy_perform", l.easyPerform) &&
          bind(handle, "curl_easy_getinfo", l.easyGetinfo) && bind(handle, "curl_easy_cleanup", l.easyCleanup))
      {
        // Initialised on first use rather than at load: a static constructor would run
        // inside the host's module loading.
        library = l;
        opened = l.globalInit(kGlobalDefault) == kOk ? EOpen::kReady : EOpen::kFailed;
      }
      else
        dlclose(handle);
    }
  }
  *state = opened;
  return opened == EOpen::kReady ? &library : nullptr;
}

} // namespace settings::curl
