#include "frame/clap/IFrameCLAPPresets.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"
#include "frame/clap/IFrameCLAP.h"

namespace frame {

// ---------------------------------------------------------------------------------------
// preset-load

namespace {
/** The preset index a load key names, or -1. */
int presetIndex(const char* key, int count)
{
  if (!key || !*key)
    return -1;
  char* end = nullptr;
  const long idx = std::strtol(key, &end, 10);
  return *end == '\0' && idx >= 0 && idx < count ? static_cast<int>(idx) : -1;
}
} // namespace

bool IFrameCLAP::LoadPreset(uint32_t locationKind, const char* location, const char* loadKey)
{
  AssertMainThread();
  const auto* hostLoad = mHost && mHost->get_extension
                           ? static_cast<const clap_host_preset_load_t*>(mHost->get_extension(mHost, CLAP_EXT_PRESET_LOAD))
                           : nullptr;
  const int idx = locationKind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN ? presetIndex(loadKey, mPlug->NPresets()) : -1;
  if (idx < 0 || !mPlug->RestorePreset(idx))
  {
    if (hostLoad && hostLoad->on_error)
      hostLoad->on_error(mHost, locationKind, location, loadKey, 0, "no such factory preset");
    return false;
  }
  PresetRecalled();
  if (hostLoad && hostLoad->loaded)
    hostLoad->loaded(mHost, locationKind, location, loadKey);
  return true;
}

// ---------------------------------------------------------------------------------------
// preset-discovery

namespace {
struct Provider
{
  clap_preset_discovery_provider_t clap;
  const clap_preset_discovery_indexer_t* indexer;
  std::vector<std::string> names;
};

Provider* providerOf(const clap_preset_discovery_provider_t* p) { return static_cast<Provider*>(p->provider_data); }

const clap_preset_discovery_provider_descriptor_t& providerDescriptor()
{
  static const std::string id = std::string(PluginDescriptor().reverseDomainId) + ".factory-presets";
  static const std::string name = std::string(PluginDescriptor().name) + " factory presets";
  static const clap_preset_discovery_provider_descriptor_t d{CLAP_VERSION, id.c_str(), name.c_str(),
                                                             PluginDescriptor().vendor};
  return d;
}

bool providerInit(const clap_preset_discovery_provider_t* p)
{
  Provider& provider = *providerOf(p);
  try
  {
    // The names live in an instance; one made for the purpose tells them.
    std::unique_ptr<IFramePlugin> plug(CreatePlugin());
    provider.names.clear();
    for (int i = 0; i < plug->NPresets(); ++i)
      provider.names.emplace_back(plug->GetPresetName(i));
  }
  catch (...)
  {
    return false;
  }
  const clap_preset_discovery_location_t location{CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "Factory Presets",
                                                  CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
  return provider.indexer->declare_location && provider.indexer->declare_location(provider.indexer, &location);
}

bool providerMetadata(const clap_preset_discovery_provider_t* p, uint32_t kind, const char*,
                      const clap_preset_discovery_metadata_receiver_t* receiver)
{
  if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || !receiver || !receiver->begin_preset)
    return false;
  const clap_universal_plugin_id_t plugin{"clap", PluginDescriptor().reverseDomainId};
  const Provider& provider = *providerOf(p);
  for (size_t i = 0; i < provider.names.size(); ++i)
  {
    const std::string key = std::to_string(i);
    if (!receiver->begin_preset(receiver, provider.names[i].c_str(), key.c_str()))
      break;
    if (receiver->add_plugin_id)
      receiver->add_plugin_id(receiver, &plugin);
    if (receiver->set_flags)
      receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
  }
  return true;
}

const clap_preset_discovery_provider_t* createProvider(const clap_preset_discovery_factory_t*,
                                                       const clap_preset_discovery_indexer_t* indexer, const char* id)
{
  if (!indexer || !id || std::strcmp(id, providerDescriptor().id) != 0)
    return nullptr;
  auto* provider = new (std::nothrow) Provider{};
  if (!provider)
    return nullptr;
  provider->indexer = indexer;
  provider->clap.desc = &providerDescriptor();
  provider->clap.provider_data = provider;
  provider->clap.init = providerInit;
  provider->clap.destroy = [](const clap_preset_discovery_provider_t* p) { delete providerOf(p); };
  provider->clap.get_metadata = providerMetadata;
  provider->clap.get_extension = [](const clap_preset_discovery_provider_t*, const char*) -> const void* { return nullptr; };
  return &provider->clap;
}
} // namespace

const clap_preset_discovery_factory_t& PresetDiscoveryFactory()
{
  static const clap_preset_discovery_factory_t factory{
    [](const clap_preset_discovery_factory_t*) -> uint32_t { return 1; },
    [](const clap_preset_discovery_factory_t*, uint32_t index) {
      return index == 0 ? &providerDescriptor() : nullptr;
    },
    createProvider,
  };
  return factory;
}

} // namespace frame
