#include "frame/IFrameAPIBase.h"

namespace frame {

IFrameAPIBase::IFrameAPIBase(const Config& config) : IPluginBase(config.nParams, config.nPresets)
{
  InitFromConfig(config);
}

IFrameAPIBase::~IFrameAPIBase()
{
  if (mTimer)
    mTimer->Stop();
  mTimer.reset();
}

void IFrameAPIBase::CreateTimer()
{
  mTimer = Timer::Create([this](Timer& t) { OnTimer(t); }, kIdleTimerMs);
}

void IFrameAPIBase::OnTimer(Timer&)
{
  UpdateEditorFromHost();
  if (HasUI())
  {
    IMidiMsg msg;
    while (mMidiMsgsFromProcessor.Pop(msg))
      OnMidiMsgUI(msg);
    SysExData sysex;
    while (mSysExDataFromProcessor.Pop(sysex))
      OnSysexMsgUI(sysex);
  }
  DrainDeferredUITasks();
  OnIdle();
}

void IFrameAPIBase::SetTrackInfo(const char* name, int index, int colour)
{
  mTrackName.Set(name);
  mTrackIndex = index;
  mTrackColour = colour;
}

void IFrameAPIBase::SendParameterValueFromAPI(int paramIdx, double value, bool normalized)
{
  const IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  mParamChangeFromProcessor.Push({paramIdx, normalized ? param->FromNormalized(value) : value});
}

void IFrameAPIBase::SetParameterValue(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  param->SetNormalized(normalizedValue);
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx, kSourceEditor, -1);
}

void IFrameAPIBase::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  if (!GetParam(paramIdx))
    return;
  SetParameterValue(paramIdx, normalizedValue);
  OnParamChangeUI(paramIdx, kSourceEditor);
}

void IFrameAPIBase::DirtyParametersFromUI()
{
  for (int i = 0; i < NParams(); ++i)
    InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

bool IFrameAPIBase::EditorResizeFromUI(int width, int height, bool needsPlatformResize)
{
  if (needsPlatformResize)
    return EditorResize(width, height);
  return true;
}

} // namespace frame
