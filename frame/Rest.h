#pragma once

#include <cstdint>

namespace frame {

class IFrameProcessor;

/** Where an instance is between sound and sleep, as a binding reports it to its host. */
enum class ERest
{
  kSounding, // the input is not quiet (or the plug-in is bypassed, or may not sleep now)
  kRinging,  // the input is quiet, the ring still sounds
  kAsleep    // the input is quiet and the ring is over: the output is silence
};

/** True when every connected channel holds nothing but zeros (of either sign) over frames.
 *  A channel whose bit is set in constantMask is taken at the host's word that every sample
 *  equals its first. Stops at the first sample that sounds, so sound costs next to nothing. */
bool InputIsQuiet(const float* const* channels, int nChannels, int frames, uint64_t constantMask);
bool InputIsQuiet(const double* const* channels, int nChannels, int frames, uint64_t constantMask);

/** An instance's sleep: quiet input that follows the ring's end skips the signal path, and
 *  the first sound after wakes it as if it had processed the silence (from rest, the sweep
 *  where it would be). Every binding drives it the same way: BeforeCall, then either the
 *  frame's processing and AfterCall, or zeros out and Skipped. Audio thread. */
class Rest
{
public:
  /** True when the call may skip the signal path: its input is quiet and the ring is over.
   *  Otherwise an instance asleep is woken first. */
  bool BeforeCall(IFrameProcessor& plug, bool inputQuiet);
  /** The call skipped the signal path over frames. */
  void Skipped(int64_t frames) { mSkipped += frames; }
  /** After a processed call: where the instance is now. */
  ERest AfterCall(const IFrameProcessor& plug, bool inputQuiet);
  /** The host let frames go by without a call (it honoured a quiet status): counted as
   *  silence where the last call left the input quiet, ignored after sound. */
  void HostSkipped(int64_t frames);
  bool Asleep() const { return mAsleep; }
  /** Processing starts over (a reset): nothing is asleep, nothing was skipped. */
  void Reset();

private:
  void wake(IFrameProcessor& plug);

  bool mAsleep = false;
  bool mLastQuiet = false;
  int64_t mSkipped = 0;
};

} // namespace frame
