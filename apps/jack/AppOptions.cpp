#include "apps/jack/AppOptions.h"

namespace app {

namespace {

std::vector<std::string> SplitPorts(const std::string& list)
{
  std::vector<std::string> ports;
  size_t start = 0;
  while (true)
  {
    const size_t comma = list.find(',', start);
    ports.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos)
      return ports;
    start = comma + 1;
  }
}

} // namespace

bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& options, std::string& error)
{
  for (size_t i = 0; i < args.size(); ++i)
  {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size())
      {
        error = arg + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h")
      options.help = true;
    else if (arg == "--version")
      options.version = true;
    else if (arg == "--no-editor")
      options.editor = false;
    else if (arg == "--connect")
      options.connect = true;
    else if (arg == "--preset")
    {
      if (!value(options.preset))
        return false;
    }
    else if (arg == "--state")
    {
      if (!value(options.state))
        return false;
    }
    else if (arg == "--set")
    {
      if (!value(text))
        return false;
      const size_t eq = text.find('=');
      if (eq == std::string::npos || eq == 0)
      {
        error = "--set takes NAME=VALUE, not '" + text + "'";
        return false;
      }
      options.settings.push_back({text.substr(0, eq), text.substr(eq + 1)});
    }
    else if (arg == "--in" || arg == "--out")
    {
      if (!value(text))
        return false;
      std::vector<std::string> ports = SplitPorts(text);
      if (ports.size() > 2 || ports[0].empty())
      {
        error = arg + " takes one or two ports, PORT[,PORT], not '" + text + "'";
        return false;
      }
      (arg == "--in" ? options.in : options.out) = ports;
    }
    else
    {
      error = "unknown option '" + arg + "' (--help lists them)";
      return false;
    }
  }
  if (options.connect && (!options.in.empty() || !options.out.empty()))
  {
    error = "--connect chooses the ports itself: give it or --in/--out, not both";
    return false;
  }
  return true;
}

std::string AppUsage(const std::string& program, const std::string& statePath)
{
  return "Usage: " + program + " [options]\n"
         "The Mistlegrove Phaser as a JACK client \"Mistlegrove Phaser\" with two inputs and two\n"
         "outputs, its editor in a window of its own. Closing the window, Ctrl-C or SIGTERM quit.\n"
         "\n"
         "Options:\n"
         "  --no-editor          run without a window\n"
         "  --preset NAME        start from a factory preset (a name or its index)\n"
         "  --set NAME=VALUE     set a parameter, as the plug-in shows it (\"1000Hz\", \"ON\");\n"
         "                       may repeat\n"
         "  --connect            connect the inputs to the first capture ports and the\n"
         "                       outputs to the first playback ports\n"
         "  --in PORT[,PORT]     connect these ports to the inputs\n"
         "  --out PORT[,PORT]    connect the outputs to these ports\n"
         "  --state FILE         keep the parameters in FILE (default: " +
         (statePath.empty() ? std::string("none without HOME") : statePath) +
         ")\n"
         "  --help               this text\n"
         "  --version            the version\n"
         "\n"
         "The parameters are saved on exit and restored at the next start. \"Sync to Host\"\n"
         "follows JACK's transport where it rolls with a tempo.\n";
}

} // namespace app
