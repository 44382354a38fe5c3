// The saved state as hosts keep it: this release's layout, the two earlier ones, damaged
// chunks, and the refusal of a layout from a later release.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

namespace {
frame::IByteChunk chunkOf(const char* tag, const std::vector<double>& values, int junkBefore = 0)
{
  frame::IByteChunk chunk;
  for (int i = 0; i < junkBefore; ++i)
  {
    const uint8_t junk = 0xA5;
    chunk.Put(&junk);
  }
  if (tag)
    chunk.PutBytes(tag, static_cast<int>(std::strlen(tag)));
  for (double v : values)
    chunk.Put(&v);
  return chunk;
}

/** Every parameter away from its default, so a load that skips one shows. */
template <typename Plug>
void setAllAwayFromDefaults(EffectHost<Plug>& host)
{
  const double values[kNumParams] = {1, 0.9, 0.8, -0.7, 0.6, 0.4, 0.3, 1, 0.2, 0};
  for (int i = 0; i < kNumParams; ++i)
    host.param(i).Set(values[i]);
  host.plug().OnParamReset(frame::kSourcePreset);
}

} // namespace

TEST(StateSave, FreshInstanceWritesTheTagAndTenDefaults)
{
  EffectHost<> host;
  frame::IByteChunk chunk;
  ASSERT_TRUE(host.plug().SerializeState(chunk));
  ASSERT_EQ(chunk.Size(), 104);
  EXPECT_EQ(std::memcmp(chunk.GetData(), "Mistlegrove Phaser_2.0.1", 24), 0);
  const double defaults[kNumParams] = {0, 0.0625, 0, 0, 0.077, 0.5, 0.5, 0, 0.5, 1};
  for (int i = 0; i < kNumParams; ++i)
  {
    double v = -1.0;
    chunk.Get(&v, 24 + 8 * i);
    EXPECT_EQ(v, defaults[i]) << i;
  }
}

TEST(StateSave, RoundTripRestoresEveryValueBitForBit)
{
  EffectHost<> saved, loaded;
  const double values[kNumParams] = {1, 0.123, 0.37, -0.91, 0.2345, 0.87, 0.61, 1, 0.77, 0};
  for (int i = 0; i < kNumParams; ++i)
    saved.param(i).Set(values[i]);
  frame::IByteChunk chunk;
  saved.plug().SerializeState(chunk);
  EXPECT_EQ(loaded.plug().UnserializeState(chunk, 0), 104);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(loaded.param(i).Value(), saved.param(i).Value()) << i;
}

TEST(StateLoad, HandlersRunOnceEachAfterAllValuesAreSet)
{
  EffectHost<ObservedPhaser> host;
  frame::IByteChunk chunk = chunkOf(versionMagic_2_0_1, {1, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 1, 0.5, 0});
  host.plug().clearRecords();
  host.plug().UnserializeState(chunk, 0);
  const std::vector<int> inOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(host.plug().changes, inOrder);
  EXPECT_EQ(TrellowPhaserTestAccess::numStages(host.plug()), 8);
  EXPECT_TRUE(TrellowPhaserTestAccess::sync(host.plug()));
}

TEST(StateLoad, PreviousReleaseSetsWaveformToSine)
{
  EffectHost<ObservedPhaser> host;
  host.param(kParamWaveform).Set(1.0);
  const std::vector<double> nine = {1, 0.25, 0.5, -0.5, 0.3, 0.7, 0.2, 1, 0.9};
  const frame::IByteChunk chunk = chunkOf(versionMagic_2_0_0, nine, 3);
  EXPECT_EQ(host.plug().UnserializeState(chunk, 3), 3 + 96);
  const std::vector<double> expected = {1, 0.25, 0.5, -0.5, 0.3, 0.7, 0.2, 1, 0.9, 0};
  EXPECT_EQ(host.values(), expected);
}

TEST(StateLoad, FirstReleaseTurnsSyncOffAndStereoAndWaveformToZero)
{
  EffectHost<ObservedPhaser> host;
  setAllAwayFromDefaults(host);
  host.param(kParamWaveform).Set(1.0);
  const std::vector<double> seven = {0, 0.5, 0.25, 0.1, 0.4, 0.6, 0.8};
  const frame::IByteChunk chunk = chunkOf(nullptr, seven, 5);
  ASSERT_EQ(chunk.Size(), 5 + 56);
  EXPECT_EQ(host.plug().UnserializeState(chunk, 5), 5 + 56);
  const std::vector<double> expected = {0, 0.5, 0.25, 0.1, 0.4, 0.6, 0.8, 0, 0, 0};
  EXPECT_EQ(host.values(), expected);
}

TEST(StateLoad, TruncatedChunkIsRefusedAndChangesNothing)
{
  EffectHost<ObservedPhaser> host;
  setAllAwayFromDefaults(host);
  const std::vector<double> before = host.values();
  frame::IByteChunk chunk = chunkOf(versionMagic_2_0_1, {0, 0.5, 0.25, 0.1, 0.4});
  const uint8_t half[4] = {1, 2, 3, 4}; // part of the sixth value
  chunk.PutBytes(half, 4);
  host.plug().clearRecords();
  double values[kNumParams];
  EXPECT_EQ(host.plug().ReadState(chunk, 0, values), -1);
  EXPECT_EQ(host.plug().UnserializeState(chunk, 0), -1);
  EXPECT_EQ(host.values(), before);
  EXPECT_TRUE(host.plug().changes.empty()) << "no handler runs";
}

TEST(StateLoad, ValuesAreClampedAndSwitchesRounded)
{
  EffectHost<ObservedPhaser> host;
  const frame::IByteChunk chunk = chunkOf(versionMagic_2_0_1, {0.5, 7.0, -3.0, -2.0, 0.5, 0.5, 0.5, 0.49, 0.5, 0.5});
  EXPECT_EQ(host.plug().UnserializeState(chunk, 0), 104);
  const std::vector<double> expected = {1, 1, 0, -1, 0.5, 0.5, 0.5, 0, 0.5, 1};
  EXPECT_EQ(host.values(), expected);
}

TEST(StateLoad, ShortChunkIsNeverTakenForATaggedOne)
{
  EffectHost<ObservedPhaser> host;
  frame::IByteChunk chunk = chunkOf(nullptr, {1.0, 0.5});
  const uint8_t tail[4] = {};
  chunk.PutBytes(tail, 4); // 20 bytes: read as the untagged layout, and too short for it
  const std::vector<double> before = host.values();
  EXPECT_EQ(host.plug().UnserializeState(chunk, 0), -1);
  EXPECT_EQ(host.values(), before);

  EXPECT_FALSE(TrellowPhaser::isNewVersion(chunkOf("Mistlegrove Phaser_2.0.", {}), 0, versionMagic_2_0_1));
  EXPECT_FALSE(TrellowPhaser::isNewVersion(chunkOf(versionMagic_2_0_1, {}), 1, versionMagic_2_0_1));
  EXPECT_FALSE(TrellowPhaser::isNewVersion(chunkOf(versionMagic_2_0_1, {}), -1, versionMagic_2_0_1));
}

TEST(StateLoad, LaterReleaseIsRefusedWithoutTouchingAnything)
{
  EffectHost<ObservedPhaser> host;
  setAllAwayFromDefaults(host);
  const std::vector<double> before = host.values();
  for (const char* tag : {"Mistlegrove Phaser_2.0.2", "Mistlegrove Phaser_3.0.0", "Mistlegrove Phaser_"})
  {
    const frame::IByteChunk chunk = chunkOf(tag, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    host.plug().clearRecords();
    EXPECT_EQ(host.plug().UnserializeState(chunk, 0), -1) << tag;
    EXPECT_EQ(host.values(), before) << tag;
    EXPECT_TRUE(host.plug().changes.empty()) << tag;
  }
}

TEST(StateLoad, HostEntryReadsTheSameLayouts)
{
  EffectHost<> saved, loaded;
  saved.param(kParamMix).Set(0.8);
  frame::IByteChunk chunk;
  saved.plug().SerializeState(chunk);
  EXPECT_EQ(loaded.plug().unserializeMistlegroveState(chunk, 0), 104);
  EXPECT_EQ(loaded.param(kParamMix).Value(), 0.8);
}

namespace {
struct CountingReads : ObservedPhaser
{
  using ObservedPhaser::ObservedPhaser;
  int ReadState(const frame::IByteChunk& chunk, int startPos, double* values) const override
  {
    ++reads;
    return ObservedPhaser::ReadState(chunk, startPos, values);
  }
  mutable int reads = 0;
};
} // namespace

TEST(StateLoad, AHostLoadReadsTheChunkOnceAndRunsTheHandlersOnce)
{
  EffectHost<> saved;
  saved.param(kParamMix).Set(0.8);
  frame::IByteChunk state;
  ASSERT_TRUE(saved.plug().SaveState(state));

  EffectHost<CountingReads> loaded;
  loaded.plug().clearRecords();
  ASSERT_TRUE(loaded.plug().LoadState(state));
  EXPECT_EQ(loaded.plug().reads, 1);
  EXPECT_EQ(loaded.plug().changes.size(), static_cast<size_t>(kNumParams));
  EXPECT_EQ(loaded.param(kParamMix).Value(), 0.8);
}
