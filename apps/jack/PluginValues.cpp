#include "apps/jack/PluginValues.h"

#include <cstdlib>
#include <utility>

#include "apps/render/ValueText.h"
#include "frame/IFramePlugin.h"
#include "frame/IString.h"

namespace app {

namespace {

int StepCount(const frame::IParam& p)
{
  return p.Type() == frame::kTypeDouble ? 0 : static_cast<int>(p.GetMax() - p.GetMin());
}

render::ParamTextModel Model(const frame::IParam& p)
{
  render::ParamTextModel model;
  model.title = p.GetName();
  model.stepCount = StepCount(p);
  model.units = p.GetLabel();
  model.toText = [&p](double normalized) {
    frame::IString text;
    p.GetDisplay(normalized, true, text, true);
    return std::string(text.Str());
  };
  model.fromText = [&p](const std::string& text, double& normalized) {
    normalized = p.ToNormalized(p.StringToValue(text.c_str()));
    return true;
  };
  model.toPlain = [&p](double normalized) { return p.FromNormalized(normalized); };
  return model;
}

} // namespace

bool ApplyPreset(frame::IFramePlugin& plugin, const std::string& wanted, std::string& error)
{
  std::vector<std::string> names;
  for (int i = 0; i < plugin.NPresets(); ++i)
    names.emplace_back(plugin.GetPresetName(i));
  const int index = render::FindPreset(names, wanted, error);
  if (index < 0)
    return false;
  if (!plugin.RestorePreset(index))
  {
    error = "the plug-in could not recall preset '" + names[static_cast<size_t>(index)] + "'";
    return false;
  }
  return true;
}

bool ApplySettings(frame::IFramePlugin& plugin, const std::vector<Setting>& settings, std::string& error)
{
  std::vector<std::pair<int, std::string>> resolved;
  for (const Setting& s : settings)
  {
    int found = -1;
    for (int i = 0; i < plugin.NParams() && found < 0; ++i)
      if (render::SameName(plugin.GetParam(i)->GetName(), s.name))
        found = i;
    if (found < 0)
    {
      std::vector<std::string> titles;
      for (int i = 0; i < plugin.NParams(); ++i)
        titles.emplace_back(plugin.GetParam(i)->GetName());
      error = "unknown parameter '" + s.name + "' (parameters: " + render::Joined(titles) + ")";
      return false;
    }
    resolved.emplace_back(found, s.value);
  }
  for (bool switches : {true, false})
  {
    for (const auto& [index, value] : resolved)
    {
      const frame::IParam& param = *plugin.GetParam(index);
      if ((StepCount(param) > 0) != switches)
        continue;
      double normalized = 0.0;
      if (!render::ReadValueText(Model(param), value, normalized, error))
        return false;
      // Inactive: the effect hears of it at once, so the next one's texts follow it.
      plugin.SetParameterValue(index, normalized);
    }
  }
  return true;
}

} // namespace app
