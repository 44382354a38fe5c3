// How long the phaser rings after its input stops, and how it sleeps through silence.
#include <algorithm>
#include <climits>
#include <cmath>

#include "effect/trellowphaser.h"

namespace {
// A frozen loop's worst ring, in samples times its slowest stage's decay rate: the time its
// output needs to stay below -120 dBFS after a full-scale input of the worst signs (the tail
// of the sum of its impulse response's magnitudes). Measured for 4 and 8 stages, feedback
// from -99 % to 99 % in steps of 3 %, spreads and rates across the range: this is never below
// the measure, 3 % above it at 99 %, 20 % at 90 %, 40 % at 50 %.
double ringConstant(int stages, double feedback)
{
  const double f = std::min(std::fabs(feedback), 0.999);
  return stages * (10.0 + 28.0 * std::sqrt(f)) / (1.0 - f);
}

// A stage's decay per sample at u = 2 pi f / fs: its pole is (2 - u) / (2 + u), which decays
// as slowly at 4 / u as at u, so a stage far past Nyquist rings as long as a low one.
double decayRate(double u) { return u <= 2.0 ? u : 4.0 / u; }

// The sweep moves the stages while they ring, and a loop that changes as it rings is none of
// its frozen states: a quarter more covers it over the grid the tail test measures.
constexpr double kSweepMargin = 1.25;

constexpr double kFourPi = 12.566370614359172;
} // namespace

double TrellowPhaser::slowestDecay(double sweep) const
{
  const double x = (sweep * sweep - mManual) * mDepth + mManual;
  const double u = x < 0.0 ? 0.0 : (x > 1.0 ? mFreqFactor : mFreqFactor * x);
  return std::min(decayRate(u), decayRate(u * mLowestSpread));
}

void TrellowPhaser::sampleSweep()
{
  LFO probe = mLFO;
  probe.mPhaseInc = 0.0;
  for (int i = 0; i < kSweepPoints; ++i)
  {
    probe.mPhase = -0.5 * kFourPi + kFourPi * i / kSweepPoints;
    probe.update();
    mSweepPoints[0][i] = probe.mOutput[0];
    mSweepPoints[1][i] = probe.mOutput[1];
  }
}

void TrellowPhaser::updateTail()
{
  mTailIncrement = mLFO.mPhaseInc;
  mLowestSpread = std::pow(mSpreadFactor, mNumStages - 1);
  const double ring = ringConstant(mNumStages, mFeedback) * kSweepMargin;
  const double increment = std::fabs(mLFO.mPhaseInc);
  double tail;
  if (increment > 0.0 && std::isfinite(increment))
  {
    // Each stretch between two points of the sweep decays at least at the slower end's rate.
    // The ring ends once the stretches from where the input stopped have decayed it enough;
    // the tail is the longest of these times over every starting point, and never longer
    // than the loop frozen at its slowest point.
    const double stretch = kFourPi / kSweepPoints / increment * mControlInterval;
    tail = 0.0;
    double slowest = INFINITY;
    for (const auto& points : mSweepPoints)
    {
      double rates[kSweepPoints], pattern = 0.0;
      for (int i = 0; i < kSweepPoints; ++i)
      {
        const double here = slowestDecay(points[i]);
        rates[i] = std::min(here, slowestDecay(points[(i + 1) % kSweepPoints])) * stretch;
        pattern += rates[i];
        slowest = std::min(slowest, here);
      }
      if (!(pattern > 0.0))
      {
        tail = INFINITY;
        break;
      }
      const double whole = std::floor(ring / pattern);
      const double rest = ring - whole * pattern;
      // Two pointers: the stretch the rest ends in only moves on as the start does.
      int end = 0;
      double decayed = 0.0; // over the stretches from start up to end, end excluded
      for (int start = 0; start < kSweepPoints; ++start)
      {
        // Rounding can leave the rest a hair above a whole pattern's sum: a cycle at most.
        while (end - start < kSweepPoints && decayed + rates[end % kSweepPoints] < rest)
          decayed += rates[end++ % kSweepPoints];
        const double rate = rates[end % kSweepPoints];
        const double partial = rate > 0.0 ? (rest - decayed) / rate : 0.0;
        tail = std::max(tail, (whole * kSweepPoints + (end - start) + partial) * stretch);
        decayed -= rates[start];
        if (end == start)
          decayed = 0.0, ++end;
      }
    }
    tail = std::min(tail, ring / slowest);
  }
  else
    tail = ring / std::min(slowestDecay(mLFO.mOutput[0]), slowestDecay(mLFO.mOutput[1]));
  // A change is heard from the next control update on.
  tail += mControlInterval;
  SetTailSize(tail < static_cast<double>(INT_MAX - 1) ? static_cast<int>(std::ceil(tail)) : INT_MAX);
}

void TrellowPhaser::PassSilence(int64_t frames)
{
  for (int k = 0; k < kMaxStages; ++k)
    mStateL[k] = mStateR[k] = 0.0;
  if (frames <= 0)
    return;
  if (frames & 1)
    mRenormPhz = -mRenormPhz;
  if (frames <= mSamplesToUpdate)
  {
    mSamplesToUpdate -= static_cast<int>(frames);
    return;
  }
  // The updates the silence held, the last of them made in full: its coefficients are the
  // ones the rest of its interval runs with.
  const int64_t rest = frames - mSamplesToUpdate;
  const int64_t updates = (rest + mControlInterval - 1) / mControlInterval;
  mSamplesToUpdate = static_cast<int>(updates * mControlInterval - rest);
  mLFO.advance(updates - 1);
  controlUpdate();
}
