#include <vector>

#include <gtest/gtest.h>

#include "TestPlugin.h"

using frame::IFrameProcessor;
using frame::IOConfig;

TEST(ChannelIO, ParsesConfigurationsBusesAndWildcards)
{
  std::vector<IOConfig> configs;
  int in = 0, out = 0;
  EXPECT_EQ(IFrameProcessor::ParseChannelIOStr("1-1 2-2 0-2 2.2-2 *-*", configs, in, out), 5);
  EXPECT_EQ(in, 4);
  EXPECT_EQ(out, 2);
  EXPECT_EQ(configs[2].NBuses(frame::kInput), 0); // a zero side adds no bus
  EXPECT_EQ(configs[3].NBuses(frame::kInput), 2);
  EXPECT_EQ(configs[4].mBusInfo[frame::kInput][0].mNChans, IFrameProcessor::kWildcardChannels);
}

TEST(ChannelIO, StereoEffectHasOneBusEachWay)
{
  TestPlugin p;
  EXPECT_EQ(p.NIOConfigs(), 1);
  EXPECT_EQ(p.MaxNChannels(frame::kInput), 2);
  EXPECT_EQ(p.MaxNChannels(frame::kOutput), 2);
  EXPECT_EQ(p.MaxNBuses(frame::kOutput), 1);
  EXPECT_EQ(p.MaxNChannelsForBus(frame::kInput, 0), 2);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({2}, {2}), 0);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({1}, {1}), -1);
  frame::IString name;
  p.GetBusName(frame::kInput, 0, 1, name);
  EXPECT_STREQ(name.Get(), "Input");
}

TEST(ChannelIO, LabelsTakeTheChannelNumberOnlyThroughAnExplicitDirective)
{
  TestPlugin p;
  p.SetChannelLabel(frame::kInput, 0, "Left %d");
  p.SetChannelLabel(frame::kInput, 1, "Right %s %n");
  p.SetChannelLabel(frame::kInput, 5, "ignored");
  EXPECT_STREQ(p.GetChannelLabel(frame::kInput, 0), "Left 1");
  EXPECT_STREQ(p.GetChannelLabel(frame::kInput, 1), "Right %s %n");
}

class ProcessingTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    plug.Initialize("unit test");
    plug.SetupProcessing(48000.0, 64);
  }
  TestPlugin plug;
};

TEST_F(ProcessingTest, ThirtyTwoBitInPlaceWorks)
{
  std::vector<float> l(64, 0.5f), r(64, -0.25f);
  plug.GetParam(0)->Set(2.0);
  float* bufs[2] = {l.data(), r.data()};
  plug.ProcessBuffers(bufs, 2, bufs, 2, 64);
  EXPECT_EQ(l[10], 1.0f);
  EXPECT_EQ(r[63], -0.5f);
}

TEST_F(ProcessingTest, SixtyFourBitBuffersArePassedThroughUnconverted)
{
  std::vector<double> in(64, 0.1), out(64, 0.0);
  const double* ins[2] = {in.data(), in.data()};
  double* outs[2] = {out.data(), nullptr};
  plug.ProcessBuffers(ins, 2, outs, 2, 64);
  EXPECT_EQ(out[5], 0.1); // exactly: no float round trip
}

TEST_F(ProcessingTest, MissingInputsReadAsSilence)
{
  std::vector<float> in(64, 1.0f), outL(64, 9.0f), outR(64, 9.0f);
  const float* ins[2] = {in.data(), nullptr};
  float* outs[2] = {outL.data(), outR.data()};
  plug.ProcessBuffers(ins, 2, outs, 2, 64);
  EXPECT_EQ(outL[0], 1.0f);
  EXPECT_EQ(outR[0], 0.0f);
}

TEST_F(ProcessingTest, CallsLongerThanTheBlockSizeRunInPieces)
{
  std::vector<float> l(200, 1.0f), r(200, 1.0f);
  float* bufs[2] = {l.data(), r.data()};
  plug.ProcessBuffers(bufs, 2, bufs, 2, 200);
  EXPECT_EQ(plug.blocks, 4);
  EXPECT_EQ(plug.lastFrames, 200 - 3 * 64);
  EXPECT_EQ(l[199], 1.0f);
}

TEST_F(ProcessingTest, FlushWithoutBuffersTouchesNothing)
{
  plug.ProcessBuffers(static_cast<const float* const*>(nullptr), 0, nullptr, 0, 0);
  EXPECT_EQ(plug.blocks, 0);
}

TEST_F(ProcessingTest, BypassCopiesInputAndLeavesTheEffectAlone)
{
  std::vector<float> in(64, 0.5f), out(64, 0.0f);
  const float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data()};
  plug.GetParam(0)->Set(3.0);
  plug.SetBypassed(true);
  plug.ProcessBuffers(ins, 2, outs, 2, 64);
  EXPECT_EQ(plug.blocks, 0);
  EXPECT_EQ(out[7], 0.5f);
  plug.SetBypassed(false);
  plug.ProcessBuffers(ins, 2, outs, 2, 64);
  EXPECT_EQ(plug.blocks, 1);
  EXPECT_EQ(out[7], 1.5f);
}

TEST(Bypass, LatencyKeepsTheBypassedSignalAligned)
{
  TestPlugin plug("1-1", 3);
  plug.SetupProcessing(48000.0, 8);
  plug.SetBypassed(true);
  std::vector<double> in = {1, 2, 3, 4, 5, 6, 7, 8}, out(8, -1.0);
  const double* ins[1] = {in.data()};
  double* outs[1] = {out.data()};
  plug.ProcessBuffers(ins, 1, outs, 1, 8);
  EXPECT_EQ(out, (std::vector<double>{0, 0, 0, 1, 2, 3, 4, 5}));
}

TEST(Processing, WithoutSetupGivesSilence)
{
  TestPlugin plug;
  std::vector<float> buf(16, 1.0f);
  float* bufs[2] = {buf.data(), buf.data()};
  plug.ProcessBuffers(bufs, 2, bufs, 2, 16);
  EXPECT_EQ(plug.blocks, 0);
  EXPECT_EQ(buf[3], 0.0f);
}

TEST(Processing, BlockSizeAnnouncementResetsScratchOnlyWhenItChanges)
{
  TestPlugin plug;
  plug.SetupProcessing(44100.0, 32);
  plug.SetupProcessing(44100.0, 32);
  EXPECT_EQ(plug.resets, 2);
  EXPECT_EQ(plug.GetBlockSize(), 32);
  EXPECT_EQ(plug.GetSampleRate(), 44100.0);
}
