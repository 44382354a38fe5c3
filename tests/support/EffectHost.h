#pragma once

// A substitute host for the effect: builds a TrellowPhaser, initialises it and sets up
// processing as a host would, then runs processing calls on a marked audio thread with host
// automation and transport. Nothing here allocates once constructed, so the allocation test
// can drive it too.

#include <array>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "effect/trellowphaser.h"
#include "frame/AudioThread.h"

/** Read access to the effect's internals, and its private helpers, for tests only. */
struct TrellowPhaserTestAccess
{
  static LFO& lfo(TrellowPhaser& p) { return p.mLFO; }
  static int controlInterval(const TrellowPhaser& p) { return p.mControlInterval; }
  static int samplesToUpdate(const TrellowPhaser& p) { return p.mSamplesToUpdate; }
  static double freqFactor(const TrellowPhaser& p) { return p.mFreqFactor; }
  static double spreadFactor(const TrellowPhaser& p) { return p.mSpreadFactor; }
  static double feedback(const TrellowPhaser& p) { return p.mFeedback; }
  static double dryGain(const TrellowPhaser& p) { return p.mDryGain; }
  static double wetGain(const TrellowPhaser& p) { return p.mWetGain; }
  static int numStages(const TrellowPhaser& p) { return p.mNumStages; }
  static bool sync(const TrellowPhaser& p) { return p.mSync; }
  static bool transportWasRunning(const TrellowPhaser& p) { return p.mTransportWasRunning; }
  static const double* coefL(const TrellowPhaser& p) { return p.mCoefL; }
  static const double* coefR(const TrellowPhaser& p) { return p.mCoefR; }
  static double gainL(const TrellowPhaser& p) { return p.mGainL; }
  static double gainR(const TrellowPhaser& p) { return p.mGainR; }
  static double normL(const TrellowPhaser& p) { return p.mNormL; }
  static double normR(const TrellowPhaser& p) { return p.mNormR; }
  static const double* stateL(const TrellowPhaser& p) { return p.mStateL; }
  static const double* stateR(const TrellowPhaser& p) { return p.mStateR; }
  static double renorm(const TrellowPhaser& p) { return p.mRenormPhz; }

  template <typename... Values>
  static void makePreset(TrellowPhaser& p, int index, const char* name, Values... values)
  {
    p.makePreset(index, name, values...);
  }
};

/** The effect with a record of the frame's calls into it (allocates as it records). */
class ObservedPhaser : public TrellowPhaser
{
public:
  explicit ObservedPhaser(const frame::InstanceInfo& info) : TrellowPhaser(info) {}

  void OnParamChange(int paramIdx) override
  {
    changes.push_back(paramIdx);
    TrellowPhaser::OnParamChange(paramIdx);
  }
  void OnParamChangeUI(int paramIdx, frame::EParamSource source) override
  {
    uiChanges.push_back({paramIdx, source});
  }
  void clearRecords()
  {
    changes.clear();
    uiChanges.clear();
  }
  /** The parameters pushed to the editor (kSourceDelegate), in order. */
  std::vector<int> editorPushes() const
  {
    std::vector<int> out;
    for (const auto& [idx, source] : uiChanges)
      if (source == frame::kSourceDelegate)
        out.push_back(idx);
    return out;
  }

  std::vector<int> changes;
  std::vector<std::pair<int, frame::EParamSource>> uiChanges;
};

template <typename Plug = TrellowPhaser>
class EffectHost
{
public:
  explicit EffectHost(double sampleRate = 48000.0, int maxBlockSize = 512)
    : mPlug(std::make_unique<Plug>(frame::InstanceInfo{})), mSampleRate(sampleRate)
  {
    mPlug->Initialize("test host");
    mPlug->SetupProcessing(sampleRate, maxBlockSize);
  }

  Plug& plug() { return *mPlug; }
  frame::IParam& param(int idx)
  {
    frame::IParam* p = mPlug->GetParam(idx);
    if (!p)
      std::abort(); // a test asked for a parameter that does not exist
    return *p;
  }

  /** Every parameter's value, in index order (allocates: not for the audio thread). */
  std::vector<double> values()
  {
    std::vector<double> v;
    for (int i = 0; i < kNumParams; ++i)
      v.push_back(param(i).Value());
    return v;
  }

  /** Host automation, delivered at the start of the next processing call. */
  void automate(int paramIdx, double normalized)
  {
    if (mNumPending < static_cast<int>(mPending.size()))
      mPending[static_cast<size_t>(mNumPending++)] = {paramIdx, normalized};
  }
  /** The same with a real value. */
  void automateValue(int paramIdx, double value) { automate(paramIdx, param(paramIdx).ToNormalized(value)); }

  /** Transport for the following calls; while running, the position advances with them. */
  void setTransport(double tempo, double ppqPos, bool running)
  {
    mTimeInfo.mTempo = tempo;
    mTimeInfo.mPPQPos = ppqPos;
    mTimeInfo.mTransportIsRunning = running;
  }
  /** From here the host vouches for a sample position, which advances with the calls. */
  void setSamplePosition(double pos)
  {
    mTimeInfo.mSamplePos = pos;
    mTimeInfo.mSamplePosValid = true;
  }
  const frame::ITimeInfo& timeInfo() const { return mTimeInfo; }

  void process(const double* inL, const double* inR, double* outL, double* outR, int nFrames)
  {
    const double* in[2] = {inL, inR};
    double* out[2] = {outL, outR};
    frame::AudioThreadScope audio;
    beginCall();
    mPlug->ProcessBuffers(in, 2, out, 2, nFrames);
    endCall(nFrames);
  }
  void process(double* left, double* right, int nFrames) { process(left, right, left, right, nFrames); }

  void process(const float* inL, const float* inR, float* outL, float* outR, int nFrames)
  {
    const float* in[2] = {inL, inR};
    float* out[2] = {outL, outR};
    frame::AudioThreadScope audio;
    beginCall();
    mPlug->ProcessBuffers(in, 2, out, 2, nFrames);
    endCall(nFrames);
  }

private:
  void beginCall()
  {
    mPlug->SetTimeInfo(mTimeInfo);
    for (int i = 0; i < mNumPending; ++i)
      mPlug->ApplyHostParamChange(mPending[static_cast<size_t>(i)].first, mPending[static_cast<size_t>(i)].second);
    mNumPending = 0;
  }
  void endCall(int nFrames)
  {
    if (mTimeInfo.mTransportIsRunning)
    {
      mTimeInfo.mPPQPos += nFrames / mSampleRate * mTimeInfo.mTempo / 60.0;
      mTimeInfo.mSamplePos += nFrames;
    }
  }

  std::unique_ptr<Plug> mPlug;
  double mSampleRate;
  frame::ITimeInfo mTimeInfo;
  std::array<std::pair<int, double>, 32> mPending{};
  int mNumPending = 0;
};
