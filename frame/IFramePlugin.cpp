#include "frame/IFramePlugin.h"

namespace frame {

IFramePlugin::IFramePlugin(const Config& config) : IFrameAPIBase(config), IFrameProcessor(config)
{
  CreateTimer();
}

IFramePlugin::~IFramePlugin() = default;

void IFramePlugin::Initialize(const char* hostName, int hostVersion)
{
  if (GetHost() == kHostUninit)
    SetHost(hostName, hostVersion);
  OnHostIdentified();
  OnParamReset(kSourceReset);
}

void IFramePlugin::SetupProcessing(double sampleRate, int maxBlockSize)
{
  SetSampleRate(sampleRate);
  SetBlockSize(maxBlockSize);
  OnReset();
}

void IFramePlugin::ApplyHostParamChange(int paramIdx, double normalizedValue, int sampleOffset)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  param->SetNormalized(normalizedValue);
  OnParamChange(paramIdx, kSourceHost, sampleOffset);
}

void IFramePlugin::BeginInformHostOfParamChange(int paramIdx)
{
  if (mHost)
    mHost->BeginEdit(paramIdx);
}

void IFramePlugin::InformHostOfParamChange(int paramIdx, double normalizedValue)
{
  if (mHost)
    mHost->PerformEdit(paramIdx, normalizedValue);
}

void IFramePlugin::EndInformHostOfParamChange(int paramIdx)
{
  if (mHost)
    mHost->EndEdit(paramIdx);
}

void IFramePlugin::InformHostOfParameterDetailsChange()
{
  if (mHost)
    mHost->ParameterTextsChanged();
}

void IFramePlugin::InformHostOfPresetChange()
{
  if (mHost)
    mHost->PresetRecalled();
}

bool IFramePlugin::EditorResize(int width, int height)
{
  if (!HasUI())
    return false;
  if ((width != GetEditorWidth() || height != GetEditorHeight()) && mHost)
    mHost->ResizeEditor(width, height);
  SetEditorSize(width, height);
  return true;
}

void IFramePlugin::DirtyParametersFromUI()
{
  if (mHost)
    mHost->ReportAllValues();
}

void IFramePlugin::SetLatency(int samples)
{
  IFrameProcessor::SetLatency(samples);
  if (mHost)
    mHost->LatencyChanged();
}

bool IFramePlugin::ShowHostContextMenu(int paramIdx, float x, float y)
{
  if (!mHost || !GetParam(paramIdx))
    return false;
  const float scale = GetUI() ? GetUI()->GetDrawScale() : 1.f;
  return mHost->ShowParameterMenu(paramIdx, x * scale, y * scale);
}

bool IFramePlugin::SaveState(IByteChunk& chunk) const
{
  if (!SerializeState(chunk))
    return false;
  const int32_t bypass = IsBypassed() ? 1 : 0;
  chunk.Put(&bypass);
  return true;
}

bool IFramePlugin::LoadState(const IByteChunk& chunk)
{
  const int pos = StateEnd(chunk, 0);
  int32_t bypass = 0;
  if (pos < 0 || chunk.Get(&bypass, pos) < 0)
    return false;
  if (unserializeMistlegroveState(chunk, 0) != pos)
    return false;
  SetBypassed(bypass != 0);
  return true;
}

void IFramePlugin::SetParameterFromHostController(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  param->SetNormalized(normalizedValue);
  OnParamChangeUI(paramIdx, kSourceHost);
  SendParameterValueFromDelegate(paramIdx, normalizedValue, true);
}

} // namespace frame
