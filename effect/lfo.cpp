#include "effect/lfo.h"

#include <cmath>

#include "effect/params.h"
#include "frame/ITimeInfo.h"

namespace {
// Written out as the doubles they must be: the sweep is defined to the last bit.
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kFourPi = 12.566370614359172;
constexpr double kInvPi = 0.3183098861837907;
constexpr double kTwoHundredFortyPi = 753.9822368615503; // 2pi * 120 bpm, the fallback tempo

// Cycle length of each note value in quarter notes, in the order of labelSyncRates.
const double syncRate[LFO::kNumSyncRates] = {
  64.0, 48.0, 32.0, 24.0, 16.0, 12.0, 10.0, 8.0, 6.0, 4.0,
  3.0, 2.0, 1.5, 4.0 / 3.0, 1.0, 0.75, 2.0 / 3.0, 0.5, 0.375, 0.25,
};

// The fastest free sweep the filters follow: a cycle of no fewer than this many samples. A
// faster one at full feedback pumps the loop up without bound (at 1 kHz, 25 Hz reached 1e7;
// at 10 kHz, 400 samples a cycle, it still grew until the runaway guard cleared it). From
// 12 kHz up the top rate is within it.
constexpr double kFewestSamplesPerCycle = 480.0;

// -1 on the rising half, +1 on the falling half: |d + tri(d)| is the triangle of period 2.
inline double tri(double d) { return d >= 0.0 ? -1.0 : 1.0; }

// Brings a phase that an absurd increment or host position threw out back into [-2pi, 2pi).
// Never taken for increments below 4pi, so ordinary sweeps keep their exact values.
double wrapFar(double phase)
{
  if (!std::isfinite(phase))
    return -kTwoPi;
  double r = std::fmod(phase + kTwoPi, kFourPi);
  if (r < 0.0)
    r += kFourPi;
  r -= kTwoPi;
  return (r >= -kTwoPi && r < kTwoPi) ? r : -kTwoPi;
}
// One update's step; the sweep's every phase is this sum, in this order.
inline double stepped(double phase, double increment)
{
  double next = phase + increment;
  if (!(next < kTwoPi))
    next = next + (-kFourPi);
  if (!(next >= -kTwoPi && next < kTwoPi))
    next = wrapFar(next);
  return next;
}
} // namespace

const char* const LFO::labelSyncRates[LFO::kNumSyncRates] = {
  "16/1", "12/1", "8/1", "6/1", "4/1", "3/1", "2/1.", "2/1", "1/1.", "1/1",
  "1/2.", "1/2", "1/4.", "1/2T", "1/4", "1/8.", "1/4T", "1/8", "1/16.", "1/16",
};

LFO::LFO()
  : mOutput{0.0, 0.0},
    mSampleRate(44100.0),
    mUpdateRate(44100.0 / 44.0),
    mAlternating(false),
    mWaveform(1),
    mSyncRateIndex(10),
    mPhase(-kTwoPi),
    mPhaseInc(0.0),
    mPhaseOffset(0.0),
    mRate(0.0),
    mAlternatingDepth(0.0)
{
}

void LFO::setSampleRate(double sampleRate, double samplesPerUpdate)
{
  if (sampleRate == mSampleRate)
    return;
  mSampleRate = sampleRate;
  mUpdateRate = sampleRate / samplesPerUpdate;
  mPhase = -kTwoPi;
  // The free-running step is counted in updates: kept from the old rate, the same setting
  // would sweep at another speed before and after a state reload. Synchronize sets its own.
  mPhaseInc = freeIncrement();
}

void LFO::reset() { mPhase = -kTwoPi; }

void LFO::setRate(double rate)
{
  mRate = rate;
  mPhaseInc = freeIncrement();
}

double LFO::freeIncrement() const
{
  const double omega = kTwoPiTopRate * mRate * mRate;
  const double fastest = kTwoPi * mSampleRate / kFewestSamplesPerCycle;
  return (omega > fastest ? fastest : omega) / mUpdateRate;
}

void LFO::setSyncRate(int index)
{
  // The effect only passes 0..19; the clamp keeps a stray index from reading past the table.
  mSyncRateIndex = index < 0 ? 0 : (index >= kNumSyncRates ? kNumSyncRates - 1 : index);
}

void LFO::setSync(bool on)
{
  if (!on)
    mPhaseInc = freeIncrement();
}

void LFO::setStereo(double stereo)
{
  mAlternating = stereo > 0.5;
  if (mAlternating)
  {
    mPhaseOffset = kPi;
    mAlternatingDepth = stereo + stereo - 1.0;
  }
  else
  {
    mPhaseOffset = (0.5 - stereo) * kTwoPi;
    mAlternatingDepth = 0.0;
  }
}

void LFO::update()
{
  const double phi = mPhase;
  const double s = mAlternatingDepth;
  double left, right;

  // The envelope factors are written (1 - e) - 1 rather than -e: the outputs are defined to
  // the last bit, and the two differ in rounding.
  if (mWaveform != 0)
  {
    const double d = kInvPi * phi;
    const double main = std::fabs(d + tri(d));
    if (mAlternating)
    {
      const double e = std::fabs(d * 0.5);
      left = ((e - 1.0) * s + 1.0) * main;
      right = (((1.0 - e) - 1.0) * s + 1.0) * main;
    }
    else
    {
      double d2 = d + mPhaseOffset * kInvPi;
      if (d2 > 2.0)
        d2 = d2 - 4.0;
      left = main;
      right = std::fabs(d2 + tri(d2));
    }
  }
  else
  {
    const double main = (std::cos(phi) + 1.0) * 0.5;
    if (mAlternating)
    {
      const double e = (std::cos(phi * 0.5) + 1.0) * 0.5;
      left = ((e - 1.0) * s + 1.0) * main;
      right = (((1.0 - e) - 1.0) * s + 1.0) * main;
    }
    else
    {
      left = main;
      right = (std::cos(mPhaseOffset + phi) + 1.0) * 0.5;
    }
  }
  mOutput[0] = left;
  mOutput[1] = right;
  mPhase = stepped(phi, mPhaseInc);
}

void LFO::advance(long long steps)
{
  if (steps <= 0)
    return;
  if (steps <= kExactSteps)
  {
    for (long long i = 0; i < steps; ++i)
      mPhase = stepped(mPhase, mPhaseInc);
    return;
  }
  mPhase = wrapFar(mPhase + static_cast<double>(steps) * mPhaseInc);
}

double LFO::syncedCycle() const { return syncRate[mSyncRateIndex] * 4.0; }

double LFO::wrapped(double phase)
{
  const double r = phase - kFourPi * std::floor((phase + kTwoPi) / kFourPi);
  return r < kTwoPi ? r : r - kFourPi;
}

void LFO::synchronize(const frame::ITimeInfo* timeInfo)
{
  const double cycle = syncRate[mSyncRateIndex] * 4.0; // in sixteenth notes

  // A host that sends no usable tempo gets the same 120 bpm as one that sends 0.
  const double hostTempo = std::isfinite(timeInfo->mTempo) ? timeInfo->mTempo : 0.0;
  const double tempo = std::round(hostTempo * 1000.0) * 0.001;
  const double omega = (tempo > 0.0 && std::isfinite(tempo)) ? kTwoPi * tempo : kTwoHundredFortyPi;
  mPhaseInc = omega / (15.0 * cycle * mUpdateRate);

  if (!timeInfo->mTransportIsRunning)
    return;
  const double p = timeInfo->mPPQPos * 4.0;
  if (!std::isfinite(p))
    return; // no position to follow: keep running free at the host's tempo

  // Keep the phase's whole sixteenths and take the host's fraction of the current one.
  const double frac = p - std::floor(p);
  const double f = cycle * mPhase / kTwoPi;
  const double g = std::floor(0.5 + f);
  double k = frac + g;
  if (f - g < 0.0)
    k = k + (-1.0);
  double target = k * kTwoPi / cycle;
  // Only ever forward: an LFO that runs ahead of the host within the sixteenth is left alone.
  if (target > mPhase)
  {
    if (!(target < kTwoPi))
      target = target + (-kFourPi);
    mPhase = target;
  }
}
