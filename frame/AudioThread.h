#pragma once

namespace frame {

namespace detail {
// In the static block glibc sets aside for modules loaded later: a dynamic one would be
// made with malloc by the first call on each new thread, which is a processing call.
extern thread_local bool tInProcessing __attribute__((tls_model("initial-exec")));
} // namespace detail

/** True on a thread that is inside a processing call. Editor work requested from there is
 *  deferred to the main thread instead of touching the editor. */
inline bool IsAudioThread() { return detail::tInProcessing; }

/** Marks the current thread as the audio thread for the scope of a processing call. */
class AudioThreadScope
{
public:
  AudioThreadScope() : mWasAudioThread(detail::tInProcessing) { detail::tInProcessing = true; }
  ~AudioThreadScope() { detail::tInProcessing = mWasAudioThread; }
  AudioThreadScope(const AudioThreadScope&) = delete;
  AudioThreadScope& operator=(const AudioThreadScope&) = delete;

private:
  bool mWasAudioThread;
};

} // namespace frame
