// A VST 3 effect's processing: set-up, the processing calls with their transport and
// parameter changes, and stopping.

#include "apps/render/Vst3Plugin.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pluginterfaces/vst/vstspeaker.h"

#include "apps/render/Silence.h"

namespace render {

using namespace Steinberg;
using namespace Steinberg::Vst;

bool Vst3Plugin::Start(const ProcessSettings& settings, std::string& error)
{
  mSettings = settings;
  mContextAt = -1; // the rate or the tempo may have changed
  mLookedFrames = 0;

  const int32 nIn = mComponent->getBusCount(kAudio, kInput);
  const int32 nOut = mComponent->getBusCount(kAudio, kOutput);
  if (nOut < 1)
  {
    error = "'" + mDescription.name + "' has no audio output";
    return false;
  }
  // The main buses in stereo, any others as they are.
  std::vector<SpeakerArrangement> inputs(static_cast<size_t>(std::max(nIn, 0)));
  std::vector<SpeakerArrangement> outputs(static_cast<size_t>(nOut));
  for (int32 i = 0; i < nIn; ++i)
    if (i == 0 || mProcessor->getBusArrangement(kInput, i, inputs[i]) != kResultOk)
      inputs[i] = SpeakerArr::kStereo;
  for (int32 i = 0; i < nOut; ++i)
    if (i == 0 || mProcessor->getBusArrangement(kOutput, i, outputs[i]) != kResultOk)
      outputs[i] = SpeakerArr::kStereo;
  if (mProcessor->setBusArrangements(inputs.data(), nIn, outputs.data(), nOut) != kResultOk)
  {
    error = "'" + mDescription.name + "' refuses a stereo input and output";
    return false;
  }
  if (nIn > 0)
    mComponent->activateBus(kAudio, kInput, 0, true);
  mComponent->activateBus(kAudio, kOutput, 0, true);

  const int32 sampleSize = settings.doublePrecision ? kSample64 : kSample32;
  if (mProcessor->canProcessSampleSize(sampleSize) != kResultTrue)
  {
    error = "'" + mDescription.name + "' cannot process " + (settings.doublePrecision ? "64" : "32") + "-bit samples";
    return false;
  }
  ProcessSetup setup{settings.realtime ? kRealtime : kOffline, sampleSize, settings.maxBlockSize, settings.sampleRate};
  if (mProcessor->setupProcessing(setup) != kResultOk)
  {
    error = "'" + mDescription.name + "' refuses to process at " + std::to_string(settings.sampleRate) + " Hz";
    return false;
  }
  if (mComponent->setActive(true) != kResultOk)
  {
    error = "'" + mDescription.name + "' failed to activate";
    return false;
  }
  mActive = true;
  if (!mData.prepare(*mComponent, settings.maxBlockSize, sampleSize) || mData.numOutputs < 1)
  {
    error = "the buffers for '" + mDescription.name + "' could not be set up";
    return false;
  }
  const tresult started = mProcessor->setProcessing(true);
  if (started != kResultOk && started != kNotImplemented)
  {
    error = "'" + mDescription.name + "' failed to start processing";
    return false;
  }
  mProcessing = true;

  // Reserved now, so that processing calls do not grow the queues.
  const std::vector<PluginParam> params = Params();
  mInputChanges.setMaxParameters(static_cast<int32>(params.size()) + 1);
  mOutputChanges.setMaxParameters(static_cast<int32>(params.size()) + 1);
  for (const PluginParam& p : params)
  {
    if (p.flags & (kParamProgramChange | kParamReadOnly))
      continue;
    mPending.Set(p.id, Normalized(p.id));
  }
  return true;
}

float* Vst3Plugin::Channel32(bool output, int channel)
{
  const int32 buses = output ? mData.numOutputs : mData.numInputs;
  if (!mProcessing || mSettings.doublePrecision || buses < 1)
    return nullptr;
  const AudioBusBuffers& bus = output ? mData.outputs[0] : mData.inputs[0];
  return channel < bus.numChannels ? bus.channelBuffers32[channel] : nullptr;
}

double* Vst3Plugin::Channel64(bool output, int channel)
{
  const int32 buses = output ? mData.numOutputs : mData.numInputs;
  if (!mProcessing || !mSettings.doublePrecision || buses < 1)
    return nullptr;
  const AudioBusBuffers& bus = output ? mData.outputs[0] : mData.inputs[0];
  return channel < bus.numChannels ? bus.channelBuffers64[channel] : nullptr;
}

void Vst3Plugin::FillProcessContext(int64_t position)
{
  // A transport playing from the start in 4/4 at the chosen tempo. The fixed fields, and
  // the zeros of those it leaves alone, are written at the start of playback only.
  ProcessContext& c = mContext;
  if (position == 0)
  {
    c = ProcessContext{};
    c.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
              ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid |
              ProcessContext::kContTimeValid;
    c.sampleRate = mSettings.sampleRate;
    c.tempo = mSettings.tempo;
    c.timeSigNumerator = 4;
    c.timeSigDenominator = 4;
    mContextAt = -1;
  }
  if (position != mContextAt)
    MoveContext(position);
}

void Vst3Plugin::MoveContext(int64_t position)
{
  ProcessContext& c = mContext;
  mContextAt = position;
  c.projectTimeSamples = position;
  c.continousTimeSamples = position;
  c.projectTimeMusic = static_cast<double>(position) / mSettings.sampleRate * mSettings.tempo / 60.0;
  // Positions are never negative here: truncating is floor, without a call.
  c.barPositionMusic = static_cast<double>(static_cast<int64_t>(c.projectTimeMusic / 4.0)) * 4.0;
}

namespace {
uint64 silentChannels(const AudioBusBuffers& bus, int32_t frames, bool wide)
{
  return wide ? QuietChannels(bus.channelBuffers64, bus.numChannels, frames)
              : QuietChannels(bus.channelBuffers32, bus.numChannels, frames);
}
} // namespace

bool Vst3Plugin::Process(int32_t frames, int64_t position, bool sameInput, std::string& error)
{
  const bool sent = !mPending.Empty();
  if (sent)
  {
    for (const auto& [id, value] : mPending)
    {
      int32 index = 0;
      if (IParamValueQueue* queue = mInputChanges.addParameterData(id, index))
        queue->addPoint(0, value, index);
    }
    mPending.Clear();
  }
  FillProcessContext(position);
  // Silence is flagged, as hosts that skip quiet plug-ins do. Quiet over more frames is
  // quiet over fewer; sound over more is only flagged as sound, which is always safe.
  if (!sameInput || frames > mLookedFrames)
  {
    for (int32 i = 0; i < mData.numInputs; ++i)
      mData.inputs[i].silenceFlags = silentChannels(mData.inputs[i], frames, mData.symbolicSampleSize == kSample64);
    mLookedFrames = frames;
  }

  mData.numSamples = frames;
  mData.inputParameterChanges = &mInputChanges;
  mData.outputParameterChanges = &mOutputChanges;
  mData.processContext = &mContext;
  const tresult result = mProcessor->process(mData);
  // The next call most likely follows on. Its context is written now, so that the writes
  // have long landed when the plug-in reads them: a wide read of fields still in flight
  // waits for them.
  MoveContext(position + frames);

  // What the processor reports (meters, its own automation) the controller must hear of
  // when it is a separate object; a single component knows it already.
  // Most calls carry no changes either way: the queues are cleared only when used.
  const int32 reported = mOutputChanges.getParameterCount();
  if (mSeparateController)
  {
    for (int32 i = 0; i < reported; ++i)
    {
      IParamValueQueue* queue = mOutputChanges.getParameterData(i);
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue && queue->getPointCount() > 0 && queue->getPoint(queue->getPointCount() - 1, offset, value) == kResultOk)
        mController->setParamNormalized(queue->getParameterId(), value);
    }
  }
  if (sent)
    mInputChanges.clearQueue();
  if (reported > 0)
    mOutputChanges.clearQueue();
  if (result != kResultOk)
  {
    error = "'" + mDescription.name + "' failed to process a block (result " + std::to_string(result) + ")";
    return false;
  }
  return true;
}

void Vst3Plugin::Stop()
{
  if (mProcessing)
    mProcessor->setProcessing(false);
  mProcessing = false;
  if (mActive)
    mComponent->setActive(false);
  mActive = false;
  mData.unprepare();
}

} // namespace render
