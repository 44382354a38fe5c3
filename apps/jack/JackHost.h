#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "apps/jack/JackLibrary.h"

namespace frame {
class IFramePlugin;
}

namespace app {

/** The plug-in as a JACK client: two inputs and two outputs, processed on JACK's thread
 *  through the frame, with JACK's transport as the host's. Main thread but for the
 *  callbacks. */
class JackHost
{
public:
  JackHost(const jack::Library& jack, frame::IFramePlugin& plugin) : mJack(jack), mPlugin(plugin) {}
  ~JackHost() { Close(); }
  JackHost(const JackHost&) = delete;
  JackHost& operator=(const JackHost&) = delete;

  /** Opens the client without starting a server, registers the ports and sets the plug-in
   *  up at the server's rate and buffer size. False with a one-line reason. */
  bool Open(const std::string& clientName, std::string& error);
  /** Activates the plug-in and the client: processing starts. */
  bool Start(std::string& error);
  /** Connects in[i] to input i and output i to out[i]; any may be empty. */
  bool Connect(const std::vector<std::string>& in, const std::vector<std::string>& out, std::string& error);
  /** The server's first capture and playback ports, for --connect. */
  bool PhysicalPorts(std::vector<std::string>& capture, std::vector<std::string>& playback, std::string& error);
  /** Stops processing and leaves the server; the plug-in is inactive after. */
  void Close();

  unsigned SampleRate() const { return mRate; }
  unsigned BufferSize() const { return mBufferSize; }
  int Xruns() const { return mXruns.load(); }
  /** The server shut the client down. */
  bool ServerGone() const { return mServerGone.load(); }
  /** Readable once the server is gone, for the main loop to wake on. */
  int WakeFd() const { return mWake[0]; }

private:
  static int Process(jack::Frames frames, void* self);
  static void Shutdown(void* self);
  static int Xrun(void* self);
  void FillTime(jack::Frames frames);

  const jack::Library& mJack;
  frame::IFramePlugin& mPlugin;
  jack::Client* mClient = nullptr;
  jack::Port* mIn[2] = {};
  jack::Port* mOut[2] = {};
  unsigned mRate = 0, mBufferSize = 0;
  bool mActive = false;
  std::atomic<int> mXruns{0};
  std::atomic<bool> mServerGone{false};
  int mWake[2] = {-1, -1};
};

} // namespace app
