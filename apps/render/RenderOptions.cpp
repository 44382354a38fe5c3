#include "apps/render/RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace render {

namespace {

constexpr int kMaxBlockSize = 65536;
constexpr double kMinTempo = 1.0;
constexpr double kMaxTempo = 999.0;
constexpr long kMaxPictureSide = 8192;

bool ReadNumber(const std::string& text, double& value)
{
  if (text.empty())
    return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && *end == '\0' && std::isfinite(value);
}

bool ReadInteger(const std::string& text, long& value)
{
  if (text.empty())
    return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

} // namespace

bool ParseOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error)
{
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i)
  {
    std::string arg = args[i];

    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-")
    {
      if (!options.input.empty())
      {
        error = "more than one input file ('" + options.input + "' and '" + arg + "')";
        return false;
      }
      if (arg.empty())
      {
        error = "the input file name is empty";
        return false;
      }
      options.input = arg;
      continue;
    }
    if (arg == "--")
    {
      optionsEnded = true;
      continue;
    }

    // "--name=value" and "--name value" mean the same.
    std::string inlineValue;
    bool hasInlineValue = false;
    if (arg.rfind("--", 0) == 0)
    {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos)
      {
        inlineValue = arg.substr(eq + 1);
        arg.resize(eq);
        hasInlineValue = true;
      }
    }
    auto takeValue = [&](std::string& value) {
      if (hasInlineValue)
      {
        value = inlineValue;
        return true;
      }
      if (i + 1 >= args.size())
      {
        error = arg + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto isFlag = [&](const char* name) {
      if (arg != name)
        return false;
      if (hasInlineValue)
        error = arg + " takes no value";
      return true;
    };

    std::string value;
    if (arg == "-o" || arg == "--output")
    {
      if (!takeValue(value))
        return false;
      if (value.empty())
      {
        error = "the output file name is empty";
        return false;
      }
      options.output = value;
    }
    else if (arg == "--bundle")
    {
      if (!takeValue(value))
        return false;
      if (value.empty())
      {
        error = "the bundle path is empty";
        return false;
      }
      options.bundle = value;
    }
    else if (arg == "--preset")
    {
      if (!takeValue(value))
        return false;
      if (value.empty())
      {
        error = "--preset needs a name or an index";
        return false;
      }
      options.preset = value;
    }
    else if (arg == "--preset-file")
    {
      if (!takeValue(value))
        return false;
      if (value.empty())
      {
        error = "--preset-file needs a file name";
        return false;
      }
      options.presetFile = value;
    }
    else if (arg == "--set")
    {
      if (!takeValue(value))
        return false;
      const size_t eq = value.find('=');
      if (eq == std::string::npos || eq == 0)
      {
        error = "--set takes NAME=VALUE, not '" + value + "'";
        return false;
      }
      options.settings.push_back({value.substr(0, eq), value.substr(eq + 1)});
    }
    else if (arg == "--tempo")
    {
      if (!takeValue(value))
        return false;
      double bpm = 0.0;
      if (!ReadNumber(value, bpm) || bpm < kMinTempo || bpm > kMaxTempo)
      {
        error = "--tempo takes beats per minute from 1 to 999, not '" + value + "'";
        return false;
      }
      options.tempo = bpm;
    }
    else if (arg == "--block")
    {
      if (!takeValue(value))
        return false;
      long n = 0;
      if (!ReadInteger(value, n) || n < 1 || n > kMaxBlockSize)
      {
        error = "--block takes a sample count from 1 to " + std::to_string(kMaxBlockSize) + ", not '" + value + "'";
        return false;
      }
      options.blockSize = static_cast<int>(n);
    }
    else if (arg == "--spectrogram" || arg == "--response")
    {
      if (!takeValue(value))
        return false;
      if (value.empty())
      {
        error = arg + " needs a file name";
        return false;
      }
      (arg == "--response" ? options.response : options.spectrogram) = value;
    }
    else if (arg == "--size")
    {
      if (!takeValue(value))
        return false;
      const size_t x = value.find('x');
      long w = 0, h = 0;
      if (x == std::string::npos || !ReadInteger(value.substr(0, x), w) || !ReadInteger(value.substr(x + 1), h) ||
          w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide)
      {
        error = "--size takes WIDTHxHEIGHT in pixels, not '" + value + "'";
        return false;
      }
      options.pictureWidth = static_cast<int>(w);
      options.pictureHeight = static_cast<int>(h);
    }
    else if (isFlag("--double"))
      options.doublePrecision = true;
    else if (isFlag("--realtime"))
      options.realtime = true;
    else if (isFlag("--bypass"))
      options.bypass = true;
    else if (isFlag("--no-tail"))
      options.tail = false;
    else if (isFlag("--float"))
      options.floatOutput = true;
    else if (isFlag("--list"))
      options.list = true;
    else if (isFlag("--editor"))
      options.editor = true;
    else if (isFlag("--strict"))
      options.strict = true;
    else if (isFlag("-h") || isFlag("--help"))
      options.help = true;
    else if (isFlag("--version"))
      options.version = true;
    else
    {
      error = "unknown option '" + arg + "' (see --help)";
      return false;
    }
    if (!error.empty())
      return false;
  }
  if (!options.preset.empty() && !options.presetFile.empty())
  {
    error = "--preset and --preset-file both choose where to start: give one";
    return false;
  }
  if (!options.response.empty() && (!options.input.empty() || !options.output.empty() || !options.spectrogram.empty()))
  {
    error = "--response measures the plug-in alone: it takes no input, -o or --spectrogram";
    return false;
  }
  return true;
}

std::string UsageText(const std::string& program, const std::string& defaultBundle)
{
  return "Usage: " + program + " [options] [INPUT]\n"
    "Renders INPUT (WAV, FLAC or AIFF, mono or stereo) through the Mistlegrove Phaser\n"
    "VST 3 plug-in into a stereo file at the same sample rate. Without INPUT it renders\n"
    "a six-second demo chord.\n"
    "\n"
    "  -o, --output OUT      output file; its extension picks the format: .wav, .flac,\n"
    "                        .aif or .aiff (default: INPUT-phased.EXT or demo-phased.wav)\n"
    "      --float           32-bit float samples (WAV, AIFF) instead of 24-bit PCM\n"
    "      --preset P        factory preset by name or by index 0..9\n"
    "      --preset-file FILE.vstpreset\n"
    "                        start from a VST 3 preset file instead of a preset\n"
    "                        (with a .vst3 bundle); --set applies after it too\n"
    "      --set NAME=VALUE  a parameter by its title, the value as the plug-in shows it\n"
    "                        or a plain number: Manual=1000Hz, \"Sync to Host=ON\",\n"
    "                        LFOSpeed=1/4, Waveform=Triangle, Mix=Dry; repeatable,\n"
    "                        applied after --preset\n"
    "      --tempo BPM       tempo of the running transport, for Sync to Host (120)\n"
    "      --block N         samples per processing call (512)\n"
    "      --double          process in 64-bit floats (default 32-bit)\n"
    "      --realtime        set the plug-in up for realtime, not offline, processing\n"
    "      --bypass          render with the plug-in's bypass on\n"
    "      --no-tail         end the output with the input: by default the ring the\n"
    "                        plug-in reports (its tail, up to a minute) follows it\n"
    "      --spectrogram PNG draw the spectrograms of the input and of the output; without\n"
    "                        INPUT the input is eight seconds of white noise, and without\n"
    "                        -o no audio is written\n"
    "      --response PNG    draw the magnitude response at 8 points of one LFO cycle,\n"
    "                        measured through the plug-in, instead of rendering\n"
    "      --size WxH        the pictures' size in pixels (800x600)\n"
    "      --list            print the plug-in's class, parameters and presets and exit\n"
    "      --editor          open the plug-in's editor first; the render then uses the\n"
    "                        values the editor leaves\n"
    "      --strict          refuse an input cut short instead of warning and rendering\n"
    "                        what it holds\n"
    "      --bundle PATH     the .vst3 bundle, or the .clap, to load\n"
    "                        (" + defaultBundle + ")\n"
    "  -h, --help            this text\n"
    "      --version         the program's version\n"
    "\n"
    "The output is written beside its final name and moved there when complete; the\n"
    "input is never overwritten.\n";
}

} // namespace render
