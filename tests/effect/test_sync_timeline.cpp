// The synced sweep against the song, driven through the frame as hosts drive it: a tempo map,
// positions exact or rounded to 1/1920 of a quarter note, blocks of 64, 512 or any size, and
// the moves a producer makes (tempo changes, locates, loops, odd tempi, sync switched on
// mid-play, starts off the grid, and exports back to back with no call in between).
// The LFO's phase must stay on the song's sixteenth fraction: within 1 ms from 50 ms after
// each event, and never a whole sixteenth off.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

using Access = TrellowPhaserTestAccess;

namespace {
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

Song steady(double tempo) { return {{{0, 0.0, tempo}}}; }
Song changeAtBar9(double to) { return {{{0, 0.0, 120.0}, {768000, 32.0, to}}}; }

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
    in[0].assign(4096, 0.0);
    in[1].assign(4096, 0.0);
  }

  TrellowPhaser& plug() { return effect.plug(); }

  int nextSize()
  {
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
    t.mTempo = song.tempo(pos);
    const double ppq = song.ppq(pos);
    t.mPPQPos = roundTo1920 ? std::round(ppq * 1920.0) / 1920.0 : ppq;
    t.mSamplePos = static_cast<double>(pos);
    t.mSamplePosValid = true;
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
    pos = at;
    playing = true;
    event(true);
    const double p = 4.0 * song.ppq(at);
    const int n = static_cast<int>(2.0 * kCycle);
    expected = p == std::floor(p) ? ((static_cast<int>(-kCycle - p) % n) + n) % n : -1;
  }
  void jump(int64_t at)
  {
    pos = at;
    event(true);
  }

  EffectHost<> effect{kFs, 512};
  Song song;
  Blocks blocks;
  bool roundTo1920;
  uint32_t seed = 1;
  int64_t pos = 0, wall = 0, lastEvent = 0, loopStart = 0, loopEnd = 0;
  bool playing = false;
  double (*input)(int64_t, int) = nullptr;
  std::vector<double>* record = nullptr;
  std::vector<double> in[2];
  double worstMs = 0.0;
  int anchor = -1, expected = -1, slips = 0;
};

double noiseAt(int64_t i, int c)
{
  uint64_t x = static_cast<uint64_t>(i) * 2 + static_cast<uint64_t>(c) + 0x9e3779b97f4a7c15u;
  x ^= x >> 31;
  x *= 0xbf58476d1ce4e5b9u;
  x ^= x >> 29;
  return static_cast<double>(x >> 11) * (1.0 / 9007199254740992.0) - 0.5;
}

struct Case
{
  const char* name;
  void (*play)(Host&);
  Song song;
};

const Case kCases[] = {
  {"tempo 120 -> 100 at bar 9", [](Host& h) { h.start(0); h.run(768000); h.event(false); h.run(20 * 48000); },
   changeAtBar9(100.0)},
  {"tempo 120 -> 180 at bar 9", [](Host& h) { h.start(0); h.run(768000); h.event(false); h.run(20 * 48000); },
   changeAtBar9(180.0)},
  {"locate into another tempo", [](Host& h) {
     h.start(0);
     h.run(96000);
     h.jump(h.song.sampleOf(41.37));
     h.run(10 * 48000);
   }, changeAtBar9(100.0)},
  {"two-bar loop at 97.5 bpm", [](Host& h) {
     h.loopEnd = h.song.sampleOf(8.0);
     h.start(0);
     h.run(60 * 48000);
   }, steady(97.5)},
  {"5 minutes at 133.3335 bpm", [](Host& h) { h.start(0); h.run(300 * 48000); }, steady(133.3335)},
  {"sync switched on mid-play", [](Host& h) {
     h.plug().SetParameterValue(kParamSync, 0.0);
     h.start(0);
     h.run(113850); // just before a sixteenth, off the grid
     h.plug().SetParameterValue(kParamSync, 1.0);
     h.event(true);
     h.run(10 * 48000);
   }, steady(120.0)},
  {"start off the grid", [](Host& h) {
     h.pos = 101819; // just before a sixteenth, off the grid
     h.run(5000);
     h.start(101819);
     h.run(10 * 48000);
   }, steady(120.0)},
};
} // namespace

TEST(SyncTimeline, TheSweepStaysOnTheSongThroughEveryMove)
{
  for (const Case& c : kCases)
    for (Host::Blocks blocks : {Host::k64, Host::k512, Host::kIrregular})
      for (bool rounded : {false, true})
      {
        Host h(c.song, blocks, rounded);
        c.play(h);
        const char* blockText[] = {"64", "512", "irregular"};
        SCOPED_TRACE(std::string(c.name) + ", blocks of " + blockText[blocks] + (rounded ? ", rounded" : ", exact"));
        EXPECT_EQ(h.slips, 0);
        EXPECT_LE(h.worstMs, 1.0);
      }
}

TEST(SyncTimeline, ExportsBackToBackWithNoCallBetweenSoundTheSame)
{
  // A host that never runs the plug-in while stopped: the first export's first call says
  // "not playing", every later one starts "playing" at 0 straight from the previous end.
  for (Host::Blocks blocks : {Host::k64, Host::k512, Host::kIrregular})
    for (bool rounded : {false, true})
    {
      Host h(steady(120.0), blocks, rounded);
      h.input = [](int64_t i, int c) { return i < 427000 ? noiseAt(i, c) : 0.0; };
      std::vector<double> renders[3];
      for (int e = 0; e < 3; ++e)
      {
        h.seed = 1;
        h.record = &renders[e];
        if (e == 0)
        {
          h.call(1024);
          h.start(1024);
          h.run(475000 - 1024);
        }
        else
        {
          h.start(0);
          h.run(475000);
        }
      }
      EXPECT_EQ(h.slips, 0);
      EXPECT_LE(h.worstMs, 1.0);
      ASSERT_EQ(renders[1].size(), renders[2].size());
      EXPECT_EQ(std::memcmp(renders[1].data(), renders[2].data(), renders[1].size() * sizeof(double)), 0)
        << "blocks " << blocks << (rounded ? ", rounded" : ", exact");
    }
}

TEST(SyncTimeline, ExportsSoundTheSameWhereverThePreRollStarts)
{
  // Ardour's pattern, as traced: an instance idles on silence while stopped, then an export's
  // playback starts 1776, 1024 or 768 samples before the song's start, in blocks 0, 256 or 272
  // samples off the song's, and told as playing from there (VST 3) or only from the song's
  // start (LV2). Sweeps that start at different points must meet to the bit.
  struct Pattern
  {
    int64_t idleAt;
    int idleCalls;
    std::vector<int> calls; // from the pre-roll's start on, 1024 each after these
    bool rollsEarly;        // the pre-roll is told as playing
  };
  const Pattern patterns[] = {{0, 96, {752, 272}, true},         {272, 141, {1024, 752, 272}, true},
                              {256, 120, {1024}, true},          {0, 96, {752, 272}, false},
                              {272, 142, {1024, 752, 272}, false}};
  constexpr int kPatterns = sizeof patterns / sizeof patterns[0];
  std::vector<double> renders[kPatterns];
  for (int k = 0; k < kPatterns; ++k)
  {
    const Pattern& p = patterns[k];
    Host h(steady(120.0), Host::k64, false);
    h.input = [](int64_t i, int c) { return i < 0 ? 0.0 : noiseAt(i, c); };
    h.pos = p.idleAt;
    for (int i = 0; i < p.idleCalls; ++i)
      h.call(1024);
    int64_t from = p.idleAt;
    for (int n : p.calls)
      from -= n;
    h.record = &renders[k];
    h.pos = from;
    for (int n : p.calls)
    {
      if (!h.playing && (p.rollsEarly || h.pos >= 0))
        h.start(h.pos);
      h.call(n);
      if (!h.playing)
        h.pos += n;
    }
    if (!h.playing)
      h.start(h.pos);
    while (h.pos < 4 * 48000)
      h.call(1024);
    renders[k].erase(renders[k].begin(), renders[k].begin() - 2 * from);
    renders[k].resize(2 * 190000);
    EXPECT_EQ(h.slips, 0);
    EXPECT_LE(h.worstMs, 1.0);
  }
  // A sweep that starts with the song differs from one that starts in the pre-roll.
  for (int k = 1; k < kPatterns; ++k)
  {
    const int same = patterns[k].rollsEarly ? 0 : 3;
    if (k != same)
    {
      EXPECT_EQ(std::memcmp(renders[same].data(), renders[k].data(), renders[k].size() * sizeof(double)), 0)
        << "pre-roll pattern " << k;
    }
  }
}

TEST(SyncTimeline, ANoteValueChangedBetweenTheGridsPointsCountsFromThatBlock)
{
  // Blocks between the grid's points tell no position and keep the increment last worked
  // out; a new note value (which leaves the free-running increment behind) must not be kept.
  Host h(steady(120.0), Host::k64, false);
  h.start(0);
  h.run(640); // the next block starts 64 samples past a grid point
  h.plug().SetParameterValue(kParamLFOSpeed, 0.5);
  h.call(64);
  LFO expected = Access::lfo(h.plug());
  frame::ITimeInfo tempoOnly;
  tempoOnly.mTempo = 120.0;
  tempoOnly.mTransportIsRunning = false;
  expected.synchronize(&tempoOnly);
  EXPECT_EQ(Access::lfo(h.plug()).mPhaseInc, expected.mPhaseInc);
}
