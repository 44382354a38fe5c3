#pragma once

#include <vector>

#include "public.sdk/source/vst/vstsinglecomponenteffect.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include "frame/IFramePlugin.h"
#include "frame/Rest.h"

namespace frame {

/** The processing side of the binding: the audio buses, the stored process set-up and
 *  context, and the host's processing call turned into the frame's processing contract.
 *  It works on the SDK object's bus lists, which it is handed at construction. */
class IFrameVST3ProcessorBase
{
public:
  IFrameVST3ProcessorBase(IFramePlugin& plug, Steinberg::Vst::BusList& audioInputs, Steinberg::Vst::BusList& audioOutputs);

  /** The buses of the configuration with the most buses on each side. Main thread. */
  void CreateBuses();
  /** Accepts only what one of the channel configurations offers, then rebuilds the buses
   *  from it. Main thread. */
  Steinberg::tresult SetBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs, Steinberg::int32 numIns,
                                        Steinberg::Vst::SpeakerArrangement* outputs, Steinberg::int32 numOuts);
  static bool CanProcessSampleSize(Steinberg::int32 symbolicSampleSize);
  /** Stores the set-up, sizes the frame's buffers, then OnReset. Main thread. */
  Steinberg::tresult SetupProcessing(const Steinberg::Vst::ProcessSetup& setup);
  /** One host processing call: time information, parameter changes, then audio. Audio
   *  thread; allocates nothing. */
  Steinberg::tresult Process(Steinberg::Vst::ProcessData& data);

  const Steinberg::Vst::ProcessSetup& GetProcessSetup() const { return mSetup; }

  /** The arrangement a bus of that many channels gets; empty when there is none. */
  static Steinberg::Vst::SpeakerArrangement ArrangementForChannels(int nChans);

private:
  void makeBuses(int configIdx, ERoute route, Steinberg::Vst::BusList& list);
  /** Writes every field of `t` from the host's context. */
  static void readContext(const Steinberg::Vst::ProcessContext& context, ITimeInfo& t);
  void applyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
  template <typename T>
  void processAudio(Steinberg::Vst::ProcessData& data, std::vector<T*>& outputs);
  /** The silence flags: a call with quiet input past the ring skips the signal path and
   *  gives flagged zeros; true when it did. */
  template <typename T>
  bool restThrough(Steinberg::Vst::ProcessData& data, std::vector<T*>& outputs, int nOutputs, bool inputQuiet);
  static void flagSilence(Steinberg::Vst::ProcessData& data);

  IFramePlugin& mPlug;
  Steinberg::Vst::BusList& mAudioInputs;
  Steinberg::Vst::BusList& mAudioOutputs;
  Steinberg::Vst::ProcessSetup mSetup{};
  // The time of the last context the host passed: a host that passes none keeps getting it.
  ITimeInfo mHostTime;
  // Host output pointers of all buses in bus order, gathered per call without allocating.
  std::vector<float*> mOutputs32;
  std::vector<double*> mOutputs64;
  Rest mRest;
};

} // namespace frame
