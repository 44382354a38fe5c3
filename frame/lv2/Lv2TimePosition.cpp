#include "frame/lv2/Lv2TimePosition.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace frame::lv2 {

namespace {
// How near (in beats) a told position must come to where the frame and tempo put it to agree:
// above a host's rounding, below a sixteenth.
constexpr double kAgree = 1.0 / 64.0;

bool numberOf(const TimeUrids& u, const LV2_Atom* value, uint32_t avail, double& out)
{
  if (value->size > avail)
    return false;
  const void* body = value + 1;
  if (value->type == u.atomFloat && value->size >= sizeof(float))
  {
    float f;
    std::memcpy(&f, body, sizeof f);
    out = f;
  }
  else if (value->type == u.atomDouble && value->size >= sizeof(double))
    std::memcpy(&out, body, sizeof out);
  else if (value->type == u.atomInt && value->size >= sizeof(int32_t))
  {
    int32_t i;
    std::memcpy(&i, body, sizeof i);
    out = i;
  }
  else if (value->type == u.atomLong && value->size >= sizeof(int64_t))
  {
    int64_t l;
    std::memcpy(&l, body, sizeof l);
    out = static_cast<double>(l);
  }
  else
    return false;
  return std::isfinite(out);
}
} // namespace

bool TimePosition::Read(const TimeUrids& u, const LV2_Atom* atom, uint32_t maxSize, double sampleRate)
{
  if (!u.position || atom->size > maxSize || atom->size < sizeof(LV2_Atom_Object_Body) ||
      (atom->type != u.atomObject && atom->type != u.atomBlank))
    return false;
  const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(atom);
  if (obj->body.otype != u.position)
    return false;

  TimePosition next = *this;
  double beat = NAN, barBeat = NAN;
  const auto* base = reinterpret_cast<const uint8_t*>(&obj->body);
  uint32_t offset = sizeof(LV2_Atom_Object_Body);
  while (offset < atom->size)
  {
    constexpr uint32_t kHead = sizeof(LV2_Atom_Property_Body);
    if (atom->size - offset < kHead)
      return false;
    const auto* prop = reinterpret_cast<const LV2_Atom_Property_Body*>(base + offset);
    const uint32_t avail = atom->size - offset - kHead;
    double v = 0.0;
    const uint32_t key = prop->key;
    const bool known = key == u.beatsPerMinute || key == u.speed || key == u.beat || key == u.barBeat ||
                       key == u.bar || key == u.beatUnit || key == u.beatsPerBar || key == u.frame;
    if (known)
    {
      if (!numberOf(u, &prop->value, avail, v))
        return false;
      if (key == u.beatsPerMinute)
        next.mBeatsPerMinute = v;
      else if (key == u.speed)
        next.mSpeed = v;
      else if (key == u.beat)
        beat = v;
      else if (key == u.barBeat)
        barBeat = v;
      else if (key == u.bar)
        next.mBar = v;
      else if (key == u.beatUnit)
        next.mBeatUnit = v;
      else if (key == u.beatsPerBar)
        next.mBeatsPerBar = v;
      else
      {
        next.mFrame = v;
        next.mFrameKnown = true;
      }
    }
    else if (prop->value.size > avail)
      return false;
    offset += kHead + lv2_atom_pad_size(prop->value.size);
  }
  // A tempo not above zero is passed on as the other formats pass it (the sweep then runs at
  // 120 bpm) and the position kept; a signature that is no signature still drops it all.
  if (next.mBeatUnit <= 0.0 || next.mBeatsPerBar <= 0.0)
    return false;
  // Hosts tell the bar and the beat in it, the beat since the start, or both.
  const double sinceStart = beat;
  const double inBar = std::isnan(barBeat) ? NAN : next.mBar * next.mBeatsPerBar + barBeat;
  const double told = !std::isnan(sinceStart) ? sinceStart : inBar;
  next.mBeat = std::isnan(told) ? next.mBeat : told;
  // Some hosts get those fields wrong and only time:frame right (one counts time:beat from 1
  // within the bar and tells time:barBeat as the whole beats before it, once a beat). The
  // frame and the tempo say where the song is: where the last position led if the frame
  // goes on from it, else at the tempo from the frame's start. A field that agrees with that
  // is taken; whole beats just below it are that position told in whole beats; anything else
  // is the host's word (a locate, a tempo change it told late).
  double expected = NAN;
  if (next.mFrameKnown && mFrameKnown && mSpeed == 1.0 && next.mFrame == mFrame)
    expected = mBeat;
  else if (next.mFrameKnown && sampleRate > 0.0 && next.mBeatsPerMinute > 0.0)
    expected = next.mFrame * next.mBeatsPerMinute / (60.0 * sampleRate);
  if (!std::isnan(expected) && !(std::fabs(told - expected) <= kAgree))
  {
    const double whole = barBeat + beat - 1.0;
    if (std::fabs(inBar - expected) <= kAgree)
      next.mBeat = inBar;
    else if (whole == std::floor(whole) && barBeat == std::floor(barBeat) && whole <= expected && expected < whole + 1.0)
      next.mBeat = expected;
  }
  *this = next;
  return true;
}

void TimePosition::Advance(int nFrames, double sampleRate)
{
  if (mFrame >= 0.0)
    mFrame += nFrames * mSpeed;
  // Without a tempo the beat stands, as the frame holds it within a call.
  mBeat = PositionAfter(mBeat, nFrames * mSpeed, mBeatsPerMinute, sampleRate);
}

void TimePosition::Info(ITimeInfo& t) const
{
  const double quarters = 4.0 / mBeatUnit;
  t.mTempo = mBeatsPerMinute * quarters;
  t.mPPQPos = mBeat * quarters;
  t.mLastBar = std::floor(mBeat / mBeatsPerBar) * mBeatsPerBar * quarters;
  t.mSamplePos = mFrame;
  // Only a timeline that moves one frame a frame can be cut into a grid of it.
  t.mSamplePosValid = mFrameKnown && mSpeed == 1.0;
  // Clamped first: converting a double beyond the int range is undefined.
  t.mNumerator = static_cast<int>(std::min(mBeatsPerBar, 1e6));
  t.mDenominator = static_cast<int>(std::min(mBeatUnit, 1e6));
  t.mTransportIsRunning = mSpeed != 0.0;
  t.mTransportLoopEnabled = false;
  t.mCycleStart = t.mCycleEnd = -1.0;
  t.mTransportRestarts = false;
}

} // namespace frame::lv2
