#pragma once

#include <cstdint>
#include <string>

#include "lv2/core/lv2.h"

namespace frame {
class IFramePlugin;
class IParam;
}

namespace frame::lv2 {

/** The port layout every part of the LV2 binding shares (the Turtle, the signal path, the
 *  UI): audio inputs, audio outputs, the time atom input, the host's bypass, then one
 *  control input per parameter in parameter order. */
struct PortLayout
{
  explicit PortLayout(const IFramePlugin& plug);

  uint32_t nAudioIn = 0;
  uint32_t nAudioOut = 0;
  uint32_t nParams = 0;

  uint32_t AudioIn(uint32_t channel) const { return channel; }
  uint32_t AudioOut(uint32_t channel) const { return nAudioIn + channel; }
  uint32_t Control() const { return nAudioIn + nAudioOut; }
  uint32_t Enabled() const { return Control() + 1; }
  uint32_t Param(int paramIdx) const { return Enabled() + 1 + static_cast<uint32_t>(paramIdx); }
  /** The parameter a port carries, or -1. */
  int ParamOf(uint32_t port) const
  {
    return port >= Param(0) && port < Param(0) + nParams ? static_cast<int>(port - Param(0)) : -1;
  }
  uint32_t NPorts() const { return Param(0) + nParams; }
};

/** A port's value is the parameter's value in the unit the parameter names (value times
 *  its scale: Hz, %); a parameter that names none keeps its own value. */
struct PortUnit
{
  const char* unit = nullptr; // the LV2 units: name ("hz", "pc"), or null
  double scale = 1.0;
};
PortUnit UnitOf(const IParam& param);

/** Port value and parameter value, one from the other; the caller steps and clamps. */
inline double ParamValueFromPort(const PortUnit& unit, float portValue)
{
  return static_cast<double>(portValue) / unit.scale;
}
inline float PortValueFromParam(const PortUnit& unit, double value)
{
  return static_cast<float>(value * unit.scale);
}

/** A port symbol from a parameter name: lower case, anything but letters and digits as
 *  one '_', never starting with a digit. */
std::string SymbolOf(const IParam& param);

/** The data of the host's feature of that URI, or null. */
const void* FeatureData(const LV2_Feature* const* features, const char* uri);

/** URIs the binding adds to the plug-in's own. */
std::string UiUri(const char* pluginUri);
std::string PresetUri(const char* pluginUri, int presetIdx);
std::string StateKeyUri(const char* pluginUri);
/** The key of a factory preset's number in the presets' state. */
std::string PresetKeyUri(const char* pluginUri);

} // namespace frame::lv2
