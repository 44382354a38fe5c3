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

/** A parameter's value and a text for it. */
struct ValueText
{
  int param;
  double value;
  const char* text;
};

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

// Mix names only the exact ends; stereo shows width and direction; the others their units.
TEST(ParamText, EachParameterShowsItsOwnForm)
{
  const ValueText cases[] = {
    {kParamMix, 0.0, "Dry"},
    {kParamMix, 1.0, "Wet"},
    {kParamMix, 0.001, "100:0"},
    {kParamMix, 0.25, "75:25"},
    {kParamStereo, 0.49, "> 2% <"},
    {kParamStereo, 0.51, "\\ 2% /"},
    {kParamStereo, 0.0, "> 100% <"},
    {kParamStereo, 1.0, "\\ 100% /"},
    {kParamManual, 1.0, "16000Hz"},
    {kParamFeedback, -0.5, "-50%"},
    {kParamLFOSpeed, 1.0, "25.00Hz"},
  };
  EffectHost<> host;
  for (const ValueText& c : cases)
    EXPECT_EQ(textOf(host.param(c.param), c.value), c.text) << host.param(c.param).GetName() << " at " << c.value;
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
TEST(ParamTextEntry, EachParameterReadsItsOwnForms)
{
  const ValueText cases[] = {
    {kParamManual, 0.0625, "1000Hz"},
    {kParamManual, 0.0625, "1000"},
    {kParamManual, 0.0625, " 1000 hz "},
    {kParamManual, 0.0625, "1kHz"},
    {kParamFeedback, -0.5, "-50%"},
    {kParamFeedback, -0.5, "-50"},
    {kParamLFODepth, 0.75, "75%"},
    {kParamLFOSpeed, std::sqrt(0.006), "0.15Hz"},
    {kParamLFOSpeed, 1.0, "25"},
    // Mix takes ratios and words; stereo both forms and zero.
    {kParamMix, 0.25, "75:25"},
    {kParamMix, 0.0, "Dry"},
    {kParamMix, 1.0, "wet"},
    {kParamMix, 0.3, "30%"},
    {kParamStereo, 0.3, "> 40% <"},
    {kParamStereo, 0.7, "\\ 40% /"},
    {kParamStereo, 0.3, ">40<"},
    {kParamStereo, 0.5, "0%"},
    // The display texts of the stepped parameters still work.
    {kParamStages, 1.0, "8"},
    {kParamSync, 1.0, "ON"},
    {kParamWaveform, 0.0, "Sine"},
    // Unreadable text falls back to the plain number.
    {kParamManual, 0.0, "abc"},
    {kParamManual, 0.5, "0.5 parsecs"},
    {kParamMix, 0.3, "0.3"},
    {kParamStereo, 0.2, "0.2"},
    {kParamLFOSpeed, 1.0, "1/4"}, // a note value while free
  };
  EffectHost<> host;
  for (const ValueText& c : cases)
    EXPECT_EQ(host.param(c.param).StringToValue(c.text), c.value) << host.param(c.param).GetName() << " typed as " << c.text;
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
