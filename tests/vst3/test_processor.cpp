// The processing side as a host drives it: bus arrangements, sample sizes, audio, automation.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "vst3/Bundle.h"

using namespace mgtest;

namespace {

constexpr ParamID kBypass = 0x10000;

tresult flush(Instance& plug, const std::vector<Change>& points)
{
  ParameterChanges changes;
  fillChanges(changes, points);
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.inputParameterChanges = &changes;
  return plug.processor->process(data);
}

} // namespace

TEST(BusArrangement, OnlyStereoInAndOutIsAccepted)
{
  Instance plug(createComponent());
  SpeakerArrangement mono = SpeakerArr::kMono, stereo = SpeakerArr::kStereo;
  EXPECT_EQ(plug.processor->setBusArrangements(&mono, 1, &mono, 1), kResultFalse);
  EXPECT_EQ(plug.processor->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
  SpeakerArrangement two[2] = {stereo, stereo};
  EXPECT_EQ(plug.processor->setBusArrangements(two, 2, &stereo, 1), kResultFalse);
  SpeakerArrangement arr = 0;
  ASSERT_EQ(plug.processor->getBusArrangement(kInput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, stereo);
  EXPECT_EQ(plug.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
  EXPECT_EQ(plug.component->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(plug.processor->getBusArrangement(kOutput, -1, arr), kInvalidArgument);
}

TEST(BusArrangement, HostsThatForceTheirOwnAreNotRefused)
{
  Instance plug(createComponent(), "Ardour 8.1");
  SpeakerArrangement mono = SpeakerArr::kMono;
  EXPECT_EQ(plug.processor->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
  SpeakerArrangement arr = 0;
  plug.processor->getBusArrangement(kOutput, 0, arr);
  EXPECT_EQ(arr, SpeakerArr::kStereo);
}

TEST(SampleSize, OnlyThirtyTwoAndSixtyFourBitFloatsAreProcessed)
{
  Instance plug(createComponent());
  EXPECT_EQ(plug.processor->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(plug.processor->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(plug.processor->canProcessSampleSize(2), kResultFalse);
  EXPECT_EQ(plug.setup(2), kResultFalse);
}

TEST(SampleRate, RatesTheSignalPathCannotServeAreRefusedAndChangeNothing)
{
  Instance refused(createComponent()), plain(createComponent());
  ProcessSetup first{kRealtime, kSample32, 512, 44100.0};
  ASSERT_EQ(refused.processor->setupProcessing(first), kResultOk);
  for (double rate : {5e-324, 1.0, 999.0, 768001.0, 1e12})
  {
    ProcessSetup s{kRealtime, kSample32, 512, rate};
    EXPECT_EQ(refused.processor->setupProcessing(s), kResultFalse) << rate;
  }
  refused.component->setActive(true);
  refused.processor->setProcessing(true);
  refused.active = true;
  ASSERT_EQ(plain.setup(kSample32, 512, 44100.0), kResultOk);
  const std::vector<double> x = testSignal(512);
  EXPECT_EQ(refused.process(x, kSample32), plain.process(x, kSample32));
  for (double rate : {1000.0, 1234.57, 768000.0})
    EXPECT_EQ(Instance(createComponent()).setup(kSample32, 512, rate), kResultOk) << rate;
}

TEST(Audio, ThirtyTwoAndSixtyFourBitProcessingAgree)
{
  Instance single(createComponent()), twice(createComponent());
  ASSERT_EQ(single.setup(kSample32), kResultOk);
  ASSERT_EQ(twice.setup(kSample64), kResultOk);
  std::vector<double> x = testSignal(2048);
  for (double& v : x)
    v = static_cast<float>(v); // both get the same input; only the transport differs
  for (int block = 0; block < 4; ++block)
  {
    const std::vector<double> in(x.begin() + block * 512, x.begin() + (block + 1) * 512);
    const auto a = single.process(in, kSample32);
    const auto b = twice.process(in, kSample64);
    for (int c = 0; c < 2; ++c)
      for (size_t i = 0; i < in.size(); ++i)
        ASSERT_NEAR(a[c][i], b[c][i], 1e-6 * std::max(1.0, std::fabs(b[c][i]))) << "block " << block << " sample " << i;
  }
}

TEST(Audio, AutomationTakesEffectFromTheStartOfTheBlock)
{
  const std::vector<double> x = testSignal(512);
  Instance automated(createComponent()), preset(createComponent());
  automated.setup(kSample64);
  preset.setup(kSample64);

  ParameterChanges changes;
  // Several points: only the last one counts, at whatever offset.
  fillChanges(changes, {{6, 0, 0.1}, {3, 511, 0.8}});
  int32 index = 0;
  changes.getParameterData(0)->addPoint(300, 0.9, index);
  const auto a = automated.process(x, kSample64, &changes);

  // The same values given in a flush before the block.
  ASSERT_EQ(flush(preset, {{6, 0, 0.9}, {3, 0, 0.8}}), kResultOk);
  const auto b = preset.process(x, kSample64);
  EXPECT_EQ(a, b);
}

TEST(Audio, ZeroSampleFlushAppliesChangesAndTouchesNoBuffer)
{
  Instance plug(createComponent());
  plug.setup(kSample32);
  ParameterChanges changes;
  fillChanges(changes, {{kBypass, 0, 1.0}});
  HostProcessData data;
  data.prepare(*plug.component, 64, kSample32);
  const float sentinel = std::numeric_limits<float>::quiet_NaN();
  for (int c = 0; c < 2; ++c)
  {
    std::fill(data.inputs[0].channelBuffers32[c], data.inputs[0].channelBuffers32[c] + 64, 0.25f);
    std::fill(data.outputs[0].channelBuffers32[c], data.outputs[0].channelBuffers32[c] + 64, sentinel);
  }
  data.numSamples = 0;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(plug.processor->process(data), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 64; ++i)
      ASSERT_TRUE(std::isnan(data.outputs[0].channelBuffers32[c][i]));

  // Bypass now holds: the next block passes the input through unchanged.
  data.numSamples = 64;
  data.inputParameterChanges = nullptr;
  ASSERT_EQ(plug.processor->process(data), kResultOk);
  EXPECT_EQ(data.outputs[0].channelBuffers32[1][63], 0.25f);

  // Buses without channel pointers are no buffers either.
  AudioBusBuffers in, out;
  in.numChannels = out.numChannels = 2;
  ProcessData empty{};
  empty.symbolicSampleSize = kSample32;
  empty.numInputs = empty.numOutputs = 1;
  empty.inputs = &in;
  empty.outputs = &out;
  empty.numSamples = 64;
  EXPECT_EQ(plug.processor->process(empty), kResultOk);
}

TEST(Audio, BypassPassesTheInputThroughForTheWholeBlock)
{
  Instance plug(createComponent());
  plug.setup(kSample32);
  std::vector<double> x = testSignal(256);
  for (double& v : x)
    v = static_cast<float>(v);
  ParameterChanges changes;
  fillChanges(changes, {{kBypass, 200, 1.0}});
  const auto out = plug.process(x, kSample32, &changes);
  EXPECT_EQ(out[0], x);
  EXPECT_EQ(out[1], x);
}
