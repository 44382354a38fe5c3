#pragma once

#include <string>
#include <vector>

namespace render {

/** One --set NAME=VALUE, kept as typed: the plug-in decides what the value text means. */
struct ParamSetting
{
  std::string name;
  std::string value;
};

/** Everything the command line asks for. Defaults are what a plain call renders with. */
struct RenderOptions
{
  std::string input;  ///< empty: the built-in demo signal
  std::string output; ///< empty: derived from the input (see DefaultOutputPath)
  std::string bundle; ///< empty: the bundle of the build tree, else the user's ~/.vst3 one
  std::string preset; ///< name or index; empty: the plug-in's own start-up values
  std::string presetFile; ///< a .vstpreset to start from instead of a preset
  std::vector<ParamSetting> settings;
  std::string spectrogram; ///< a picture of the render; empty: none
  std::string response;    ///< a picture of the measured response instead of a render
  int pictureWidth = 800;
  int pictureHeight = 600;
  double tempo = 120.0;
  int blockSize = 512;
  bool doublePrecision = false;
  bool realtime = false;
  bool bypass = false;
  bool tail = true; ///< the plug-in's ring after the input's end is rendered too
  bool floatOutput = false;
  bool list = false;
  bool editor = false;
  bool strict = false; ///< a damaged input is an error, not a warning
  bool help = false;
  bool version = false;
};

/** Fills options from the arguments after the program name. Returns false with a one-line
 *  reason for anything it cannot take; options are then partly filled. */
bool ParseOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

/** The --help text; defaultBundle is shown as the --bundle default. */
std::string UsageText(const std::string& program, const std::string& defaultBundle);

} // namespace render
