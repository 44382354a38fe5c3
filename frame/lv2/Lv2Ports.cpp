#include "frame/lv2/Lv2Ports.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "frame/IFramePlugin.h"
#include "frame/IParam.h"

namespace frame::lv2 {

PortLayout::PortLayout(const IFramePlugin& plug)
  : nAudioIn(static_cast<uint32_t>(plug.MaxNChannels(kInput))),
    nAudioOut(static_cast<uint32_t>(plug.MaxNChannels(kOutput))),
    nParams(static_cast<uint32_t>(plug.NParams()))
{
}

PortUnit UnitOf(const IParam& param)
{
  const double scale = param.GetUnitScale();
  if (!(scale > 0.0))
    return {};
  switch (param.Unit())
  {
    case kUnitHertz:
      return {"hz", scale};
    case kUnitPercent:
      return {"pc", scale};
    default:
      return {nullptr, scale};
  }
}

std::string SymbolOf(const IParam& param)
{
  std::string symbol;
  bool gap = false;
  for (const char* p = param.GetName(); *p; ++p)
  {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (std::isalnum(c))
    {
      if (gap && !symbol.empty())
        symbol += '_';
      symbol += static_cast<char>(std::tolower(c));
      gap = false;
    }
    else
      gap = true;
  }
  if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0])))
    symbol = "p_" + symbol;
  return symbol;
}

const void* FeatureData(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
      return features[i]->data;
  return nullptr;
}

std::string UiUri(const char* pluginUri) { return std::string(pluginUri) + "#ui"; }
std::string PresetUri(const char* pluginUri, int presetIdx)
{
  return std::string(pluginUri) + "#preset-" + std::to_string(presetIdx);
}
std::string StateKeyUri(const char* pluginUri) { return std::string(pluginUri) + "#state"; }
std::string PresetKeyUri(const char* pluginUri) { return std::string(pluginUri) + "#factory-preset"; }

} // namespace frame::lv2
