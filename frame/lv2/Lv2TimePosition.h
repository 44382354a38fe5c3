#pragma once

#include <cstdint>

#include "lv2/atom/atom.h"
#include "lv2/atom/util.h"

#include "frame/ITimeInfo.h"

namespace frame::lv2 {

/** URIDs the signal path reads atoms by; zero where the host maps no URIs. */
struct TimeUrids
{
  uint32_t atomBlank = 0, atomObject = 0, atomFloat = 0, atomDouble = 0, atomInt = 0, atomLong = 0;
  uint32_t position = 0, bar = 0, barBeat = 0, beat = 0, beatUnit = 0, beatsPerBar = 0,
           beatsPerMinute = 0, frame = 0, speed = 0;
};

/** The host's transport as time:Position objects tell it, carried forward between them at
 *  the tempo and speed last told. Audio thread; no allocation. */
class TimePosition
{
public:
  /** Reads one object, all or nothing: a known key with a value that is not a finite
   *  number (or a beat unit or bar not above zero) leaves everything as it was. False for
   *  anything that is not a well-formed time:Position. Of fields that disagree, the ones
   *  that agree with time:frame and the tempo at sampleRate win. */
  bool Read(const TimeUrids& urids, const LV2_Atom* atom, uint32_t maxSize, double sampleRate);
  /** The transport moved on by nFrames at sampleRate. */
  void Advance(int nFrames, double sampleRate);
  /** The frame's view, every field of `t`: tempo and positions in quarter notes. */
  void Info(ITimeInfo& t) const;

private:
  double mBeatsPerMinute = 120.0;
  double mBeatUnit = 4.0;
  double mBeatsPerBar = 4.0;
  double mSpeed = 0.0;
  double mBeat = 0.0;      // in beat units since the start
  double mBar = 0.0;
  double mFrame = -1.0;
  bool mFrameKnown = false;
};

} // namespace frame::lv2
