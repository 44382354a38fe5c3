#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

#include "frame/ITimeInfo.h"

namespace frame {

/** Cuts processing calls at a fixed grid of the host's timeline while the transport plays
 *  from a known sample position, and tells the song position only to pieces that start on
 *  the grid (the others see a NaN). A plug-in that follows the position only where a block
 *  starts then sounds the same whatever blocks the host makes.
 *
 *  Playback shows from the first grid point after it starts, and so does a jump of the song
 *  position (a call that does not start where the last one ended, in the sample count and
 *  in the song), marked as a restart. The
 *  song's offset against the sample count is held while the tempo holds, so a host that
 *  rounds the position it tells per block moves nothing. A call that tells the sample and
 *  song position of the last again brings no news (a transport that stands, a context the
 *  host left out): it continues the last. Audio thread, except SetStep. */
class Timeline
{
public:
  /** Every `frames` samples of the timeline (0: never). Any thread. */
  void SetStep(int frames) { mStep.store(frames > 0 ? frames : 0, std::memory_order_relaxed); }

  /** A processing call of nFrames begins, with the time the host told for its start. */
  void BeginCall(const ITimeInfo& call, int nFrames, double sampleRate);
  /** Frames of the piece that begins `done` frames into the call: up to n, cut at the grid. */
  int PieceLength(int done, int n) const
  {
    if (!mCut)
      return n;
    const int64_t left = mCurrentStep - intoStep(done);
    return n <= left ? n : static_cast<int>(left);
  }
  /** Writes the time of that piece into `time`, which holds the call's time as BeginCall
   *  took it or as the last piece left it; a call that is not cut keeps it but for the song
   *  position, which only its first piece is told, and only if it is news. */
  void ShowPiece(int done, ITimeInfo& time)
  {
    if (mCut)
      showCutPiece(done, time);
    else if (mStale || done > 0)
      time.mPPQPos = std::numeric_limits<double>::quiet_NaN();
  }

private:
  // How far into its step the call's frame `done` is. The call's own start is divided once;
  // its later pieces begin on the grid, so no division follows unless a piece runs past a step.
  int64_t intoStep(int done) const
  {
    const int64_t into = mStartInto + done;
    return into < mCurrentStep ? into : into % mCurrentStep;
  }
  double songPosition(int64_t pos);
  void showCutPiece(int done, ITimeInfo& time);

  std::atomic<int> mStep{0};
  double mCallPosition = 0.0; // the song position and tempo the host told for the call
  double mCallTempo = 0.0;
  double mSampleRate = 0.0;
  int64_t mStart = 0;         // the call's first sample
  int64_t mStartInto = 0;     // how far into its step that sample is
  int64_t mCurrentStep = 0;   // the step this call is cut at
  bool mCut = false;          // this call is cut at the grid
  bool mShown = false;        // playback since its last start has been shown
  bool mContinues = false;    // a call that starts at mNext continues the playback
  int64_t mNext = 0;          // where a call continuing this one starts, in samples
  int64_t mNextInto = 0;      // and how far into the step mNextStep that is
  int64_t mNextStep = 0;
  double mLastPosition = 0.0; // the song position, tempo, start and length of that call
  double mLastTempo = 0.0;
  int64_t mLastStart = 0;
  int mLastFrames = 0;
  double mToldPosition = 0.0; // the sample and song position the host told for it
  double mToldStart = 0.0;
  bool mToldRunning = false;
  bool mStale = false;        // an uncut call whose host told nothing new
  bool mOffsetHeld = false;   // mOffset holds for the tempo mOffsetTempo
  bool mOffsetOnGrid = false; // on the 1/64 grid, where a song in one tempo has it
  double mOffset = 0.0;       // the song position at the timeline's sample 0, at that tempo
  double mOffsetTempo = 0.0;
};

} // namespace frame
