#include "frame/lv2/Lv2Ports.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
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

namespace {
// The number a value text starts with and the unit after it; false for other texts.
bool readText(const IParam& param, double value, double& number, std::string& unit)
{
  IString text;
  param.GetDisplay(value, false, text, false);
  const char* p = text.Get();
  char* end = nullptr;
  number = std::strtod(p, &end);
  if (end == p)
    return false;
  unit = end;
  return true;
}
} // namespace

PortUnit UnitOf(const IParam& param)
{
  PortUnit plain;
  if (param.Type() != kTypeDouble || param.GetMax() == 0.0)
    return plain;
  double top = 0.0;
  std::string unitText;
  if (!readText(param, param.GetMax(), top, unitText))
    return plain;
  const char* unit = unitText == "Hz" ? "hz" : unitText == "%" ? "pc" : nullptr;
  const double scale = top / param.GetMax();
  if (!unit || scale <= 0.0 || scale != std::floor(scale))
    return plain;
  // The text must follow value times scale across the range, not only at the top: a curve
  // (or a rounding that hides one) keeps the plain value.
  for (double f : {0.25, 0.5, 0.75})
  {
    const double v = param.GetMin() + f * param.GetRange();
    double n = 0.0;
    std::string u;
    if (!readText(param, v, n, u) || u != unitText || std::fabs(n - v * scale) > 1e-9 * scale)
      return plain;
  }
  return {unit, scale};
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

} // namespace frame::lv2
