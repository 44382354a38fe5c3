// The ten parameters as the host and the editor see them: names and ranges, value texts,
// typed text, and what a change does to the effect and the editor.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

using Access = TrellowPhaserTestAccess;

namespace {
std::string text(frame::IParam& param)
{
  frame::IString str;
  param.GetDisplay(str);
  return str.Get();
}

std::string textOf(frame::IParam& param, double value)
{
  frame::IString str;
  param.GetDisplay(value, false, str);
  return str.Get();
}

/** Sets a parameter the way the editor does, so its change handler runs. */
template <typename Plug>
void setValue(EffectHost<Plug>& host, int idx, double value)
{
  host.plug().SetParameterValue(idx, host.param(idx).ToNormalized(value));
}
} // namespace

TEST(ParamTable, ManualKnobMovesOnASquareLaw)
{
  EffectHost<> host;
  EXPECT_EQ(host.param(kParamManual).GetNormalized(), 0.25) << "1000 Hz sits at a quarter turn";
  EXPECT_EQ(host.param(kParamManual).FromNormalized(0.5), 0.25);
}

TEST(ParamText, NewInstanceShowsItsDefaults)
{
  EffectHost<> host;
  const char* expected[kNumParams] = {"4", "1000Hz", "0%", "0%", "0.15Hz", "50%", "50:50", "OFF", "0%", "Triangle"};
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(text(host.param(i)), expected[i]) << host.param(i).GetName();
}

TEST(ParamText, MixNamesOnlyTheExactEnds)
{
  EffectHost<> host;
  frame::IParam& mix = host.param(kParamMix);
  EXPECT_EQ(textOf(mix, 0.0), "Dry");
  EXPECT_EQ(textOf(mix, 1.0), "Wet");
  EXPECT_EQ(textOf(mix, 0.001), "100:0");
  EXPECT_EQ(textOf(mix, 0.25), "75:25");
}

TEST(ParamText, StereoShowsWidthAndDirection)
{
  EffectHost<> host;
  frame::IParam& stereo = host.param(kParamStereo);
  EXPECT_EQ(textOf(stereo, 0.49), "> 2% <");
  EXPECT_EQ(textOf(stereo, 0.51), "\\ 2% /");
  EXPECT_EQ(textOf(stereo, 0.0), "> 100% <");
  EXPECT_EQ(textOf(stereo, 1.0), "\\ 100% /");
}

TEST(ParamText, FrequencyPercentAndSpeedUseTheirUnits)
{
  EffectHost<> host;
  EXPECT_EQ(textOf(host.param(kParamManual), 1.0), "16000Hz");
  EXPECT_EQ(textOf(host.param(kParamFeedback), -0.5), "-50%");
  EXPECT_EQ(textOf(host.param(kParamLFOSpeed), 1.0), "25.00Hz");
}

TEST(ParamText, WhatRoundsToZeroShowsNoSign)
{
  EffectHost<> host;
  frame::IParam& feedback = host.param(kParamFeedback);
  EXPECT_EQ(textOf(feedback, feedback.FromNormalized(0.4998)), "0%");
  EXPECT_EQ(textOf(feedback, -0.004), "0%");
  EXPECT_EQ(textOf(feedback, -0.006), "-1%");
  EXPECT_EQ(textOf(host.param(kParamStereo), 0.4999), "0%");
  EXPECT_EQ(textOf(host.param(kParamStereo), 0.5001), "0%");
  EXPECT_EQ(textOf(host.param(kParamStereo), 0.4974), "> 1% <");
}

TEST(ParamText, SyncShowsLFOSpeedAsANoteValueAtOnce)
{
  EffectHost<> host;
  frame::IParam& speed = host.param(kParamLFOSpeed);
  setValue(host, kParamSync, 1.0);
  EXPECT_EQ(textOf(speed, 0.0), "16/1");
  EXPECT_EQ(textOf(speed, 0.5), "1/2."); // 9.5 rounds away from zero
  EXPECT_EQ(textOf(speed, 0.55), "1/2.");
  EXPECT_EQ(textOf(speed, 0.58), "1/2");
  EXPECT_EQ(textOf(speed, 1.0), "1/16");
  setValue(host, kParamSync, 0.0);
  EXPECT_EQ(text(speed), "0.15Hz");
}

TEST(ParamText, TheSpeedTextFollowsTheSyncValueWhicheverThreadSetIt)
{
  EffectHost<> host;
  // The host's controller side sets the value without any change handler running.
  host.param(kParamSync).Set(1.0);
  EXPECT_EQ(text(host.param(kParamLFOSpeed)), "12/1"); // 0.077 * 19 rounds to 1
  {
    frame::AudioThreadScope audio;
    host.plug().ApplyHostParamChange(kParamSync, 0.0);
  }
  EXPECT_EQ(text(host.param(kParamLFOSpeed)), "0.15Hz");
}

TEST(ParamChange, SettingsFollowTheirParameters)
{
  EffectHost<> host;
  TrellowPhaser& plug = host.plug();
  setValue(host, kParamFeedback, -1.0);
  EXPECT_EQ(Access::feedback(plug), -0.99);
  setValue(host, kParamFeedback, 1.0);
  EXPECT_EQ(Access::feedback(plug), 0.99);
  setValue(host, kParamMix, 0.5);
  EXPECT_EQ(Access::dryGain(plug), 0.7071067811865476);
  EXPECT_EQ(Access::wetGain(plug), 0.7071067811865476);
  setValue(host, kParamSpread, 1.0);
  EXPECT_EQ(Access::spreadFactor(plug), 0.5);
  setValue(host, kParamStages, 1.0);
  EXPECT_EQ(Access::numStages(plug), 8);
  setValue(host, kParamWaveform, 0.0);
  EXPECT_EQ(Access::lfo(plug).mWaveform, 0);
}

TEST(ParamChange, LFOSpeedGivesTheLFOBothItsFreeRateAndItsNoteValue)
{
  EffectHost<> host;
  LFO& lfo = Access::lfo(host.plug());
  setValue(host, kParamLFOSpeed, 0.5);
  EXPECT_EQ(lfo.mRate, 0.5);
  EXPECT_EQ(lfo.mSyncRateIndex, 10);
  setValue(host, kParamLFOSpeed, 0.58);
  EXPECT_EQ(lfo.mSyncRateIndex, 11);
  EXPECT_EQ(lfo.mPhaseInc, 157.07963267948966 * 0.58 * 0.58 / lfo.mUpdateRate);
}

// Typed text is read in the units the value text shows.
TEST(ParamTextEntry, NumbersAreReadInTheDisplayedUnits)
{
  EffectHost<> host;
  frame::IParam& manual = host.param(kParamManual);
  EXPECT_EQ(manual.StringToValue("1000Hz"), 0.0625);
  EXPECT_EQ(manual.StringToValue("1000"), 0.0625);
  EXPECT_EQ(manual.StringToValue(" 1000 hz "), 0.0625);
  EXPECT_EQ(manual.StringToValue("1kHz"), 0.0625);
  EXPECT_EQ(host.param(kParamFeedback).StringToValue("-50%"), -0.5);
  EXPECT_EQ(host.param(kParamFeedback).StringToValue("-50"), -0.5);
  EXPECT_EQ(host.param(kParamLFODepth).StringToValue("75%"), 0.75);
  EXPECT_EQ(host.param(kParamLFOSpeed).StringToValue("0.15Hz"), std::sqrt(0.006));
  EXPECT_EQ(host.param(kParamLFOSpeed).StringToValue("25"), 1.0);
}

TEST(ParamTextEntry, MixTakesRatiosAndWords)
{
  EffectHost<> host;
  frame::IParam& mix = host.param(kParamMix);
  EXPECT_EQ(mix.StringToValue("75:25"), 0.25);
  EXPECT_EQ(mix.StringToValue("Dry"), 0.0);
  EXPECT_EQ(mix.StringToValue("wet"), 1.0);
  EXPECT_EQ(mix.StringToValue("30%"), 0.3);
}

TEST(ParamTextEntry, StereoTakesBothFormsAndZero)
{
  EffectHost<> host;
  frame::IParam& stereo = host.param(kParamStereo);
  EXPECT_EQ(stereo.StringToValue("> 40% <"), 0.3);
  EXPECT_EQ(stereo.StringToValue("\\ 40% /"), 0.7);
  EXPECT_EQ(stereo.StringToValue(">40<"), 0.3);
  EXPECT_EQ(stereo.StringToValue("0%"), 0.5);
}

TEST(ParamTextEntry, SyncedSpeedTakesNoteValues)
{
  EffectHost<> host;
  setValue(host, kParamSync, 1.0);
  frame::IParam& speed = host.param(kParamLFOSpeed);
  EXPECT_EQ(speed.StringToValue("1/4"), 14.0 / 19.0);
  EXPECT_EQ(speed.StringToValue("1/2T"), 13.0 / 19.0);
  EXPECT_EQ(speed.StringToValue("16/1"), 0.0);
}

TEST(ParamTextEntry, DisplayTextsStillWork)
{
  EffectHost<> host;
  EXPECT_EQ(host.param(kParamStages).StringToValue("8"), 1.0);
  EXPECT_EQ(host.param(kParamSync).StringToValue("ON"), 1.0);
  EXPECT_EQ(host.param(kParamWaveform).StringToValue("Sine"), 0.0);
}

TEST(ParamTextEntry, UnreadableTextFallsBackToThePlainNumber)
{
  EffectHost<> host;
  EXPECT_EQ(host.param(kParamManual).StringToValue("abc"), 0.0);
  EXPECT_EQ(host.param(kParamManual).StringToValue("0.5 parsecs"), 0.5);
  EXPECT_EQ(host.param(kParamMix).StringToValue("0.3"), 0.3);
  EXPECT_EQ(host.param(kParamStereo).StringToValue("0.2"), 0.2);
  EXPECT_EQ(host.param(kParamLFOSpeed).StringToValue("1/4"), 1.0); // a note value while free
}

TEST(ParamTextEntry, EveryValueTextReadsBackToItsValue)
{
  EffectHost<> host;
  for (int idx = 0; idx < kNumParams; ++idx)
  {
    frame::IParam& p = host.param(idx);
    // Every value of the parameter's grid, each the nearest double to its decimal.
    const double perUnit = idx == kParamManual ? 1000.0 : (p.GetStepped() ? 1.0 : 100.0);
    const long lo = std::lround(p.GetMin() * perUnit), hi = std::lround(p.GetMax() * perUnit);
    for (long k = lo; k <= hi; ++k)
    {
      const double value = static_cast<double>(k) / perUnit;
      const std::string shown = textOf(p, value);
      if (idx == kParamLFOSpeed)
        // The frequency is shown to 0.01 Hz: the text, not the value, must come back.
        ASSERT_EQ(textOf(p, p.StringToValue(shown.c_str())), shown) << value;
      else
        ASSERT_EQ(p.StringToValue(shown.c_str()), value) << p.GetName() << " shown as " << shown;
    }
  }

  setValue(host, kParamSync, 1.0);
  frame::IParam& speed = host.param(kParamLFOSpeed);
  for (int i = 0; i < LFO::kNumSyncRates; ++i)
  {
    const double value = i / 19.0;
    const std::string shown = textOf(speed, value);
    EXPECT_EQ(shown, LFO::labelSyncRates[i]);
    EXPECT_EQ(speed.StringToValue(shown.c_str()), value) << shown;
  }
}
