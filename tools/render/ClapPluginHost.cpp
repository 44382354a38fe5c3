// The CLAP side of the host: a .clap through its entry, with the VST 3 side's meanings.

#include "tools/render/ClapPluginHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/render/ValueText.h"

namespace render {

using Steinberg::Vst::ParameterInfo;

namespace {
template <typename T>
const T* extension(const clap_plugin_t* plugin, const char* id)
{
  return plugin ? static_cast<const T*>(plugin->get_extension(plugin, id)) : nullptr;
}

// The preset browser's view of the plug-in's own presets: the first location inside it.
struct PresetIndex
{
  std::string locationName;
  std::vector<std::string> names, keys;
};
} // namespace

ClapPluginHost::ClapPluginHost()
{
  mHost.clap_version = CLAP_VERSION;
  mHost.host_data = this;
  mHost.name = "mistlegrove-render";
  mHost.vendor = "Mistlegrove Music";
  mHost.url = "";
  mHost.version = "1.0";
  mHost.get_extension = [](const clap_host_t*, const char*) -> const void* { return nullptr; };
  mHost.request_restart = mHost.request_process = mHost.request_callback = [](const clap_host_t*) {};
  mIn.ctx = this;
  mIn.size = [](const clap_input_events_t* l) { return static_cast<uint32_t>(static_cast<ClapPluginHost*>(l->ctx)->mEvents.size()); };
  mIn.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
    const auto& events = static_cast<ClapPluginHost*>(l->ctx)->mEvents;
    return i < events.size() ? &events[i].header : nullptr;
  };
  // Nothing the plug-in reports is of use to a render.
  mOut.try_push = [](const clap_output_events_t*, const clap_event_header_t*) { return true; };
}

ClapPluginHost::~ClapPluginHost() { unload(); }

void ClapPluginHost::unload()
{
  Stop();
  if (mPlugin)
    mPlugin->destroy(mPlugin);
  mPlugin = nullptr;
  mParamsExt = nullptr;
  if (mEntry)
    mEntry->deinit();
  mEntry = nullptr;
  // The module stays loaded: a module's thread-local storage may outlive its closing.
  mModule = nullptr;
}

bool ClapPluginHost::Load(const std::string& path, std::string& error)
{
  unload();
  mModule = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mModule)
  {
    const char* why = dlerror();
    error = "cannot load '" + path + "': " + (why ? why : "unknown reason");
    return false;
  }
  const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(mModule, "clap_entry"));
  if (!entry || !clap_version_is_compatible(entry->clap_version))
  {
    error = "'" + path + "' has no compatible clap_entry";
    return false;
  }
  if (!entry->init(path.c_str()))
  {
    error = "'" + path + "' failed to initialise";
    return false;
  }
  mEntry = entry;
  const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
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
  mParamsExt = extension<clap_plugin_params_t>(mPlugin, CLAP_EXT_PARAMS);

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
  readParams();
  readPresets();
  return true;
}

void ClapPluginHost::readParams()
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
    p.flags = ((info.flags & CLAP_PARAM_IS_AUTOMATABLE) ? ParameterInfo::kCanAutomate : 0) |
              ((info.flags & CLAP_PARAM_IS_READONLY) ? ParameterInfo::kIsReadOnly : 0) |
              ((info.flags & CLAP_PARAM_IS_ENUM) ? ParameterInfo::kIsList : 0) |
              ((info.flags & CLAP_PARAM_IS_BYPASS) ? ParameterInfo::kIsBypass : 0);
    p.defaultNormalized = r.max > r.min ? (info.default_value - r.min) / (r.max - r.min) : 0.0;
    mParams.push_back(std::move(p));
    mRanges.emplace_back(info.id, r);
  }
}

void ClapPluginHost::readPresets()
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

const ClapPluginHost::Range* ClapPluginHost::rangeOf(uint32_t id) const
{
  for (const auto& [rid, r] : mRanges)
    if (rid == id)
      return &r;
  return nullptr;
}

double ClapPluginHost::toPlain(uint32_t id, double normalized) const
{
  const Range* r = rangeOf(id);
  if (!r)
    return normalized;
  const double v = r->min + std::clamp(normalized, 0.0, 1.0) * (r->max - r->min);
  return r->stepped ? std::round(v) : v;
}

double ClapPluginHost::Normalized(uint32_t id) const
{
  const Range* r = rangeOf(id);
  double v = 0.0;
  if (!r || !mParamsExt->get_value(mPlugin, id, &v))
    return 0.0;
  return r->max > r->min ? std::clamp((v - r->min) / (r->max - r->min), 0.0, 1.0) : 0.0;
}

std::string ClapPluginHost::TextFor(uint32_t id, double normalized) const
{
  char text[256] = "";
  if (!mParamsExt || !mParamsExt->value_to_text(mPlugin, id, toPlain(id, normalized), text, sizeof(text)))
    return {};
  return text;
}

bool ClapPluginHost::ReadValue(const PluginParam& param, const std::string& text, double& normalized,
                               std::string& error) const
{
  ParamTextModel model;
  model.title = param.title;
  model.stepCount = param.stepCount;
  model.units = param.units;
  const uint32_t id = param.id;
  const Range range = rangeOf(id) ? *rangeOf(id) : Range{};
  model.toText = [this, id](double n) { return TextFor(id, n); };
  model.fromText = [this, id, range](const std::string& t, double& n) {
    double v = 0.0;
    if (!mParamsExt->text_to_value(mPlugin, id, t.c_str(), &v))
      return false;
    n = range.max > range.min ? std::clamp((v - range.min) / (range.max - range.min), 0.0, 1.0) : 0.0;
    return true;
  };
  // Plain values are those of the parameter's own range, as the VST 3 controller gives them.
  model.toPlain = [this, id](double n) { return toPlain(id, n); };
  return ReadValueText(model, text, normalized, error);
}

void ClapPluginHost::queue(uint32_t id, double normalized)
{
  for (auto& change : mPending)
    if (change.first == id)
    {
      change.second = normalized;
      return;
    }
  mPending.emplace_back(id, normalized);
}

bool ClapPluginHost::SetParam(uint32_t id, double normalized, std::string& error)
{
  if (!rangeOf(id))
  {
    error = "the plug-in refused a value for parameter " + std::to_string(id);
    return false;
  }
  queue(id, normalized);
  // Before processing starts the value is taken at once, so that it reads back.
  if (!mProcessing)
    flushPending();
  return true;
}

void ClapPluginHost::flushPending()
{
  mEvents.clear();
  for (const auto& [id, n] : mPending)
  {
    clap_event_param_value_t e{};
    e.header = {sizeof(e), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param_id = id;
    e.note_id = -1;
    e.port_index = e.channel = e.key = -1;
    e.value = toPlain(id, n);
    mEvents.push_back(e);
  }
  mPending.clear();
  if (mProcessing)
    return;
  if (mParamsExt && !mEvents.empty())
    mParamsExt->flush(mPlugin, &mIn, &mOut);
  mEvents.clear();
}

bool ClapPluginHost::SelectPreset(int index, std::string& error)
{
  const auto* load = extension<clap_plugin_preset_load_t>(mPlugin, CLAP_EXT_PRESET_LOAD);
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

uint32_t ClapPluginHost::LatencySamples() const
{
  const auto* latency = extension<clap_plugin_latency_t>(mPlugin, CLAP_EXT_LATENCY);
  return latency ? latency->get(mPlugin) : 0;
}

uint32_t ClapPluginHost::TailSamples() const
{
  const auto* tail = extension<clap_plugin_tail_t>(mPlugin, CLAP_EXT_TAIL);
  return tail ? tail->get(mPlugin) : 0;
}

bool ClapPluginHost::Start(const ProcessSettings& settings, std::string& error)
{
  Stop();
  if (!mPlugin)
  {
    error = "no plug-in is loaded";
    return false;
  }
  mSettings = settings;
  if (const auto* render = extension<clap_plugin_render_t>(mPlugin, CLAP_EXT_RENDER))
    render->set(mPlugin, settings.realtime ? CLAP_RENDER_REALTIME : CLAP_RENDER_OFFLINE);
  if (!mPlugin->activate(mPlugin, settings.sampleRate, 1, static_cast<uint32_t>(std::max(settings.maxBlockSize, 1))))
  {
    error = "'" + mDescription.name + "' refuses to process at " + std::to_string(settings.sampleRate) + " Hz";
    return false;
  }
  mActive = true;
  const size_t n = static_cast<size_t>(std::max(settings.maxBlockSize, 1));
  mBuffers32.assign(settings.doublePrecision ? 0 : 4, std::vector<float>(n, 0.f));
  mBuffers64.assign(settings.doublePrecision ? 4 : 0, std::vector<double>(n, 0.0));
  for (size_t c = 0; c < 4; ++c)
  {
    mChannels32[c] = mBuffers32.empty() ? nullptr : mBuffers32[c].data();
    mChannels64[c] = mBuffers64.empty() ? nullptr : mBuffers64[c].data();
  }
  if (!mPlugin->start_processing(mPlugin))
  {
    error = "'" + mDescription.name + "' failed to start processing";
    return false;
  }
  mProcessing = true;
  // Every current value with the first call, as a host does at start.
  for (const PluginParam& p : mParams)
    if (!(p.flags & ParameterInfo::kIsReadOnly))
      queue(p.id, Normalized(p.id));
  mEvents.reserve(mParams.size() + 1);
  mPosition = 0;
  return true;
}

float* ClapPluginHost::Input32(int channel)
{
  return mProcessing && !mBuffers32.empty() && channel >= 0 && channel < 2 ? mBuffers32[static_cast<size_t>(channel)].data() : nullptr;
}
float* ClapPluginHost::Output32(int channel)
{
  return mProcessing && !mBuffers32.empty() && channel >= 0 && channel < 2 ? mBuffers32[static_cast<size_t>(channel) + 2].data() : nullptr;
}
double* ClapPluginHost::Input64(int channel)
{
  return mProcessing && !mBuffers64.empty() && channel >= 0 && channel < 2 ? mBuffers64[static_cast<size_t>(channel)].data() : nullptr;
}
double* ClapPluginHost::Output64(int channel)
{
  return mProcessing && !mBuffers64.empty() && channel >= 0 && channel < 2 ? mBuffers64[static_cast<size_t>(channel) + 2].data() : nullptr;
}

bool ClapPluginHost::Process(int32_t frames, std::string& error)
{
  if (!mProcessing || frames < 0 || frames > mSettings.maxBlockSize)
  {
    error = "processing was not started for blocks of " + std::to_string(frames);
    return false;
  }
  flushPending();

  // A transport playing from the start in 4/4 at the chosen tempo.
  clap_event_transport_t t{};
  t.header = {sizeof(t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_SECONDS_TIMELINE |
            CLAP_TRANSPORT_HAS_TIME_SIGNATURE | CLAP_TRANSPORT_IS_PLAYING;
  t.tempo = mSettings.tempo;
  // Positions are never negative here: adding a half and truncating rounds them.
  const double seconds = static_cast<double>(mPosition) / mSettings.sampleRate;
  const double beats = seconds * mSettings.tempo / 60.0;
  const int32_t bar = static_cast<int32_t>(beats / 4.0);
  t.song_pos_beats = static_cast<clap_beattime>(beats * static_cast<double>(CLAP_BEATTIME_FACTOR) + 0.5);
  t.song_pos_seconds = static_cast<clap_sectime>(seconds * static_cast<double>(CLAP_SECTIME_FACTOR) + 0.5);
  t.bar_start = static_cast<clap_beattime>(bar) * 4 * CLAP_BEATTIME_FACTOR;
  t.bar_number = bar;
  t.tsig_num = t.tsig_denom = 4;

  const bool wide = mSettings.doublePrecision;
  clap_audio_buffer_t input{wide ? nullptr : mChannels32, wide ? mChannels64 : nullptr, 2, 0, 0};
  clap_audio_buffer_t output{wide ? nullptr : mChannels32 + 2, wide ? mChannels64 + 2 : nullptr, 2, 0, 0};
  clap_process_t p{};
  p.steady_time = mPosition;
  p.frames_count = static_cast<uint32_t>(frames);
  p.transport = &t;
  p.audio_inputs = &input;
  p.audio_outputs = &output;
  p.audio_inputs_count = p.audio_outputs_count = 1;
  p.in_events = &mIn;
  p.out_events = &mOut;
  const clap_process_status status = mPlugin->process(mPlugin, &p);
  mEvents.clear();
  mPosition += frames;
  if (status == CLAP_PROCESS_ERROR)
  {
    error = "'" + mDescription.name + "' failed to process a block";
    return false;
  }
  return true;
}

void ClapPluginHost::Stop()
{
  if (mProcessing)
    mPlugin->stop_processing(mPlugin);
  mProcessing = false;
  if (mActive)
    mPlugin->deactivate(mPlugin);
  mActive = false;
}

} // namespace render
