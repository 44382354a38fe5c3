#include "apps/jack/JackHost.h"

#include <fcntl.h>
#include <unistd.h>

#include "frame/AudioThread.h"
#include "frame/IFramePlugin.h"

namespace app {

bool JackHost::Open(const std::string& clientName, std::string& error)
{
  if (mWake[0] < 0 && pipe2(mWake, O_CLOEXEC | O_NONBLOCK) != 0)
  {
    error = "cannot make a pipe";
    return false;
  }
  int status = 0;
  mClient = mJack.clientOpen(clientName.c_str(), jack::kNoStartServer, &status);
  if (!mClient)
  {
    error = (status & jack::kServerFailed) || (status & jack::kFailure)
              ? "no JACK server is running (start one: jackd -d alsa, or PipeWire with pipewire-jack)"
              : "the JACK server refused the client";
    return false;
  }
  mRate = mJack.getSampleRate(mClient);
  mBufferSize = mJack.getBufferSize(mClient);
  if (!mPlugin.ServesSampleRate(mRate))
  {
    error = "the JACK server runs at " + std::to_string(mRate) + " Hz, outside 1000 .. 768000 Hz";
    return false;
  }
  static const char* const kIn[2] = {"in_1", "in_2"};
  static const char* const kOut[2] = {"out_1", "out_2"};
  for (int c = 0; c < 2; ++c)
  {
    mIn[c] = mJack.portRegister(mClient, kIn[c], jack::kAudioType, jack::kPortIsInput, 0);
    mOut[c] = mJack.portRegister(mClient, kOut[c], jack::kAudioType, jack::kPortIsOutput, 0);
    if (!mIn[c] || !mOut[c])
    {
      error = "the JACK server refused the client's ports";
      return false;
    }
  }
  mJack.setProcessCallback(mClient, &JackHost::Process, this);
  mJack.setXrunCallback(mClient, &JackHost::Xrun, this);
  mJack.onShutdown(mClient, &JackHost::Shutdown, this);
  mPlugin.SetupProcessing(mRate, static_cast<int>(mBufferSize));
  return true;
}

bool JackHost::Start(std::string& error)
{
  mPlugin.SetActive(true);
  if (mJack.activate(mClient) != 0)
  {
    mPlugin.SetActive(false);
    error = "the JACK server did not start the client";
    return false;
  }
  mActive = true;
  return true;
}

bool JackHost::PhysicalPorts(std::vector<std::string>& capture, std::vector<std::string>& playback, std::string& error)
{
  auto take = [&](unsigned long flags, std::vector<std::string>& names) {
    const char** ports = mJack.getPorts(mClient, nullptr, jack::kAudioType, flags | jack::kPortIsPhysical);
    for (int i = 0; ports && ports[i] && names.size() < 2; ++i)
      names.emplace_back(ports[i]);
    if (ports)
      mJack.free(ports);
  };
  take(jack::kPortIsOutput, capture);
  take(jack::kPortIsInput, playback);
  if (capture.empty() && playback.empty())
  {
    error = "the JACK server has no capture or playback ports";
    return false;
  }
  return true;
}

bool JackHost::Connect(const std::vector<std::string>& in, const std::vector<std::string>& out, std::string& error)
{
  auto connect = [&](const std::string& source, const std::string& destination, const std::string& missing) {
    if (!mJack.portByName(mClient, missing.c_str()))
    {
      error = "there is no JACK port '" + missing + "'";
      return false;
    }
    if (mJack.connect(mClient, source.c_str(), destination.c_str()) != 0)
    {
      error = "cannot connect '" + source + "' to '" + destination + "'";
      return false;
    }
    return true;
  };
  for (size_t c = 0; c < in.size() && c < 2; ++c)
    if (!in[c].empty() && !connect(in[c], mJack.portName(mIn[c]), in[c]))
      return false;
  for (size_t c = 0; c < out.size() && c < 2; ++c)
    if (!out[c].empty() && !connect(mJack.portName(mOut[c]), out[c], out[c]))
      return false;
  return true;
}

void JackHost::Close()
{
  if (mClient)
  {
    // After the server is gone the client may only be closed.
    if (mActive && !mServerGone.load())
      mJack.deactivate(mClient);
    mJack.clientClose(mClient);
    mClient = nullptr;
  }
  if (mActive)
    mPlugin.SetActive(false);
  mActive = false;
  for (int& fd : mWake)
  {
    if (fd >= 0)
      close(fd);
    fd = -1;
  }
}

int JackHost::Process(jack::Frames frames, void* self)
{
  JackHost& host = *static_cast<JackHost*>(self);
  frame::AudioThreadScope audioThread;
  const jack::Library& j = host.mJack;
  const float* in[2];
  float* out[2];
  for (int c = 0; c < 2; ++c)
  {
    in[c] = static_cast<const float*>(j.portGetBuffer(host.mIn[c], frames));
    out[c] = static_cast<float*>(j.portGetBuffer(host.mOut[c], frames));
  }
  host.FillTime(frames);
  host.mPlugin.ProcessBuffers(in, 2, out, 2, static_cast<int>(frames));
  return 0;
}

// The transport as JACK tells it where the cycle starts: a tempo only with bar, beat and
// tick (BBT); without one the transport counts as stopped and a synced sweep runs free.
void JackHost::FillTime(jack::Frames)
{
  jack::Position pos;
  const jack::TransportState state = mJack.transportQuery(mClient, &pos);
  frame::ITimeInfo& t = mPlugin.TimeInfoToFill();
  const bool bbt = (pos.valid & jack::kPositionBBT) && pos.beatsPerMinute > 0.0 && pos.ticksPerBeat > 0.0 &&
                   pos.beatType > 0.0f && pos.beatsPerBar > 0.0f;
  const bool rolling = state == jack::kTransportRolling || state == jack::kTransportLooping;
  if (bbt)
  {
    const double quarterPerBeat = 4.0 / pos.beatType;
    const double barStart = (pos.bar - 1) * static_cast<double>(pos.beatsPerBar);
    // JACK counts beats of the signature's note value; the frame counts quarter notes.
    t.mTempo = pos.beatsPerMinute * quarterPerBeat;
    t.mLastBar = barStart * quarterPerBeat;
    t.mPPQPos = (barStart + (pos.beat - 1) + pos.tick / pos.ticksPerBeat) * quarterPerBeat;
    t.mNumerator = static_cast<int>(pos.beatsPerBar);
    t.mDenominator = static_cast<int>(pos.beatType);
  }
  else
  {
    t.mTempo = 0.0;
    t.mLastBar = t.mPPQPos = 0.0;
    t.mNumerator = t.mDenominator = 4;
  }
  t.mSamplePosValid = bbt;
  t.mSamplePos = bbt ? static_cast<double>(pos.frame) : -1.0;
  t.mCycleStart = t.mCycleEnd = 0.0;
  t.mTransportIsRunning = rolling && bbt;
  t.mTransportLoopEnabled = false;
}

void JackHost::Shutdown(void* self)
{
  JackHost& host = *static_cast<JackHost*>(self);
  host.mServerGone.store(true);
  const char byte = 1;
  [[maybe_unused]] ssize_t n = write(host.mWake[1], &byte, 1);
}

int JackHost::Xrun(void* self)
{
  static_cast<JackHost*>(self)->mXruns.fetch_add(1);
  return 0;
}

} // namespace app
