#pragma once

#include <cstdint>
#include <string>

// The part of the JACK client library the application uses, opened at run time: the
// packages recommend JACK instead of depending on it, and a machine without it gets a
// message instead of a loader error. The types and numbers are JACK's ABI, fixed for its
// soname.
namespace jack {

inline constexpr const char* kSoname = "libjack.so.0";
inline constexpr const char* kAudioType = "32 bit float mono audio";

using Frames = uint32_t;
struct Client;
struct Port;

enum Options : int
{
  kNullOption = 0,
  kNoStartServer = 0x01
};
enum Status : int
{
  kFailure = 0x01,
  kServerFailed = 0x10
};
enum PortFlags : unsigned long
{
  kPortIsInput = 0x1,
  kPortIsOutput = 0x2,
  kPortIsPhysical = 0x4
};
enum TransportState : int
{
  kTransportStopped = 0,
  kTransportRolling = 1,
  kTransportLooping = 2,
  kTransportStarting = 3
};
inline constexpr int kPositionBBT = 0x10;

// jack_position_t, packed as JACK declares it.
struct __attribute__((packed)) Position
{
  uint64_t unique1;
  uint64_t usecs;
  Frames frameRate;
  Frames frame;
  int valid;
  int32_t bar;
  int32_t beat;
  int32_t tick;
  double barStartTick;
  float beatsPerBar;
  float beatType;
  double ticksPerBeat;
  double beatsPerMinute;
  double frameTime;
  double nextTime;
  Frames bbtOffset;
  float audioFramesPerVideoFrame;
  Frames videoOffset;
  double tickDouble;
  int32_t padding[5];
  uint64_t unique2;
};
static_assert(sizeof(Position) == 136, "jack_position_t is 136 bytes");

using ProcessCallback = int (*)(Frames frames, void* user);
using ShutdownCallback = void (*)(void* user);
using XrunCallback = int (*)(void* user);
using TimebaseCallback = void (*)(TransportState state, Frames frames, Position* position, int newPosition,
                                  void* user);

struct Library
{
  Client* (*clientOpen)(const char* name, int options, int* status, ...);
  int (*clientClose)(Client*);
  const char* (*getClientName)(Client*);
  int (*setProcessCallback)(Client*, ProcessCallback, void*);
  void (*onShutdown)(Client*, ShutdownCallback, void*);
  int (*setXrunCallback)(Client*, XrunCallback, void*);
  int (*activate)(Client*);
  int (*deactivate)(Client*);
  Frames (*getSampleRate)(Client*);
  Frames (*getBufferSize)(Client*);
  Port* (*portRegister)(Client*, const char* name, const char* type, unsigned long flags, unsigned long bufferSize);
  void* (*portGetBuffer)(Port*, Frames);
  const char* (*portName)(const Port*);
  int (*connect)(Client*, const char* source, const char* destination);
  const char** (*getPorts)(Client*, const char* namePattern, const char* typePattern, unsigned long flags);
  Port* (*portByName)(Client*, const char* name);
  void (*free)(void*);
  TransportState (*transportQuery)(const Client*, Position*);
  // Used by the tests' own client: a transport master of their own.
  int (*setTimebaseCallback)(Client*, int conditional, TimebaseCallback, void*);
  void (*transportStart)(Client*);
  void (*transportStop)(Client*);
  int (*transportLocate)(Client*, Frames frame);
  void (*setErrorFunction)(void (*)(const char*));
  void (*setInfoFunction)(void (*)(const char*));
};

/** Opens the library once and returns its entry points, or null with a one-line reason
 *  that names the package to install. Later calls return the same. Main thread. */
const Library* Open(std::string& error);

} // namespace jack
