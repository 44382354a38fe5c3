#pragma once

#include <string>
#include <vector>

namespace app {

/** One --set NAME=VALUE, kept as typed: the plug-in decides what the value text means. */
struct Setting
{
  std::string name;
  std::string value;
};

/** Everything the command line asks for. */
struct AppOptions
{
  bool editor = true;
  std::string preset; ///< name or index; empty: the saved state's values
  std::vector<Setting> settings;
  bool connect = false;        ///< to the first capture and playback ports
  std::vector<std::string> in; ///< ports to connect to the inputs, in order
  std::vector<std::string> out;
  std::string state; ///< empty: the default state file
  bool help = false;
  bool version = false;
};

/** Fills options from the arguments after the program name. False with a one-line reason
 *  for anything it cannot take. */
bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& options, std::string& error);

/** The --help text; statePath is shown as the --state default. */
std::string AppUsage(const std::string& program, const std::string& statePath);

} // namespace app
