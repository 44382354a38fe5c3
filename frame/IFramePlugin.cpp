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
