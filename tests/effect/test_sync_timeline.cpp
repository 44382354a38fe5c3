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

#include "SyncHost.h"

namespace {
using namespace synchost;

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
