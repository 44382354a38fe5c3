#include <climits>
#include <cmath>
#include <cstring>
#include <type_traits>

#include <emmintrin.h>

#include "effect/trellowphaser.h"

namespace {
// Both channels travel together, one per lane: they run exactly the same operations, and
// IEEE arithmetic on a lane gives the same bits as on a scalar.
typedef double v2d __attribute__((vector_size(16)));

inline v2d splat(double v) { return v2d{v, v}; }

// The pair of samples at i as doubles. 32-bit samples are loaded whole and widened together
// (exactly, as one by one): a widening load into a register keeps the register's old value
// as an input, which would tie each frame to the last.
inline v2d loadPair(const double* left, const double* right, int i) { return v2d{left[i], right[i]}; }
inline v2d loadPair(const float* left, const float* right, int i)
{
  return reinterpret_cast<v2d>(_mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i))));
}
// Two 32-bit samples in the low half; a host's buffer need not be aligned for a double.
inline __m128 loadTwo(const float* at)
{
  double both;
  std::memcpy(&both, at, sizeof both);
  return _mm_castpd_ps(_mm_set_sd(both));
}
// Rounded to nearest together where the host takes 32-bit samples, as one by one.
inline void storePair(v2d pair, double* left, double* right, int i)
{
  left[i] = pair[0];
  right[i] = pair[1];
}
inline void storePair(v2d pair, float* left, float* right, int i)
{
  const __m128 narrow = _mm_cvtpd_ps(reinterpret_cast<__m128d>(pair));
  _mm_store_ss(left + i, narrow);
  _mm_store_ss(right + i, _mm_shuffle_ps(narrow, narrow, 1));
}

// The rate the filters are computed for; a host that announces no usable rate gets the
// frame's default rather than infinite coefficients.
double usableRate(double fs) { return (std::isfinite(fs) && fs > 0.0) ? fs : 48000.0; }

// A stage state this far out is no operating point of a stable loop (a full-scale sine at the
// loop's resonance keeps them near 110): the channel is cleared at the next control update,
// as it is for a non-finite state, which a non-finite input sample leaves for good.
constexpr double kStateBound = 1e6;

// Silence leaves the stage states at the offset's residue, around 1e-13 and never above 1e-10
// even at full feedback; anything from a signal that is still below this is far out of hearing.
constexpr double kResidueBound = 1e-9;

// Host positions are taken at every this many control updates of the timeline, wherever the
// host's blocks fall, and the playback starts with the first of them.
constexpr int kUpdatesPerSyncStep = 4;

constexpr double kTwoPi = 6.283185307179586;

// The highest first-stage u = 2pi f / fs, just below half the sample rate (pi): a break
// frequency past it means nothing to a sampled filter. Above 32 kHz the top frequency,
// 16 kHz, stays below it, so only lower rates are held to it.
constexpr double kHighestStageU = 0.999 * 3.141592653589793;

// The largest pull toward the host, in sixteenths: any larger one is the sweep running ahead.
constexpr double kLargestPull = 15.0 / 16.0;
// The largest lead taken back, in sixteenths: a tempo drop inside the longest call leaves less.
constexpr double kLargestLead = 0.5;
// Far above the rounding of a few increments, far below anything audible (radians).
constexpr double kHair = 1e-9;

// A host tempo this close (relative) to its three decimals is them, up to the arithmetic.
constexpr double kTempoSlack = 1e-9;

bool onlyResidue(const double (&states)[TrellowPhaser::kMaxStages])
{
  bool quiet = true;
  for (double s : states)
    quiet = quiet && std::fabs(s) < kResidueBound;
  return quiet;
}

void clearIfRunaway(double (&states)[TrellowPhaser::kMaxStages])
{
  bool sane = true;
  for (double s : states)
    sane = sane && std::fabs(s) <= kStateBound; // false for NaN too
  if (!sane)
    for (double& s : states)
      s = 0.0;
}

// A feedback change is heard at once, the normalisation it needs only from the next control
// update. Until then the loop is solved with the old normalisation, which is the exact
// solution of a loop with another feedback factor: fb * norm / (1 - fb * gain * norm). Below
// 1 in magnitude that loop is stable, and the interval sounds like it, as every automation
// always has. At 1 or beyond the states grow without bound within a few intervals (a
// feedback switched between its extremes reached infinity in under a second), so the
// normalisation is solved for the new feedback at once.
constexpr double kStableLoopFactor = 1.0;
} // namespace

void TrellowPhaser::setFeedback(double feedback)
{
  mFeedback = feedback;
  const double gains[2] = {mGainL, mGainR};
  double* norms[2] = {&mNormL, &mNormR};
  for (int c = 0; c < 2; ++c)
  {
    const double norm = *norms[c];
    const double effective = feedback * norm / (1.0 - feedback * gains[c] * norm);
    if (!(std::fabs(effective) < kStableLoopFactor))
      *norms[c] = 1.0 / (gains[c] * feedback + 1.0);
  }
}

void TrellowPhaser::OnReset()
{
  const double fs = usableRate(GetSampleRate());
  // About a millisecond; below 1000 Hz every sample is a control update, so the block loop
  // always advances.
  const int samples = fs < static_cast<double>(INT_MAX) ? static_cast<int>(fs) : INT_MAX;
  mControlInterval = samples / 1000 > 0 ? samples / 1000 : 1;
  mSamplesToUpdate = 0;
  // A multiple of the control interval: a start on the grid puts every control update of the
  // playback on the timeline's own multiples of the interval.
  SetTimelineGrid(kUpdatesPerSyncStep * mControlInterval);
  mLFO.setSampleRate(fs, mControlInterval);
  mLockRate = -1;
  mFreqFactor = kTwoPiTopFrequency / fs;

  for (int k = 0; k < kMaxStages; ++k)
  {
    mCoefL[k] = mCoefR[k] = 0.0;
    mStateL[k] = mStateR[k] = 0.0;
  }
  mGainL = mGainR = 0.0;
  mNormL = mNormR = 0.0;
  updateTail();
}

void TrellowPhaser::handleSync2Host()
{
  const frame::ITimeInfo& timeInfo = GetTimeInfo();
  const bool running = timeInfo.mTransportIsRunning;
  // A start waits for a block that tells where in the song it is (the frame tells it on its
  // grid), so the sweep and its control schedule start there, on the song.
  const bool placed = std::isfinite(timeInfo.mPPQPos);
  bool takingBack = false;
  if (running && placed && (!mTransportWasRunning || timeInfo.mTransportRestarts))
  {
    mTransportWasRunning = true;
    restartSweep(timeInfo);
  }
  else
  {
    if (!running)
      mTransportWasRunning = false;
    // Without a position to follow, a block changes only the increment, which depends on the
    // tempo, the note value and the update rate alone: the frame's grid leaves most blocks
    // so, and they need not work it out again.
    const SyncedIncrement key{timeInfo.mTempo, mLFO.mUpdateRate, mLFO.mSyncRateIndex, mLFO.mPhaseInc};
    if ((!running || !placed) && key == mSyncedIncrement)
      return;
    takingBack = followHost(timeInfo);
  }
  // The law counts the tempo to three decimals; a host tempo finer than that (133.3335 bpm)
  // would let the sweep run ahead of the song, which the law never takes back.
  const double tempo = timeInfo.mTempo;
  const double counted = std::round(tempo * 1000.0) * 0.001;
  if (tempo > 0.0 && counted > 0.0 && std::isfinite(tempo) && std::fabs(tempo - counted) > kTempoSlack * tempo)
    mLFO.mPhaseInc = mLFO.mPhaseInc * (tempo / counted);
  // An increment that takes a lead back is worked out again in the next block; the tail
  // follows the song's own rate, not the brief correction.
  mSyncedIncrement = {tempo, mLFO.mUpdateRate, mLFO.mSyncRateIndex, takingBack ? NAN : mLFO.mPhaseInc};
  if (!takingBack && mLFO.mPhaseInc != mTailIncrement)
    updateTail();
}

bool TrellowPhaser::followHost(const frame::ITimeInfo& timeInfo)
{
  // The law pulls the phase forward to the host's fraction of the sixteenth it is in; a pull
  // of nearly a whole sixteenth is the sweep a hair ahead, not taken. A sweep a hair ahead is
  // set back to the song's place: the phase at every told position then depends on the song
  // alone, so sweeps that started at different points (an export's pre-roll) meet to the bit.
  LFO pulled = mLFO;
  const double from = mLFO.mPhase - kHair;
  pulled.mPhase = from;
  pulled.synchronize(&timeInfo);
  mLFO.mPhaseInc = pulled.mPhaseInc;
  if (!timeInfo.mTransportIsRunning || !std::isfinite(timeInfo.mPPQPos))
    return false;
  // The song's place where the next control update sweeps from the phase (now, on the grid).
  const double position =
    frame::PositionAfter(timeInfo.mPPQPos, mSamplesToUpdate, timeInfo.mTempo, mLFO.mSampleRate);
  // The law cannot tell a sweep ahead (a tempo drop told a call late) from one nearly a
  // sixteenth behind, and off the grid (after a skipped call) puts it where the song was.
  // Within half a sixteenth of where the song took the last lock the sweep strayed; further
  // off, the host moved (a locate it did not mark): the law's.
  if (mLockRate == mLFO.mSyncRateIndex)
  {
    const double cycle = mLFO.syncedCycle();
    const double song = LFO::wrapped(mLockPhase + (position - mLockPosition) * 4.0 * kTwoPi / cycle);
    const double ahead = LFO::wrapped(mLFO.mPhase - song);
    if (std::fabs(ahead) > kHair && std::fabs(ahead) * cycle <= kLargestLead * kTwoPi)
    {
      // A lead is taken back over this block's updates, at most standing still: no step,
      // and never backwards.
      const int updates = (mBlockFrames - mSamplesToUpdate + mControlInterval - 1) / mControlInterval;
      lockAt(song, position);
      if (ahead < 0.0)
        mLFO.mPhase = song;
      else if (updates > 0)
        mLFO.mPhaseInc = ahead / updates < mLFO.mPhaseInc ? mLFO.mPhaseInc - ahead / updates : 0.0;
      return ahead > 0.0 && updates > 0;
    }
  }
  if (pulled.mPhase != from)
  {
    double pull = pulled.mPhase - mLFO.mPhase;
    if (pull < -kHair)
      pull += 2.0 * kTwoPi;
    if (pull * mLFO.syncedCycle() <= kLargestPull * kTwoPi)
      mLFO.mPhase = pulled.mPhase;
  }
  lockAt(mLFO.mPhase, position);
  return false;
}

void TrellowPhaser::restartSweep(const frame::ITimeInfo& timeInfo)
{
  // From the start of the cycle, then on to the song's fraction of the sixteenth it starts
  // in: a start between two sixteenths sweeps from where the song is, not 50 ms behind it.
  mLFO.reset();
  mLFO.synchronize(&timeInfo);
  lockAt(mLFO.mPhase, timeInfo.mPPQPos);
  // The control schedule restarts with it: otherwise the first update falls anywhere in the
  // interval, wherever the blocks before playback left it, and two renders of one session
  // differ.
  mSamplesToUpdate = 0;
  // A filter that heard only silence before the start begins from nothing too, with the
  // offset's signs restarted: the residue would otherwise depend on how long the host ran
  // the instance before, down in the last bits of a quiet first sample.
  if (onlyResidue(mStateL) && onlyResidue(mStateR))
  {
    for (int k = 0; k < kMaxStages; ++k)
      mStateL[k] = mStateR[k] = 0.0;
    mRenormPhz = kRenormOffset;
  }
}

void TrellowPhaser::controlUpdate()
{
  mLFO.update();
  const int stages = mNumStages;
  mActiveStages = stages;

  // x is the squared sweep blended with the manual frequency as a fraction of 16 kHz;
  // u = 2pi f / fs of the first stage, each further stage mSpreadFactor below the last.
  const v2d sweep{mLFO.mOutput[0], mLFO.mOutput[1]};
  const v2d manual = splat(mManual);
  const v2d x = sweepFraction(sweep, manual, splat(mDepth));
  v2d u;
  for (int c = 0; c < 2; ++c)
  {
    u[c] = x[c] < 0.0 ? 0.0 : (x[c] > 1.0 ? mFreqFactor : mFreqFactor * x[c]);
    if (u[c] > kHighestStageU)
      u[c] = kHighestStageU;
  }

  // Bilinear all-pass coefficient a = (u - 2) / (u + 2), in the order that fixes its bits.
  const v2d spread = splat(mSpreadFactor);
  v2d gain = splat(1.0);
  for (int k = 0; k < stages; ++k)
  {
    const v2d a = (u + splat(-2.0)) * (splat(1.0) / (u + splat(2.0)));
    mCoefL[k] = a[0];
    mCoefR[k] = a[1];
    gain = a * gain;
    u = u * spread;
  }
  const v2d norm = splat(1.0) / (gain * splat(mFeedback) + splat(1.0));
  mGainL = gain[0];
  mGainR = gain[1];
  mNormL = norm[0];
  mNormR = norm[1];

  clearIfRunaway(mStateL);
  clearIfRunaway(mStateR);
}

bool TrellowPhaser::RingIsOver() const { return onlyResidue(mStateL) && onlyResidue(mStateR); }

void TrellowPhaser::OnBypassEnded()
{
  clearIfRunaway(mStateL);
  clearIfRunaway(mStateR);
}

template <int kStages, typename T>
void TrellowPhaser::processRun(const T* inL, const T* inR, T* outL, T* outR, int nFrames)
{
  v2d a[kStages], s[kStages];
#pragma GCC unroll 8
  for (int k = 0; k < kStages; ++k)
  {
    a[k] = v2d{mCoefL[k], mCoefR[k]};
    s[k] = v2d{mStateL[k], mStateR[k]};
  }
  const v2d gain{mGainL, mGainR};
  const v2d norm{mNormL, mNormR};
  const v2d feedback = splat(mFeedback);
  const v2d wet = splat(mWetGain);
  const v2d dry = splat(mDryGain);
  double r = mRenormPhz;

  // One frame; inputs are read before outputs are written, so the buffers may alias.
  auto frame = [&](v2d input) {
    // The offset keeps the states far from denormals; left and right share its sign.
    r = -r;
    const v2d offset = splat(r);
#pragma GCC unroll 8
    for (int k = 0; k < kStages; ++k)
      s[k] = s[k] + offset;
    const v2d x = input + offset;

    // The chain's output for zero input, from its states (Horner order).
    v2d sum = s[0];
#pragma GCC unroll 8
    for (int k = 1; k < kStages; ++k)
      sum = sum * a[k] + s[k];

    // Zero-delay feedback solved exactly: y is the chain's output for input x - fb * y.
    const v2d y = (gain * x + sum) * norm;

    // Run the chain on that input to advance the states (transposed direct form).
    v2d v = x - feedback * y;
#pragma GCC unroll 8
    for (int k = 0; k < kStages; ++k)
    {
      const v2d t = v * a[k] + s[k];
      s[k] = v - a[k] * t;
      v = t;
    }
    return y * wet + x * dry;
  };

  int i = 0;
  if constexpr (std::is_same_v<T, float>)
  {
    // Two frames a step: their 32-bit samples are converted four at a time, which costs the
    // host's format next to nothing over 64-bit buffers. The same operations, in the same
    // order, as frame by frame.
    for (; i + 2 <= nFrames; i += 2)
    {
      const __m128 left = loadTwo(inL + i);
      const __m128 right = loadTwo(inR + i);
      const __m128 pairs = _mm_unpacklo_ps(left, right);
      const v2d first = frame(reinterpret_cast<v2d>(_mm_cvtps_pd(pairs)));
      const v2d second = frame(reinterpret_cast<v2d>(_mm_cvtps_pd(_mm_movehl_ps(pairs, pairs))));
      const __m128 out = _mm_movelh_ps(_mm_cvtpd_ps(reinterpret_cast<__m128d>(first)),
                                       _mm_cvtpd_ps(reinterpret_cast<__m128d>(second)));
      const __m128 byChannel = _mm_shuffle_ps(out, out, _MM_SHUFFLE(3, 1, 2, 0));
      _mm_storel_pi(reinterpret_cast<__m64*>(outL + i), byChannel);
      _mm_storeh_pi(reinterpret_cast<__m64*>(outR + i), byChannel);
    }
  }
  for (; i < nFrames; ++i)
    storePair(frame(loadPair(inL, inR, i)), outL, outR, i);

#pragma GCC unroll 8
  for (int k = 0; k < kStages; ++k)
  {
    mStateL[k] = s[k][0];
    mStateR[k] = s[k][1];
  }
  mRenormPhz = r;
}

void TrellowPhaser::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  processBlock<double>(inputs[0], inputs[1], outputs[0], outputs[1], nFrames);
}

bool TrellowPhaser::ProcessBlockDirect(const float* const* inputs, float* const* outputs, int nFrames)
{
  processBlock<float>(inputs[0], inputs[1], outputs[0], outputs[1], nFrames);
  return true;
}

template <typename T>
void TrellowPhaser::processBlock(const T* inL, const T* inR, T* outL, T* outR, int nFrames)
{
  mBlockFrames = nFrames;
  if (mSync)
    handleSync2Host();

  // Control updates fall every mControlInterval samples counted from the last reset,
  // whatever the block boundaries.
  int remaining = nFrames;
  int i = 0;
  while (remaining > 0)
  {
    int n;
    if (mSamplesToUpdate > 0)
    {
      n = mSamplesToUpdate < remaining ? mSamplesToUpdate : remaining;
      mSamplesToUpdate = mSamplesToUpdate < remaining ? 0 : mSamplesToUpdate - remaining;
    }
    else
    {
      controlUpdate();
      n = mControlInterval;
      if (n > remaining)
      {
        mSamplesToUpdate = n - remaining;
        n = remaining;
      }
    }
    remaining -= n;
    if (mActiveStages == 8)
      processRun<8>(inL + i, inR + i, outL + i, outR + i, n);
    else
      processRun<4>(inL + i, inR + i, outL + i, outR + i, n);
    i += n;
  }
}
