#include "frame/clap/IFrameCLAP.h"

#include <cassert>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "frame/Descriptor.h"
#include "frame/clap/IFrameCLAPGui.h"

namespace frame {

namespace {
const clap_plugin_audio_ports_t kAudioPorts{
  [](const clap_plugin_t*, bool) -> uint32_t { return 1; },
  [](const clap_plugin_t* p, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
    if (index != 0 || !info)
      return false;
    IFrameCLAP::From(p)->AssertMainThread();
    *info = {};
    info->id = 0;
    std::snprintf(info->name, sizeof(info->name), "%s", isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS | CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0;
    return true;
  },
};

const clap_plugin_params_t kParams{
  [](const clap_plugin_t* p) { return IFrameCLAP::From(p)->ParamCount(); },
  [](const clap_plugin_t* p, uint32_t index, clap_param_info_t* info) { return IFrameCLAP::From(p)->ParamInfo(index, info); },
  [](const clap_plugin_t* p, clap_id id, double* value) { return IFrameCLAP::From(p)->ParamValue(id, value); },
  [](const clap_plugin_t* p, clap_id id, double value, char* text, uint32_t capacity) {
    return IFrameCLAP::From(p)->ValueToText(id, value, text, capacity);
  },
  [](const clap_plugin_t* p, clap_id id, const char* text, double* value) {
    return IFrameCLAP::From(p)->TextToValue(id, text, value);
  },
  [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
    IFrameCLAP::From(p)->Flush(in, out);
  },
};

const clap_plugin_state_t kState{
  [](const clap_plugin_t* p, const clap_ostream_t* stream) { return IFrameCLAP::From(p)->SaveState(stream); },
  [](const clap_plugin_t* p, const clap_istream_t* stream) { return IFrameCLAP::From(p)->LoadState(stream); },
};

const clap_plugin_latency_t kLatency{
  [](const clap_plugin_t* p) { return static_cast<uint32_t>(IFrameCLAP::From(p)->GetPlug().GetLatency()); },
};

const clap_plugin_render_t kRender{
  [](const clap_plugin_t*) { return false; },
  [](const clap_plugin_t* p, clap_plugin_render_mode mode) {
    IFrameCLAP::From(p)->GetPlug().SetRenderingOffline(mode == CLAP_RENDER_OFFLINE);
    return true;
  },
};

const clap_plugin_preset_load_t kPresetLoad{
  [](const clap_plugin_t* p, uint32_t kind, const char* location, const char* key) {
    return IFrameCLAP::From(p)->LoadPreset(kind, location, key);
  },
};

template <typename T>
const T* hostExtension(const clap_host_t* host, const char* id)
{
  return host && host->get_extension ? static_cast<const T*>(host->get_extension(host, id)) : nullptr;
}
} // namespace

// ---------------------------------------------------------------------------------------

const clap_plugin_descriptor_t& IFrameCLAP::Descriptor()
{
  static const clap_plugin_descriptor_t d = [] {
    const frame::Descriptor& plug = PluginDescriptor();
    clap_plugin_descriptor_t c{};
    c.clap_version = CLAP_VERSION;
    c.id = plug.reverseDomainId;
    c.name = plug.name;
    c.vendor = plug.vendor;
    c.url = plug.homePageUrl;
    c.manual_url = plug.homePageUrl;
    c.support_url = plug.vendorUrl;
    c.version = plug.version;
    c.description = "Stereo phaser";
    c.features = plug.features;
    return c;
  }();
  return d;
}

IFrameCLAP* IFrameCLAP::From(const clap_plugin_t* plugin) { return static_cast<IFrameCLAP*>(plugin->plugin_data); }

IFrameCLAP::IFrameCLAP(const clap_host_t* host, std::unique_ptr<IFramePlugin> plug) : mHost(host), mPlug(std::move(plug))
{
  mClapPlugin.desc = &Descriptor();
  mClapPlugin.plugin_data = this;
  mClapPlugin.init = [](const clap_plugin_t* p) { return From(p)->Init(); };
  mClapPlugin.destroy = [](const clap_plugin_t* p) { delete From(p); };
  mClapPlugin.activate = [](const clap_plugin_t* p, double rate, uint32_t minFrames, uint32_t maxFrames) {
    return From(p)->Activate(rate, minFrames, maxFrames);
  };
  mClapPlugin.deactivate = [](const clap_plugin_t* p) { From(p)->Deactivate(); };
  mClapPlugin.start_processing = [](const clap_plugin_t* p) { return From(p)->StartProcessing(); };
  mClapPlugin.stop_processing = [](const clap_plugin_t* p) { From(p)->StopProcessing(); };
  mClapPlugin.reset = [](const clap_plugin_t* p) { From(p)->Reset(); };
  mClapPlugin.process = [](const clap_plugin_t* p, const clap_process_t* process) { return From(p)->Process(process); };
  mClapPlugin.get_extension = [](const clap_plugin_t* p, const char* id) { return From(p)->GetExtension(id); };
  mClapPlugin.on_main_thread = [](const clap_plugin_t* p) { From(p)->OnMainThread(); };
  mPlug->SetHostNotifier(this);
  mPlug->SetAPI(8); // "CLAP"
}

IFrameCLAP::~IFrameCLAP()
{
  // A host that destroys the instance with the editor still open.
  IFrameCLAPGui::kGui.destroy(&mClapPlugin);
  mPlug->SetHostNotifier(nullptr);
}

bool IFrameCLAP::Init()
{
  // The host's interfaces may be asked for only from here on.
  mHostParams = hostExtension<clap_host_params_t>(mHost, CLAP_EXT_PARAMS);
  mHostState = hostExtension<clap_host_state_t>(mHost, CLAP_EXT_STATE);
  mHostGui = hostExtension<clap_host_gui_t>(mHost, CLAP_EXT_GUI);
  mThreadCheck = hostExtension<clap_host_thread_check_t>(mHost, CLAP_EXT_THREAD_CHECK);
  mHostTail = hostExtension<clap_host_tail_t>(mHost, CLAP_EXT_TAIL);
  AssertMainThread();
  return guarded([&] {
    mPlug->Initialize(mHost && mHost->name ? mHost->name : "");
    return true;
  });
}

bool IFrameCLAP::Activate(double sampleRate, uint32_t, uint32_t maxFrames)
{
  AssertMainThread();
  if (mActive || !IFrameProcessor::ServesSampleRate(sampleRate) || maxFrames == 0)
    return false;
  const int blockSize = maxFrames > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(maxFrames);
  if (!guarded([&] {
        mPlug->SetupProcessing(sampleRate, blockSize);
        return true;
      }))
    return false;
  mSampleRate = sampleRate;
  mGridTempo = 0.0;
  restartRest();
  mPlug->SetActive(true);
  mActive = true;
  return true;
}

void IFrameCLAP::Deactivate()
{
  AssertMainThread();
  if (!mActive)
    return;
  mActive = false;
  mPlug->SetActive(false);
  mPlug->ClearHostModulation();
}

bool IFrameCLAP::StartProcessing()
{
  AssertAudioThread();
  if (!mActive)
    return false;
  mProcessing = true;
  return true;
}

void IFrameCLAP::StopProcessing()
{
  AssertAudioThread();
  mProcessing = false;
  mPlug->OnReset();
  restartRest();
}

void IFrameCLAP::Reset()
{
  AssertAudioThread();
  mPlug->ClearHostModulation();
  mPlug->OnReset();
  restartRest();
}

const void* IFrameCLAP::GetExtension(const char* id) const
{
  if (!id)
    return nullptr;
  if (!std::strcmp(id, CLAP_EXT_AUDIO_PORTS))
    return &kAudioPorts;
  if (!std::strcmp(id, CLAP_EXT_PARAMS))
    return &kParams;
  if (!std::strcmp(id, CLAP_EXT_STATE))
    return &kState;
  if (!std::strcmp(id, CLAP_EXT_LATENCY))
    return &kLatency;
  if (!std::strcmp(id, CLAP_EXT_RENDER))
    return &kRender;
  if (!std::strcmp(id, CLAP_EXT_TAIL))
    return &kTail;
  if (!std::strcmp(id, CLAP_EXT_PRESET_LOAD) || !std::strcmp(id, CLAP_EXT_PRESET_LOAD_COMPAT))
    return &kPresetLoad;
  if (!std::strcmp(id, CLAP_EXT_REMOTE_CONTROLS) || !std::strcmp(id, CLAP_EXT_REMOTE_CONTROLS_COMPAT))
    return &kRemoteControls;
  if (mPlug->HasUI())
  {
    if (!std::strcmp(id, CLAP_EXT_GUI))
      return &IFrameCLAPGui::kGui;
    if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT))
      return &IFrameCLAPGui::kTimerSupport;
    if (!std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT))
      return &IFrameCLAPGui::kFdSupport;
  }
  return nullptr;
}

void IFrameCLAP::SetEventLoop(std::unique_ptr<IFrameCLAPEventLoop> loop)
{
  mEventLoop = std::move(loop);
}

void IFrameCLAP::AssertMainThread() const
{
  assert(!mThreadCheck || mThreadCheck->is_main_thread(mHost));
}

void IFrameCLAP::AssertAudioThread() const
{
  assert(!mThreadCheck || mThreadCheck->is_audio_thread(mHost));
}

// ---------------------------------------------------------------------------------------
// IHostNotifier

void IFrameCLAP::queueGesture(uint16_t type, int paramIdx, double normalized)
{
  if (!mPlug->GetParam(paramIdx))
    return;
  mGestures.Push({type, static_cast<clap_id>(paramIdx), toHost(paramIdx, normalized)});
  // While processing the next process call takes them; otherwise the host has to flush.
  if (!mProcessing && mHostParams)
    mHostParams->request_flush(mHost);
}

void IFrameCLAP::BeginEdit(int paramIdx) { queueGesture(CLAP_EVENT_PARAM_GESTURE_BEGIN, paramIdx, 0.0); }

void IFrameCLAP::PerformEdit(int paramIdx, double normalizedValue)
{
  queueGesture(CLAP_EVENT_PARAM_VALUE, paramIdx, normalizedValue);
}

void IFrameCLAP::EndEdit(int paramIdx)
{
  queueGesture(CLAP_EVENT_PARAM_GESTURE_END, paramIdx, 0.0);
  if (mHostState)
    mHostState->mark_dirty(mHost);
}

void IFrameCLAP::ReportAllValues()
{
  for (int i = 0; i < mPlug->NParams(); ++i)
    queueGesture(CLAP_EVENT_PARAM_VALUE, i, mPlug->GetParam(i)->GetNormalized());
  if (mHostState)
    mHostState->mark_dirty(mHost);
}

void IFrameCLAP::PresetRecalled()
{
  rescan(CLAP_PARAM_RESCAN_VALUES);
  if (mHostState)
    mHostState->mark_dirty(mHost);
}

void IFrameCLAP::ParameterTextsChanged() { rescan(CLAP_PARAM_RESCAN_TEXT); }

// The latency may only change while deactivated: the host restarts the plug-in for it.
void IFrameCLAP::LatencyChanged()
{
  if (mHost && mHost->request_restart)
    mHost->request_restart(mHost);
}

bool IFrameCLAP::ResizeEditor(int width, int height)
{
  if (!mHostGui || width <= 0 || height <= 0)
    return false;
  return mHostGui->request_resize(mHost, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

bool IFrameCLAP::ShowParameterMenu(int paramIdx, float x, float y)
{
  const auto* menu = hostExtension<clap_host_context_menu_t>(mHost, CLAP_EXT_CONTEXT_MENU);
  if (!menu || !menu->can_popup || !menu->popup || !menu->can_popup(mHost) || !mPlug->GetParam(paramIdx))
    return false;
  // Embedded, the position is the editor window's own.
  const clap_context_menu_target_t target{CLAP_CONTEXT_MENU_TARGET_KIND_PARAM, static_cast<clap_id>(paramIdx)};
  return menu->popup(mHost, &target, 0, static_cast<int32_t>(x), static_cast<int32_t>(y));
}

void IFrameCLAP::rescan(uint32_t flags) const
{
  if (mHostParams)
    mHostParams->rescan(mHost, flags);
}

} // namespace frame
