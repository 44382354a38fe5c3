#include "apps/render/Listing.h"

#include <algorithm>

namespace render {


namespace {

constexpr int32_t kMaxListedSteps = 12;

std::string Pad(const std::string& text, size_t width)
{
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string Line(const char* label, const std::string& value) { return "  " + Pad(label, 14) + value + "\n"; }

std::string Range(const PluginHost& host, const PluginParam& p)
{
  if (p.flags & kParamProgramChange)
    return std::to_string(p.stepCount + 1) + " programs";
  if (p.stepCount == 0)
    return host.TextFor(p.id, 0.0) + " .. " + host.TextFor(p.id, 1.0);
  if (p.stepCount > kMaxListedSteps)
    return std::to_string(p.stepCount + 1) + " steps, " + host.TextFor(p.id, 0.0) + " .. " + host.TextFor(p.id, 1.0);
  std::string list;
  for (int32_t k = 0; k <= p.stepCount; ++k)
    list += (k ? " | " : "") + host.TextFor(p.id, static_cast<double>(k) / p.stepCount);
  return list;
}

} // namespace

std::string DescribePlugin(const PluginHost& host)
{
  const PluginDescription& d = host.Description();
  std::string out = d.name + " " + d.version + " by " + d.vendor + "\n";
  out += Line("category", d.category);
  out += Line("sub-category", d.subCategories);
  out += Line("class id", d.classId);
  out += Line("SDK", d.sdkVersion);
  if (!d.url.empty() || !d.email.empty())
    out += Line("contact", d.url + (d.url.empty() || d.email.empty() ? "" : ", ") + d.email);
  out += Line("bundle", d.bundle);
  out += Line("latency", std::to_string(host.LatencySamples()) + " samples, tail " +
                           std::to_string(host.TailSamples()) + " samples");

  const std::vector<PluginParam> params = host.Params();
  size_t titleWidth = 5, valueWidth = 5;
  std::vector<std::string> values;
  for (const PluginParam& p : params)
  {
    values.push_back(host.ValueText(p.id));
    titleWidth = std::max(titleWidth, p.title.size());
    valueWidth = std::max(valueWidth, values.back().size());
  }
  out += "\nParameters\n";
  out += "  " + Pad("id", 7) + Pad("title", titleWidth + 2) + Pad("value", valueWidth + 2) + "takes\n";
  for (size_t i = 0; i < params.size(); ++i)
  {
    const PluginParam& p = params[i];
    std::string takes = Range(host, p);
    if (p.flags & kParamBypass)
      takes += " (bypass)";
    if (p.flags & kParamReadOnly)
      takes += " (read-only)";
    if (!p.units.empty())
      takes += " [" + p.units + "]";
    out += "  " + Pad(std::to_string(p.id), 7) + Pad(p.title, titleWidth + 2) + Pad(values[i], valueWidth + 2) + takes +
           "\n";
  }

  const std::vector<std::string> presets = host.PresetNames();
  if (!presets.empty())
  {
    out += "\nPresets (" + host.PresetListName() + ")\n";
    for (size_t i = 0; i < presets.size(); ++i)
      out += "  " + Pad(std::to_string(i), 4) + presets[i] + "\n";
  }
  return out;
}

} // namespace render
