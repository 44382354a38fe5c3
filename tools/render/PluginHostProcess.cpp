// The processing half of the host: set-up, the processing calls with their transport and
// parameter changes, and stopping.

#include "tools/render/PluginHost.h"
#include "tools/render/ClapPluginHost.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pluginterfaces/vst/vstspeaker.h"

namespace render {

using namespace Steinberg;
using namespace Steinberg::Vst;

bool PluginHost::Start(const ProcessSettings& settings, std::string& error)
{
  Stop();
  if (mClap)
    return mClap->Start(settings, error);
  if (!mProcessor)
  {
    error = "no plug-in is loaded";
    return false;
  }
  mSettings = settings;

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
    if (p.flags & (ParameterInfo::kIsProgramChange | ParameterInfo::kIsReadOnly))
      continue;
    QueueChange(p.id, Normalized(p.id));
  }
  mPosition = 0;
  return true;
}

float* PluginHost::Input32(int channel)
{
  if (mClap)
    return mClap->Input32(channel);
  if (!mProcessing || mSettings.doublePrecision || mData.numInputs < 1 || channel >= mData.inputs[0].numChannels)
    return nullptr;
  return mData.inputs[0].channelBuffers32[channel];
}

float* PluginHost::Output32(int channel)
{
  if (mClap)
    return mClap->Output32(channel);
  if (!mProcessing || mSettings.doublePrecision || mData.numOutputs < 1 || channel >= mData.outputs[0].numChannels)
    return nullptr;
  return mData.outputs[0].channelBuffers32[channel];
}

double* PluginHost::Input64(int channel)
{
  if (mClap)
    return mClap->Input64(channel);
  if (!mProcessing || !mSettings.doublePrecision || mData.numInputs < 1 || channel >= mData.inputs[0].numChannels)
    return nullptr;
  return mData.inputs[0].channelBuffers64[channel];
}

double* PluginHost::Output64(int channel)
{
  if (mClap)
    return mClap->Output64(channel);
  if (!mProcessing || !mSettings.doublePrecision || mData.numOutputs < 1 ||
      channel >= mData.outputs[0].numChannels)
    return nullptr;
  return mData.outputs[0].channelBuffers64[channel];
}

void PluginHost::FillProcessContext()
{
  // A transport playing from the start in 4/4 at the chosen tempo.
  ProcessContext& c = mContext;
  c = ProcessContext{};
  c.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
            ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid |
            ProcessContext::kContTimeValid;
  c.sampleRate = mSettings.sampleRate;
  c.projectTimeSamples = mPosition;
  c.continousTimeSamples = mPosition;
  c.tempo = mSettings.tempo;
  c.timeSigNumerator = 4;
  c.timeSigDenominator = 4;
  c.projectTimeMusic = static_cast<double>(mPosition) / mSettings.sampleRate * mSettings.tempo / 60.0;
  c.barPositionMusic = std::floor(c.projectTimeMusic / 4.0) * 4.0;
}

bool PluginHost::Process(int32_t frames, std::string& error)
{
  if (mClap)
    return mClap->Process(frames, error);
  if (!mProcessing || frames < 0 || frames > mSettings.maxBlockSize)
  {
    error = "processing was not started for blocks of " + std::to_string(frames);
    return false;
  }
  for (const auto& [id, value] : mPending)
  {
    int32 index = 0;
    if (IParamValueQueue* queue = mInputChanges.addParameterData(id, index))
      queue->addPoint(0, value, index);
  }
  mPending.clear();
  FillProcessContext();
  for (int32 i = 0; i < mData.numInputs; ++i)
    mData.inputs[i].silenceFlags = 0;

  mData.numSamples = frames;
  mData.inputParameterChanges = &mInputChanges;
  mData.outputParameterChanges = &mOutputChanges;
  mData.processContext = &mContext;
  const tresult result = mProcessor->process(mData);

  // What the processor reports (meters, its own automation) the controller must hear of
  // when it is a separate object; a single component knows it already.
  if (mSeparateController)
  {
    for (int32 i = 0; i < mOutputChanges.getParameterCount(); ++i)
    {
      IParamValueQueue* queue = mOutputChanges.getParameterData(i);
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue && queue->getPointCount() > 0 && queue->getPoint(queue->getPointCount() - 1, offset, value) == kResultOk)
        mController->setParamNormalized(queue->getParameterId(), value);
    }
  }
  mInputChanges.clearQueue();
  mOutputChanges.clearQueue();
  mPosition += frames;
  if (result != kResultOk)
  {
    error = "'" + mDescription.name + "' failed to process a block (result " + std::to_string(result) + ")";
    return false;
  }
  return true;
}

void PluginHost::Stop()
{
  if (mClap)
    mClap->Stop();
  if (mProcessing)
    mProcessor->setProcessing(false);
  mProcessing = false;
  if (mActive)
    mComponent->setActive(false);
  mActive = false;
  mData.unprepare();
}

} // namespace render
