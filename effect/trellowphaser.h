#pragma once

#include <type_traits>

#include "effect/lfo.h"
#include "effect/params.h"
#include "frame/IFramePlugin.h"


/** Tags at the start of a state chunk: this release's and the previous one's. The chunk
 *  holds their bytes without a terminator. */
extern const char versionMagic_2_0_1[];
extern const char versionMagic_2_0_0[];

// Value texts of the continuous parameters (the DisplayFunc signature).
void setDisplayTextForFrequency(double value, frame::IString& str);
void setDisplayTextForMix(double value, frame::IString& str);
void setDisplayTextForPercent(double value, frame::IString& str);
void setDisplayTextForSpeed(double value, frame::IString& str);
void setDisplayTextForSyncRate(double value, frame::IString& str);
void setDisplayTextForStereo(double value, frame::IString& str);

/** The host-neutral plug-in object the effect sits on; every format binds it. */
using TrellowPhaserBase = frame::IFramePlugin;

/** The stereo phaser: two chains of 4 or 8 first-order all-pass stages with zero-delay
 *  feedback, swept by the LFO, mixed with the dry signal by an equal-power law. */
class TrellowPhaser : public TrellowPhaserBase
{
public:
  static constexpr int kMaxStages = 8;

  explicit TrellowPhaser(const frame::InstanceInfo& info);
  ~TrellowPhaser() override;

  /** A parameter's value changed: updates the LFO and the settings the signal path reads.
   *  On the audio thread before a block while the host may process, else on the thread
   *  that set the value up (initialisation, tools). */
  void OnParamChange(int paramIdx) override;
  using TrellowPhaserBase::OnParamChange; // the frame's routing overload stays callable
  /** Processing was set up or stopped: sizes the control interval and clears the filters.
   *  Main thread. */
  void OnReset() override;
  /** One block of two channels; inputs and outputs may be the same buffers. Audio thread. */
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  /** The same block on the host's 32-bit buffers, each sample widened as it is read and
   *  rounded as it is written: the same bits as ProcessBlock on their conversions. */
  bool ProcessBlockDirect(const float* const* inputs, float* const* outputs, int nFrames) override;
  /** A filter left non-finite before a bypass is cleared now, not at the next control
   *  update: bypassed calls make none. Audio thread. */
  void OnBypassEnded() override;
  /** Both chains hold nothing but the anti-denormal residue. Audio thread. */
  bool RingIsOver() const override;
  /** Not while the sweep follows a playing song: it restarts where a sleep ends. */
  bool MaySleep() const override { return !(mSync && GetTimeInfo().mTransportIsRunning); }
  /** The filters start from rest; the sweep, its control schedule and the offset's sign go
   *  on where processing the silence would have left them. Audio thread. */
  void PassSilence(int64_t frames) override;
  /** Writes the tag and the ten values (104 bytes). Main thread. */
  bool SerializeState(frame::IByteChunk& chunk) const override;
  /** Reads this release's, the previous release's or the first release's layout; returns
   *  the position after it, or -1 with nothing changed when the chunk holds no whole state.
   *  Main thread. */
  int UnserializeState(const frame::IByteChunk& chunk, int startPos) override;
  /** The ten values of this release's, the previous release's or the first release's
   *  layout, older layouts completed with zeros; the position after them, or -1 when the
   *  chunk holds no whole state. Sets nothing. Any thread. */
  int ReadState(const frame::IByteChunk& chunk, int startPos, double* values) const override;

  /** The editor's preset menu: stores the current values into the slot being left, then
   *  recalls index and pushes every value into the editor. */
  void changePreset(int index);

  /** True when the chunk holds the tag's bytes at startPos. */
  static bool isNewVersion(const frame::IByteChunk& chunk, int startPos, const char* tag);

private:
  friend struct TrellowPhaserTestAccess;

  static frame::Config makeConfig();
  void initParameters();
  void initPresets();
  /** The ten values follow name: int for Stages, Sync and Waveform, double for the rest. */
  void makePreset(int index, const char* name, ...);
  /** Taken instead of the above wherever the values are seen: their count and kinds are
   *  checked as it compiles, since va_arg reads garbage past a missing value or through a
   *  value of the other kind. */
  template <typename... Values>
  void makePreset(int index, const char* name, Values... values)
  {
    static_assert(sizeof...(Values) == kNumParams, "one value per parameter");
    static_assert(presetKindsMatch<Values...>(), "int for Stages, Sync and Waveform, double for the rest");
    void (TrellowPhaser::*varargs)(int, const char*, ...) = &TrellowPhaser::makePreset;
    (this->*varargs)(index, name, values...);
  }
  template <typename... Values>
  static constexpr bool presetKindsMatch()
  {
    constexpr bool isInt[] = {std::is_same_v<Values, int>...};
    constexpr bool isDouble[] = {std::is_same_v<Values, double>...};
    for (int i = 0; i < kNumParams && i < static_cast<int>(sizeof...(Values)); ++i)
    {
      const bool whole = i == kParamStages || i == kParamSync || i == kParamWaveform;
      if (whole ? !isInt[i] : !isDouble[i])
        return false;
    }
    return true;
  }

  void setFeedback(double feedback);
  void handleSync2Host();
  /** True where it takes a lead back through the increment, for this block alone. */
  bool followHost(const frame::ITimeInfo& timeInfo);
  void restartSweep(const frame::ITimeInfo& timeInfo);
  void lockAt(double phase, double position)
  {
    mLockPhase = phase;
    mLockPosition = position;
    mLockRate = mLFO.mSyncRateIndex;
  }
  void controlUpdate();
  /** Works the ring out from the settings and reports it (SetTailSize). */
  void updateTail();
  /** The sweep's values at points spread over its whole pattern, for updateTail. */
  void sampleSweep();
  double slowestDecay(double sweep) const;
  template <typename T>
  void processBlock(const T* inL, const T* inR, T* outL, T* outR, int nFrames);
  template <int kStages, typename T>
  void processRun(const T* inL, const T* inR, T* outL, T* outR, int nFrames);

  LFO mLFO;
  int mControlInterval = 48;
  int mSamplesToUpdate = 0;
  int mBlockFrames = 0; // of the block being processed
  bool mSync = false;
  double mSpreadFactor = 1.0;
  double mManual = 0.0625;
  double mDepth = 0.5;
  bool mTransportWasRunning = false;
  /** What the last sync step worked the increment out from, and the increment it left. */
  struct SyncedIncrement
  {
    double tempo = 0.0, updateRate = 0.0;
    int rateIndex = -1;
    double increment = 0.0;
    bool operator==(const SyncedIncrement&) const = default;
  };
  SyncedIncrement mSyncedIncrement;
  /** The song-locked phase at the last told position, for the note value mLockRate (-1:
   *  none). */
  double mLockPhase = 0.0;
  double mLockPosition = 0.0;
  int mLockRate = -1;
  double mDryGain = 0.7071067811865476;
  double mWetGain = 0.7071067811865476;
  double mFreqFactor = kTwoPiTopFrequency / 48000.0;
  double mCoefL[kMaxStages] = {};
  double mCoefR[kMaxStages] = {};
  double mGainL = 0.0;
  double mGainR = 0.0;
  double mFeedback = 0.0;
  double mNormL = 0.0;
  double mNormR = 0.0;
  int mNumStages = 4;
  double mStateL[kMaxStages] = {};
  double mStateR[kMaxStages] = {};
  // The stage count the coefficients were computed for: a Stages change takes effect at the
  // next control update, never halfway through an interval.
  int mActiveStages = 4;
  // The anti-denormal offset whose sign flips every sample. One per instance, so a render
  // does not depend on what other instances process meanwhile.
  static constexpr double kRenormOffset = 1e-13;
  double mRenormPhz = kRenormOffset;

  static constexpr int kSweepPoints = 32;
  double mSweepPoints[2][kSweepPoints] = {};
  double mTailIncrement = -1.0; // the sweep's increment the tail was worked out for
  double mLowestSpread = 1.0;   // the last stage's share of the first stage's frequency
};
