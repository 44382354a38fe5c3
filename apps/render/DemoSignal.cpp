#include "apps/render/DemoSignal.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// C major 9 over two octaves, then A minor 9: wide voicings keep partials everywhere.
constexpr double kChords[2][6] = {
  {65.41, 98.00, 164.81, 246.94, 293.66, 392.00},
  {55.00, 82.41, 130.81, 196.00, 246.94, 329.63},
};
constexpr double kDetune = 0.0015; // between the channels, so the stereo image moves
constexpr double kVoiceGain = 0.07;
constexpr double kNoiseGain = 0.03;
constexpr double kAttack = 0.03;
constexpr double kCrossfade = 0.05;
constexpr double kRelease = 0.6;

// The residual that takes the step of a naive sawtooth's wrap out of the audible band.
double PolyBlep(double t, double dt)
{
  if (t < dt)
  {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt)
  {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

} // namespace

double DemoSignal::Saw::Next()
{
  const double v = 2.0 * phase - 1.0 - PolyBlep(phase, inc);
  phase += inc;
  if (phase >= 1.0)
    phase -= 1.0;
  return v;
}

DemoSignal::DemoSignal() : GeneratedSignal(kFrames)
{
  // Spread start phases: saws starting together add up to one sharp spike.
  for (int v = 0; v < kVoices; ++v)
  {
    mLeft[v].phase = (Noise() + 1.0) * 0.5;
    mRight[v].phase = (Noise() + 1.0) * 0.5;
  }
}

void DemoSignal::Tune(int chord)
{
  mChord = chord;
  for (int v = 0; v < kVoices; ++v)
  {
    mLeft[v].inc = kChords[chord][v] * (1.0 - kDetune) / kSampleRate;
    mRight[v].inc = kChords[chord][v] * (1.0 + kDetune) / kSampleRate;
  }
}

double DemoSignal::Noise()
{
  // xorshift32: deterministic and cheap, white in -1 .. 1.
  mSeed ^= mSeed << 13;
  mSeed ^= mSeed >> 17;
  mSeed ^= mSeed << 5;
  return static_cast<double>(mSeed) / 2147483648.0 - 1.0;
}

void DemoSignal::Next(double& left, double& right)
{
  const double t = static_cast<double>(Position()) / kSampleRate;
  const double half = static_cast<double>(kFrames) / kSampleRate / 2.0;
  const int chord = t < half ? 0 : 1;
  if (chord != mChord)
    Tune(chord);

  double l = 0.0, r = 0.0;
  for (int v = 0; v < kVoices; ++v)
  {
    l += mLeft[v].Next();
    r += mRight[v].Next();
  }

  // A dip around the chord change instead of a click, a fade at the end.
  const double end = static_cast<double>(kFrames) / kSampleRate;
  double env = std::min(1.0, t / kAttack);
  env = std::min(env, std::min(1.0, std::abs(t - half) / kCrossfade));
  env = std::min(env, std::max(0.0, (end - t) / kRelease));

  // Pink-ish noise: white through three one-pole low-passes of spread corners.
  const double white = Noise();
  mPink[0] = 0.99765 * mPink[0] + white * 0.0990460;
  mPink[1] = 0.96300 * mPink[1] + white * 0.2965164;
  mPink[2] = 0.57000 * mPink[2] + white * 1.0526913;
  const double pink = (mPink[0] + mPink[1] + mPink[2] + white * 0.1848) * 0.25;

  left = env * (kVoiceGain * l + kNoiseGain * pink);
  right = env * (kVoiceGain * r + kNoiseGain * pink);
}

} // namespace render
