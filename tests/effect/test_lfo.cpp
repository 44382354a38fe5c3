// The LFO: its shapes and stereo modes, free and synced rates, the pull toward the host's
// position, and the phase staying in range whatever the host sends.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "effect/lfo.h"
#include "frame/ITimeInfo.h"

namespace {
constexpr double kTwoPi = 6.283185307179586;

LFO lfoAt1000Updates()
{
  LFO lfo;
  lfo.setSampleRate(48000.0, 48.0);
  lfo.setRate(0.0);
  lfo.setStereo(0.5);
  return lfo;
}

frame::ITimeInfo transport(double tempo, double ppq, bool running)
{
  frame::ITimeInfo t;
  t.mTempo = tempo;
  t.mPPQPos = ppq;
  t.mTransportIsRunning = running;
  return t;
}

bool inRange(double phase) { return phase >= -kTwoPi && phase < kTwoPi; }
} // namespace

TEST(LFOConstruction, StartsAtTheCycleStartCountingUpdatesAt44100Hz)
{
  LFO lfo;
  EXPECT_EQ(lfo.mPhase, -kTwoPi);
  EXPECT_EQ(lfo.mSampleRate, 44100.0);
  EXPECT_EQ(lfo.mUpdateRate, 1002.2727272727273);
  EXPECT_EQ(lfo.mSyncRateIndex, 10);
  EXPECT_EQ(lfo.mPhaseInc, 0.0);
}

TEST(LFOShape, SineWithoutOffsetStartsAtTheTopOnBothChannels)
{
  LFO lfo = lfoAt1000Updates();
  lfo.mWaveform = 0;
  lfo.update();
  EXPECT_EQ(lfo.mOutput[0], 1.0);
  EXPECT_EQ(lfo.mOutput[1], 1.0);
}

TEST(LFOShape, TriangleWithHalfCycleOffsetSweepsTheChannelsOppositely)
{
  LFO lfo = lfoAt1000Updates();
  lfo.mWaveform = 1;
  lfo.setStereo(0.0);
  lfo.setRate(0.37);
  lfo.update();
  EXPECT_NEAR(lfo.mOutput[0], 1.0, 1e-15);
  EXPECT_NEAR(lfo.mOutput[1], 0.0, 1e-15);
  for (int i = 0; i < 3000; ++i)
  {
    lfo.update();
    ASSERT_NEAR(lfo.mOutput[0] + lfo.mOutput[1], 1.0, 1e-12) << "update " << i;
  }
}

TEST(LFOShape, AlternatingModeStartsOnOppositeChannelsForSineAndTriangle)
{
  LFO sine = lfoAt1000Updates();
  sine.mWaveform = 0;
  sine.setStereo(1.0);
  sine.update();
  EXPECT_EQ(sine.mOutput[0], 0.0);
  EXPECT_EQ(sine.mOutput[1], 1.0);

  LFO triangle = lfoAt1000Updates();
  triangle.mWaveform = 1;
  triangle.setStereo(1.0);
  triangle.update();
  EXPECT_NEAR(triangle.mOutput[0], 1.0, 1e-15);
  EXPECT_NEAR(triangle.mOutput[1], 0.0, 1e-15);
}

TEST(LFOShape, OutputsStayWithinZeroAndOneInEveryMode)
{
  for (int waveform = 0; waveform < 2; ++waveform)
    for (double stereo : {0.0, 0.2, 0.5, 0.75, 1.0})
    {
      LFO lfo = lfoAt1000Updates();
      lfo.mWaveform = waveform;
      lfo.setStereo(stereo);
      lfo.setRate(0.61);
      for (int i = 0; i < 2000; ++i)
      {
        lfo.update();
        for (double out : lfo.mOutput)
          ASSERT_TRUE(out >= 0.0 && out <= 1.0) << waveform << " " << stereo << " " << out;
      }
    }
}

TEST(LFOStereo, HalfGivesIdenticalChannels)
{
  for (int waveform = 0; waveform < 2; ++waveform)
  {
    LFO lfo = lfoAt1000Updates();
    lfo.mWaveform = waveform;
    lfo.setStereo(0.5);
    lfo.setRate(0.83);
    EXPECT_EQ(lfo.mPhaseOffset, 0.0);
    EXPECT_FALSE(lfo.mAlternating);
    for (int i = 0; i < 1000; ++i)
    {
      lfo.update();
      ASSERT_EQ(lfo.mOutput[0], lfo.mOutput[1]);
    }
  }
}

TEST(LFOStereo, AboveHalfAlternatesWithDepthFromTheValue)
{
  LFO lfo;
  lfo.setStereo(0.75);
  EXPECT_TRUE(lfo.mAlternating);
  EXPECT_EQ(lfo.mAlternatingDepth, 0.5);
  EXPECT_EQ(lfo.mPhaseOffset, 3.141592653589793);
  lfo.setStereo(0.25);
  EXPECT_FALSE(lfo.mAlternating);
  EXPECT_EQ(lfo.mAlternatingDepth, 0.0);
  EXPECT_EQ(lfo.mPhaseOffset, 0.25 * kTwoPi);
}

TEST(LFORate, FullFreeRateIs25HzAsPiOver20PerUpdate)
{
  LFO lfo = lfoAt1000Updates();
  lfo.setRate(1.0);
  EXPECT_EQ(lfo.mPhaseInc, 3.141592653589793 / 20.0);
}

TEST(LFORate, PhaseWrapsByTwoCyclesAtTheTopOfItsRange)
{
  LFO lfo = lfoAt1000Updates();
  lfo.setRate(1.0);
  lfo.mPhase = kTwoPi - 0.05;
  const double expected = (kTwoPi - 0.05 + lfo.mPhaseInc) + (-12.566370614359172);
  lfo.update();
  EXPECT_EQ(lfo.mPhase, expected);
}

TEST(LFOSampleRate, SameRateKeepsThePhaseNewRateRestartsIt)
{
  LFO lfo = lfoAt1000Updates();
  lfo.setRate(0.5);
  for (int i = 0; i < 10; ++i)
    lfo.update();
  const double phase = lfo.mPhase;
  lfo.setSampleRate(48000.0, 96.0); // same rate: nothing at all, not even the update rate
  EXPECT_EQ(lfo.mPhase, phase);
  EXPECT_EQ(lfo.mUpdateRate, 1000.0);

  lfo.setSampleRate(96000.0, 96.0);
  EXPECT_EQ(lfo.mPhase, -kTwoPi);
}

TEST(LFOSampleRate, FreeIncrementFollowsTheNewUpdateRate)
{
  LFO lfo; // 1002.27 updates per second
  lfo.setRate(1.0);
  lfo.setSampleRate(48000.0, 48.0);
  EXPECT_EQ(lfo.mPhaseInc, 3.141592653589793 / 20.0);
}

TEST(LFOSync, QuarterNoteAt120BpmIsOneCyclePerBeat)
{
  LFO lfo = lfoAt1000Updates();
  lfo.setSyncRate(14); // "1/4"
  lfo.setSync(true);
  const frame::ITimeInfo stopped = transport(120.0, 3.7, false);
  const double phase = lfo.mPhase;
  lfo.synchronize(&stopped);
  EXPECT_EQ(lfo.mPhaseInc, 0.012566370614359171);
  EXPECT_EQ(lfo.mPhase, phase) << "a stopped transport never moves the phase";
}

TEST(LFOSync, UnusableTempoCountsAs120Bpm)
{
  const double inf = std::numeric_limits<double>::infinity();
  for (double tempo : {0.0, -30.0, std::nan(""), inf, -inf})
  {
    LFO lfo = lfoAt1000Updates();
    lfo.setSyncRate(14);
    const frame::ITimeInfo t = transport(tempo, 0.0, false);
    lfo.synchronize(&t);
    EXPECT_EQ(lfo.mPhaseInc, 0.012566370614359171) << tempo;
  }
}

TEST(LFOSync, RunningTransportPullsThePhaseForwardToTheHostFraction)
{
  LFO lfo = lfoAt1000Updates();
  lfo.setSyncRate(14);
  lfo.mPhase = -kTwoPi + 0.1;
  const frame::ITimeInfo running = transport(120.0, 10.3, true);
  lfo.synchronize(&running);
  EXPECT_EQ(lfo.mPhase, -5.9690260418206025);
}

TEST(LFOSync, PhaseAheadOfTheHostIsNeverSetBack)
{
  LFO lfo = lfoAt1000Updates();
  lfo.setSyncRate(14);
  lfo.mPhase = -kTwoPi + 1.3;
  const double phase = lfo.mPhase;
  const frame::ITimeInfo running = transport(120.0, 10.3, true);
  lfo.synchronize(&running);
  EXPECT_EQ(lfo.mPhase, phase);
}

TEST(LFOSync, UnusablePositionLeavesThePhaseButStillSetsTheTempo)
{
  const double inf = std::numeric_limits<double>::infinity();
  for (double ppq : {std::nan(""), inf, -inf, 1e308})
  {
    LFO lfo = lfoAt1000Updates();
    lfo.setSyncRate(14);
    lfo.mPhase = -kTwoPi + 0.1;
    const frame::ITimeInfo t = transport(120.0, ppq, true);
    lfo.synchronize(&t);
    EXPECT_EQ(lfo.mPhaseInc, 0.012566370614359171) << ppq;
    EXPECT_TRUE(inRange(lfo.mPhase)) << ppq << " gave " << lfo.mPhase;
  }
}

TEST(LFOSync, PhaseStaysInRangeAtAbsurdTempos)
{
  for (double tempo : {1e6, 1e12, 1e300})
  {
    LFO lfo = lfoAt1000Updates();
    lfo.mWaveform = 0;
    lfo.setSyncRate(19);
    double ppq = 0.0;
    for (int i = 0; i < 500; ++i)
    {
      const frame::ITimeInfo t = transport(tempo, ppq += 0.37, true);
      lfo.synchronize(&t);
      lfo.update();
      ASSERT_TRUE(inRange(lfo.mPhase)) << tempo << " gave " << lfo.mPhase;
      ASSERT_TRUE(lfo.mOutput[0] >= 0.0 && lfo.mOutput[0] <= 1.0);
    }
  }
}

TEST(LFOSync, NoteValuesRunFromSixteenBarsToASixteenth)
{
  EXPECT_STREQ(LFO::labelSyncRates[0], "16/1");
  EXPECT_STREQ(LFO::labelSyncRates[6], "2/1.");
  EXPECT_STREQ(LFO::labelSyncRates[10], "1/2.");
  EXPECT_STREQ(LFO::labelSyncRates[13], "1/2T");
  EXPECT_STREQ(LFO::labelSyncRates[19], "1/16");

  // "2/1." lasts ten quarter notes: 2500 updates of a 1000-per-second LFO at 240 bpm.
  LFO lfo = lfoAt1000Updates();
  lfo.setSyncRate(6);
  const frame::ITimeInfo t = transport(240.0, 0.0, false);
  lfo.synchronize(&t);
  EXPECT_NEAR(lfo.mPhaseInc * 2500.0, kTwoPi, 1e-12);
}
