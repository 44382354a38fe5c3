#include "apps/render/ValueText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace render {

namespace {

constexpr int kMaxListedSteps = 24;

std::string Squeeze(const std::string& text, const char* dropped)
{
  std::string out;
  for (char c : text)
  {
    const auto u = static_cast<unsigned char>(c);
    if (std::isspace(u) || std::strchr(dropped, c))
      continue;
    out += static_cast<char>(std::tolower(u));
  }
  return out;
}

std::string Trim(const std::string& text)
{
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
    ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
    --e;
  return text.substr(b, e - b);
}

// A leading finite number; rest receives what follows it, untouched.
bool LeadingNumber(const std::string& text, double& number, std::string& rest)
{
  const char* begin = text.c_str();
  while (*begin && std::isspace(static_cast<unsigned char>(*begin)))
    ++begin;
  char* end = nullptr;
  number = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(number))
    return false;
  // strtod reads "inf", "nan" and hexadecimal; a user typing a value means none of them.
  if (std::isalpha(static_cast<unsigned char>(*begin)) ||
      (end - begin > 1 && std::tolower(static_cast<unsigned char>(begin[1])) == 'x'))
    return false;
  rest = end;
  return true;
}

std::string Number(double v)
{
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.17g", v);
  return buf;
}

// What follows the number in one of the plug-in's texts ("Hz" of "1000Hz").
std::string UnitOf(const std::string& shown)
{
  double number = 0.0;
  std::string rest;
  return LeadingNumber(shown, number, rest) ? Trim(rest) : std::string();
}

// Whether the plug-in's reading depends on the text after the number: with it, a number
// reads differently than with a character no unit starts with.
bool ReadsTheUnit(const ParamTextModel& model, double number, const std::string& rest)
{
  for (double probe : {number, number * 0.5, number * 0.1, 0.5, 1.0})
  {
    double withUnit = 0.0, without = 0.0;
    if (model.fromText(Number(probe) + rest, withUnit) && model.fromText(Number(probe) + "~", without) &&
        withUnit != without)
      return true;
  }
  return false;
}

std::string StepTexts(const ParamTextModel& model)
{
  std::string list;
  for (int32_t k = 0; k <= model.stepCount; ++k)
    list += (k ? ", " : "") + model.toText(static_cast<double>(k) / model.stepCount);
  return list;
}

bool ReadStepped(const ParamTextModel& model, const std::string& text, double& normalized, std::string& error)
{
  if (model.stepCount <= kMaxListedSteps)
  {
    for (int32_t k = 0; k <= model.stepCount; ++k)
    {
      const double n = static_cast<double>(k) / model.stepCount;
      if (SameText(text, model.toText(n)))
      {
        normalized = n;
        return true;
      }
    }
  }
  double number = 0.0;
  std::string rest;
  if (LeadingNumber(text, number, rest) && Trim(rest).empty())
  {
    for (int32_t k = 0; k <= model.stepCount; ++k)
    {
      const double n = static_cast<double>(k) / model.stepCount;
      if (std::abs(model.toPlain(n) - number) < 1e-9)
      {
        normalized = n;
        return true;
      }
    }
  }
  error = model.title + " has no value '" + text + "'";
  if (model.stepCount <= kMaxListedSteps)
    error += " (it takes " + StepTexts(model) + ")";
  return false;
}

bool ReadContinuous(const ParamTextModel& model, const std::string& text, double& normalized, std::string& error)
{
  const std::string range = " (" + model.toText(0.0) + " .. " + model.toText(1.0) + ")";
  double n = 0.0;
  if (!model.fromText(text, n) || !std::isfinite(n))
  {
    error = model.title + " cannot read '" + text + "'" + range;
    return false;
  }
  if (SameText(text, model.toText(n)))
  {
    normalized = n;
    return true;
  }

  double number = 0.0;
  std::string rest;
  if (!LeadingNumber(text, number, rest))
  {
    error = model.title + " cannot read '" + text + "'" + range;
    return false;
  }
  const std::string unit = Trim(rest);
  const bool understood = unit.empty() || SameText(unit, UnitOf(model.toText(n))) ||
                          (!model.units.empty() && SameText(unit, model.units)) || ReadsTheUnit(model, number, rest);
  if (!understood)
  {
    error = model.title + " cannot read '" + text + "'" + range;
    return false;
  }

  // At an end of the range the value may have been clamped. A number exactly at the end
  // moves inwards when nudged one way; one beyond it stays put both ways.
  if (n <= 0.0 || n >= 1.0)
  {
    const double delta = std::max(std::abs(number), 1.0) * 1e-6;
    double up = 0.0, down = 0.0;
    if (model.fromText(Number(number + delta) + rest, up) && model.fromText(Number(number - delta) + rest, down) &&
        up == n && down == n)
    {
      error = model.title + ": '" + text + "' is out of range" + range;
      return false;
    }
  }
  normalized = n;
  return true;
}

} // namespace

bool SameText(const std::string& a, const std::string& b) { return Squeeze(a, "") == Squeeze(b, ""); }

bool SameName(const std::string& a, const std::string& b) { return Squeeze(a, "-_") == Squeeze(b, "-_"); }

bool ReadValueText(const ParamTextModel& model, const std::string& text, double& normalized, std::string& error)
{
  if (Trim(text).empty())
  {
    error = model.title + " needs a value";
    return false;
  }
  return model.stepCount > 0 ? ReadStepped(model, text, normalized, error)
                             : ReadContinuous(model, text, normalized, error);
}

std::string Joined(const std::vector<std::string>& names)
{
  std::string out;
  for (size_t i = 0; i < names.size(); ++i)
    out += (i ? ", " : "") + names[i];
  return out;
}

int FindPreset(const std::vector<std::string>& names, const std::string& wanted, std::string& error)
{
  if (names.empty())
  {
    error = "the plug-in has no presets";
    return -1;
  }
  char* end = nullptr;
  const long number = std::strtol(wanted.c_str(), &end, 10);
  if (end != wanted.c_str() && *end == '\0')
  {
    if (number < 0 || number >= static_cast<long>(names.size()))
    {
      error = "preset index " + wanted + " is out of range 0 .. " + std::to_string(names.size() - 1);
      return -1;
    }
    return static_cast<int>(number);
  }
  for (size_t i = 0; i < names.size(); ++i)
    if (SameName(names[i], wanted))
      return static_cast<int>(i);
  error = "unknown preset '" + wanted + "' (presets: " + Joined(names) + ")";
  return -1;
}

} // namespace render
