#pragma once

namespace frame {

/** True on a thread that is inside a processing call. Editor work requested from there is
 *  deferred to the main thread instead of touching the editor. */
bool IsAudioThread();

/** Marks the current thread as the audio thread for the scope of a processing call. */
class AudioThreadScope
{
public:
  AudioThreadScope();
  ~AudioThreadScope();
  AudioThreadScope(const AudioThreadScope&) = delete;
  AudioThreadScope& operator=(const AudioThreadScope&) = delete;

private:
  bool mWasAudioThread;
};

} // namespace frame
