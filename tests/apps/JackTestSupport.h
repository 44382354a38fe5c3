#pragma once

// A private dummy JACK server (no sound card) and a client of the tests' own that plays into
// the application's inputs and records its outputs, through the application's own opening of
// the JACK library.
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "apps/jack/JackLibrary.h"

namespace jack_test {

constexpr unsigned kRate = 48000;
constexpr unsigned kBuffer = 256;

template <typename F>
bool WaitFor(F done, int timeoutMs = 10000)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done())
  {
    if (std::chrono::steady_clock::now() >= end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

/** jackd -d dummy under a name of its own, which JACK_DEFAULT_SERVER gives every client of
 *  this process and its children. */
class Server
{
public:
  explicit Server(const std::string& name) : mName(name) { setenv("JACK_DEFAULT_SERVER", name.c_str(), 1); }
  ~Server() { Stop(); }

  bool Start(const jack::Library& j)
  {
    mPid = fork();
    if (mPid == 0)
    {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      const std::string rate = std::to_string(kRate), period = std::to_string(kBuffer);
      execlp("jackd", "jackd", "-n", mName.c_str(), "-d", "dummy", "-r", rate.c_str(), "-p", period.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    // Up once a client can open.
    return WaitFor([&] {
      int status = 0;
      jack::Client* c = j.clientOpen("mg-probe", jack::kNoStartServer, &status);
      if (c)
        j.clientClose(c);
      return c != nullptr;
    }, 30000);
  }
  void Stop()
  {
    if (mPid <= 0)
      return;
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
    mPid = -1;
  }

private:
  std::string mName;
  pid_t mPid = -1;
};

/** Two clients: "mg-player" plays a stereo signal from the cycle it is told (or from the
 *  transport's first rolling cycle at frame 0, whose tempo it then gives as the timebase
 *  master), "mg-recorder" records from that same cycle. Two clients, so that JACK runs
 *  player, application, recorder in that order within one cycle. */
class PlayRecord
{
public:
  PlayRecord(const jack::Library& j, std::vector<float> left, std::vector<float> right)
    : mJack(j), mLeft(std::move(left)), mRight(std::move(right))
  {
    mRecLeft.assign(mLeft.size(), 0.f);
    mRecRight.assign(mLeft.size(), 0.f);
  }
  ~PlayRecord()
  {
    for (jack::Client* c : {mPlayer, mRecorder})
      if (c)
        mJack.clientClose(c);
  }

  bool Open()
  {
    int status = 0;
    mPlayer = mJack.clientOpen("mg-player", jack::kNoStartServer, &status);
    mRecorder = mJack.clientOpen("mg-recorder", jack::kNoStartServer, &status);
    if (!mPlayer || !mRecorder)
      return false;
    mOut[0] = mJack.portRegister(mPlayer, "out_1", jack::kAudioType, jack::kPortIsOutput, 0);
    mOut[1] = mJack.portRegister(mPlayer, "out_2", jack::kAudioType, jack::kPortIsOutput, 0);
    mIn[0] = mJack.portRegister(mRecorder, "in_1", jack::kAudioType, jack::kPortIsInput, 0);
    mIn[1] = mJack.portRegister(mRecorder, "in_2", jack::kAudioType, jack::kPortIsInput, 0);
    mJack.setProcessCallback(mPlayer, &PlayRecord::Play, this);
    mJack.setProcessCallback(mRecorder, &PlayRecord::Record, this);
    return mJack.activate(mPlayer) == 0 && mJack.activate(mRecorder) == 0;
  }

  /** Connects the player to the application's inputs and its outputs to the recorder. */
  bool Connect(const std::string& app)
  {
    for (int c = 1; c <= 2; ++c)
    {
      const std::string n = std::to_string(c);
      if (mJack.connect(mPlayer, ("mg-player:out_" + n).c_str(), (app + ":in_" + n).c_str()) != 0 ||
          mJack.connect(mPlayer, (app + ":out_" + n).c_str(), ("mg-recorder:in_" + n).c_str()) != 0)
        return false;
    }
    return true;
  }
  /** Plays from the next cycle, transport left alone. */
  void StartNow() { mArmed = 1; }
  /** Becomes the timebase master at bpm, locates to 0, starts the transport and plays from
   *  its first rolling cycle. */
  void StartWithTransport(double bpm)
  {
    mBpm = bpm;
    mJack.setTimebaseCallback(mPlayer, 0, &PlayRecord::Timebase, this);
    mJack.transportLocate(mPlayer, 0);
    mArmed = 2;
    mJack.transportStart(mPlayer);
  }
  bool Done() const { return mRecorded.load() >= static_cast<int64_t>(mRecLeft.size()); }
  const std::vector<float>& Left() const { return mRecLeft; }
  const std::vector<float>& Right() const { return mRecRight; }

private:
  static int Play(jack::Frames n, void* self)
  {
    PlayRecord& p = *static_cast<PlayRecord*>(self);
    float* out[2] = {static_cast<float*>(p.mJack.portGetBuffer(p.mOut[0], n)),
                     static_cast<float*>(p.mJack.portGetBuffer(p.mOut[1], n))};
    if (!p.mStarted.load())
    {
      jack::Position pos;
      const jack::TransportState state = p.mJack.transportQuery(p.mPlayer, &pos);
      if (p.mArmed == 1 || (p.mArmed == 2 && state == jack::kTransportRolling && pos.frame == 0))
      {
        p.mStarted.store(true);
      }
    }
    for (jack::Frames i = 0; i < n; ++i)
    {
      const int64_t k = p.mStarted.load() ? p.mPlayed + i : -1;
      const bool in = k >= 0 && k < static_cast<int64_t>(p.mLeft.size());
      out[0][i] = in ? p.mLeft[static_cast<size_t>(k)] : 0.f;
      out[1][i] = in ? p.mRight[static_cast<size_t>(k)] : 0.f;
    }
    if (p.mStarted.load())
      p.mPlayed += n;
    return 0;
  }
  static int Record(jack::Frames n, void* self)
  {
    PlayRecord& p = *static_cast<PlayRecord*>(self);
    if (!p.mStarted.load())
      return 0;
    const float* in[2] = {static_cast<const float*>(p.mJack.portGetBuffer(p.mIn[0], n)),
                          static_cast<const float*>(p.mJack.portGetBuffer(p.mIn[1], n))};
    const int64_t at = p.mRecorded.load();
    for (jack::Frames i = 0; i < n; ++i)
    {
      const int64_t k = at + i;
      if (k >= 0 && k < static_cast<int64_t>(p.mRecLeft.size()))
      {
        p.mRecLeft[static_cast<size_t>(k)] = in[0][i];
        p.mRecRight[static_cast<size_t>(k)] = in[1][i];
      }
    }
    p.mRecorded.store(at + n);
    return 0;
  }
  // 4/4 at the chosen tempo from frame 0, as the renderer's transport runs.
  static void Timebase(jack::TransportState, jack::Frames, jack::Position* pos, int, void* self)
  {
    const PlayRecord& p = *static_cast<const PlayRecord*>(self);
    const double beats = pos->frame * p.mBpm / (60.0 * pos->frameRate);
    const double ticksPerBeat = 1920.0;
    const int64_t wholeBeats = static_cast<int64_t>(beats);
    pos->valid = jack::kPositionBBT;
    pos->beatsPerBar = 4.f;
    pos->beatType = 4.f;
    pos->ticksPerBeat = ticksPerBeat;
    pos->beatsPerMinute = p.mBpm;
    pos->bar = static_cast<int32_t>(wholeBeats / 4 + 1);
    pos->beat = static_cast<int32_t>(wholeBeats % 4 + 1);
    pos->tick = static_cast<int32_t>((beats - wholeBeats) * ticksPerBeat);
    pos->barStartTick = (pos->bar - 1) * 4 * ticksPerBeat;
  }

  const jack::Library& mJack;
  std::vector<float> mLeft, mRight, mRecLeft, mRecRight;
  jack::Client* mPlayer = nullptr;
  jack::Client* mRecorder = nullptr;
  jack::Port* mOut[2] = {};
  jack::Port* mIn[2] = {};
  std::atomic<int> mArmed{0};
  std::atomic<bool> mStarted{false};
  int64_t mPlayed = 0; // frames since the start, counted by cycles run: a cycle an xrun
                       // skips is skipped by all three clients alike
  std::atomic<int64_t> mRecorded{0};
  double mBpm = 120.0;
};

} // namespace jack_test
