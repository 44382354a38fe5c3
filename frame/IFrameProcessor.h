#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "frame/Config.h"
#include "frame/IMidiMsg.h"
#include "frame/IString.h"
#include "frame/ITimeInfo.h"
#include "frame/Timeline.h"

namespace frame {

enum ERoute
{
  kInput = 0,
  kOutput = 1
};

struct IBusInfo
{
  ERoute mDirection = kInput;
  int mNChans = 0;
};

/** One channel I/O configuration: input buses and output buses. */
struct IOConfig
{
  std::vector<IBusInfo> mBusInfo[2];
  int NBuses(ERoute route) const { return static_cast<int>(mBusInfo[route].size()); }
  int NChansOnBusSAFE(ERoute route, int busIdx) const
  {
    return busIdx >= 0 && busIdx < NBuses(route) ? mBusInfo[route][static_cast<size_t>(busIdx)].mNChans : 0;
  }
  int GetTotalNChannels(ERoute route) const;
};

/** Per-channel record: where its 64-bit samples are for the current block. */
template <typename TIn, typename TOut>
struct IChannelData
{
  TOut** mData = nullptr;      // slot in the processor's pointer array
  TIn* mIncomingData = nullptr; // host 32-bit buffer of an output in 32-bit processing
  std::vector<TOut> mScratchBuf;
  IString mLabel;
};

/** The processing side: channels, buffers, sample rate, block size, bypass, time info. */
class IFrameProcessor
{
public:
  static constexpr int kWildcardChannels = -64;
  /** The sample rates the signal path serves; a binding refuses any other at set-up. From
   *  1 kHz its control updates come at least once a millisecond, as the sweep assumes. */
  static constexpr double kMinSampleRate = 1000.0, kMaxSampleRate = 768000.0;
  static bool ServesSampleRate(double rate) { return rate >= kMinSampleRate && rate <= kMaxSampleRate; }
  /** The most frames a scratch buffer holds, whatever block the host announces: longer
   *  calls run in pieces. */
  static constexpr int kMaxScratchFrames = 8192;

  explicit IFrameProcessor(const Config& config);
  virtual ~IFrameProcessor();
  IFrameProcessor(const IFrameProcessor&) = delete;
  IFrameProcessor& operator=(const IFrameProcessor&) = delete;

  /** Processes one block; inputs and outputs hold one pointer per channel, and may alias.
   *  Audio thread, after the block's parameter changes. The default passes audio through. */
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  /** Processes the host's 32-bit buffers as they are, every channel connected and the
   *  plug-in not bypassed, with exactly the result ProcessBlock gives on their conversions;
   *  false (the default) has the frame convert them instead. Converting sample by sample
   *  inside the signal path costs next to nothing where a separate pass costs a share of
   *  the call. */
  virtual bool ProcessBlockDirect(const float* const* /*inputs*/, float* const* /*outputs*/, int /*nFrames*/)
  {
    return false;
  }
  virtual void ProcessMidiMsg(const IMidiMsg&) {}
  virtual void ProcessSysEx(const SysExData&) {}
  /** The host set up processing (sample rate and block size known) or stopped it. Main thread. */
  virtual void OnReset() {}
  /** The host (de)activated the plug-in. Main thread. */
  virtual void OnActivate(bool /*active*/) {}
  virtual bool SendMidiMsg(const IMidiMsg&) { return false; }
  virtual bool SendMidiMsgs(const std::vector<IMidiMsg>&) { return false; }
  virtual bool SendSysEx(const SysExData&) { return false; }
  virtual void GetBusName(ERoute route, int busIdx, int nBuses, IString& str) const;
  virtual void SetLatency(int samples);
  /** The ring after the input stops, in samples (INT_MAX: without end). Written on the
   *  thread that owns the signal path's settings, read on any. */
  virtual void SetTailSize(int samples) { mTailSize.store(samples, std::memory_order_relaxed); }
  /** The ring has died away: what silence leaves in the signal path is all that is left, and
   *  more silence gives an output far below hearing. The default, which knows no ring, never
   *  says so. Audio thread. */
  virtual bool RingIsOver() const { return false; }
  /** Whether the signal path may sleep through silence at all now (a sweep that follows the
   *  playing song may not: a sleep would restart it). Audio thread. */
  virtual bool MaySleep() const { return true; }
  /** `frames` of silence went by without the signal path (an instance asleep): it goes on
   *  as if it had processed them, from rest. Audio thread. */
  virtual void PassSilence(int64_t /*frames*/) {}

  double GetSampleRate() const { return mSampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  const ITimeInfo& GetTimeInfo() const { return mTimeInfo; }
  int GetTailSize() const { return mTailSize.load(std::memory_order_relaxed); }
  int GetLatency() const { return mLatency; }
  bool IsBypassed() const { return mBypassed.load(std::memory_order_relaxed); }
  bool GetRenderingOffline() const { return mRenderingOffline.load(std::memory_order_relaxed); }
  double GetSamplesPerBeat() const { return mTimeInfo.mTempo > 0.0 ? mSampleRate * 60.0 / mTimeInfo.mTempo : 0.0; }
  int GetPlugType() const { return mPlugType; }
  bool DoesMIDIIn() const { return mDoesMidiIn; }
  bool DoesMIDIOut() const { return mDoesMidiOut; }

  /** Formats text (a "%d" in it takes the channel number) into the channel's label. */
  void SetChannelLabel(ERoute route, int channel, const char* text, bool zeroBased = false);
  const char* GetChannelLabel(ERoute route, int channel) const;

  // Channel configurations
  int NIOConfigs() const { return static_cast<int>(mIOConfigs.size()); }
  const IOConfig* GetIOConfig(int idx) const
  {
    return idx >= 0 && idx < NIOConfigs() ? &mIOConfigs[static_cast<size_t>(idx)] : nullptr;
  }
  int MaxNChannels(ERoute route) const { return static_cast<int>(mChannelData[route].size()); }
  int MaxNBuses(ERoute route, int* configIdx = nullptr) const;
  int MaxNChannelsForBus(ERoute route, int busIdx) const;
  int GetIOConfigWithChanCounts(const std::vector<int>& inputBuses, const std::vector<int>& outputBuses) const;
  static int ParseChannelIOStr(const char* text, std::vector<IOConfig>& configs, int& totalIn, int& totalOut);

  // Driven by the host binding (or a substitute host), in the order of the lifecycle.
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  /** Sizes the scratch buffers (at most kMaxScratchFrames, and no larger than the block
   *  needs, so a smaller block gives memory back); main thread, never during processing. */
  void SetBlockSize(int blockSize);
  // Either thread: a state load sets the flag on the main thread while processing runs.
  void SetBypassed(bool bypassed) { mBypassed.store(bypassed, std::memory_order_relaxed); }
  void SetRenderingOffline(bool offline) { mRenderingOffline.store(offline, std::memory_order_relaxed); }
  void SetTimeInfo(const ITimeInfo& timeInfo) { mTimeInfo = timeInfo; }
  /** The time of the coming call, for a binding to write every field of straight from the
   *  host's data. A record copied whole right after it was written field by field waits
   *  for each write to land (the wide reads cannot take the narrow writes in flight), which
   *  every processing call would pay. Audio thread. */
  ITimeInfo& TimeInfoToFill() { return mTimeInfo; }

  /** The processing contract for one host call: channels the host gives (null pointers and
   *  channels past nInputs/nOutputs are unconnected) are attached, converted from 32-bit
   *  where needed, then bypassed or processed, then converted back. A call longer than the
   *  block size runs in pieces of at most the block size; a call of no frames touches no
   *  buffer. Audio thread; allocates nothing. */
  void ProcessBuffers(const float* const* inputs, int nInputs, float* const* outputs, int nOutputs, int nFrames);
  void ProcessBuffers(const double* const* inputs, int nInputs, double* const* outputs, int nOutputs, int nFrames);

protected:
  /** First thing in every processing call, before any buffer is touched. Audio thread. */
  virtual void OnProcessCall() {}
  /** The first block processed after bypassed ones is about to run. Audio thread. */
  virtual void OnBypassEnded() {}
  /** While the transport plays from a known sample position, processing calls are cut at
   *  every `frames` samples of the timeline (0: never); see `Timeline`. Main thread, at a
   *  reset. */
  void SetTimelineGrid(int frames) { mTimeline.SetStep(frames); }

  double mSampleRate = 48000.0;
  int mBlockSize = 0;
  std::atomic<int> mTailSize{0};
  int mLatency = 0;
  std::atomic<bool> mBypassed{false};
  std::atomic<bool> mRenderingOffline{false};
  int mPlugType = 0;
  bool mDoesMidiIn = false, mDoesMidiOut = false, mDoesMPE = false;
  ITimeInfo mTimeInfo;

private:
  template <typename T>
  void processBuffers(const T* const* inputs, int nInputs, T* const* outputs, int nOutputs, int nFrames);
  void passThrough(int nFrames, double smallestNormal);
  template <typename T>
  void attachChannels(const T* const* inputs, int nInputs, T* const* outputs, int nOutputs, int done, int n);
  template <typename T>
  void processPiece(int n);
  bool directPossible(const float* const* inputs, int nInputs, float* const* outputs, int nOutputs) const;
  bool processDirect(const float* const* inputs, float* const* outputs, int done, int n);

  std::vector<IOConfig> mIOConfigs;
  std::vector<IChannelData<float, double>> mChannelData[2];
  std::vector<double*> mInData, mOutData;
  std::vector<const float*> mDirectIn;
  std::vector<float*> mDirectOut;
  bool mDirectRefused = false; // audio thread: ProcessBlockDirect said false once
  std::vector<std::vector<double>> mLatencyDelay;
  int mLatencyPos = 0;
  int mScratchFrames = 0;
  bool mBypassedBefore = false; // audio thread: the last piece was bypassed
  Timeline mTimeline;
};

} // namespace frame
