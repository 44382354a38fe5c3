#pragma once

namespace frame {

/** The host's transport and tempo for the current block. The defaults hold only until the
 *  first processing call, which overwrites every field. */
struct ITimeInfo
{
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mPPQPos = -1.0;
  double mLastBar = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
  /** The host vouches for mSamplePos, which may then be negative (a pre-roll before the
   *  song's start) or -1 like any other position. */
  bool mSamplePosValid = false;
  /** Set by the frame where playback starts anew after a jump of the song position, which
   *  no stopped block announces. */
  bool mTransportRestarts = false;
};

/** The time at an offset into a call: the song position `frames` samples after `ppq`, at
 *  `tempo` beats a minute (in the beats `ppq` counts); a tempo or sample rate that is not
 *  above zero leaves it where it is. Every format's binding and the frame take it from here. */
inline double PositionAfter(double ppq, double frames, double tempo, double sampleRate)
{
  if (!(tempo > 0.0) || !(sampleRate > 0.0))
    return ppq;
  return ppq + frames * tempo / (60.0 * sampleRate);
}

/** Where a parameter change comes from. */
enum EParamSource
{
  kSourceReset = 0,
  kSourceHost = 1,
  kSourcePreset = 2,
  kSourceEditor = 3,
  kSourceDelegate = 4
};

} // namespace frame
