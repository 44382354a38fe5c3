// The parameters as a CLAP host sees them: the frame's, with the texts the plug-in shows
// everywhere, plus the bypass.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "frame/clap/IFrameCLAP.h"

namespace frame {

namespace {
// Hosts show a stepped parameter's own numbers; a continuous one moves over 0..1 like the
// editor's controls, whatever its curve.
bool isStepped(const IParam& p) { return p.Type() != kTypeDouble; }

bool copyText(const char* text, char* out, uint32_t capacity)
{
  if (!out || capacity == 0)
    return false;
  std::snprintf(out, capacity, "%s", text);
  return true;
}

const char* const kBypassTexts[2] = {"off", "on"};
} // namespace

double IFrameCLAP::toHost(int paramIdx, double normalized) const
{
  const IParam* p = mPlug->GetParam(paramIdx);
  normalized = std::clamp(normalized, 0.0, 1.0);
  if (!p || !isStepped(*p))
    return normalized;
  return RoundHalfAway(p->GetMin() + normalized * (p->GetMax() - p->GetMin()));
}

double IFrameCLAP::toNormalized(int paramIdx, double hostValue) const
{
  const IParam* p = mPlug->GetParam(paramIdx);
  if (p && isStepped(*p))
    hostValue = p->GetMax() > p->GetMin() ? (hostValue - p->GetMin()) / (p->GetMax() - p->GetMin()) : 0.0;
  return std::clamp(hostValue, 0.0, 1.0);
}

uint32_t IFrameCLAP::ParamCount() const { return static_cast<uint32_t>(mPlug->NParams()) + 1; }

bool IFrameCLAP::ParamInfo(uint32_t index, clap_param_info_t* info) const
{
  AssertMainThread();
  if (!info || index >= ParamCount())
    return false;
  *info = {};
  if (index == static_cast<uint32_t>(mPlug->NParams()))
  {
    info->id = kBypassParamId;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM | CLAP_PARAM_IS_BYPASS;
    copyText("Bypass", info->name, sizeof(info->name));
    info->min_value = 0.0;
    info->max_value = 1.0;
    return true;
  }
  const int idx = static_cast<int>(index);
  const IParam& p = *mPlug->GetParam(idx);
  info->id = index;
  info->flags = p.GetCanAutomate() ? CLAP_PARAM_IS_AUTOMATABLE : 0;
  if (isStepped(p))
    info->flags |= CLAP_PARAM_IS_STEPPED;
  else
    info->flags |= CLAP_PARAM_IS_MODULATABLE; // the frame modulates every continuous one
  // Switches and lists have a text per position, which hosts then offer as a list.
  if (p.Type() == kTypeEnum || p.Type() == kTypeBool)
    info->flags |= CLAP_PARAM_IS_ENUM;
  copyText(p.GetName(), info->name, sizeof(info->name));
  copyText(p.GetGroup(), info->module, sizeof(info->module));
  info->min_value = isStepped(p) ? p.GetMin() : 0.0;
  info->max_value = isStepped(p) ? p.GetMax() : 1.0;
  info->default_value = toHost(idx, p.GetDefault(true));
  return true;
}

bool IFrameCLAP::ParamValue(clap_id id, double* value) const
{
  AssertMainThread();
  if (!value)
    return false;
  if (id == kBypassParamId)
  {
    *value = mPlug->IsBypassed() ? 1.0 : 0.0;
    return true;
  }
  const IParam* p = mPlug->GetParam(static_cast<int>(std::min<clap_id>(id, INT32_MAX)));
  if (!p)
    return false;
  *value = toHost(static_cast<int>(id), p->GetNormalized());
  return true;
}

bool IFrameCLAP::ValueToText(clap_id id, double value, char* text, uint32_t capacity) const
{
  AssertMainThread();
  if (!std::isfinite(value))
    return false;
  if (id == kBypassParamId)
    return copyText(kBypassTexts[value >= 0.5 ? 1 : 0], text, capacity);
  const IParam* p = mPlug->GetParam(static_cast<int>(std::min<clap_id>(id, INT32_MAX)));
  if (!p)
    return false;
  IString display;
  p->GetDisplay(toNormalized(static_cast<int>(id), value), true, display, true);
  return copyText(display.Get(), text, capacity);
}

bool IFrameCLAP::TextToValue(clap_id id, const char* text, double* value) const
{
  AssertMainThread();
  if (!text || !value)
    return false;
  if (id == kBypassParamId)
  {
    for (int i = 0; i < 2; ++i)
      if (!std::strcmp(text, kBypassTexts[i]))
      {
        *value = i;
        return true;
      }
    return false;
  }
  const IParam* p = mPlug->GetParam(static_cast<int>(std::min<clap_id>(id, INT32_MAX)));
  if (!p)
    return false;
  *value = toHost(static_cast<int>(id), p->ToNormalized(p->StringToValue(text)));
  return true;
}

} // namespace frame
