#include "frame/AudioThread.h"

namespace frame {

namespace {
thread_local bool tInProcessing = false;
}

bool IsAudioThread() { return tInProcessing; }

AudioThreadScope::AudioThreadScope() : mWasAudioThread(tInProcessing) { tInProcessing = true; }

AudioThreadScope::~AudioThreadScope() { tInProcessing = mWasAudioThread; }

} // namespace frame
