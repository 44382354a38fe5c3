// The factory presets: their exact contents, recall from the editor's menu (which keeps
// edits per slot) and from the host's program list (which does not).
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

namespace {
struct PresetRow
{
  const char* name;
  double values[kNumParams];
};

const PresetRow kTable[kNumPresets] = {
  {"default", {0, 0.0625, 0.0, 0.5, std::sqrt(0.006), 0.5, 0.5, 0, 0.5, 1}},
  {"Nebulesque", {0, 0.0625, 0.0, -0.65, std::sqrt(0.0032), 0.66, 0.5, 0, 0.5, 1}},
  {"Uni-Vibe", {0, 0.25, 1.0, 0.0, std::sqrt(0.012), 0.9, 0.5, 0, 0.5, 1}},
  {"8-Stager", {1, 0.62, 0.0, 0.0, std::sqrt(0.006), 0.95, 0.5, 0, 0.5, 1}},
  {"8-Viber", {1, 1.0, 0.75, 0.0, std::sqrt(0.0176), 0.85, 0.5, 0, 0.5, 1}},
  {"Wash out", {0, 0.48, 1.0, 0.26, std::sqrt(0.124), 0.9, 0.5, 0, 0.0, 0}},
  {"Comfort", {1, 0.14, 0.35, 0.0, std::sqrt(0.016), 0.7, 0.5, 0, 1.0, 1}},
  {"Vibrato", {0, 0.45, 1.0, 0.0, std::sqrt(0.22), 0.75, 1.0, 0, 0.5, 0}},
  {"Feedbacker", {0, 1.0, 0.66, -0.86, std::sqrt(0.004), 0.95, 1.0, 0, 0.5, 1}},
  {"Aliens", {1, 0.25, 0.5, 0.9, std::sqrt(0.32), 0.35, 1.0, 0, 1.0, 0}},
};

} // namespace

TEST(PresetTable, EverySlotHoldsItsNameAndExactValues)
{
  EffectHost<> host;
  ASSERT_EQ(host.plug().NPresets(), kNumPresets);
  for (int p = 0; p < kNumPresets; ++p)
  {
    frame::IPreset* preset = host.plug().GetPreset(p);
    EXPECT_TRUE(preset->mInitialized);
    EXPECT_STREQ(host.plug().GetPresetName(p), kTable[p].name);
    const frame::IByteChunk& chunk = preset->mChunk;
    ASSERT_EQ(chunk.Size(), 104) << kTable[p].name;
    EXPECT_EQ(std::memcmp(chunk.GetData(), versionMagic_2_0_1, 24), 0);
    for (int i = 0; i < kNumParams; ++i)
    {
      double v = -99.0;
      chunk.Get(&v, 24 + 8 * i);
      EXPECT_EQ(v, kTable[p].values[i]) << kTable[p].name << " parameter " << i;
    }
  }
  EXPECT_STREQ(host.plug().GetPresetName(10), "");
  EXPECT_STREQ(host.plug().GetPresetName(-1), "");
  EXPECT_EQ(host.plug().GetCurrentPresetIdx(), 0);
}

TEST(PresetTable, OutOfRangeSlotIsIgnored)
{
  EffectHost<> host;
  TrellowPhaserTestAccess::makePreset(host.plug(), 10, "nowhere", 1, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 1, 0.5, 1);
  TrellowPhaserTestAccess::makePreset(host.plug(), -1, "nowhere", 1, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 1, 0.5, 1);
  for (int p = 0; p < kNumPresets; ++p)
    EXPECT_STREQ(host.plug().GetPresetName(p), kTable[p].name);
}

TEST(PresetRecall, VibratoIsAPureSineVibrato)
{
  EffectHost<ObservedPhaser> host;
  ASSERT_TRUE(host.plug().RestorePreset(7));
  EXPECT_EQ(host.param(kParamMix).Value(), 1.0);
  EXPECT_EQ(host.param(kParamSpread).Value(), 1.0);
  EXPECT_EQ(host.param(kParamWaveform).Value(), 0.0);
  EXPECT_EQ(host.param(kParamSync).Value(), 0.0);
  EXPECT_EQ(host.plug().GetCurrentPresetIdx(), 7);
  EXPECT_EQ(TrellowPhaserTestAccess::wetGain(host.plug()), 1.0) << "the handlers ran";
}

TEST(PresetRecall, EditorChoiceKeepsEditsOfTheSlotBeingLeft)
{
  EffectHost<ObservedPhaser> host;
  host.plug().changePreset(2);
  host.param(kParamManual).Set(0.333);
  host.plug().changePreset(5);
  EXPECT_EQ(host.param(kParamManual).Value(), 0.48);
  host.plug().changePreset(2);
  EXPECT_EQ(host.param(kParamManual).Value(), 0.333);
}

TEST(PresetRecall, FirstEditorChoiceStoresTheCurrentValuesIntoDefault)
{
  EffectHost<ObservedPhaser> host;
  host.param(kParamFeedback).Set(-0.25);
  host.plug().changePreset(4);
  host.plug().changePreset(0);
  EXPECT_EQ(host.param(kParamFeedback).Value(), -0.25);
}

TEST(PresetRecall, HostProgramChangeDoesNotStoreEdits)
{
  EffectHost<ObservedPhaser> host;
  ASSERT_TRUE(host.plug().RestorePreset(2));
  host.param(kParamManual).Set(0.333);
  ASSERT_TRUE(host.plug().RestorePreset(5));
  ASSERT_TRUE(host.plug().RestorePreset(2));
  EXPECT_EQ(host.param(kParamManual).Value(), 0.25);
}

TEST(PresetRecall, HostProgramOutsideTheListChangesNothing)
{
  EffectHost<ObservedPhaser> host;
  const std::vector<double> before = host.values();
  EXPECT_FALSE(host.plug().RestorePreset(10));
  EXPECT_FALSE(host.plug().RestorePreset(-1));
  EXPECT_EQ(host.values(), before);
  EXPECT_EQ(host.plug().GetCurrentPresetIdx(), 0);
}

TEST(PresetRecall, EditorChoiceOutsideTheListStoresAndResendsOnly)
{
  for (int index : {10, -1})
  {
    EffectHost<ObservedPhaser> host;
    host.param(kParamMix).Set(0.8);
    const std::vector<double> before = host.values();
    host.plug().clearRecords();
    host.plug().changePreset(index);
    EXPECT_EQ(host.values(), before) << index;
    EXPECT_EQ(host.plug().GetCurrentPresetIdx(), 0);
    EXPECT_TRUE(host.plug().changes.empty()) << "no recall ran";
    EXPECT_EQ(host.plug().editorPushes().size(), 10u);

    double storedMix = 0.0;
    host.plug().GetPreset(0)->mChunk.Get(&storedMix, 24 + 8 * kParamMix);
    EXPECT_EQ(storedMix, 0.8) << "the current slot took the current values";
  }
}

TEST(PresetRecall, EditorChoicePushesEveryValueToTheEditor)
{
  EffectHost<ObservedPhaser> host;
  host.plug().clearRecords();
  host.plug().changePreset(3);
  // The recall's own pushes (Stages handler and restore), then the menu's ten.
  const std::vector<int> pushes = host.plug().editorPushes();
  ASSERT_GE(pushes.size(), 10u);
  const std::vector<int> lastTen(pushes.end() - 10, pushes.end());
  EXPECT_EQ(lastTen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}
