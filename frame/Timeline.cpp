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

double heldOffset(double raw)
{
  const double snapped = std::floor(raw * kSnapGrid + 0.5) / kSnapGrid;
  return std::fabs(raw - snapped) <= kSnapReach ? snapped : std::floor(raw * kFineGrid + 0.5) / kFineGrid;
}
} // namespace

void Timeline::BeginCall(const ITimeInfo& call, int nFrames, double sampleRate)
{
  mCallPosition = call.mPPQPos;
  mCallTempo = call.mTempo;
  mSampleRate = sampleRate;
  mCurrentStep = mStep.load(std::memory_order_relaxed);
  if (!call.mTransportIsRunning)
  {
    mCut = mShown = mContinues = false;
    return;
  }
  const double start = call.mSamplePos;
  // Whole and within 2^52, where a double holds every whole number (the test spares a call
  // to floor in every processing call).
  mCut = mCurrentStep > 0 && call.mSamplePosValid && std::fabs(start) < 4503599627370496.0 &&
         start == static_cast<double>(static_cast<int64_t>(start));
  if (!mCut)
  {
    // No position to hold the grid to: playback shows at once, as the host tells it.
    mShown = true;
    mContinues = false;
    return;
  }
  mStart = static_cast<int64_t>(start);
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
  // Where the last call led in the song is worked out only when the sample count jumped.
  if (mContinues && mStart != mNext &&
      std::fabs(call.mPPQPos - PositionAfter(mLastPosition, mLastFrames, mLastTempo, sampleRate)) > kSongReach)
    mShown = false; // a jump, backwards or forwards: a new start
  mContinues = true;
  mNext = mStart + nFrames;
  mLastPosition = call.mPPQPos;
  mLastTempo = call.mTempo;
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
    mOffset = heldOffset(raw);
    mOffsetTempo = tempo;
    mOffsetHeld = true;
  }
  return PositionAfter(mOffset, static_cast<double>(pos), tempo, mSampleRate);
}

void Timeline::ShowPiece(int done, ITimeInfo& time)
{
  if (!mCut)
    return;
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
