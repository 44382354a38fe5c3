#include "frame/AudioThread.h"

namespace frame {

namespace {
// In the static block glibc sets aside for modules loaded later: a dynamic one would be
// made with malloc by the first call on each new thread, which is a processing call.
thread_local bool tInProcessing __attribute__((tls_model("initial-exec"))) = false;
}

bool IsAudioThread() { return tInProcessing; }

AudioThreadScope::AudioThreadScope() : mWasAudioThread(tInProcessing) { tInProcessing = true; }

AudioThreadScope::~AudioThreadScope() { tInProcessing = mWasAudioThread; }

} // namespace frame
