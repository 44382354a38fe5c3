#pragma once

// The host side of CLAP that every host here needs, the renderer's and the tests': opening
// a module's entry, the host struct, the input event list and the stereo buffers of a
// process call.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "clap/clap.h"

namespace claphost {

/** dlopen, clap_entry, a version check and init. The module is never closed: its
 *  thread-local storage may outlive the closing. Null with a one-line reason on failure. */
const clap_plugin_entry_t* OpenEntry(const std::string& path, std::string& error);

/** A host struct under this name, for data, that offers no extension and ignores requests;
 *  a host that answers more sets its own callbacks after. */
clap_host_t HostStruct(void* data, const char* name, const char* vendor);

template <typename T>
const T* Extension(const clap_plugin_t* plugin, const char* id)
{
  return plugin ? static_cast<const T*>(plugin->get_extension(plugin, id)) : nullptr;
}

/** Input events in time order as added; storage is reserved so that process never
 *  allocates while no more than the reserved number are added. */
class InputEvents
{
public:
  explicit InputEvents(size_t reserved = 64);
  InputEvents(const InputEvents&) = delete;
  InputEvents& operator=(const InputEvents&) = delete;

  void Reserve(size_t events) { mEvents.reserve(events); }
  void Param(uint32_t time, clap_id id, double value);
  /** A transport at beats (exact in the fixed-point format for the tests' values). */
  void Transport(uint32_t time, double tempo, double beats, bool playing = true);
  static clap_event_transport_t Transport(double tempo, double beats, bool playing);
  bool Empty() const { return mEvents.empty(); }
  void Clear() { mEvents.clear(); }

  clap_input_events_t list{};

private:
  union Event
  {
    clap_event_header_t header;
    clap_event_param_value_t value;
    clap_event_transport_t transport;
  };
  std::vector<Event> mEvents;
};

/** Stereo input and output buffers of 32- and 64-bit samples, and the main ports of a
 *  process call over them. */
class StereoBuffers
{
public:
  StereoBuffers() = default;
  StereoBuffers(const StereoBuffers&) = delete;
  StereoBuffers& operator=(const StereoBuffers&) = delete;

  /** frames zeroed samples a channel, of the sample types asked for; none of the others. */
  void Allocate(size_t frames, bool single, bool wide);
  /** Channel 0 or 1 of the input or the output; null for another or a type not allocated. */
  float* Channel32(bool output, int channel);
  double* Channel64(bool output, int channel);
  const std::vector<float>& Samples32(bool output, int channel) const { return m32[Index(output, channel)]; }

  /** A process call over frames samples of these buffers, 64-bit when wide; the events
   *  and the transport are the caller's. Valid while the buffers are. */
  clap_process_t Call(uint32_t frames, bool wide);
  /** Whether the input of a call made with Call holds nothing but zeros over frames; the
   *  call's input is marked constant accordingly, as a host that honours quiet does. */
  bool MarkQuietInput(uint32_t frames);
  /** What the last MarkQuietInput found. */
  bool InputMarkedQuiet() const { return mPorts[0].constant_mask == 3u; }
  /** Zeros the output of a call made with Call over frames, marked constant: what a host
   *  gives for an instance it lets sleep. The output is the host's to write: zeros this
   *  left there are not written again until OutputWritten says the plug-in wrote it. */
  void SilenceOutput(uint32_t frames);
  /** The plug-in was called and may have written the output. */
  void OutputWritten()
  {
    mSilentOutput = 0;
    mPorts[1].constant_mask = 0;
  }

private:
  static size_t Index(bool output, int channel) { return (output ? 2u : 0u) + static_cast<size_t>(channel); }
  std::vector<float> m32[4];  // in L, in R, out L, out R
  std::vector<double> m64[4];
  float* mChannels32[4] = {};
  double* mChannels64[4] = {};
  clap_audio_buffer_t mPorts[2]{};
  uint32_t mSilentOutput = 0; ///< leading output samples SilenceOutput left at zero
};

} // namespace claphost
