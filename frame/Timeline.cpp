#include "frame/Timeline.h"

#include <cmath>
#include <limits>

namespace frame {

namespace {
// Hosts round the position they tell (Ardour to 1/1920 of a quarter note, a few samples),
// so one point of the song reads differently from blocks that start elsewhere. An offset
// this close to a 1/64 of a quarter note is taken as that: exactly 0 for a song in one
// tempo, whatever the blocks.
constexpr double kSnapGrid = 64.0;
constexpr double kSnapReach = 1.0 / 2048.0;
// Any other offset (after a change of tempo) is kept to 2^-20 of a quarter note, below any
// host's rounding and above the arithmetic's.
constexpr double kFineGrid = 1048576.0;
// At one tempo the offset moves only by the host's rounding; a move this large is taken
// afresh (a host whose sample count stands still while the song moves on).
constexpr double kOffsetReach = 1.0 / 256.0;
// A call that starts this far (in quarter notes) from where the last one's song position
// led, and elsewhere in the sample count, is a jump. The song position alone would take a
// tempo change inside a long call for one, the sample count alone a host whose count stands.
constexpr double kSongReach = 1.0 / 64.0;

// The longest step forward (in quarter notes) that is taken for calls the host skipped.
constexpr double kLongestDropout = 0.25;

double heldOffset(double raw, bool& onGrid)
{
  const double snapped = std::floor(raw * kSnapGrid + 0.5) / kSnapGrid;
  onGrid = std::fabs(raw - snapped) <= kSnapReach;
  return onGrid ? snapped : std::floor(raw * kFineGrid + 0.5) / kFineGrid;
}
} // namespace

void Timeline::BeginCall(const ITimeInfo& call, int nFrames, double sampleRate)
{
  double position = call.mPPQPos;
  mCallTempo = call.mTempo;
  mSampleRate = sampleRate;
  mCurrentStep = mStep.load(std::memory_order_relaxed);
  // The sample and song position the last call told, told again: no news, not a start.
  const bool news = !mToldRunning || position != mToldPosition || call.mSamplePos != mToldStart;
  mToldPosition = position;
  mToldStart = call.mSamplePos;
  mToldRunning = call.mTransportIsRunning;
  mCallPosition = position;
  if (!call.mTransportIsRunning)
  {
    mCut = mShown = mContinues = mStale = false;
    return;
  }
  const double start = call.mSamplePos;
  // Whole and within 2^52, where a double holds every whole number (the test spares a call
  // to floor in every processing call).
  mCut = mCurrentStep > 0 && call.mSamplePosValid && std::fabs(start) < 4503599627370496.0 &&
         start == static_cast<double>(static_cast<int64_t>(start));
  if (!mCut)
  {
    // No position to hold the grid to: playback shows at once, as the host tells it, and a
    // position that repeats the last is left out.
    mStale = !news;
    mShown = true;
    mContinues = false;
    return;
  }
  mStale = false;
  mStart = static_cast<int64_t>(start);
  if (!news && mContinues && mStart != mNext)
  {
    // Where the last call led: the sweep runs on as if the host had moved on.
    mStart = mNext;
    position = mCallPosition = PositionAfter(mLastPosition, mLastFrames, mLastTempo, sampleRate);
  }
  // A call that continues the last on the same grid starts where that one said; only a
  // jump or a new step takes a division.
  if (mContinues && mStart == mNext && mCurrentStep == mNextStep)
    mStartInto = mNextInto;
  else
  {
    const int64_t into = mStart % mCurrentStep;
    mStartInto = into < 0 ? into + mCurrentStep : into;
  }
  const int64_t nextInto = mStartInto + nFrames;
  mNextInto = nextInto < mCurrentStep ? nextInto
              : nextInto - mCurrentStep < mCurrentStep ? nextInto - mCurrentStep
                                                       : nextInto % mCurrentStep;
  mNextStep = mCurrentStep;
  // Where the last call led in the song is worked out only when the sample count jumped. A
  // short step forward in both, as the song goes (a call the host skipped), is no jump.
  if (mContinues && mStart != mNext)
  {
    const double led = PositionAfter(mLastPosition, mLastFrames, mLastTempo, sampleRate);
    const double song = PositionAfter(mLastPosition, static_cast<double>(mStart - mLastStart), mLastTempo, sampleRate);
    const bool skipped = mStart > mNext && std::fabs(position - song) <= kSongReach && song - led <= kLongestDropout;
    if (std::fabs(position - led) > kSongReach && !skipped)
      mShown = false; // a jump, backwards or forwards: a new start
  }
  mContinues = true;
  mNext = mStart + nFrames;
  mLastPosition = position;
  mLastTempo = call.mTempo;
  mLastStart = mStart;
  mLastFrames = nFrames;
}

double Timeline::songPosition(int64_t pos)
{
  const double tempo = mCallTempo;
  const double raw = PositionAfter(mCallPosition, -static_cast<double>(mStart), tempo, mSampleRate);
  if (!(std::fabs(raw) < 1e12))
    return PositionAfter(mCallPosition, static_cast<double>(pos - mStart), tempo, mSampleRate);
  if (!mShown || !mOffsetHeld || tempo != mOffsetTempo || std::fabs(raw - mOffset) > kOffsetReach)
  {
    mOffset = heldOffset(raw, mOffsetOnGrid);
    mOffsetTempo = tempo;
    mOffsetHeld = true;
  }
  const double at = PositionAfter(mOffset, static_cast<double>(pos), tempo, mSampleRate);
  if (mShown || mOffsetOnGrid)
    return at;
  // A start after a change of tempo, where the offset is kept finer than the grid: one that
  // lies this close to a 1/64 of a quarter note is there, as in a song of one tempo, and the
  // offset is held from it (else beat 40 may read 39.9999997, a sixteenth from the beat).
  const double snapped = std::floor(at * kSnapGrid + 0.5) / kSnapGrid;
  if (!(std::fabs(at - snapped) <= kSnapReach))
    return at;
  mOffset = PositionAfter(snapped, -static_cast<double>(pos), tempo, mSampleRate);
  return snapped;
}

void Timeline::showCutPiece(int done, ITimeInfo& time)
{
  const int64_t pos = mStart + done;
  time.mSamplePos = static_cast<double>(pos);
  if (intoStep(done) == 0)
  {
    time.mPPQPos = songPosition(pos);
    time.mTransportRestarts = !mShown;
    mShown = true;
  }
  else
  {
    time.mPPQPos = std::numeric_limits<double>::quiet_NaN();
    time.mTransportRestarts = false;
  }
  time.mTransportIsRunning = mShown;
}

} // namespace frame
