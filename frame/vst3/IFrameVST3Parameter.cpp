#include "frame/vst3/IFrameVST3Parameter.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "public.sdk/source/vst/utility/stringconvert.h"

namespace frame {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
} // namespace

// ---------------------------------------------------------------------------------------

IFrameVST3Parameter::IFrameVST3Parameter(const IParam& param, ParamID id, UnitID unitID) : mParam(param)
{
  StringConvert::convert(param.GetName(), info.title);
  StringConvert::convert(param.GetLabel(), info.units);
  info.id = id;
  info.unitId = unitID;
  info.stepCount = param.Type() == kTypeDouble ? 0 : static_cast<int32>(param.GetMax() - param.GetMin());
  info.defaultNormalizedValue = valueNormalized = clamp01(param.GetDefault(true));
  info.flags = param.GetCanAutomate() ? ParameterInfo::kCanAutomate : 0;
  if (param.Type() == kTypeEnum)
    info.flags |= ParameterInfo::kIsList;
  precision = param.GetDisplayPrecision();
}

void IFrameVST3Parameter::toString(ParamValue normalized, String128 string) const
{
  IString text;
  mParam.GetDisplay(normalized, true, text, true);
  StringConvert::convert(text.Str(), string);
}

bool IFrameVST3Parameter::fromString(const TChar* string, ParamValue& normalized) const
{
  if (!string)
    return false;
  const std::string text = StringConvert::convert(string);
  normalized = clamp01(mParam.ToNormalized(mParam.StringToValue(text.c_str())));
  return true;
}

ParamValue IFrameVST3Parameter::toPlain(ParamValue normalized) const { return mParam.FromNormalized(normalized); }

ParamValue IFrameVST3Parameter::toNormalized(ParamValue plain) const { return clamp01(mParam.ToNormalized(plain)); }

// ---------------------------------------------------------------------------------------

IFrameVST3BypassParameter::IFrameVST3BypassParameter()
  : StringListParameter(STR16("Bypass"), kBypassParamID, nullptr,
                        ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass, kRootUnitId)
{
  appendString(STR16("off"));
  appendString(STR16("on"));
}

// ---------------------------------------------------------------------------------------

IFrameVST3PresetParameter::IFrameVST3PresetParameter(const IPluginBase& plug)
  : Parameter(STR16("Preset"), kPresetParamID, STR16(""), 0.0, std::max(plug.NPresets() - 1, 0),
              ParameterInfo::kIsProgramChange, kRootUnitId),
    mPlug(plug)
{
}

int IFrameVST3PresetParameter::PresetIndex(ParamValue normalized) const
{
  return static_cast<int>(RoundHalfAway(clamp01(normalized) * std::max(mPlug.NPresets() - 1, 0)));
}

void IFrameVST3PresetParameter::toString(ParamValue normalized, String128 string) const
{
  StringConvert::convert(mPlug.GetPresetName(PresetIndex(normalized)), string);
}

bool IFrameVST3PresetParameter::fromString(const TChar* string, ParamValue& normalized) const
{
  if (!string)
    return false;
  const std::string text = StringConvert::convert(string);
  for (int i = 0; i < mPlug.NPresets(); ++i)
  {
    if (text == mPlug.GetPresetName(i))
    {
      normalized = toNormalized(i);
      return true;
    }
  }
  char* end = nullptr;
  const long idx = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || idx < 0 || idx >= mPlug.NPresets())
    return false;
  normalized = toNormalized(static_cast<ParamValue>(idx));
  return true;
}

ParamValue IFrameVST3PresetParameter::toPlain(ParamValue normalized) const { return PresetIndex(normalized); }

ParamValue IFrameVST3PresetParameter::toNormalized(ParamValue plain) const
{
  const int last = mPlug.NPresets() - 1;
  return last > 0 ? clamp01(plain / last) : 0.0;
}

} // namespace frame
