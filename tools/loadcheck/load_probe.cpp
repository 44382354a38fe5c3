// mg_load_probe <bundle.vst3>: loads the bundle as a host scanning it would, makes and
// initialises an instance, then fails when the process has mapped a network library. The
// version check opens libcurl only when the user asks; a scan must not pull it (and the TLS
// stack behind it) into the host.
#include <cstdio>
#include <fstream>
#include <string>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"

using namespace Steinberg;

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: %s <bundle.vst3>\n", argv[0]);
    return 2;
  }
  std::string reason;
  auto module = VST3::Hosting::Module::create(argv[1], reason);
  if (!module)
  {
    std::fprintf(stderr, "%s: cannot load: %s\n", argv[1], reason.c_str());
    return 1;
  }
  Vst::HostApplication host;
  const auto& factory = module->getFactory();
  factory.setHostContext(&host);
  int instances = 0;
  for (const auto& cls : factory.classInfos())
  {
    if (cls.category() != kVstAudioEffectClass)
      continue;
    auto component = factory.createInstance<Vst::IComponent>(cls.ID());
    if (!component || component->initialize(&host) != kResultOk)
    {
      std::fprintf(stderr, "%s: no instance of %s\n", argv[1], cls.name().c_str());
      return 1;
    }
    ++instances;
    component->terminate();
  }
  if (instances == 0)
  {
    std::fprintf(stderr, "%s: no audio effect\n", argv[1]);
    return 1;
  }

  std::ifstream maps("/proc/self/maps");
  int found = 0;
  for (std::string line; std::getline(maps, line);)
    for (const char* name : {"libcurl", "libssl", "libcrypto", "libgnutls"})
      if (line.find(name) != std::string::npos)
      {
        std::fprintf(stderr, "%s: loading it mapped %s\n", argv[1], line.c_str());
        ++found;
        break;
      }
  if (found == 0)
    std::printf("%s: loaded, %d instance(s), no network library mapped\n", argv[1], instances);
  return found == 0 ? 0 : 1;
}
