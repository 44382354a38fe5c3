#include "apps/render/ClapHosting.h"

#include <algorithm>

#include <dlfcn.h>

#include "apps/render/Silence.h"

namespace claphost {

const clap_plugin_entry_t* OpenEntry(const std::string& path, std::string& error)
{
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module)
  {
    const char* why = dlerror();
    error = "cannot load '" + path + "': " + (why ? why : "unknown reason");
    return nullptr;
  }
  const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(module, "clap_entry"));
  if (!entry || !clap_version_is_compatible(entry->clap_version))
  {
    error = "'" + path + "' has no compatible clap_entry";
    return nullptr;
  }
  if (!entry->init(path.c_str()))
  {
    error = "'" + path + "' failed to initialise";
    return nullptr;
  }
  return entry;
}

clap_host_t HostStruct(void* data, const char* name, const char* vendor)
{
  clap_host_t host{};
  host.clap_version = CLAP_VERSION;
  host.host_data = data;
  host.name = name;
  host.vendor = vendor;
  host.url = "";
  host.version = "1.0";
  host.get_extension = [](const clap_host_t*, const char*) -> const void* { return nullptr; };
  host.request_restart = host.request_process = host.request_callback = [](const clap_host_t*) {};
  return host;
}

InputEvents::InputEvents(size_t reserved)
{
  mEvents.reserve(reserved);
  list.ctx = this;
  list.size = [](const clap_input_events_t* l) {
    return static_cast<uint32_t>(static_cast<const InputEvents*>(l->ctx)->mEvents.size());
  };
  list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
    const auto& events = static_cast<const InputEvents*>(l->ctx)->mEvents;
    return i < events.size() ? &events[i].header : nullptr;
  };
}

void InputEvents::Param(uint32_t time, clap_id id, double value)
{
  Event e{};
  e.value = {{sizeof(clap_event_param_value_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0}, id, nullptr, -1, -1, -1, -1, value};
  mEvents.push_back(e);
}

void InputEvents::Transport(uint32_t time, double tempo, double beats, bool playing)
{
  Event e{};
  e.transport = Transport(tempo, beats, playing);
  e.transport.header.time = time;
  mEvents.push_back(e);
}

clap_event_transport_t InputEvents::Transport(double tempo, double beats, bool playing)
{
  clap_event_transport_t t{};
  t.header = {sizeof(t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | (playing ? CLAP_TRANSPORT_IS_PLAYING : 0);
  t.tempo = tempo;
  t.song_pos_beats = static_cast<clap_beattime>(beats * CLAP_BEATTIME_FACTOR);
  return t;
}

void StereoBuffers::Allocate(size_t frames, bool single, bool wide)
{
  for (size_t c = 0; c < 4; ++c)
  {
    m32[c].assign(single ? frames : 0, 0.f);
    m64[c].assign(wide ? frames : 0, 0.0);
    mChannels32[c] = single ? m32[c].data() : nullptr;
    mChannels64[c] = wide ? m64[c].data() : nullptr;
  }
  mSilentOutput = 0;
}

float* StereoBuffers::Channel32(bool output, int channel)
{
  return channel >= 0 && channel < 2 ? mChannels32[Index(output, channel)] : nullptr;
}

double* StereoBuffers::Channel64(bool output, int channel)
{
  return channel >= 0 && channel < 2 ? mChannels64[Index(output, channel)] : nullptr;
}

clap_process_t StereoBuffers::Call(uint32_t frames, bool wide)
{
  mSilentOutput = 0;
  mPorts[0] = {wide ? nullptr : mChannels32, wide ? mChannels64 : nullptr, 2, 0, 0};
  mPorts[1] = {wide ? nullptr : mChannels32 + 2, wide ? mChannels64 + 2 : nullptr, 2, 0, 0};
  clap_process_t p{};
  p.frames_count = frames;
  p.audio_inputs = &mPorts[0];
  p.audio_outputs = &mPorts[1];
  p.audio_inputs_count = p.audio_outputs_count = 1;
  return p;
}

bool StereoBuffers::MarkQuietInput(uint32_t frames)
{
  clap_audio_buffer_t& in = mPorts[0];
  const uint64_t quiet = in.data64 ? render::QuietChannels(in.data64, 2, frames) : render::QuietChannels(in.data32, 2, frames);
  in.constant_mask = quiet == 3u ? 3u : 0u;
  return quiet == 3u;
}

void StereoBuffers::SilenceOutput(uint32_t frames)
{
  clap_audio_buffer_t& out = mPorts[1];
  out.constant_mask = 3u;
  if (frames <= mSilentOutput)
    return;
  for (int c = 0; c < 2; ++c)
  {
    if (out.data64)
      std::fill(out.data64[c], out.data64[c] + frames, 0.0);
    else
      std::fill(out.data32[c], out.data32[c] + frames, 0.0f);
  }
  mSilentOutput = frames;
}

} // namespace claphost
