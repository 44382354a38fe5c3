// The signal-path module as hosts drive it, bad input included. This executable counts
// every allocation, so a run that allocates fails here.
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "lv2/time/time.h"

#include "Lv2TestHost.h"
#include "effect/params.h"
#include "frame/AudioThread.h"
#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"

// Counted by support/CountingAllocator.cpp, linked into this executable.
extern std::atomic<long> gAllocations;

namespace {
constexpr uint32_t port(int paramIdx) { return Lv2Instance::kFirstParam + static_cast<uint32_t>(paramIdx); }
float& param(Lv2Instance& in, int idx) { return in.params[idx]; }

// Runs frames through the instance from a fresh input and returns both outputs.
std::vector<float> render(Lv2Instance& in, int frames, int start = 0)
{
  in.FillInput(frames, start);
  in.d->run(in.handle, static_cast<uint32_t>(frames));
  std::vector<float> out(in.outL.begin(), in.outL.begin() + frames);
  out.insert(out.end(), in.outR.begin(), in.outR.begin() + frames);
  return out;
}

struct Position
{
  double bpm = 120, beatUnit = 4, beat = 0, speed = 1;
  int64_t frame = 0;
};

void forgePosition(Lv2Instance& in, int64_t frame, const Position& p)
{
  LV2_Atom_Forge& f = in.forge;
  LV2_Atom_Forge_Frame obj;
  lv2_atom_forge_frame_time(&f, frame);
  lv2_atom_forge_object(&f, &obj, 0, in.urids.Map(LV2_TIME__Position));
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&f, static_cast<float>(p.bpm));
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__beatUnit));
  lv2_atom_forge_int(&f, static_cast<int32_t>(p.beatUnit));
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__beat));
  lv2_atom_forge_double(&f, p.beat);
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__speed));
  lv2_atom_forge_float(&f, static_cast<float>(p.speed));
  lv2_atom_forge_key(&f, in.urids.Map(LV2_TIME__frame));
  lv2_atom_forge_long(&f, p.frame);
  lv2_atom_forge_pop(&f, &obj);
}

// A synced instance: what it plays depends on the transport it is told of.
std::unique_ptr<Lv2Instance> synced(int frames)
{
  auto in = std::make_unique<Lv2Instance>(frames);
  in->ConnectAll(frames);
  param(*in, kParamSync) = 1.0f;
  param(*in, kParamLFODepth) = 100.0f;
  param(*in, kParamLFOSpeed) = 1.0f; // the fastest note value, so a short render shows it
  return in;
}
} // namespace

TEST(Lv2Module, LoadsAndInstantiates)
{
  ASSERT_NE(Lv2Descriptor(), nullptr) << dlerror();
  EXPECT_STREQ(Lv2Descriptor()->URI, frame::PluginDescriptor().uri);
  Lv2Instance in;
  EXPECT_NE(in.handle, nullptr);
}

TEST(Lv2BadInput, PortsNotConnectedAreNeverRead)
{
  // No features at all, nothing connected: the host's mistake must cost nothing but sound.
  Lv2Instance bare(0, false);
  ASSERT_NE(bare.handle, nullptr);
  bare.d->activate(bare.handle);
  bare.d->run(bare.handle, 256);
  // Outputs alone, then inputs alone.
  std::vector<float> out(256, 1.0f);
  bare.d->connect_port(bare.handle, 2, out.data());
  bare.d->run(bare.handle, 256);
  for (float v : out)
    ASSERT_TRUE(std::isfinite(v));
  bare.d->connect_port(bare.handle, 2, nullptr);
  bare.d->connect_port(bare.handle, 0, out.data());
  bare.d->run(bare.handle, 256);
  bare.d->deactivate(bare.handle);
  EXPECT_TRUE(bare.SaveState().empty()) << "without a URID map there is no state to give";
}

TEST(Lv2BadInput, OutOfRangeValuesClampAndNaNIsIgnored)
{
  Lv2Instance wild(64), limit(64);
  wild.ConnectAll(64);
  limit.ConnectAll(64);
  param(wild, kParamManual) = 1e9f;
  param(wild, kParamFeedback) = -1e9f;
  param(wild, kParamWaveform) = INFINITY;
  param(limit, kParamManual) = 16000.0f;
  param(limit, kParamFeedback) = -100.0f;
  param(limit, kParamWaveform) = 1.0f;
  render(wild, 64);
  render(limit, 64);
  EXPECT_EQ(wild.SaveState(), limit.SaveState());

  // NaN after a value: the value stays, in the settings and in the sound.
  param(wild, kParamManual) = NAN;
  wild.enabled = NAN;
  render(wild, 64);
  render(limit, 64);
  EXPECT_EQ(wild.SaveState(), limit.SaveState());
  EXPECT_EQ(render(wild, 64, 64), render(limit, 64, 64));

  // The host's bypass: off passes the input, NaN changes nothing.
  wild.enabled = 0.0f;
  const std::vector<float> bypassed = render(wild, 64);
  wild.enabled = NAN;
  EXPECT_EQ(render(wild, 64), bypassed);
  std::vector<float> input(wild.inL.begin(), wild.inL.end());
  input.insert(input.end(), wild.inR.begin(), wild.inR.end());
  EXPECT_EQ(bypassed, input);
}

TEST(Lv2BadInput, UnknownAtomsAndMalformedPositionsChangeNothing)
{
  constexpr int kFrames = 4096;
  auto reference = synced(kFrames);
  auto fed = synced(kFrames);
  fed->BeginSequence();
  LV2_Atom_Forge& f = fed->forge;
  UridMap& u = fed->urids;
  lv2_atom_forge_frame_time(&f, 0);
  lv2_atom_forge_int(&f, 42);
  // A position in which one value is not a number: none of it applies.
  LV2_Atom_Forge_Frame obj;
  lv2_atom_forge_frame_time(&f, 10);
  lv2_atom_forge_object(&f, &obj, 0, u.Map(LV2_TIME__Position));
  lv2_atom_forge_key(&f, u.Map(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&f, 60.0f);
  lv2_atom_forge_key(&f, u.Map(LV2_TIME__speed));
  lv2_atom_forge_string(&f, "fast", 4);
  lv2_atom_forge_pop(&f, &obj);
  for (float bad : {NAN, INFINITY})
  {
    lv2_atom_forge_frame_time(&f, 20);
    lv2_atom_forge_object(&f, &obj, 0, u.Map(LV2_TIME__Position));
    lv2_atom_forge_key(&f, u.Map(LV2_TIME__speed));
    lv2_atom_forge_float(&f, 1.0f);
    lv2_atom_forge_key(&f, u.Map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&f, bad);
    lv2_atom_forge_pop(&f, &obj);
  }
  // Another kind of object, then an event whose size runs past the sequence.
  lv2_atom_forge_frame_time(&f, 30);
  lv2_atom_forge_object(&f, &obj, 0, u.Map("urn:test:other"));
  lv2_atom_forge_key(&f, u.Map(LV2_TIME__speed));
  lv2_atom_forge_float(&f, 1.0f);
  lv2_atom_forge_pop(&f, &obj);
  const LV2_Atom_Forge_Ref lastRef = lv2_atom_forge_frame_time(&f, 40);
  lv2_atom_forge_int(&f, 7);
  fed->EndSequence();
  reinterpret_cast<LV2_Atom_Event*>(lv2_atom_forge_deref(&f, lastRef))->body.size = 1u << 30;

  EXPECT_EQ(render(*fed, kFrames), render(*reference, kFrames));
}

TEST(Lv2Time, PositionsAreQuarterNotesAndSplitTheRunWhereTheyFall)
{
  constexpr int kFrames = 6000;
  // 150 quarters a minute at quarter 2.3, told in quarters and in eighths: one transport.
  auto quarters = synced(kFrames);
  quarters->BeginSequence();
  forgePosition(*quarters, 0, {150, 4, 2.3, 1});
  quarters->EndSequence();
  auto eighths = synced(kFrames);
  eighths->BeginSequence();
  forgePosition(*eighths, 0, {300, 8, 4.6, 1});
  eighths->EndSequence();
  auto untold = synced(kFrames);
  const std::vector<float> q = render(*quarters, kFrames);
  EXPECT_EQ(render(*eighths, kFrames), q);
  EXPECT_NE(render(*untold, kFrames), q) << "the position must reach the sound";

  // A change of tempo alone well into one run (over half a sixteenth, where a position left
  // behind would pull the sweep forward) sounds as the same change at the start of a second
  // run: the position it leaves out has moved on to where it falls.
  constexpr int kSplit = 3000;
  auto tempoAt = [](Lv2Instance& in, int64_t frame) {
    LV2_Atom_Forge_Frame obj;
    lv2_atom_forge_frame_time(&in.forge, frame);
    lv2_atom_forge_object(&in.forge, &obj, 0, in.urids.Map(LV2_TIME__Position));
    lv2_atom_forge_key(&in.forge, in.urids.Map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&in.forge, 90.0f);
    lv2_atom_forge_pop(&in.forge, &obj);
  };
  auto whole = synced(kFrames);
  whole->BeginSequence();
  forgePosition(*whole, 0, {150, 4, 2.3, 1});
  tempoAt(*whole, kSplit);
  whole->EndSequence();
  auto split = synced(kFrames);
  split->BeginSequence();
  forgePosition(*split, 0, {150, 4, 2.3, 1});
  split->EndSequence();
  std::vector<float> a = render(*split, kSplit);
  split->BeginSequence();
  tempoAt(*split, 0);
  split->EndSequence();
  std::vector<float> b = render(*split, kFrames - kSplit, kSplit);
  const std::vector<float> w = render(*whole, kFrames);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kFrames; ++i)
    {
      const float expect = i < kSplit ? a[static_cast<size_t>(c * kSplit + i)] : b[static_cast<size_t>(c * (kFrames - kSplit) + i - kSplit)];
      ASSERT_EQ(w[static_cast<size_t>(c * kFrames + i)], expect) << "channel " << c << " frame " << i;
    }
}

TEST(Lv2Time, ATempoNotAboveZeroKeepsThePositionAsInTheOtherFormats)
{
  // VST 3 and CLAP hand such a tempo on as it is, with the host's position; the frame and
  // the sweep take it from there. LV2 must give the frame the same.
  constexpr int kFrames = 6000;
  for (double bpm : {0.0, -120.0})
  {
    auto lv2 = synced(kFrames);
    lv2->BeginSequence();
    forgePosition(*lv2, 0, {bpm, 4, 2.3, 1, 48000});
    // A bar of absurd length is no reason to drop the rest, nor to convert out of range.
    LV2_Atom_Forge_Frame obj;
    lv2_atom_forge_frame_time(&lv2->forge, 0);
    lv2_atom_forge_object(&lv2->forge, &obj, 0, lv2->urids.Map(LV2_TIME__Position));
    lv2_atom_forge_key(&lv2->forge, lv2->urids.Map(LV2_TIME__beatsPerBar));
    lv2_atom_forge_double(&lv2->forge, 1e300);
    lv2_atom_forge_pop(&lv2->forge, &obj);
    lv2->EndSequence();
    const std::vector<float> got = render(*lv2, kFrames);

    std::unique_ptr<frame::IFramePlugin> plug(frame::CreatePlugin());
    plug->Initialize("");
    plug->SetupProcessing(48000.0, kFrames);
    plug->SetActive(true);
    frame::ITimeInfo t;
    t.mTempo = bpm;
    t.mPPQPos = 2.3;
    t.mSamplePos = 48000.0;
    t.mSamplePosValid = true;
    t.mTransportIsRunning = true;
    std::vector<float> outL(kFrames), outR(kFrames);
    const float* ins[] = {lv2->inL.data(), lv2->inR.data()};
    float* outs[] = {outL.data(), outR.data()};
    {
      frame::AudioThreadScope audio;
      for (int p : {kParamLFOSpeed, kParamLFODepth, kParamSync})
        plug->ApplyHostParamChange(p, 1.0);
      plug->SetTimeInfo(t);
      plug->ProcessBuffers(ins, 2, outs, 2, kFrames);
    }
    outL.insert(outL.end(), outR.begin(), outR.end());
    EXPECT_EQ(got, outL) << "tempo " << bpm;
  }
}

TEST(Lv2Time, ThePlayingSweepFollowsTheTimelineNotTheHostsBlocks)
{
  constexpr int kFrames = 6000;
  std::vector<float> renders[2];
  const int blocks[2] = {100, 256};
  for (int r = 0; r < 2; ++r)
  {
    auto in = synced(kFrames);
    in->BeginSequence();
    forgePosition(*in, 0, {132, 4, 0, 1, 0});
    in->EndSequence();
    for (int done = 0; done < kFrames; done += blocks[r])
    {
      const int n = std::min(blocks[r], kFrames - done);
      const std::vector<float> out = render(*in, n, done);
      renders[r].insert(renders[r].end(), out.begin(), out.begin() + n); // the left channel
      if (done == 0)
      {
        in->BeginSequence();
        in->EndSequence();
      }
    }
  }
  for (size_t i = 0; i < renders[0].size(); ++i)
    ASSERT_EQ(renders[0][i], renders[1][i]) << "frame " << i;
}

TEST(Lv2Run, NoFramesTouchNothingAndLongRunsGoInPiecesWithoutAllocating)
{
  constexpr int kMax = 64, kLong = 1000;
  Lv2Instance big(kMax), pieces(kMax);
  big.ConnectAll(kLong);
  pieces.ConnectAll(kMax);
  param(big, kParamFeedback) = 60.0f;
  param(pieces, kParamFeedback) = 60.0f;

  std::fill(big.outL.begin(), big.outL.end(), 7.0f);
  const long before = gAllocations.load();
  big.d->run(big.handle, 0);
  EXPECT_EQ(big.outL[0], 7.0f);
  big.FillInput(kLong);
  big.d->run(big.handle, kLong);
  EXPECT_EQ(gAllocations.load(), before);

  for (int done = 0; done < kLong; done += kMax)
  {
    const int n = std::min(kMax, kLong - done);
    const std::vector<float> out = render(pieces, n, done);
    for (int i = 0; i < n; ++i)
    {
      ASSERT_EQ(big.outL[static_cast<size_t>(done + i)], out[static_cast<size_t>(i)]) << done + i;
      ASSERT_EQ(big.outR[static_cast<size_t>(done + i)], out[static_cast<size_t>(n + i)]) << done + i;
    }
  }
}

TEST(Lv2State, TheSameChunkAsEveryFormatAndRefusedWhenUnreadable)
{
  Lv2Instance a(64);
  a.ConnectAll(64);
  param(a, kParamManual) = 4000.0f;
  a.enabled = 0.0f;
  render(a, 64);
  const std::vector<uint8_t> saved = a.SaveState();
  ASSERT_FALSE(saved.empty());

  std::unique_ptr<frame::IFramePlugin> plug(frame::CreatePlugin());
  plug->GetParam(kParamManual)->Set(0.25);
  plug->SetBypassed(true);
  frame::IByteChunk chunk;
  ASSERT_TRUE(plug->SaveState(chunk));
  EXPECT_EQ(saved, std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size()));

  Lv2Instance b(64);
  b.ConnectAll(64);
  render(b, 64);
  const std::vector<uint8_t> before = b.SaveState();
  std::vector<uint8_t> future = saved;
  const std::string tag = "Mistlegrove Phaser_2.0.1";
  ASSERT_EQ(std::string(future.begin(), future.begin() + static_cast<long>(tag.size())), tag);
  future[tag.size() - 5] = '9';
  const std::vector<uint8_t> shortOne(saved.begin(), saved.end() - 1);
  const std::vector<uint8_t> cases[] = {shortOne, future, {}};
  for (const auto& bad : cases)
  {
    EXPECT_NE(b.RestoreState(bad), LV2_STATE_SUCCESS);
    EXPECT_EQ(b.SaveState(), before);
  }
  EXPECT_NE(b.RestoreState(saved, LV2_ATOM__String), LV2_STATE_SUCCESS);
  EXPECT_EQ(b.SaveState(), before);

  ASSERT_EQ(b.RestoreState(saved), LV2_STATE_SUCCESS);
  EXPECT_EQ(b.SaveState(), saved);
  b.enabled = NAN; // the restored bypass holds until the host moves its own control
  param(b, kParamManual) = NAN;
  EXPECT_EQ(render(b, 64), render(a, 64));
}

TEST(Lv2Run, TheFirstRunOnANewThreadAllocatesNothing)
{
  Lv2Instance in(256);
  in.ConnectAll(256);
  in.FillInput(256);
  render(in, 256);
  // Hosts change their audio threads, many at every start of playback.
  long allocated = -1;
  std::thread audio([&] {
    const long before = gAllocations.load();
    in.d->run(in.handle, 256);
    allocated = gAllocations.load() - before;
  });
  audio.join();
  EXPECT_EQ(allocated, 0);
}

TEST(Lv2Instantiate, RatesTheSignalPathCannotServeAreRefused)
{
  for (double rate : {0.0, -48000.0, 5e-324, 1.0, 999.0, 768001.0, 1e12})
    EXPECT_EQ(Lv2Instance(64, true, rate).handle, nullptr) << rate;
  for (double rate : {1000.0, 1234.57, 768000.0})
    EXPECT_NE(Lv2Instance(64, true, rate).handle, nullptr) << rate;
}
