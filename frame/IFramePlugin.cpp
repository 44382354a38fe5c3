#include "frame/IFramePlugin.h"

#include <algorithm>
#include <vector>

namespace frame {

IFramePlugin::IFramePlugin(const Config& config)
  : IFrameAPIBase(config), IFrameProcessor(config), mPending(NParams()), mForEditor(NParams())
{
  if (HasUI())
    CreateEditor();
  CreateTimer();
}

void IFramePlugin::SetActive(bool active)
{
  // Whatever was waiting for a processing call is applied before the state changes hands.
  applyPendingChanges();
  mActive.store(active, std::memory_order_release);
  if (!active)
    applyPendingChanges();
  OnActivate(active);
}

void IFramePlugin::OnParamChange(int paramIdx, EParamSource source, int sampleOffset)
{
  if (paramIdx < 0 || paramIdx >= NParams())
    return;
  if (IsAudioThread() || !IsActive())
  {
    IFrameAPIBase::OnParamChange(paramIdx, source, sampleOffset);
    return;
  }
  mPending.Set(paramIdx);
}

void IFramePlugin::applyPendingChanges()
{
  mPending.Take([this](int idx) { IFrameAPIBase::OnParamChange(idx, kSourceEditor, -1); });
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
  applyPendingChanges(); // older than the host's value, so heard before it
  param->SetNormalized(normalizedValue);
  OnParamChange(paramIdx, kSourceHost, sampleOffset);
  changedForEditor(paramIdx);
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
  // Read once, applied only when the flag follows: all or nothing.
  std::vector<double> values(static_cast<size_t>(NParams()));
  const int pos = ReadState(chunk, 0, values.data());
  int32_t bypass = 0;
  if (pos < 0 || chunk.Get(&bypass, pos) < 0)
    return false;
  ApplyState(values.data());
  SetBypassed(bypass != 0);
  return true;
}

bool IFramePlugin::LoadStateFrom(const StateRead& read)
{
  IByteChunk chunk;
  uint8_t buffer[256];
  for (;;)
  {
    const int64_t got = read(buffer, sizeof(buffer));
    // More than was asked for is not the host's bytes: the buffer's old contents would follow.
    if (got < 0 || got > static_cast<int64_t>(sizeof(buffer)))
      return false;
    if (got == 0)
      break;
    chunk.PutBytes(buffer, static_cast<int>(got));
    if (chunk.Size() > kMaxStateBytes)
      return false;
  }
  return LoadState(chunk);
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
