// Proves the processing call allocates nothing: this executable counts every allocation.
#include <atomic>
#include <vector>

#include <gtest/gtest.h>

#include "TestPlugin.h"

// Counted by support/CountingAllocator.cpp, linked into this executable.
extern std::atomic<long> gAllocations;

TEST(AudioThread, ProcessingCallsAllocateNothing)
{
  TestPlugin plug;
  plug.Initialize("x");
  plug.SetupProcessing(48000.0, 256);
  plug.changes.reserve(64); // the stand-in records calls; its own bookkeeping must not count
  std::vector<float> l(1000, 0.5f), r(1000, 0.5f);
  std::vector<double> dl(1000, 0.5), dr(1000, 0.5);
  float* f[2] = {l.data(), r.data()};
  double* d[2] = {dl.data(), dr.data()};

  const long before = gAllocations.load();
  for (int round = 0; round < 10; ++round)
  {
    frame::AudioThreadScope audio;
    plug.ApplyHostParamChange(0, 0.3);
    plug.ProcessBuffers(f, 2, f, 2, 1000);
    plug.ProcessBuffers(d, 2, d, 2, 256);
    plug.SetBypassed(round % 2 == 0);
    plug.SendParameterValueFromDelegate(1, 1.0, true); // queued, not delivered
  }
  EXPECT_EQ(gAllocations.load(), before);
}
