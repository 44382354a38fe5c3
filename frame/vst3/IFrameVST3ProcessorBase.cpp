#include "frame/vst3/IFrameVST3ProcessorBase.h"

#include <algorithm>

#include "public.sdk/source/vst/utility/stringconvert.h"

#include "frame/vst3/IFrameVST3Parameter.h"

namespace frame {

using namespace Steinberg;
using namespace Steinberg::Vst;

IFrameVST3ProcessorBase::IFrameVST3ProcessorBase(IFramePlugin& plug, BusList& audioInputs, BusList& audioOutputs)
  : mPlug(plug), mAudioInputs(audioInputs), mAudioOutputs(audioOutputs),
    mOutputs32(static_cast<size_t>(plug.MaxNChannels(kOutput)), nullptr),
    mOutputs64(static_cast<size_t>(plug.MaxNChannels(kOutput)), nullptr)
{
  readContext(ProcessContext{}, mHostTime); // a host that never passes a context: every field 0
}

SpeakerArrangement IFrameVST3ProcessorBase::ArrangementForChannels(int nChans)
{
  switch (nChans)
  {
  case 1: return SpeakerArr::kMono;
  case 2: return SpeakerArr::kStereo;
  case 3: return SpeakerArr::k30Cine;
  case 4: return SpeakerArr::k40Music;
  case 5: return SpeakerArr::k50;
  case 6: return SpeakerArr::k51;
  case 7: return SpeakerArr::k61Music;
  case 8: return SpeakerArr::k71CineFullFront;
  case 10: return SpeakerArr::k91;
  case 12: return SpeakerArr::k71_4;
  default: return SpeakerArr::kEmpty;
  }
}

void IFrameVST3ProcessorBase::makeBuses(int configIdx, ERoute route, BusList& list)
{
  // A rebuilt bus keeps the activation the host gave the bus at its index.
  std::vector<TBool> active;
  for (const auto& bus : list)
    active.push_back(bus ? bus->isActive() : false);
  list.clear();

  const IOConfig* config = mPlug.GetIOConfig(configIdx);
  if (!config)
    return;
  const int nBuses = config->NBuses(route);
  for (int b = 0; b < nBuses; ++b)
  {
    IString name;
    mPlug.GetBusName(route, b, nBuses, name);
    String128 name16{};
    StringConvert::convert(name.Str(), name16);
    auto* bus = new AudioBus(name16, b == 0 ? kMain : kAux, b == 0 ? BusInfo::kDefaultActive : 0,
                             ArrangementForChannels(config->NChansOnBusSAFE(route, b)));
    if (static_cast<size_t>(b) < active.size())
      bus->setActive(active[static_cast<size_t>(b)]);
    list.push_back(IPtr<Bus>(bus, false));
  }
}

void IFrameVST3ProcessorBase::CreateBuses()
{
  int inConfig = -1, outConfig = -1;
  mPlug.MaxNBuses(kInput, &inConfig);
  mPlug.MaxNBuses(kOutput, &outConfig);
  makeBuses(inConfig, kInput, mAudioInputs);
  makeBuses(outConfig, kOutput, mAudioOutputs);
}

tresult IFrameVST3ProcessorBase::SetBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                    SpeakerArrangement* outputs, int32 numOuts)
{
  // These hosts insist on arrangements of their own; refusing them loses the plug-in.
  if (mPlug.GetHost() == kHostArdour || mPlug.GetHost() == kHostMixbus)
    return kResultTrue;
  if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs))
    return kInvalidArgument;
  if (numIns > mPlug.MaxNBuses(kInput) || numOuts > mPlug.MaxNBuses(kOutput))
    return kResultFalse;

  std::vector<int> inCounts, outCounts;
  for (int32 i = 0; i < numIns; ++i)
    inCounts.push_back(SpeakerArr::getChannelCount(inputs[i]));
  for (int32 i = 0; i < numOuts; ++i)
    outCounts.push_back(SpeakerArr::getChannelCount(outputs[i]));
  const int configIdx = mPlug.GetIOConfigWithChanCounts(inCounts, outCounts);
  if (configIdx < 0)
    return kResultFalse;

  makeBuses(configIdx, kInput, mAudioInputs);
  makeBuses(configIdx, kOutput, mAudioOutputs);
  return kResultTrue;
}

bool IFrameVST3ProcessorBase::CanProcessSampleSize(int32 symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64;
}

tresult IFrameVST3ProcessorBase::SetupProcessing(const ProcessSetup& setup)
{
  if (!CanProcessSampleSize(setup.symbolicSampleSize) || !IFrameProcessor::ServesSampleRate(setup.sampleRate))
    return kResultFalse;
  mSetup = setup;
  mPlug.SetRenderingOffline(setup.processMode == kOffline);
  mPlug.SetupProcessing(setup.sampleRate, setup.maxSamplesPerBlock);
  mRest.Reset();
  return kResultOk;
}

void IFrameVST3ProcessorBase::readContext(const ProcessContext& context, ITimeInfo& t)
{
  // Every field is taken as the host gave it: what it never supplied reads as 0.
  t.mTempo = context.tempo;
  // Hosts are only trusted with the sample position when they vouch for the musical one.
  t.mSamplePosValid = (context.state & ProcessContext::kProjectTimeMusicValid) != 0;
  t.mSamplePos = t.mSamplePosValid ? static_cast<double>(context.projectTimeSamples) : -1.0;
  t.mPPQPos = context.projectTimeMusic;
  t.mLastBar = context.barPositionMusic;
  t.mCycleStart = context.cycleStartMusic;
  t.mCycleEnd = context.cycleEndMusic;
  t.mNumerator = context.timeSigNumerator;
  t.mDenominator = context.timeSigDenominator;
  t.mTransportIsRunning = (context.state & ProcessContext::kPlaying) != 0;
  t.mTransportLoopEnabled = (context.state & ProcessContext::kCycleActive) != 0;
  t.mTransportRestarts = false;
}

void IFrameVST3ProcessorBase::applyParameterChanges(IParameterChanges* changes)
{
  if (!changes)
    return;
  const int32 nQueues = changes->getParameterCount();
  for (int32 q = 0; q < nQueues; ++q)
  {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue)
      continue;
    const int32 nPoints = queue->getPointCount();
    int32 offset = 0;
    ParamValue value = 0.0;
    // Only the last point counts: the change applies from the start of the block.
    if (nPoints <= 0 || queue->getPoint(nPoints - 1, offset, value) != kResultOk)
      continue;
    const ParamID id = queue->getParameterId();
    if (id == kBypassParamID)
      mPlug.SetBypassed(value > 0.5);
    else if (id < static_cast<ParamID>(mPlug.NParams()))
      mPlug.ApplyHostParamChange(static_cast<int>(id), value, offset);
    // Program changes arrive through the controller; MIDI controllers are not bound.
  }
}

namespace {
template <typename T>
T** channelsOf(AudioBusBuffers& bus);
template <>
float** channelsOf<float>(AudioBusBuffers& bus) { return bus.channelBuffers32; }
template <>
double** channelsOf<double>(AudioBusBuffers& bus) { return bus.channelBuffers64; }
} // namespace

template <typename T>
void IFrameVST3ProcessorBase::processAudio(ProcessData& data, std::vector<T*>& outputs)
{
  const T* const* inputs = nullptr;
  int nInputs = 0;
  if (data.numInputs > 0 && data.inputs && channelsOf<T>(data.inputs[0]))
  {
    inputs = channelsOf<T>(data.inputs[0]);
    nInputs = data.inputs[0].numChannels;
  }

  // Only the first nOutputs entries are read: the rest need no clearing.
  int nOutputs = 0;
  for (int32 b = 0; data.outputs && b < data.numOutputs; ++b)
  {
    AudioBusBuffers& bus = data.outputs[b];
    T** channels = channelsOf<T>(bus);
    for (int32 c = 0; c < bus.numChannels && nOutputs < static_cast<int>(outputs.size()); ++c)
      outputs[static_cast<size_t>(nOutputs++)] = channels ? channels[c] : nullptr;
    bus.silenceFlags = 0;
  }

  const uint64 flags = nInputs > 0 ? data.inputs[0].silenceFlags : 0;
  const bool quiet = InputIsQuiet(inputs, nInputs, data.numSamples, flags);
  if (restThrough(data, outputs, nOutputs, quiet))
    return;
  mPlug.ProcessBuffers(inputs, nInputs, outputs.data(), nOutputs, data.numSamples);
  mRest.AfterCall(mPlug, quiet);
  // Only quiet input can leave a block of zeros (a bypass): sound costs no look.
  if (quiet && InputIsQuiet(outputs.data(), nOutputs, data.numSamples, 0))
    flagSilence(data);
}

template <typename T>
bool IFrameVST3ProcessorBase::restThrough(ProcessData& data, std::vector<T*>& outputs, int nOutputs, bool inputQuiet)
{
  if (!mRest.BeforeCall(mPlug, inputQuiet))
    return false;
  // The changes made on the main thread still reach the effect: they may move the tail.
  mPlug.ProcessBuffers(static_cast<const T* const*>(nullptr), 0, nullptr, 0, 0);
  for (int c = 0; c < nOutputs; ++c)
    if (T* out = outputs[static_cast<size_t>(c)]; out && data.numSamples > 0)
      std::fill(out, out + data.numSamples, T(0));
  flagSilence(data);
  mRest.Skipped(data.numSamples);
  return true;
}

void IFrameVST3ProcessorBase::flagSilence(ProcessData& data)
{
  for (int32 b = 0; data.outputs && b < data.numOutputs; ++b)
  {
    AudioBusBuffers& bus = data.outputs[b];
    bus.silenceFlags = bus.numChannels >= 64 ? ~uint64(0) : (uint64(1) << bus.numChannels) - 1;
  }
}

tresult IFrameVST3ProcessorBase::Process(ProcessData& data)
{
  AudioThreadScope audioThread;

  if (data.processContext)
  {
    // Kept for a later call without a context: the plug-in's own copy is moved along by
    // the timeline's pieces. Read twice, since a copy of what was just written waits for it.
    readContext(*data.processContext, mHostTime);
    readContext(*data.processContext, mPlug.TimeInfoToFill());
  }
  else
    mPlug.SetTimeInfo(mHostTime);
  // Hosts switch to offline for an export without a new set-up.
  mPlug.SetRenderingOffline(data.processMode == kOffline);
  applyParameterChanges(data.inputParameterChanges);

  if (data.symbolicSampleSize == kSample32)
    processAudio(data, mOutputs32);
  else if (data.symbolicSampleSize == kSample64)
    processAudio(data, mOutputs64);
  return kResultOk;
}

} // namespace frame
