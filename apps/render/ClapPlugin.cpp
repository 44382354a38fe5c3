// A .clap's loading and teardown, parameters and presets.

#include "apps/render/ClapPlugin.h"

#include <cmath>

namespace render {

using claphost::Extension;

namespace {
// The preset browser's view of the plug-in's own presets: the first location inside it.
struct PresetIndex
{
  std::string locationName;
  std::vector<std::string> names, keys;
};
} // namespace

ClapPlugin::ClapPlugin() : mHost(claphost::HostStruct(this, "mistlegrove-render", "Mistlegrove Music"))
{
  // Nothing the plug-in reports is of use to a render.
  mOut.try_push = [](const clap_output_events_t*, const clap_event_header_t*) { return true; };
}

ClapPlugin::~ClapPlugin() { Unload(); }

void ClapPlugin::Unload()
{
  Stop();
  if (mPlugin)
    mPlugin->destroy(mPlugin);
  mPlugin = nullptr;
  mParamsExt = nullptr;
  if (mEntry)
    mEntry->deinit();
  mEntry = nullptr;
}

bool ClapPlugin::Load(const std::string& path, PluginDescription& description, std::string& error)
{
  Unload();
  mEntry = claphost::OpenEntry(path, error);
  if (!mEntry)
    return false;
  const auto* factory = static_cast<const clap_plugin_factory_t*>(mEntry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  const clap_plugin_descriptor_t* d = factory && factory->get_plugin_count(factory) > 0
                                        ? factory->get_plugin_descriptor(factory, 0)
                                        : nullptr;
  if (!d)
  {
    error = "'" + path + "' holds no plug-in";
    return false;
  }
  mPlugin = factory->create_plugin(factory, &mHost, d->id);
  if (!mPlugin || !mPlugin->init(mPlugin))
  {
    error = "'" + std::string(d->name) + "' failed to initialise";
    return false;
  }
  mParamsExt = Extension<clap_plugin_params_t>(mPlugin, CLAP_EXT_PARAMS);

  mDescription = {};
  mDescription.name = d->name ? d->name : "";
  mDescription.vendor = d->vendor ? d->vendor : "";
  mDescription.version = d->version ? d->version : "";
  mDescription.url = d->url ? d->url : "";
  mDescription.classId = d->id;
  mDescription.bundle = path;
  mDescription.category = "CLAP";
  for (const char* const* f = d->features; f && *f; ++f)
    mDescription.subCategories += (mDescription.subCategories.empty() ? "" : "|") + std::string(*f);
  const clap_version_t v = CLAP_VERSION;
  mDescription.sdkVersion = "CLAP " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
  ReadParams();
  ReadPresets();
  description = mDescription;
  return true;
}

void ClapPlugin::ReadParams()
{
  mParams.clear();
  mRanges.clear();
  const uint32_t n = mParamsExt ? mParamsExt->count(mPlugin) : 0;
  for (uint32_t i = 0; i < n; ++i)
  {
    clap_param_info_t info{};
    if (!mParamsExt->get_info(mPlugin, i, &info))
      continue;
    Range r{info.min_value, info.max_value, (info.flags & CLAP_PARAM_IS_STEPPED) != 0};
    PluginParam p;
    p.id = info.id;
    p.title = info.name;
    p.stepCount = r.stepped ? static_cast<int32_t>(std::lround(r.max - r.min)) : 0;
    p.flags = ((info.flags & CLAP_PARAM_IS_AUTOMATABLE) ? kParamCanAutomate : 0) |
              ((info.flags & CLAP_PARAM_IS_READONLY) ? kParamReadOnly : 0) |
              ((info.flags & CLAP_PARAM_IS_ENUM) ? kParamList : 0) |
              ((info.flags & CLAP_PARAM_IS_BYPASS) ? kParamBypass : 0);
    p.defaultNormalized = r.max > r.min ? (info.default_value - r.min) / (r.max - r.min) : 0.0;
    mParams.push_back(std::move(p));
    mRanges.emplace_back(info.id, r);
  }
}

void ClapPlugin::ReadPresets()
{
  mPresetListName.clear();
  mPresetNames.clear();
  const auto* discovery = static_cast<const clap_preset_discovery_factory_t*>(mEntry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
  if (!discovery || discovery->count(discovery) < 1)
    return;
  PresetIndex index;
  clap_preset_discovery_indexer_t indexer{CLAP_VERSION, mHost.name, mHost.vendor, "", mHost.version, &index,
                                          nullptr, nullptr, nullptr, nullptr};
  indexer.declare_filetype = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*) { return true; };
  indexer.declare_location = [](const clap_preset_discovery_indexer_t* i, const clap_preset_discovery_location_t* l) {
    auto& idx = *static_cast<PresetIndex*>(i->indexer_data);
    if (l->kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN && idx.locationName.empty())
      idx.locationName = l->name ? l->name : "Presets";
    return true;
  };
  indexer.declare_soundpack = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_soundpack_t*) { return true; };
  indexer.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void* { return nullptr; };
  const auto* desc = discovery->get_descriptor(discovery, 0);
  const clap_preset_discovery_provider_t* provider = desc ? discovery->create(discovery, &indexer, desc->id) : nullptr;
  if (!provider)
    return;
  if (provider->init(provider) && !index.locationName.empty())
  {
    clap_preset_discovery_metadata_receiver_t receiver{};
    receiver.receiver_data = &index;
    receiver.on_error = [](const clap_preset_discovery_metadata_receiver_t*, int32_t, const char*) {};
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key) {
      auto& idx = *static_cast<PresetIndex*>(r->receiver_data);
      idx.names.emplace_back(name ? name : "");
      idx.keys.emplace_back(key ? key : "");
      return true;
    };
    if (provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver))
    {
      mPresetListName = index.locationName;
      mPresetNames = index.names;
    }
  }
  provider->destroy(provider);
}

const ClapPlugin::Range* ClapPlugin::RangeOf(uint32_t id) const
{
  for (const auto& [rid, r] : mRanges)
    if (rid == id)
      return &r;
  return nullptr;
}

double ClapPlugin::ToPlain(uint32_t id, double normalized) const
{
  const Range* r = RangeOf(id);
  if (!r)
    return normalized;
  const double v = r->min + std::clamp(normalized, 0.0, 1.0) * (r->max - r->min);
  return r->stepped ? std::round(v) : v;
}

double ClapPlugin::Normalized(uint32_t id) const
{
  const Range* r = RangeOf(id);
  double v = 0.0;
  if (!r || !mParamsExt->get_value(mPlugin, id, &v))
    return 0.0;
  return r->Normalized(v);
}

std::string ClapPlugin::TextFor(uint32_t id, double normalized) const
{
  char text[256] = "";
  if (!mParamsExt || !mParamsExt->value_to_text(mPlugin, id, ToPlain(id, normalized), text, sizeof(text)))
    return {};
  return text;
}

bool ClapPlugin::FromText(uint32_t id, const std::string& text, double& normalized) const
{
  const Range* r = RangeOf(id);
  double v = 0.0;
  if (!mParamsExt || !mParamsExt->text_to_value(mPlugin, id, text.c_str(), &v))
    return false;
  normalized = (r ? *r : Range{}).Normalized(v);
  return true;
}

bool ClapPlugin::SetParam(uint32_t id, double normalized)
{
  if (!RangeOf(id))
    return false;
  mPending.Set(id, normalized);
  // Before processing starts the value is taken at once, so that it reads back.
  if (!mProcessing)
    FlushPending();
  return true;
}

bool ClapPlugin::SelectPreset(int index, std::string& error)
{
  const auto* load = Extension<clap_plugin_preset_load_t>(mPlugin, CLAP_EXT_PRESET_LOAD);
  if (!load || mPresetNames.empty())
  {
    error = "the plug-in has no presets to recall";
    return false;
  }
  if (index < 0 || index >= static_cast<int>(mPresetNames.size()))
  {
    error = "preset index " + std::to_string(index) + " is out of range 0 .. " + std::to_string(mPresetNames.size() - 1);
    return false;
  }
  if (!load->from_location(mPlugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, std::to_string(index).c_str()))
  {
    error = "the plug-in refused preset " + std::to_string(index);
    return false;
  }
  return true;
}

uint32_t ClapPlugin::LatencySamples() const
{
  const auto* latency = Extension<clap_plugin_latency_t>(mPlugin, CLAP_EXT_LATENCY);
  return latency ? latency->get(mPlugin) : 0;
}

uint32_t ClapPlugin::TailSamples() const
{
  const auto* tail = Extension<clap_plugin_tail_t>(mPlugin, CLAP_EXT_TAIL);
  return tail ? tail->get(mPlugin) : 0;
}

} // namespace render
