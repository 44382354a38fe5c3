#pragma once

namespace frame {
struct ITimeInfo;
}

/** The phaser's modulation oscillator. It is stepped once per control interval, not per
 *  sample, and yields one sweep value in 0..1 per channel in mOutput. The phase spans two
 *  cycles, [-2pi, 2pi), so that the alternating stereo mode can hand the sweep from one
 *  channel to the other every cycle.
 *
 *  The fields are plain and public: the effect writes mWaveform and reads mOutput directly,
 *  and a setter that runs between two updates takes effect at the next one. */
class LFO
{
public:
  static constexpr int kNumSyncRates = 20;
  /** Note values of the tempo-synced cycle lengths, longest first ("16/1" .. "1/16"). */
  static const char* const labelSyncRates[kNumSyncRates];

  LFO();

  /** A new sample rate restarts the phase and recomputes the free-running increment for
   *  it; an unchanged rate does nothing at all. */
  void setSampleRate(double sampleRate, double samplesPerUpdate);
  void reset();
  /** The free-running rate: 25 * rate^2 Hz, at most a cycle per 480 samples. Always
   *  recomputes the increment. */
  void setRate(double rate);
  void setSyncRate(int index);
  /** Turning sync off gives the free rate back at once; turning it on waits for synchronize. */
  void setSync(bool on);
  /** Above 0.5: alternating mode with depth 2 * stereo - 1; else a right-channel phase lead
   *  of (0.5 - stereo) * 2pi. */
  void setStereo(double stereo);
  /** Computes mOutput from the current phase, then advances it. */
  void update();
  /** Moves the phase on as `steps` updates would, without computing their outputs: exactly
   *  as they would up to kExactSteps, beyond in one step, off by rounding alone (far below a
   *  nanoradian for a day of steps). */
  void advance(long long steps);
  static constexpr long long kExactSteps = 1 << 18;
  /** Sets the increment from the host tempo and, while the transport runs, pulls the phase
   *  forward to the host's position within the current sixteenth note. */
  void synchronize(const frame::ITimeInfo* timeInfo);
  /** The synced cycle's length in sixteenth notes. */
  double syncedCycle() const;
  /** The free-running rate's step per update. */
  double freeIncrement() const;
  /** A phase or a difference of phases brought into the span [-2pi, 2pi). */
  static double wrapped(double phase);

  double mOutput[2];
  double mSampleRate;
  double mUpdateRate;
  bool mAlternating;
  int mWaveform;
  int mSyncRateIndex;
  double mPhase;
  double mPhaseInc;
  double mPhaseOffset;
  double mRate;
  double mAlternatingDepth;
};

/** The sweep's law: the squared LFO output blended with "Manual" by "LFODepth", as a fraction
 *  of the top frequency, before it is held to 0..1. One definition for the signal path (both
 *  channels at once) and for whatever draws the sweep (one at a time); the same operations in
 *  the same order, so both get the same bits. */
template <typename T>
inline T sweepFraction(T lfo, T manual, T depth)
{
  return (lfo * lfo - manual) * depth + manual;
}
