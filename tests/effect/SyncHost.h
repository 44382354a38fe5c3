#pragma once

// A host for the synced sweep, driven through the frame: a tempo map, positions exact or
// rounded to 1/1920 of a quarter note, blocks of any size, and a measure of the LFO's phase
// against the song: within 1 ms from 50 ms after each event, and never a whole sixteenth off.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "support/EffectHost.h"

namespace synchost {

using Access = TrellowPhaserTestAccess;
constexpr double kFs = 48000.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kQuarterSweep = 14.0 / 19.0; // "1/4": a cycle of four sixteenths
constexpr double kCycle = 4.0;
constexpr int64_t kSettle = 2400; // 50 ms

struct Segment
{
  int64_t sample;
  double ppq, tempo;
};

/** A tempo map: the song position and tempo at every sample of the song. */
struct Song
{
  std::vector<Segment> segments;
  const Segment& at(int64_t s) const
  {
    size_t i = 0;
    while (i + 1 < segments.size() && segments[i + 1].sample <= s)
      ++i;
    return segments[i];
  }
  double ppq(int64_t s) const
  {
    const Segment& g = at(s);
    return g.ppq + static_cast<double>(s - g.sample) * g.tempo / (60.0 * kFs);
  }
  double tempo(int64_t s) const { return at(s).tempo; }
  int64_t nextChange(int64_t s) const
  {
    for (const Segment& g : segments)
      if (g.sample > s)
        return g.sample;
    return INT64_MAX;
  }
  /** The sample where the song reaches a position. */
  int64_t sampleOf(double ppq) const
  {
    size_t i = 0;
    while (i + 1 < segments.size() && segments[i + 1].ppq <= ppq)
      ++i;
    const Segment& g = segments[i];
    return g.sample + static_cast<int64_t>(std::llround((ppq - g.ppq) * 60.0 * kFs / g.tempo));
  }
};

inline Song steady(double tempo) { return {{{0, 0.0, tempo}}}; }
inline Song changeAtBar9(double to) { return {{{0, 0.0, 120.0}, {768000, 32.0, to}}}; }
/** 120 bpm to bar 9, then a ramp from `from` to `to` over two bars in steps of 10 ms, then `to`. */
inline Song ritardandoAtBar9(double from, double to)
{
  Song s{{{0, 0.0, 120.0}}};
  int64_t at = 768000;
  double ppq = 32.0;
  for (double tempo = from; ppq < 40.0; tempo -= (from - to) / 400.0)
  {
    s.segments.push_back({at, ppq, tempo});
    at += 480;
    ppq += 480.0 * tempo / (60.0 * kFs);
  }
  s.segments.push_back({at, ppq, to});
  return s;
}

/** A host: one tempo and position per call (told where it starts), calls split where the
 *  tempo changes and where a loop jumps back, as hosts make them. */
struct Host
{
  enum Blocks
  {
    k64,
    k512,
    kIrregular
  };

  Host(Song s, Blocks b, bool rounded) : song(std::move(s)), blocks(b), roundTo1920(rounded)
  {
    plug().SetParameterValue(kParamLFOSpeed, kQuarterSweep);
    plug().SetParameterValue(kParamSync, 1.0);
    in[0].assign(8192, 0.0);
    in[1].assign(8192, 0.0);
  }

  TrellowPhaser& plug() { return effect.plug(); }

  int nextSize()
  {
    if (fixedBlock > 0)
      return fixedBlock;
    if (blocks == k64)
      return 64;
    if (blocks == k512)
      return 512;
    seed = seed * 1664525u + 1013904223u;
    return 1 + static_cast<int>((seed >> 8) % 512);
  }

  /** Runs the host for a number of samples of wall time. */
  void run(int64_t samples)
  {
    while (samples > 0)
    {
      int n = static_cast<int>(std::min<int64_t>(nextSize(), samples));
      if (playing)
      {
        if (splitAtTempo)
          n = static_cast<int>(std::min<int64_t>(n, song.nextChange(pos) - pos));
        if (loopEnd > 0)
          n = static_cast<int>(std::min<int64_t>(n, loopEnd - pos));
      }
      call(n);
      samples -= n;
      if (playing && loopEnd > 0 && pos == loopEnd)
        jump(loopStart);
    }
  }

  void call(int n)
  {
    frame::ITimeInfo t;
    const int64_t told = standing ? standAt : pos;
    t.mTempo = song.tempo(tempoLate ? lastCall : told);
    if (newsIsEvent && playing && t.mTempo != lastTempo && lastTempo > 0.0)
    {
      lastEvent = wall;
      expected = -1;
    }
    lastTempo = t.mTempo;
    lastCall = told;
    // A call that ends in another tempo than it told: the host tells the news only later.
    if (newsIsEvent && playing && song.tempo(told + n - 1) != t.mTempo)
      lastEvent = wall + n;
    const double ppq = song.ppq(told);
    t.mPPQPos = roundTo1920 ? std::round(ppq * 1920.0) / 1920.0 : ppq;
    t.mSamplePos = static_cast<double>(told);
    t.mSamplePosValid = vouches;
    t.mTransportIsRunning = playing;
    t.mNumerator = t.mDenominator = 4;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < n; ++i)
        in[c][static_cast<size_t>(i)] = input ? input(pos + i, c) : 0.0;
    const double* ins[2] = {in[0].data(), in[1].data()};
    double* outs[2] = {in[0].data(), in[1].data()};
    {
      frame::AudioThreadScope audio;
      plug().SetTimeInfo(t);
      plug().ProcessBuffers(ins, 2, outs, 2, n);
    }
    if (record)
      for (int i = 0; i < n; ++i)
        for (int c = 0; c < 2; ++c)
          record->push_back(in[c][static_cast<size_t>(i)]);
    if (playing)
      pos += n;
    wall += n;
    measure();
  }

  /** Where the next control update falls, and the phase it will sweep from. */
  void measure()
  {
    if (!playing || !Access::sync(plug()))
      return;
    const int64_t ahead = Access::samplesToUpdate(plug());
    const int64_t at = pos + ahead;
    if ((loopEnd > 0 && at >= loopEnd) || wall + ahead < lastEvent + kSettle)
      return;
    const double phase = kCycle * Access::lfo(plug()).mPhase / kTwoPi;
    double e = std::fmod(phase - 4.0 * song.ppq(at), 2.0 * kCycle);
    if (e < 0.0)
      e += 2.0 * kCycle;
    const double whole = std::round(e);
    const double ms = std::fabs(e - whole) * 15.0 / song.tempo(at) * 1000.0;
    worstMs = std::max(worstMs, ms);
    const int sixteenth = static_cast<int>(whole) % static_cast<int>(2.0 * kCycle);
    if ((anchor >= 0 && sixteenth != anchor) || (anchor < 0 && expected >= 0 && sixteenth != expected))
      ++slips;
    anchor = sixteenth;
  }

  /** An event after which the sweep may take 50 ms to follow; a restart finds its own
   *  sixteenth, a tempo change keeps the one it had. */
  void event(bool restart)
  {
    lastEvent = wall;
    expected = -1;
    if (restart)
      anchor = -1;
  }
  /** A start on a sixteenth sweeps from the start of the cycle there. */
  void start(int64_t at)
  {
    playing = true;
    jump(at);
  }
  /** So does a locate or a loop's jump back onto one. */
  void jump(int64_t at)
  {
    pos = at;
    event(true);
    const double p = 4.0 * song.ppq(at);
    const int n = static_cast<int>(2.0 * kCycle);
    expected = p == std::floor(p) ? ((static_cast<int>(-kCycle - p) % n) + n) % n : -1;
  }
  /** A dropout: the host skips a call, and the song goes on without it. */
  void skip(int n)
  {
    pos += n;
    wall += n;
    event(false);
  }
  /** From here the host repeats this call's sample and song position while it says it plays;
   *  the sweep is held to the song as if it went on. */
  void stand()
  {
    standing = true;
    standAt = pos;
  }

  EffectHost<> effect{kFs, 512};
  Song song;
  Blocks blocks;
  bool roundTo1920;
  uint32_t seed = 1;
  int fixedBlock = 0;       // every call this long
  bool splitAtTempo = true; // calls end where the tempo changes
  bool tempoLate = false;   // the tempo told is the one the last call started in
  bool newsIsEvent = false; // a call that tells a new tempo is an event
  bool vouches = true;      // the host vouches for its sample position
  bool standing = false;
  int64_t standAt = 0, lastCall = 0;
  double lastTempo = 0.0;
  int64_t pos = 0, wall = 0, lastEvent = 0, loopStart = 0, loopEnd = 0;
  bool playing = false;
  double (*input)(int64_t, int) = nullptr;
  std::vector<double>* record = nullptr;
  std::vector<double> in[2];
  double worstMs = 0.0;
  int anchor = -1, expected = -1, slips = 0;
};

inline double noiseAt(int64_t i, int c)
{
  uint64_t x = static_cast<uint64_t>(i) * 2 + static_cast<uint64_t>(c) + 0x9e3779b97f4a7c15u;
  x ^= x >> 31;
  x *= 0xbf58476d1ce4e5b9u;
  x ^= x >> 29;
  return static_cast<double>(x >> 11) * (1.0 / 9007199254740992.0) - 0.5;
}

} // namespace synchost
