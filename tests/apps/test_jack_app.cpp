// mistlegrove-phaser against a private dummy JACK server: what it plays equals the
// renderer's output to the bit, and it stops cleanly, with its state saved, however its run
// ends.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "apps/render/AudioFile.h"
#include "apps/jack/JackLibrary.h"
#include "apps/JackTestSupport.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace jack_test;

namespace {

using Result = test_support::ChildResult;
using test_support::Slurp;

class JackAppTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string error;
    mJack = jack::Open(error);
    if (!mJack || system("command -v jackd >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "no JACK here: " << error;
    mServer = std::make_unique<Server>("mg-test-" + std::to_string(getpid()));
  }

  pid_t Spawn(std::vector<std::string> args)
  {
    return test_support::SpawnProgram(MG_APP_EXE, std::move(args), {mDir.path(), mDir.path(), "", false});
  }

  Result Wait(pid_t pid, int timeoutMs = 20000) { return test_support::WaitChild(pid, mDir.path(), timeoutMs); }

  // The application's ports are there once it has started processing.
  bool AwaitApp() const
  {
    return WaitFor([&] {
      int status = 0;
      jack::Client* c = mJack->clientOpen("mg-look", jack::kNoStartServer, &status);
      bool there = c && mJack->portByName(c, "Mistlegrove Phaser:out_2");
      if (c)
        mJack->clientClose(c);
      return there;
    }, 30000); // slow under the sanitizers on a busy machine
  }

  std::string State() const { return mDir.path() + "/state"; }

  const jack::Library* mJack = nullptr;
  std::unique_ptr<Server> mServer;
  test_support::TempDir mDir{"mg-jack-app"};
};

std::vector<float> Noise(size_t frames, unsigned seed)
{
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
  std::vector<float> v(frames);
  for (float& s : v)
    s = uniform(random);
  return v;
}

// The application on the dummy server, its inputs fed and outputs recorded by the tests'
// client, and the renderer on the same noise at the same block size.
TEST_F(JackAppTest, PlaysWhatTheRendererRendersToTheBitWithTheTransportsTempoAndEndsOnSigterm)
{
  ASSERT_TRUE(mServer->Start(*mJack));
  const size_t frames = kRate; // a second
  const std::vector<float> left = Noise(frames, 1), right = Noise(frames, 2);
  {
    std::vector<float> interleaved;
    for (size_t i = 0; i < frames; ++i)
      interleaved.insert(interleaved.end(), {left[i], right[i]});
    render::AtomicAudioWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(mDir.path() + "/noise.wav", {SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float WAV"}, kRate, 2,
                            error) &&
                writer.Write(interleaved.data(), static_cast<int64_t>(frames), error) && writer.Commit(error))
      << error;
  }
  // Free-running, the sweep would start wherever the application's LFO stands: with no depth
  // to it, what it leaves is the whole signal path. Synced, the sweep follows the transport.
  struct Case
  {
    const char* name;
    std::vector<std::string> settings;
    bool transport;
  };
  const std::vector<Case> cases = {
    {"sync off", {"Manual=700Hz", "Feedback=80%", "LFODepth=0%", "Stages=8"}, false},
    {"sync on", {"Sync to Host=ON", "LFOSpeed=1/4", "Feedback=60%", "Mix=75:25"}, true},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    std::vector<std::string> set;
    for (const std::string& s : c.settings)
      set.insert(set.end(), {"--set", s});

    std::vector<std::string> args = {"--no-editor", "--state", State()};
    args.insert(args.end(), set.begin(), set.end());
    fs::remove(State());
    const pid_t app = Spawn(args);
    ASSERT_TRUE(AwaitApp()) << Slurp(mDir.path() + "/.stderr");
    PlayRecord io(*mJack, left, right);
    ASSERT_TRUE(io.Open());
    ASSERT_TRUE(io.Connect("Mistlegrove Phaser"));
    if (c.transport)
      io.StartWithTransport(120.0);
    else
      io.StartNow();
    ASSERT_TRUE(WaitFor([&] { return io.Done(); }, 30000));

    kill(app, SIGTERM);
    const Result r = Wait(app);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("48000 Hz with 256 frames"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(State())) << "no state saved on SIGTERM";

    std::vector<std::string> render = {"--block", std::to_string(kBuffer), "--float", "--tempo", "120"};
    render.insert(render.end(), set.begin(), set.end());
    render.insert(render.end(), {mDir.path() + "/noise.wav", "-o", mDir.path() + "/rendered.wav"});
    const pid_t renderer = test_support::SpawnProgram(MG_RENDER_EXE, render, {mDir.path(), mDir.path(), "", false});
    const Result rr = Wait(renderer, 60000);
    ASSERT_EQ(rr.status, 0) << rr.err;
    render::AudioFileReader reader;
    std::string error;
    ASSERT_TRUE(reader.Open(mDir.path() + "/rendered.wav", error)) << error;
    ASSERT_GE(reader.Frames(), static_cast<int64_t>(frames));
    std::vector<float> rendered(frames * 2);
    ASSERT_EQ(reader.Read(rendered.data(), static_cast<int64_t>(frames)), static_cast<int64_t>(frames));
    size_t differ = 0, first = frames;
    for (size_t i = 0; i < frames; ++i)
      if (rendered[2 * i] != io.Left()[i] || rendered[2 * i + 1] != io.Right()[i])
      {
        ++differ;
        first = std::min(first, i);
      }
    EXPECT_EQ(differ, 0u) << "first at frame " << first;
  }
}

} // namespace

namespace {

TEST_F(JackAppTest, RefusesToRunWithoutJackItsServerOrThePortsAskedForSayingWhy)
{
  // A stand-in for the library that cannot load.
  const std::string standIn = mDir.path() + "/lib";
  fs::create_directories(standIn);
  std::ofstream(standIn + "/libjack.so.0") << "not a library";
  setenv("LD_LIBRARY_PATH", standIn.c_str(), 1);
  const pid_t noLibrary = Spawn({"--no-editor", "--state", State()});
  unsetenv("LD_LIBRARY_PATH");
  Result r = Wait(noLibrary);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("install libjack-jackd2-0"), std::string::npos) << r.err;

  r = Wait(Spawn({"--no-editor", "--state", State()}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no JACK server is running"), std::string::npos) << r.err;

  ASSERT_TRUE(mServer->Start(*mJack));
  r = Wait(Spawn({"--no-editor", "--state", State(), "--in", "system:capture_1,nowhere:in"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("there is no JACK port 'nowhere:in'"), std::string::npos) << r.err;
  r = Wait(Spawn({"--no-editor", "--state", State(), "--set", "Flange=1"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown parameter 'Flange'"), std::string::npos) << r.err;
}

// A damaged state is kept and this run's saved beside it; the server stopping ends the run
// with the state saved, and the next run starts from it.
TEST_F(JackAppTest, KeepsADamagedStateSurvivesTheServerStoppingAndStartsFromTheSavedState)
{
  const std::string damaged = "Mistlegrove Phaser_2.0.1 but cut short";
  std::ofstream(State()) << damaged;
  ASSERT_TRUE(mServer->Start(*mJack));
  const pid_t app = Spawn({"--no-editor", "--state", State(), "--set", "Feedback=-40%", "--connect"});
  ASSERT_TRUE(AwaitApp());
  mServer->Stop();
  Result r = Wait(app);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is not a state of the plug-in: starting from the defaults"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the JACK server stopped"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(State() + ".damaged"), damaged);
  const std::string saved = Slurp(State());
  ASSERT_EQ(saved.size(), 108u); // the state chunk and the bypass flag
  EXPECT_EQ(saved.rfind("Mistlegrove Phaser_2.0.1", 0), 0u);

  ASSERT_TRUE(mServer->Start(*mJack));
  const pid_t again = Spawn({"--no-editor", "--state", State()});
  ASSERT_TRUE(AwaitApp());
  kill(again, SIGINT);
  r = Wait(again);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(State()), saved) << "the next run did not start from the saved state";
  EXPECT_EQ(r.err, "");
}

} // namespace
