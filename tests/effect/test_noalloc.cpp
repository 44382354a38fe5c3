// Proves the effect's processing allocates nothing: this executable counts every allocation.
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

namespace {
std::atomic<long> gAllocations{0};
}

// None of these is inlined: GCC would otherwise see malloc or free meet operator new or
// delete across the inlined bodies and warn of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t n)
{
  ++gAllocations;
  if (void* p = std::malloc(n ? n : 1))
    return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t n) { return operator new(n); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

TEST(AudioThread, ProcessBlockAllocatesNothing)
{
  EffectHost<> host;
  std::vector<double> l(512, 0.25), r(512, -0.25);
  double* channels[2] = {l.data(), r.data()};
  host.plug().SetTimeInfo(host.timeInfo());

  const long before = gAllocations.load();
  for (int i = 0; i < 50; ++i)
    host.plug().ProcessBlock(channels, channels, 512);
  EXPECT_EQ(gAllocations.load(), before);
}

TEST(AudioThread, ProcessingCallsWithHostChangesAllocateNothing)
{
  EffectHost<> host(48000.0, 256);
  std::vector<double> dl(1000, 0.25), dr(1000, -0.25);
  std::vector<float> fl(1000, 0.25f), fr(1000, -0.25f);
  host.setTransport(126.0, 0.0, true);

  const long before = gAllocations.load();
  for (int round = 0; round < 40; ++round)
  {
    // Every parameter, the stage count and sync in particular: both reach the editor,
    // which must be deferred, not done (or allocated for) on the audio thread.
    host.automate(kParamStages, round % 2);
    host.automate(kParamSync, (round / 2) % 2);
    host.automate(kParamLFOSpeed, 0.013 * round);
    host.automate(kParamManual, 0.02 * round);
    host.automate(kParamFeedback, 0.025 * round);
    host.automate(kParamMix, 0.3);
    host.automate(kParamStereo, 0.9 - 0.02 * round);
    host.automate(kParamWaveform, round % 3 == 0);
    if (round == 20) // the synced sweep on the timeline's grid too
    {
      host.setTransport(126.0, 16.0, true);
      host.setSamplePosition(365714.0);
    }
    if (round % 2)
      host.process(dl.data(), dr.data(), 1000);
    else
      host.process(fl.data(), fr.data(), fl.data(), fr.data(), 1000);
  }
  EXPECT_EQ(gAllocations.load(), before);
}
