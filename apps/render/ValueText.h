#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace render {

/** What reading a user's value needs of one host-side parameter: its step count and unit
 *  and the plug-in's own conversions between normalised values, texts and plain values. */
struct ParamTextModel
{
  std::string title;
  int32_t stepCount = 0; ///< 0: continuous
  std::string units;
  std::function<std::string(double normalized)> toText;
  /** The plug-in's reading of a text. Plug-ins may fall back to a number or a clamp
   *  instead of failing, so a success here alone does not mean the text was understood. */
  std::function<bool(const std::string& text, double& normalized)> fromText;
  std::function<double(double normalized)> toPlain;
};

/** Turns a typed value into a normalised one the way the plug-in reads it, and refuses
 *  what the plug-in would only guess at. Accepted:
 *  - one of the plug-in's own value texts ("ON", "Triangle", "1000Hz", "Dry", "1/4"),
 *    ignoring case and blanks;
 *  - for a stepped parameter, a plain value of one of its steps ("1");
 *  - for a continuous one, a number alone or followed by the unit of the plug-in's text
 *    ("1000", "1000 Hz") or by any unit the plug-in's reading depends on ("1kHz", "30%"),
 *    within the parameter's range.
 *  Returns false with a one-line reason otherwise. */
bool ReadValueText(const ParamTextModel& model, const std::string& text, double& normalized, std::string& error);

/** Texts equal but for case and blanks. */
bool SameText(const std::string& a, const std::string& b);

/** Parameter or preset names equal but for case, blanks, '-' and '_', so that
 *  "synctohost" and "sync-to-host" find "Sync to Host". */
bool SameName(const std::string& a, const std::string& b);

/** Names joined with ", ", for messages that list what there is. */
std::string Joined(const std::vector<std::string>& names);

/** The preset a --preset value names: an index, or a name as SameName reads it. Returns -1
 *  with a one-line reason when there is none. */
int FindPreset(const std::vector<std::string>& names, const std::string& wanted, std::string& error);

} // namespace render
