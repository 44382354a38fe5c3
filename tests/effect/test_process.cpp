// The signal path: control schedule, coefficients, what the listener hears (all-pass
// amplitude, identical channels, no denormals), host sync, recovery from non-finite input,
// and the optimised block loop held bit for bit to a plain per-sample reference.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "support/EffectHost.h"

using Access = TrellowPhaserTestAccess;

namespace {
constexpr double kTwoPi = 6.283185307179586;

struct Noise
{
  uint64_t state;
  explicit Noise(uint64_t seed) : state(seed) {}
  uint64_t next()
  {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); } // [0, 1)
  double sample() { return uniform() - 0.5; }
};

template <typename Plug>
void setValue(EffectHost<Plug>& host, int idx, double value)
{
  host.plug().SetParameterValue(idx, host.param(idx).ToNormalized(value));
}

/** Index of the first sample whose bits differ, or -1. */
long firstDifference(const std::vector<double>& a, const std::vector<double>& b)
{
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
      return static_cast<long>(i);
  return -1;
}

// ---------------------------------------------------------------------------------------
// The reference: the signal path restated one sample and one channel at a time, with a
// per-sample countdown for the control schedule. Slow and plain on purpose.

class ReferencePhaser
{
public:
  /** Built like the effect: the LFO hears the parameters before the sample rate. */
  ReferencePhaser(const double (&values)[kNumParams], double sampleRate)
  {
    for (int i = 0; i < kNumParams; ++i)
      set(i, values[i]);
    interval = std::max(1, static_cast<int>(sampleRate) / 1000);
    lfo.setSampleRate(sampleRate, interval);
    freqFactor = 100530.96491487337 / sampleRate;
  }

  void set(int idx, double v)
  {
    switch (idx)
    {
      case kParamStages: numStages = v >= 0.5 ? 8 : 4; break;
      case kParamManual: manual = v; break;
      case kParamSpread: spread = v * -0.5 + 1.0; break;
      case kParamFeedback:
        feedback = v * 0.99;
        // The old normalisation stays until the next update unless the loop it solves
        // would have a feedback factor of magnitude 1 or more.
        for (int c = 0; c < 2; ++c)
          if (!(std::fabs(feedback * norm[c] / (1.0 - feedback * gain[c] * norm[c])) < 1.0))
            norm[c] = 1.0 / (gain[c] * feedback + 1.0);
        break;
      case kParamLFOSpeed:
        lfo.setRate(v);
        lfo.setSyncRate(static_cast<int>(std::round(v * 19.0)));
        break;
      case kParamLFODepth: depth = v; break;
      case kParamMix:
        dry = std::sqrt(1.0 - v);
        wet = std::sqrt(v);
        break;
      case kParamSync:
        sync = v >= 0.5;
        lfo.setSync(sync);
        break;
      case kParamStereo: lfo.setStereo(v); break;
      case kParamWaveform: lfo.mWaveform = static_cast<int>(v); break;
    }
  }

  void process(const double* inL, const double* inR, double* outL, double* outR, int n,
               const frame::ITimeInfo& timeInfo)
  {
    if (sync)
    {
      if (timeInfo.mTransportIsRunning && !wasRunning)
      {
        // The sweep and its schedule start with playback, where the song is in its sixteenth.
        wasRunning = true;
        lfo.reset();
        lfo.synchronize(&timeInfo);
        countdown = 0;
      }
      else
      {
        wasRunning = timeInfo.mTransportIsRunning;
        // A pull of more than 15/16 of a sixteenth is the sweep a hair ahead: not taken. A
        // sweep up to 1e-9 ahead of the song's place is set back to it.
        LFO pulled = lfo;
        pulled.mPhase = lfo.mPhase - 1e-9;
        pulled.synchronize(&timeInfo);
        lfo.mPhaseInc = pulled.mPhaseInc;
        const double pull = pulled.mPhase - lfo.mPhase + (pulled.mPhase < lfo.mPhase - 1e-9 ? 2.0 * kTwoPi : 0.0);
        if (pulled.mPhase != lfo.mPhase - 1e-9 && pull * lfo.syncedCycle() <= 15.0 / 16.0 * kTwoPi)
          lfo.mPhase = pulled.mPhase;
      }
    }
    for (int i = 0; i < n; ++i)
    {
      if (countdown == 0)
      {
        controlUpdate();
        countdown = interval;
      }
      --countdown;
      r = -r;
      outL[i] = channelSample(0, inL[i]);
      outR[i] = channelSample(1, inR[i]);
    }
  }

private:
  void controlUpdate()
  {
    lfo.update();
    active = numStages;
    for (int c = 0; c < 2; ++c)
    {
      const double m = lfo.mOutput[c];
      const double x = (m * m - manual) * depth + manual;
      double u = x < 0.0 ? 0.0 : (x > 1.0 ? freqFactor : freqFactor * x);
      double g = 1.0;
      for (int k = 0; k < active; ++k)
      {
        const double a = (u + (-2.0)) * (1.0 / (u + 2.0));
        coef[c][k] = a;
        g = a * g;
        u = u * spread;
      }
      gain[c] = g;
      norm[c] = 1.0 / (g * feedback + 1.0);
    }
  }

  double channelSample(int c, double input)
  {
    double* s = state[c];
    const double* a = coef[c];
    for (int k = 0; k < active; ++k)
      s[k] = s[k] + r;
    const double x = input + r;
    double sum = s[0];
    for (int k = 1; k < active; ++k)
      sum = sum * a[k] + s[k];
    const double y = (gain[c] * x + sum) * norm[c];
    double v = x - feedback * y;
    for (int k = 0; k < active; ++k)
    {
      const double t = v * a[k] + s[k];
      s[k] = v - a[k] * t;
      v = t;
    }
    return y * wet + x * dry;
  }

  LFO lfo;
  int interval = 48, countdown = 0, numStages = 4, active = 4;
  bool sync = false, wasRunning = false;
  double manual = 0, depth = 0, spread = 1, feedback = 0, dry = 0, wet = 0, freqFactor = 0;
  double coef[2][8] = {}, state[2][8] = {}, gain[2] = {}, norm[2] = {};
  double r = 1e-13;
};

struct GoldenCase
{
  const char* name;
  int stages;        // 4 or 8; 0 lets automation switch between them
  double feedback;   // sign kept while automation moves the amount
  bool sync;
};

void runGolden(const GoldenCase& gc)
{
  constexpr double fs = 48000.0;
  constexpr int kMaxBlock = 512;
  EffectHost<> host(fs, kMaxBlock);
  Noise noise(0x5eed0000u + static_cast<uint64_t>(gc.stages * 10 + (gc.feedback > 0) * 2 + gc.sync));

  // The reference starts from the values the instance was initialised with.
  double initial[kNumParams];
  for (int i = 0; i < kNumParams; ++i)
    initial[i] = host.param(i).Value();
  ReferencePhaser ref(initial, fs);

  // Host automation reaches the effect through ApplyHostParamChange and the reference
  // through its own restatement of the change table, for every delivered change (a value
  // sent twice still recomputes, for instance, the LFO increment).
  std::vector<int> delivered;
  auto automate = [&](int idx, double value) {
    host.automateValue(idx, value);
    delivered.push_back(idx);
  };
  automate(kParamStages, gc.stages == 8 ? 1.0 : 0.0);
  automate(kParamFeedback, gc.feedback);
  automate(kParamSync, gc.sync ? 1.0 : 0.0);
  automate(kParamLFOSpeed, 0.6); // a fast sweep, so the coefficients move a lot

  host.setTransport(120.0, 0.0, false);
  const int total = static_cast<int>(3 * fs);
  std::vector<double> inL(kMaxBlock), inR(kMaxBlock), outL(kMaxBlock), outR(kMaxBlock), refL(kMaxBlock), refR(kMaxBlock);
  int done = 0, block = 0;
  while (done < total)
  {
    if (gc.sync && block == 40)
      host.setTransport(128.0, 3.25, true);
    if (gc.sync && block == 400)
      host.setTransport(93.5, 100.0, true);

    if (block % 7 == 3)
    {
      const int idx = static_cast<int>(noise.next() % kNumParams);
      double value = host.param(idx).FromNormalized(noise.uniform());
      if (idx == kParamFeedback)
        value = std::copysign(std::fabs(value), gc.feedback);
      if (!((idx == kParamStages && gc.stages != 0) || idx == kParamSync))
        automate(idx, value);
    }
    const frame::ITimeInfo timeInfo = host.timeInfo();

    const int n = std::min(total - done, 1 + static_cast<int>(noise.next() % kMaxBlock));
    for (int i = 0; i < n; ++i)
    {
      inL[static_cast<size_t>(i)] = noise.sample();
      inR[static_cast<size_t>(i)] = noise.sample() * 0.3;
    }
    host.process(inL.data(), inR.data(), outL.data(), outR.data(), n);
    // The changes were applied before the effect's block, so they go to the reference
    // before its block too, with the values the parameters hold.
    for (int idx : delivered)
      ref.set(idx, host.param(idx).Value());
    delivered.clear();
    ref.process(inL.data(), inR.data(), refL.data(), refR.data(), n, timeInfo);

    for (int i = 0; i < n; ++i)
    {
      const size_t k = static_cast<size_t>(i);
      ASSERT_EQ(std::memcmp(&outL[k], &refL[k], sizeof(double)), 0)
        << "left differs at sample " << done + i << ": " << outL[k] << " vs " << refL[k];
      ASSERT_EQ(std::memcmp(&outR[k], &refR[k], sizeof(double)), 0)
        << "right differs at sample " << done + i << ": " << outR[k] << " vs " << refR[k];
    }
    done += n;
    ++block;
  }
}
} // namespace

// ---------------------------------------------------------------------------------------

TEST(ProcessGolden, MatchesThePlainReferenceBitForBit)
{
  const GoldenCase cases[] = {
    {"4 stages, negative feedback", 4, -0.8, false},
    {"4 stages, positive feedback, synced", 4, 0.7, true},
    {"8 stages, positive feedback", 8, 0.9, false},
    {"8 stages, negative feedback, synced", 8, -0.6, true},
    {"stage count automated", 0, 0.5, false},
  };
  for (const GoldenCase& gc : cases)
  {
    SCOPED_TRACE(gc.name);
    runGolden(gc);
    if (HasFatalFailure())
      return;
  }
}

TEST(ProcessSchedule, ControlIntervalIsAboutAMillisecond)
{
  for (auto [fs, expected] : {std::pair{44100.0, 44}, {48000.0, 48}, {96000.0, 96}, {999.0, 1}, {500.0, 1}})
  {
    EffectHost<> host(fs, 64);
    EXPECT_EQ(Access::controlInterval(host.plug()), expected) << fs;
  }
}

TEST(ProcessSchedule, RatesBelow1000HzStillProcessEverySample)
{
  EffectHost<> host(500.0, 64);
  std::vector<double> l(64, 0.25), r(64, -0.25);
  host.process(l.data(), r.data(), 64);
  for (double v : l)
    EXPECT_TRUE(std::isfinite(v));
  EXPECT_EQ(Access::samplesToUpdate(host.plug()), 0);
}

TEST(ProcessSchedule, UpdatesFollowTheResetNotTheBlocks)
{
  EffectHost<> host(48000.0, 512);
  std::vector<double> l(100), r(100);
  host.process(l.data(), r.data(), 100); // updates at 0, 48 and 96
  EXPECT_EQ(Access::samplesToUpdate(host.plug()), 44);
  host.process(l.data(), r.data(), 100); // then at 44 and 92
  EXPECT_EQ(Access::samplesToUpdate(host.plug()), 40);
}

TEST(ProcessCoefficients, FixedSweepAt48kHzGivesTheExpectedNumbers)
{
  EffectHost<> host(48000.0, 512);
  setValue(host, kParamLFODepth, 0.0);
  TrellowPhaser& plug = host.plug();
  EXPECT_EQ(Access::freqFactor(plug), 2.0943951023931953);
  EXPECT_EQ(Access::freqFactor(plug) * 0.0625, 0.1308996938995747);
  double l[1] = {}, r[1] = {};
  host.process(l, r, 1);
  for (int k = 0; k < 4; ++k)
  {
    EXPECT_EQ(Access::coefL(plug)[k], -0.8771413837316514);
    EXPECT_EQ(Access::coefR(plug)[k], -0.8771413837316514);
  }
  EXPECT_EQ(Access::gainL(plug), 0.5919409789844112);
  EXPECT_EQ(Access::normL(plug), 1.0);
}

TEST(ProcessCoefficients, ZeroFrequencyMakesEveryStageMinusOneAndTheChainGainOne)
{
  for (double stages : {0.0, 1.0})
  {
    EffectHost<> host;
    setValue(host, kParamManual, 0.0);
    setValue(host, kParamLFODepth, 0.0);
    setValue(host, kParamStages, stages);
    double l[1] = {}, r[1] = {};
    host.process(l, r, 1);
    const int n = stages > 0.5 ? 8 : 4;
    for (int k = 0; k < n; ++k)
      EXPECT_EQ(Access::coefL(host.plug())[k], -1.0);
    EXPECT_EQ(Access::gainL(host.plug()), 1.0);
  }
}

TEST(ProcessListening, DryMixPassesTheInputWithOnlyTheOffset)
{
  EffectHost<> host;
  setValue(host, kParamMix, 0.0);
  Noise noise(7);
  std::vector<double> in(480), l(480), r(480);
  for (double& v : in)
    v = noise.sample();
  host.process(in.data(), in.data(), l.data(), r.data(), 480);
  for (size_t i = 0; i < in.size(); ++i)
  {
    const double offset = i % 2 == 0 ? -1e-13 : 1e-13;
    ASSERT_EQ(l[i], in[i] + offset) << i;
  }
}

TEST(ProcessListening, AllPassKeepsASteadySineAtItsLevel)
{
  EffectHost<> host;
  setValue(host, kParamMix, 1.0);
  setValue(host, kParamFeedback, 0.0);
  setValue(host, kParamLFODepth, 1.0);
  setValue(host, kParamLFOSpeed, 0.3); // a clearly audible sweep of about 2 Hz
  const int n = 96000;
  std::vector<double> l(n), r(n);
  for (int i = 0; i < n; ++i)
    l[static_cast<size_t>(i)] = r[static_cast<size_t>(i)] = 0.5 * std::sin(kTwoPi * 1000.0 * i / 48000.0);
  for (int done = 0; done < n; done += 512)
    host.process(l.data() + done, r.data() + done, std::min(512, n - done));
  // RMS over 20 ms windows, after the filters have settled.
  for (int start = 4800; start + 960 <= n; start += 960)
  {
    double sum = 0.0;
    for (int i = start; i < start + 960; ++i)
      sum += l[static_cast<size_t>(i)] * l[static_cast<size_t>(i)];
    EXPECT_NEAR(std::sqrt(sum / 960.0), 0.5 / std::sqrt(2.0), 0.01) << "window at " << start;
  }
}

TEST(ProcessListening, CentredStereoGivesIdenticalChannels)
{
  for (double waveform : {0.0, 1.0})
  {
    EffectHost<> host;
    setValue(host, kParamStereo, 0.5);
    setValue(host, kParamWaveform, waveform);
    setValue(host, kParamFeedback, -0.7);
    setValue(host, kParamSpread, 0.6);
    Noise noise(11);
    std::vector<double> in(24000), l(24000), r(24000);
    for (double& v : in)
      v = noise.sample();
    for (int done = 0; done < 24000; done += 500)
      host.process(in.data() + done, in.data() + done, l.data() + done, r.data() + done, 500);
    EXPECT_EQ(firstDifference(l, r), -1) << "waveform " << waveform;
  }
}

TEST(ProcessListening, SilenceGivesTinyOutputAndNoDenormals)
{
  EffectHost<> host;
  setValue(host, kParamStages, 1.0);
  setValue(host, kParamFeedback, 0.9);
  std::vector<double> l(512), r(512);
  for (int block = 0; block < 200; ++block)
  {
    std::fill(l.begin(), l.end(), 0.0);
    std::fill(r.begin(), r.end(), 0.0);
    host.process(l.data(), r.data(), 512);
    for (double v : l)
    {
      ASSERT_NE(std::fpclassify(v), FP_SUBNORMAL);
      ASSERT_LT(std::fabs(v), 1e-11);
    }
  }
  for (int k = 0; k < 8; ++k)
  {
    EXPECT_GT(std::fabs(Access::stateL(host.plug())[k]), 1e-20) << "stage " << k;
    EXPECT_LT(std::fabs(Access::stateL(host.plug())[k]), 1e-11) << "stage " << k;
  }
}

TEST(ProcessListening, ExtremeSettingsAtLowRatesStayAsBoundedAsAt48kHz)
{
  // Noise of peak 1 through eight stages at full spread, depth and feedback, swept as fast
  // as the knob goes: at 48 kHz the resonance peaks at a few hundred. At 1 kHz the filters
  // were swept past half the sample rate and faster than they follow, and it reached 1e7.
  for (double fs : {1000.0, 8000.0})
    for (double feedback : {-1.0, 1.0})
      for (double stereo : {0.0, 1.0})
        for (double waveform : {0.0, 1.0})
        {
          EffectHost<> host(fs, 500);
          setValue(host, kParamStages, 1.0);
          setValue(host, kParamSpread, 1.0);
          setValue(host, kParamLFODepth, 1.0);
          setValue(host, kParamLFOSpeed, 1.0);
          setValue(host, kParamMix, 1.0);
          setValue(host, kParamFeedback, feedback);
          setValue(host, kParamStereo, stereo);
          setValue(host, kParamWaveform, waveform);
          Noise noise(5);
          std::vector<double> l(500), r(500);
          double peak = 0.0;
          for (int done = 0; done < 5 * fs; done += 500)
          {
            for (size_t i = 0; i < 500; ++i)
            {
              l[i] = 2.0 * noise.sample();
              r[i] = 2.0 * noise.sample();
            }
            host.process(l.data(), r.data(), 500);
            for (size_t i = 0; i < 500; ++i)
              peak = std::max({peak, std::fabs(l[i]), std::fabs(r[i])});
          }
          EXPECT_LT(peak, 1000.0) << fs << " Hz, feedback " << feedback << ", stereo " << stereo << ", waveform " << waveform;
        }
}

TEST(ProcessBlocks, SingleSampleBlocksEqualOneLongBlock)
{
  const int n = 4800;
  EffectHost<> whole(48000.0, n), single(48000.0, n), hundreds(48000.0, n);
  for (auto* h : {&whole, &single, &hundreds})
  {
    setValue(*h, kParamStages, 1.0);
    setValue(*h, kParamFeedback, 0.6);
    setValue(*h, kParamStereo, 0.9);
  }
  Noise noise(3);
  std::vector<double> inL(n), inR(n);
  for (int i = 0; i < n; ++i)
  {
    inL[static_cast<size_t>(i)] = noise.sample();
    inR[static_cast<size_t>(i)] = noise.sample();
  }
  std::vector<double> aL(n), aR(n), bL(n), bR(n), cL(n), cR(n);
  whole.process(inL.data(), inR.data(), aL.data(), aR.data(), n);
  for (int i = 0; i < n; ++i)
    single.process(&inL[static_cast<size_t>(i)], &inR[static_cast<size_t>(i)], &bL[static_cast<size_t>(i)], &bR[static_cast<size_t>(i)], 1);
  for (int i = 0; i < n; i += 100)
    hundreds.process(&inL[static_cast<size_t>(i)], &inR[static_cast<size_t>(i)], &cL[static_cast<size_t>(i)], &cR[static_cast<size_t>(i)], 100);
  EXPECT_EQ(firstDifference(aL, bL), -1);
  EXPECT_EQ(firstDifference(aR, bR), -1);
  EXPECT_EQ(firstDifference(aL, cL), -1);
  EXPECT_EQ(firstDifference(aR, cR), -1);
}

TEST(ProcessBlocks, InPlaceEqualsSeparateBuffers)
{
  EffectHost<> a, b;
  Noise noise(5);
  std::vector<double> inL(512), inR(512), outL(512), outR(512);
  for (size_t i = 0; i < 512; ++i)
  {
    inL[i] = noise.sample();
    inR[i] = noise.sample();
  }
  a.process(inL.data(), inR.data(), outL.data(), outR.data(), 512);
  b.process(inL.data(), inR.data(), 512); // in place
  EXPECT_EQ(firstDifference(outL, inL), -1);
  EXPECT_EQ(firstDifference(outR, inR), -1);
}

TEST(ProcessBlocks, ThirtyTwoBitCallsGiveTheSixtyFourBitResultRounded)
{
  // The signal path reads the host's 32-bit buffers itself: it must sound exactly as the
  // 64-bit path on their conversions, in odd lengths, in place, past the block size, across
  // a bypass, and where a missing output sends the call through the frame's conversion.
  const int sizes[] = {1, 7, 64, 63, 600, 2, 33, 512, 5};
  EffectHost<> wide(48000.0, 512), narrow(48000.0, 512);
  for (auto* h : {&wide, &narrow})
  {
    setValue(*h, kParamStages, 1.0);
    setValue(*h, kParamFeedback, 0.8);
    setValue(*h, kParamStereo, 0.9);
    setValue(*h, kParamSync, 1.0);
    h->setTransport(97.5, 0.25, true);
  }
  Noise noise(11);
  for (int round = 0; round < 4; ++round)
  {
    const bool inPlace = round % 2 == 1;
    for (auto* h : {&wide, &narrow})
      h->plug().SetBypassed(round == 2);
    for (int n : sizes)
    {
      std::vector<float> inL(static_cast<size_t>(n)), inR(inL.size()), outL(inL.size()), outR(inL.size());
      for (size_t i = 0; i < inL.size(); ++i)
      {
        inL[i] = static_cast<float>(noise.sample());
        inR[i] = static_cast<float>(noise.sample());
      }
      std::vector<double> wideL(inL.begin(), inL.end()), wideR(inR.begin(), inR.end());
      wide.process(wideL.data(), wideR.data(), n);
      if (round == 3 && n == 63)
      {
        const float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), nullptr};
        frame::AudioThreadScope audio;
        narrow.plug().SetTimeInfo(narrow.timeInfo());
        narrow.plug().ProcessBuffers(in, 2, out, 2, n);
        narrow.setTransport(97.5, narrow.timeInfo().mPPQPos + n / 48000.0 * 97.5 / 60.0, true);
        outR.assign(wideR.begin(), wideR.end());
      }
      else if (inPlace)
      {
        narrow.process(inL.data(), inR.data(), inL.data(), inR.data(), n);
        outL = inL;
        outR = inR;
      }
      else
        narrow.process(inL.data(), inR.data(), outL.data(), outR.data(), n);
      for (size_t i = 0; i < outL.size(); ++i)
      {
        ASSERT_EQ(outL[i], static_cast<float>(wideL[i])) << "round " << round << ", " << n << " frames, frame " << i;
        ASSERT_EQ(outR[i], static_cast<float>(wideR[i])) << "round " << round << ", " << n << " frames, frame " << i;
      }
    }
  }
}

TEST(ProcessSync, TransportStartRestartsTheSyncedLFO)
{
  EffectHost<> host;
  setValue(host, kParamSync, 1.0);
  host.setTransport(120.0, 0.0, false);
  std::vector<double> l(480), r(480);
  host.process(l.data(), r.data(), 480); // ten intervals with the transport stopped
  LFO& lfo = Access::lfo(host.plug());
  ASSERT_NE(lfo.mPhase, -kTwoPi + lfo.mPhaseInc);

  // 17.6 quarter notes are 0.4 into a sixteenth: the cycle starts there, where the song is.
  host.setTransport(120.0, 17.6, true);
  LFO expected = lfo;
  expected.reset();
  expected.synchronize(&host.timeInfo());
  expected.update();
  ASSERT_GT(expected.mPhase, -kTwoPi + lfo.mPhaseInc);
  host.process(l.data(), r.data(), 48); // one update
  EXPECT_EQ(lfo.mPhase, expected.mPhase);
  EXPECT_TRUE(Access::transportWasRunning(host.plug()));
}

TEST(ProcessSync, TurningSyncOnRestartsOnlyIfTheTransportWasLastSeenStopped)
{
  EffectHost<> host;
  host.setTransport(120.0, 0.0, true);
  std::vector<double> l(48), r(48);
  host.process(l.data(), r.data(), 48); // sync off: the transport is not looked at
  EXPECT_FALSE(Access::transportWasRunning(host.plug()));

  LFO& lfo = Access::lfo(host.plug());
  setValue(host, kParamSync, 1.0);
  LFO expected = lfo;
  expected.reset();
  expected.synchronize(&host.timeInfo());
  expected.update();
  host.process(l.data(), r.data(), 48);
  EXPECT_EQ(lfo.mPhase, expected.mPhase) << "first sync step with the transport running restarts";

  setValue(host, kParamSync, 0.0);
  host.process(l.data(), r.data(), 48);
  setValue(host, kParamSync, 1.0);
  expected = lfo;
  expected.synchronize(&host.timeInfo());
  expected.update();
  host.process(l.data(), r.data(), 48);
  EXPECT_EQ(lfo.mPhase, expected.mPhase) << "the last sync step saw it running: no restart";
}

TEST(ProcessSync, UnusableHostTempoAndPositionKeepTheSweepFinite)
{
  EffectHost<> host;
  setValue(host, kParamSync, 1.0);
  const double inf = std::numeric_limits<double>::infinity();
  Noise noise(9);
  std::vector<double> l(256), r(256);
  for (int block = 0; block < 40; ++block)
  {
    host.setTransport(block % 2 ? inf : std::nan(""), block % 3 ? std::nan("") : -inf, true);
    for (size_t i = 0; i < 256; ++i)
      l[i] = r[i] = noise.sample();
    host.process(l.data(), r.data(), 256);
    const double phase = Access::lfo(host.plug()).mPhase;
    ASSERT_TRUE(phase >= -kTwoPi && phase < kTwoPi) << phase;
    for (double v : l)
      ASSERT_TRUE(std::isfinite(v));
  }
}

TEST(ProcessReset, UnchangedRateClearsTheFiltersButKeepsTheLFOPhase)
{
  EffectHost<> host;
  Noise noise(13);
  std::vector<double> l(1000), r(1000);
  for (size_t i = 0; i < 1000; ++i)
    l[i] = r[i] = noise.sample();
  host.process(l.data(), r.data(), 1000);
  const double phase = Access::lfo(host.plug()).mPhase;

  host.plug().SetupProcessing(48000.0, 512);
  EXPECT_EQ(Access::lfo(host.plug()).mPhase, phase);
  EXPECT_EQ(Access::samplesToUpdate(host.plug()), 0);
  for (int k = 0; k < 8; ++k)
    EXPECT_EQ(Access::stateL(host.plug())[k], 0.0);

  host.plug().SetupProcessing(96000.0, 512);
  EXPECT_EQ(Access::lfo(host.plug()).mPhase, -kTwoPi);
}

TEST(ProcessReset, FreeSweepRunsAtTheNominalRateWhateverTheSampleRate)
{
  // The parameters reach the LFO before the host announces its rate; the announced rate
  // still decides the sweep's speed, as it does after a state reload.
  EffectHost<> host(48000.0, 512);
  const LFO& lfo = Access::lfo(host.plug());
  const double nominal = 157.07963267948966 * 0.077 * 0.077 / 1000.0;
  EXPECT_EQ(lfo.mPhaseInc, nominal);
  host.plug().SetupProcessing(96000.0, 512);
  EXPECT_EQ(lfo.mPhaseInc, nominal);
}

TEST(ProcessRecovery, FiniteOutputResumesWithinOneIntervalOfFiniteInput)
{
  EffectHost<> host;
  setValue(host, kParamFeedback, 0.8);
  const double inf = std::numeric_limits<double>::infinity();
  Noise noise(17);
  const int n = 4800;
  std::vector<double> l(n), r(n);
  for (int i = 0; i < n; ++i)
  {
    l[static_cast<size_t>(i)] = noise.sample();
    r[static_cast<size_t>(i)] = noise.sample();
  }
  const int lastBad = 1010;
  l[1000] = std::nan("");
  for (int i = 1001; i <= lastBad; ++i)
    l[static_cast<size_t>(i)] = i % 2 ? inf : -inf;
  for (int done = 0; done < n; done += 300)
    host.process(l.data() + done, r.data() + done, std::min(300, n - done));

  EXPECT_FALSE(std::isfinite(l[1001])) << "the bad input does get through while it lasts";
  for (int i = lastBad + 1 + 48; i < n; ++i)
    ASSERT_TRUE(std::isfinite(l[static_cast<size_t>(i)])) << "sample " << i;
  for (int i = 0; i < n; ++i)
    ASSERT_TRUE(std::isfinite(r[static_cast<size_t>(i)])) << "the right channel never saw it, sample " << i;
}
