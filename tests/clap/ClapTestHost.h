#pragma once

// A small CLAP host for the tests: loads the built .clap through its entry the way a host
// does, answers the host extensions the plug-in asks for and records what it is told, and
// drives one instance through the calls in the host order. What it shares with the
// renderer's host (the entry, the host struct, events, buffers) is in ClapHosting.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "clap/clap.h"
#include "apps/render/ClapHosting.h"

namespace claptest {

/** The module's entry, initialised once and never unloaded (as Bundle.h does for VST 3). */
inline const clap_plugin_entry_t* entry()
{
  static const clap_plugin_entry_t* e = [] {
    std::string error;
    return claphost::OpenEntry(MG_CLAP_MODULE, error);
  }();
  return e;
}

inline const clap_plugin_factory_t* factory()
{
  return entry() ? static_cast<const clap_plugin_factory_t*>(entry()->get_factory(CLAP_PLUGIN_FACTORY_ID)) : nullptr;
}

using claphost::InputEvents;

/** Values and modulations, in the order added. */
class ParamEvents
{
public:
  ParamEvents()
  {
    list.ctx = this;
    list.size = [](const clap_input_events_t* l) { return static_cast<uint32_t>(static_cast<const ParamEvents*>(l->ctx)->mEvents.size()); };
    list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
      const auto& events = static_cast<const ParamEvents*>(l->ctx)->mEvents;
      return i < events.size() ? &events[i].header : nullptr;
    };
  }
  ParamEvents(const ParamEvents&) = delete;

  void Value(uint32_t time, clap_id id, double value)
  {
    Event e{};
    e.value = {{sizeof(clap_event_param_value_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0}, id, nullptr, -1, -1, -1, -1, value};
    mEvents.push_back(e);
  }
  void Mod(uint32_t time, clap_id id, double amount)
  {
    Event e{};
    e.mod = {{sizeof(clap_event_param_mod_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_MOD, 0}, id, nullptr, -1, -1, -1, -1, amount};
    mEvents.push_back(e);
  }
  void Reserve(size_t n) { mEvents.reserve(n); }
  void Clear() { mEvents.clear(); }

  clap_input_events_t list{};

private:
  union Event
  {
    clap_event_header_t header;
    clap_event_param_value_t value;
    clap_event_param_mod_t mod;
  };
  std::vector<Event> mEvents;
};

/** Records output events as text: "begin 3", "value 3 0.5", "end 3". */
class OutputEvents
{
public:
  OutputEvents()
  {
    log.reserve(64);
    list.ctx = this;
    list.try_push = [](const clap_output_events_t* l, const clap_event_header_t* e) {
      auto& self = *static_cast<OutputEvents*>(l->ctx);
      char text[64] = "?";
      if (e->type == CLAP_EVENT_PARAM_VALUE)
      {
        const auto* v = reinterpret_cast<const clap_event_param_value_t*>(e);
        std::snprintf(text, sizeof(text), "value %u %g", v->param_id, v->value);
      }
      else if (e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || e->type == CLAP_EVENT_PARAM_GESTURE_END)
        std::snprintf(text, sizeof(text), "%s %u", e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin" : "end",
                      reinterpret_cast<const clap_event_param_gesture_t*>(e)->param_id);
      self.log.emplace_back(text);
      return true;
    };
  }
  OutputEvents(const OutputEvents&) = delete;

  clap_output_events_t list{};
  std::vector<std::string> log;
};

/** The host side: its extensions, and what the plug-in told it. */
class Host
{
public:
  Host()
  {
    clap = claphost::HostStruct(this, "Test Host", "Tests");
    clap.get_extension = [](const clap_host_t* h, const char* id) { return self(h).extension(id); };
    clap.request_restart = [](const clap_host_t* h) { ++self(h).restarts; };
    clap.request_callback = [](const clap_host_t* h) { ++self(h).callbackRequests; };

    params.rescan = [](const clap_host_t* h, clap_param_rescan_flags flags) { self(h).rescans.push_back(flags); };
    params.clear = [](const clap_host_t*, clap_id, clap_param_clear_flags) {};
    params.request_flush = [](const clap_host_t* h) { ++self(h).flushRequests; };
    state.mark_dirty = [](const clap_host_t* h) { ++self(h).dirty; };
    gui.resize_hints_changed = [](const clap_host_t*) {};
    gui.request_resize = [](const clap_host_t* h, uint32_t w, uint32_t height) {
      self(h).resizeRequests.push_back({w, height});
      return true;
    };
    gui.request_show = gui.request_hide = [](const clap_host_t*) { return true; };
    gui.closed = [](const clap_host_t*, bool) {};
    threads.is_main_thread = [](const clap_host_t* h) { return std::this_thread::get_id() == self(h).mMain && !self(h).inAudio; };
    threads.is_audio_thread = [](const clap_host_t* h) { return self(h).inAudio || std::this_thread::get_id() != self(h).mMain; };
    presets.on_error = [](const clap_host_t* h, uint32_t, const char*, const char* key, int32_t, const char*) {
      self(h).presetLog.push_back(std::string("error ") + (key ? key : "null"));
    };
    presets.loaded = [](const clap_host_t* h, uint32_t, const char*, const char* key) {
      self(h).presetLog.push_back(std::string("loaded ") + (key ? key : "null"));
    };
    timers.register_timer = [](const clap_host_t* h, uint32_t period, clap_id* id) {
      auto& s = self(h);
      if (!s.onRegisterTimer)
        return false;
      *id = s.nextTimer++;
      return s.onRegisterTimer(*id, period) && s.keep(true, static_cast<int>(*id));
    };
    timers.unregister_timer = [](const clap_host_t* h, clap_id id) {
      self(h).drop(true, static_cast<int>(id));
      if (self(h).onUnregister)
        self(h).onUnregister(true, static_cast<int>(id));
      return true;
    };
    fds.register_fd = [](const clap_host_t* h, int fd, clap_posix_fd_flags_t) {
      return self(h).onRegisterFd && self(h).onRegisterFd(fd) && self(h).keep(false, fd);
    };
    tail.changed = [](const clap_host_t* h) { ++self(h).tailChanges; };
    menu.populate = [](const clap_host_t*, const clap_context_menu_target_t*, const clap_context_menu_builder_t*) { return true; };
    menu.perform = [](const clap_host_t*, const clap_context_menu_target_t*, clap_id) { return true; };
    menu.can_popup = [](const clap_host_t*) { return true; };
    menu.popup = [](const clap_host_t* h, const clap_context_menu_target_t* t, int32_t, int32_t x, int32_t y) {
      self(h).popups.push_back({t ? static_cast<int>(t->id) : -1, x, y});
      return true;
    };
    fds.modify_fd = [](const clap_host_t*, int, clap_posix_fd_flags_t) { return true; };
    fds.unregister_fd = [](const clap_host_t* h, int fd) {
      self(h).drop(false, fd);
      if (self(h).onUnregister)
        self(h).onUnregister(false, fd);
      return true;
    };
  }
  Host(const Host&) = delete;
  ~Host()
  {
    for (auto& [key, record] : mRecords)
      delete record;
  }

  /** Calls the plug-in's on_timer or on_fd for a registration, then counts the call in the
   *  registration's record, as some hosts do: one that unregisters itself from inside its
   *  callback has its record freed by then (and poisoned, for ASan to see the write). */
  void Fire(const clap_plugin_t* p, bool timer, int key)
  {
    auto it = mRecords.find({timer, key});
    if (it == mRecords.end())
      return;
    Record* record = it->second;
    mFiring = record;
    if (timer)
      static_cast<const clap_plugin_timer_support_t*>(p->get_extension(p, CLAP_EXT_TIMER_SUPPORT))->on_timer(p, static_cast<clap_id>(key));
    else
      static_cast<const clap_plugin_posix_fd_support_t*>(p->get_extension(p, CLAP_EXT_POSIX_FD_SUPPORT))->on_fd(p, key, CLAP_POSIX_FD_READ);
    mFiring = nullptr;
    ++record->calls;
  }

  clap_host_t clap{};
  bool withEventLoop = false; // offer timer-support and posix-fd-support
  bool inAudio = false;

  int restarts = 0, flushRequests = 0, dirty = 0, callbackRequests = 0, tailChanges = 0;
  std::vector<uint32_t> rescans;
  std::vector<std::pair<uint32_t, uint32_t>> resizeRequests;
  std::vector<std::string> presetLog;
  std::vector<std::array<int, 3>> popups; // parameter, x, y

  std::function<bool(clap_id, uint32_t)> onRegisterTimer;
  std::function<bool(int)> onRegisterFd;
  std::function<void(bool, int)> onUnregister;
  clap_id nextTimer = 100;
  int changedInOwnCallback = 0; // registrations unregistered from inside their own callback

private:
  struct Record
  {
    bool timer = false;
    int key = 0;
    char padding[32] = {};
    long calls = 0;
  };
  bool keep(bool timer, int key)
  {
    delete mRecords[{timer, key}];
    mRecords[{timer, key}] = new Record{timer, key};
    return true;
  }
  void drop(bool timer, int key)
  {
    auto it = mRecords.find({timer, key});
    if (it == mRecords.end())
      return;
    if (it->second == mFiring)
      ++changedInOwnCallback;
    std::memset(static_cast<void*>(it->second), 0xdd, sizeof(Record));
    delete it->second;
    mRecords.erase(it);
  }

  static Host& self(const clap_host_t* h) { return *static_cast<Host*>(h->host_data); }
  const void* extension(const char* id) const
  {
    if (!std::strcmp(id, CLAP_EXT_PARAMS))
      return &params;
    if (!std::strcmp(id, CLAP_EXT_STATE))
      return &state;
    if (!std::strcmp(id, CLAP_EXT_GUI))
      return &gui;
    if (!std::strcmp(id, CLAP_EXT_THREAD_CHECK))
      return &threads;
    if (!std::strcmp(id, CLAP_EXT_PRESET_LOAD))
      return &presets;
    if (!std::strcmp(id, CLAP_EXT_TAIL))
      return &tail;
    if (!std::strcmp(id, CLAP_EXT_CONTEXT_MENU))
      return &menu;
    if (withEventLoop && !std::strcmp(id, CLAP_EXT_TIMER_SUPPORT))
      return &timers;
    if (withEventLoop && !std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT))
      return &fds;
    return nullptr;
  }

  clap_host_params_t params{};
  clap_host_state_t state{};
  clap_host_gui_t gui{};
  clap_host_thread_check_t threads{};
  clap_host_preset_load_t presets{};
  clap_host_timer_support_t timers{};
  clap_host_posix_fd_support_t fds{};
  clap_host_context_menu_t menu{};
  clap_host_tail_t tail{};
  std::thread::id mMain = std::this_thread::get_id();
  std::map<std::pair<bool, int>, Record*> mRecords;
  const Record* mFiring = nullptr;
};

/** One instance, created and initialised; deactivated and destroyed at the end. */
class Plugin
{
public:
  static constexpr clap_id kBypass = 65536;

  explicit Plugin(Host& h) : host(h)
  {
    const clap_plugin_descriptor_t* d = factory() ? factory()->get_plugin_descriptor(factory(), 0) : nullptr;
    plugin = d ? factory()->create_plugin(factory(), &host.clap, d->id) : nullptr;
    initialised = plugin && plugin->init(plugin);
    mBuffers.Allocate(kFrames, true, true);
  }
  ~Plugin()
  {
    if (!plugin)
      return;
    if (processing)
      Stop();
    if (active)
      plugin->deactivate(plugin);
    plugin->destroy(plugin);
  }
  Plugin(const Plugin&) = delete;

  template <typename T>
  const T* Ext(const char* id) const
  {
    return claphost::Extension<T>(plugin, id);
  }

  bool Activate(double rate = 48000.0, uint32_t maxFrames = 512)
  {
    active = plugin->activate(plugin, rate, 1, maxFrames);
    return active;
  }
  /** Activates and starts processing on the "audio thread". */
  bool Start(double rate = 48000.0, uint32_t maxFrames = 512)
  {
    if (!Activate(rate, maxFrames))
      return false;
    host.inAudio = true;
    processing = plugin->start_processing(plugin);
    host.inAudio = false;
    return processing;
  }
  void Stop()
  {
    host.inAudio = true;
    plugin->stop_processing(plugin);
    host.inAudio = false;
    processing = false;
  }

  /** One block of the buffers below (the first frames samples), 32-bit unless wide. */
  clap_process_status Process(uint32_t frames, const clap_input_events_t* in = nullptr, bool wide = false,
                               const clap_event_transport_t* transport = nullptr, int64_t steadyTime = -1)
  {
    clap_process_t p = mBuffers.Call(frames, wide);
    p.steady_time = steadyTime;
    p.transport = transport;
    p.in_events = in ? in : &mNoEvents.list;
    p.out_events = &out.list;
    return ProcessRaw(&p);
  }
  clap_process_status ProcessRaw(const clap_process_t* p)
  {
    host.inAudio = true;
    const clap_process_status status = plugin->process(plugin, p);
    host.inAudio = false;
    return status;
  }

  /** Both channels of the input, from a signal of at least kFrames samples. */
  void SetInput(const std::vector<double>& x, size_t from = 0)
  {
    for (int c = 0; c < 2; ++c)
      for (size_t i = 0; i < kFrames && from + i < x.size(); ++i)
      {
        mBuffers.Channel32(false, c)[i] = static_cast<float>(x[from + i]);
        mBuffers.Channel64(false, c)[i] = static_cast<float>(x[from + i]);
      }
  }
  const std::vector<float>& Out(int c) const { return mBuffers.Samples32(true, c); }

  std::vector<uint8_t> Save() const
  {
    std::vector<uint8_t> bytes;
    clap_ostream_t s{&bytes, [](const clap_ostream_t* st, const void* b, uint64_t n) -> int64_t {
                       auto* v = static_cast<std::vector<uint8_t>*>(st->ctx);
                       v->insert(v->end(), static_cast<const uint8_t*>(b), static_cast<const uint8_t*>(b) + n);
                       return static_cast<int64_t>(n);
                     }};
    return Ext<clap_plugin_state_t>(CLAP_EXT_STATE)->save(plugin, &s) ? bytes : std::vector<uint8_t>{};
  }
  /** Loads bytes through a stream that hands out at most chunk bytes per read and fails
   *  the read at failAt bytes (-1: never). */
  bool Load(const std::vector<uint8_t>& bytes, size_t chunk = 7, long failAt = -1) const
  {
    struct Reader
    {
      const std::vector<uint8_t>* bytes;
      size_t pos, chunk;
      long failAt;
    } r{&bytes, 0, chunk, failAt};
    clap_istream_t s{&r, [](const clap_istream_t* st, void* b, uint64_t n) -> int64_t {
                       auto& rd = *static_cast<Reader*>(st->ctx);
                       if (rd.failAt >= 0 && rd.pos >= static_cast<size_t>(rd.failAt))
                         return -1;
                       const size_t k = std::min<size_t>({static_cast<size_t>(n), rd.chunk, rd.bytes->size() - rd.pos});
                       if (k > 0)
                         std::memcpy(b, rd.bytes->data() + rd.pos, k);
                       rd.pos += k;
                       return static_cast<int64_t>(k);
                     }};
    return Ext<clap_plugin_state_t>(CLAP_EXT_STATE)->load(plugin, &s);
  }

  const clap_plugin_params_t* Params() const { return Ext<clap_plugin_params_t>(CLAP_EXT_PARAMS); }
  double Value(clap_id id) const
  {
    double v = -1.0;
    Params()->get_value(plugin, id, &v);
    return v;
  }
  std::string Text(clap_id id, double value) const
  {
    char text[256] = "";
    return Params()->value_to_text(plugin, id, value, text, sizeof(text)) ? text : "<none>";
  }

  static constexpr size_t kFrames = 8192;
  Host& host;
  const clap_plugin_t* plugin = nullptr;
  bool initialised = false, active = false, processing = false;
  OutputEvents out;

private:
  InputEvents mNoEvents;
  claphost::StereoBuffers mBuffers;
};

} // namespace claptest
