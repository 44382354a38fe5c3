// Proves the CLAP process call allocates nothing, from the first call on a thread that never
// called into the plug-in: this executable counts every allocation of the process
// (support/CountingAllocator.cpp), the module's and the loader's included.
#include <atomic>
#include <cmath>
#include <thread>

#include <gtest/gtest.h>

#include "ClapTestHost.h"

extern std::atomic<long> gAllocations;

// LeakSanitizer's exit scan reads the dynamic thread-local storage of the loaded module as
// garbage in this program and crashes; the heap is still scanned.
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }

TEST(AudioThread, ProcessAndFlushAllocateNothingWhateverTheEventsFromANewThreadsFirstCall)
{
  using namespace claptest;
  Host host;
  Plugin plug(host);
  ASSERT_TRUE(plug.Start(48000.0, 256));
  InputEvents events, flushed;
  events.Transport(0, 128.0, 4.0);
  events.Param(10, 0, 1.0);
  events.Param(100, 1, 0.7);
  events.Param(50, 7, 1.0); // out of order
  events.Param(200, 4242, 0.5);
  events.Param(300, Plugin::kBypass, 1.0);
  events.Param(600, 6, 0.2);
  events.Param(700, Plugin::kBypass, 0.0);
  flushed.Param(0, 3, 0.9);
  ParamEvents modulations; // a host's modulator: thousands of amounts, the bad ones too
  modulations.Reserve(4100);
  for (uint32_t i = 0; i < 4096; ++i)
    modulations.Mod(i / 4, 1 + i % 8, 0.001 * i - 2.0);
  modulations.Mod(500, 1, std::nan(""));
  modulations.Mod(600, Plugin::kBypass, 0.5);
  const clap_event_transport_t transport = InputEvents::Transport(120.0, 1.0, true);
  const std::vector<double> sound(Plugin::kFrames, 0.25), silence(Plugin::kFrames, 0.0);
  plug.SetInput(sound);

  // Hosts change their audio threads, many at every start of playback.
  long allocated = -1;
  std::thread audio([&] {
    const long before = gAllocations.load();
    for (int round = 0; round < 10; ++round)
    {
      plug.Process(1000, &events.list, round % 2 == 1, round % 3 == 0 ? &transport : nullptr);
      plug.Process(0, &events.list);
      plug.Process(1000, &modulations.list);
      host.inAudio = true;
      plug.plugin->reset(plug.plugin); // ends the modulations
      host.inAudio = false;
      host.inAudio = true;
      plug.Params()->flush(plug.plugin, &flushed.list, &plug.out.list);
      host.inAudio = false;
    }
    // Silence: the ring, the sleep, a gap on the steady clock, and waking to sound.
    plug.SetInput(silence);
    for (int64_t at = 0; at < 48000 * 4; at += 1000)
      plug.Process(1000, nullptr, false, nullptr, at);
    plug.SetInput(sound);
    plug.Process(1000, nullptr, false, nullptr, 48000 * 9);
    allocated = gAllocations.load() - before;
  });
  audio.join();
  EXPECT_EQ(allocated, 0);
}
