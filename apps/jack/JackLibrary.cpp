#include "apps/jack/JackLibrary.h"

#include <dlfcn.h>

namespace jack {

namespace {

template <typename F>
bool Bind(void* handle, const char* name, F& entry)
{
  entry = reinterpret_cast<F>(dlsym(handle, name));
  return entry != nullptr;
}

bool BindAll(void* h, Library& l)
{
  return Bind(h, "jack_client_open", l.clientOpen) && Bind(h, "jack_client_close", l.clientClose) &&
         Bind(h, "jack_get_client_name", l.getClientName) &&
         Bind(h, "jack_set_process_callback", l.setProcessCallback) && Bind(h, "jack_on_shutdown", l.onShutdown) &&
         Bind(h, "jack_set_xrun_callback", l.setXrunCallback) && Bind(h, "jack_activate", l.activate) &&
         Bind(h, "jack_deactivate", l.deactivate) && Bind(h, "jack_get_sample_rate", l.getSampleRate) &&
         Bind(h, "jack_get_buffer_size", l.getBufferSize) && Bind(h, "jack_port_register", l.portRegister) &&
         Bind(h, "jack_port_get_buffer", l.portGetBuffer) && Bind(h, "jack_port_name", l.portName) &&
         Bind(h, "jack_connect", l.connect) && Bind(h, "jack_get_ports", l.getPorts) &&
         Bind(h, "jack_port_by_name", l.portByName) && Bind(h, "jack_free", l.free) &&
         Bind(h, "jack_transport_query", l.transportQuery) &&
         Bind(h, "jack_set_timebase_callback", l.setTimebaseCallback) &&
         Bind(h, "jack_transport_start", l.transportStart) && Bind(h, "jack_transport_stop", l.transportStop) &&
         Bind(h, "jack_transport_locate", l.transportLocate) &&
         Bind(h, "jack_set_error_function", l.setErrorFunction) && Bind(h, "jack_set_info_function", l.setInfoFunction);
}

// The library's own chatter (a failed connection is reported in several lines) gives way to
// this program's one-line messages.
void Quiet(const char*) {}

} // namespace

const Library* Open(std::string& error)
{
  static Library library;
  static bool opened = false;
  if (opened)
    return &library;
  // Kept open for the process's life: JACK's threads may outlive any close we could time.
  void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
  if (!handle)
  {
    error = std::string("cannot load the JACK library ") + kSoname +
            " (install libjack-jackd2-0, or pipewire-jack for PipeWire)";
    return nullptr;
  }
  if (!BindAll(handle, library))
  {
    error = std::string("the JACK library ") + kSoname + " lacks a function this program needs";
    return nullptr;
  }
  library.setErrorFunction(&Quiet);
  library.setInfoFunction(&Quiet);
  opened = true;
  return &library;
}

} // namespace jack
