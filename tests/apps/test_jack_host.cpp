// The JACK client's side of the application against a stand-in for the JACK library: the
// process callback allocates nothing, and the server's notifications reach the main loop.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <poll.h>
#include <vector>

#include "apps/jack/JackHost.h"
#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"

// Counted by support/CountingAllocator.cpp, linked into this executable.
extern std::atomic<long> gAllocations;

namespace {

// What the stand-in server does and what the client left with it.
struct Fake
{
  bool serverDown = false;
  jack::Frames rate = 48000, buffer = 256;
  std::vector<float> buffers[4];
  jack::ProcessCallback process = nullptr;
  void* processArg = nullptr;
  jack::ShutdownCallback shutdown = nullptr;
  void* shutdownArg = nullptr;
  jack::XrunCallback xrun = nullptr;
  void* xrunArg = nullptr;
  jack::TransportState transport = jack::kTransportStopped;
  jack::Position position{};
  int registered = 0;
} gFake;

jack::Client* const kClient = reinterpret_cast<jack::Client*>(0x10);

jack::Client* OpenClient(const char*, int, int* status, ...)
{
  *status = gFake.serverDown ? jack::kFailure | jack::kServerFailed : 0;
  return gFake.serverDown ? nullptr : kClient;
}

jack::Library StandIn()
{
  jack::Library l{};
  l.clientOpen = &OpenClient;
  l.clientClose = [](jack::Client*) { return 0; };
  l.setProcessCallback = [](jack::Client*, jack::ProcessCallback cb, void* arg) {
    gFake.process = cb;
    gFake.processArg = arg;
    return 0;
  };
  l.onShutdown = [](jack::Client*, jack::ShutdownCallback cb, void* arg) {
    gFake.shutdown = cb;
    gFake.shutdownArg = arg;
  };
  l.setXrunCallback = [](jack::Client*, jack::XrunCallback cb, void* arg) {
    gFake.xrun = cb;
    gFake.xrunArg = arg;
    return 0;
  };
  l.activate = l.deactivate = [](jack::Client*) { return 0; };
  l.getSampleRate = [](jack::Client*) { return gFake.rate; };
  l.getBufferSize = [](jack::Client*) { return gFake.buffer; };
  l.portRegister = [](jack::Client*, const char*, const char*, unsigned long, unsigned long) {
    return reinterpret_cast<jack::Port*>(static_cast<uintptr_t>(++gFake.registered));
  };
  l.portGetBuffer = [](jack::Port* port, jack::Frames) -> void* {
    return gFake.buffers[reinterpret_cast<uintptr_t>(port) - 1].data();
  };
  l.transportQuery = [](const jack::Client*, jack::Position* pos) {
    *pos = gFake.position;
    return gFake.transport;
  };
  return l;
}

class JackHostTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    gFake = Fake{};
    for (auto& b : gFake.buffers)
      b.assign(gFake.buffer, 0.25f);
    mPlugin.reset(frame::CreatePlugin());
    mPlugin->Initialize("test");
  }
  jack::Library mJack = StandIn();
  std::unique_ptr<frame::IFramePlugin> mPlugin;
};

TEST_F(JackHostTest, ProcessingAllocatesNothingRollingOrNotAndTheServersNewsReachTheMainLoop)
{
  app::JackHost host(mJack, *mPlugin);
  std::string error;
  ASSERT_TRUE(host.Open("Mistlegrove Phaser", error)) << error;
  ASSERT_TRUE(host.Start(error)) << error;
  ASSERT_NE(gFake.process, nullptr);
  // A synced sweep on a rolling transport takes the most of the processing call.
  for (int i = 0; i < mPlugin->NParams(); ++i)
    if (std::string(mPlugin->GetParam(i)->GetName()) == "Sync to Host")
      mPlugin->SendParameterValueFromUI(i, 1.0);
  gFake.position.valid = jack::kPositionBBT;
  gFake.position.beatsPerBar = gFake.position.beatType = 4.f;
  gFake.position.ticksPerBeat = 1920.0;
  gFake.position.beatsPerMinute = 120.0;

  const long before = gAllocations.load();
  for (int cycle = 0; cycle < 400; ++cycle)
  {
    gFake.transport = cycle < 100 ? jack::kTransportStopped : jack::kTransportRolling;
    gFake.position.frame = static_cast<jack::Frames>(cycle * 256);
    gFake.position.bar = 1 + cycle / 94;
    gFake.position.beat = 1 + (cycle / 24) % 4;
    EXPECT_EQ(gFake.process(gFake.buffer, gFake.processArg), 0);
  }
  EXPECT_EQ(gAllocations.load(), before);
  EXPECT_NE(gFake.buffers[1][0], 0.25f) << "the outputs were not written";

  gFake.xrun(gFake.xrunArg);
  gFake.xrun(gFake.xrunArg);
  EXPECT_EQ(host.Xruns(), 2);
  pollfd wake{host.WakeFd(), POLLIN, 0};
  EXPECT_EQ(poll(&wake, 1, 0), 0);
  gFake.shutdown(gFake.shutdownArg);
  EXPECT_TRUE(host.ServerGone());
  EXPECT_EQ(poll(&wake, 1, 0), 1) << "the main loop would not wake";
  host.Close();
  EXPECT_FALSE(mPlugin->IsActive());
}

// JACK counts beats of the signature's note value, the plug-in quarter notes; a transport
// without bar, beat and tick has no tempo to follow.
TEST_F(JackHostTest, TheTransportReachesThePluginInQuarterNotesAndOnlyWithATempo)
{
  app::JackHost host(mJack, *mPlugin);
  std::string error;
  ASSERT_TRUE(host.Open("Mistlegrove Phaser", error) && host.Start(error)) << error;
  gFake.transport = jack::kTransportRolling;
  gFake.position.valid = jack::kPositionBBT;
  gFake.position.beatsPerBar = 6.f;
  gFake.position.beatType = 8.f;
  gFake.position.ticksPerBeat = 1920.0;
  gFake.position.beatsPerMinute = 120.0;
  gFake.position.bar = 3;
  gFake.position.beat = 2;
  gFake.position.tick = 960;
  gFake.process(gFake.buffer, gFake.processArg);
  const frame::ITimeInfo& t = mPlugin->GetTimeInfo();
  EXPECT_EQ(t.mTempo, 60.0);
  EXPECT_EQ(t.mNumerator, 6);
  EXPECT_EQ(t.mDenominator, 8);
  EXPECT_EQ(t.mLastBar, 6.0); // two bars of six eighths
  EXPECT_TRUE(t.mTransportIsRunning);

  gFake.position.valid = 0;
  gFake.process(gFake.buffer, gFake.processArg);
  EXPECT_FALSE(mPlugin->GetTimeInfo().mTransportIsRunning);
}

TEST_F(JackHostTest, NoServerOrARateThePluginCannotServeIsRefusedSayingWhy)
{
  std::string error;
  gFake.serverDown = true;
  EXPECT_FALSE(app::JackHost(mJack, *mPlugin).Open("Mistlegrove Phaser", error));
  EXPECT_NE(error.find("no JACK server is running"), std::string::npos) << error;

  gFake.serverDown = false;
  gFake.rate = 800;
  EXPECT_FALSE(app::JackHost(mJack, *mPlugin).Open("Mistlegrove Phaser", error));
  EXPECT_NE(error.find("runs at 800 Hz"), std::string::npos) << error;
  EXPECT_FALSE(mPlugin->IsActive());
}

} // namespace
