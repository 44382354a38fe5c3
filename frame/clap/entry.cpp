// The module's entry: the plug-in factory with the one plug-in of the descriptor, and the
// preset-discovery factory.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "clap/clap.h"

#include "editor/InstallEditor.h"
#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"
#include "frame/clap/IFrameCLAP.h"
#include "frame/clap/IFrameCLAPPresets.h"

namespace {

/** A .clap is one file: the editor's bitmaps and font sit in "<name>.resources" beside it. */
std::string resourcesBeside(const char* modulePath)
{
  char resolved[PATH_MAX];
  std::string path = modulePath && realpath(modulePath, resolved) ? resolved : (modulePath ? modulePath : "");
  const std::string::size_type dot = path.rfind(".clap");
  if (dot == std::string::npos || dot + 5 != path.size())
    return {};
  return path.substr(0, dot) + ".resources";
}

uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index)
{
  return index == 0 ? &frame::IFrameCLAP::Descriptor() : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* id)
{
  if (!host || !id || !clap_version_is_compatible(host->clap_version) ||
      std::strcmp(id, frame::IFrameCLAP::Descriptor().id) != 0)
    return nullptr;
  try
  {
    std::unique_ptr<frame::IFramePlugin> plug(frame::CreatePlugin());
    return (new frame::IFrameCLAP(host, std::move(plug)))->ClapPlugin();
  }
  catch (...)
  {
    return nullptr;
  }
}

const clap_plugin_factory_t kPluginFactory{pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char* pluginPath)
{
  try
  {
    frame::graphics::InstallPluginEditor(resourcesBeside(pluginPath));
  }
  catch (...)
  {
    return false;
  }
  return true;
}

void entryDeinit() { frame::graphics::UninstallPluginEditor(); }

const void* entryFactory(const char* id)
{
  if (!id)
    return nullptr;
  if (!std::strcmp(id, CLAP_PLUGIN_FACTORY_ID))
    return &kPluginFactory;
  if (!std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) || !std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT))
    return &frame::PresetDiscoveryFactory();
  return nullptr;
}

} // namespace

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry{CLAP_VERSION_INIT, entryInit, entryDeinit, entryFactory};
