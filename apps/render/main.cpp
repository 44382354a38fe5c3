// mistlegrove-render: renders an audio file, or a demo signal, through the plug-in's VST 3
// bundle, the way a host would, for users without a host.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "apps/render/AudioFile.h"
#include "apps/render/DemoSignal.h"
#include "apps/render/EditorWindow.h"
#include "apps/render/Listing.h"
#include "apps/render/NoiseSignal.h"
#include "apps/render/Pictures.h"
#include "apps/render/PluginHost.h"
#include "apps/render/Progress.h"
#include "apps/render/Render.h"
#include "apps/render/RenderOptions.h"
#include "apps/render/SpectrogramTap.h"
#include "apps/render/ValueText.h"
#include "apps/render/Vst3PresetFile.h"

#ifndef MG_RENDER_DEFAULT_BUNDLE
#define MG_RENDER_DEFAULT_BUNDLE ""
#endif
#ifndef MG_RENDER_VERSION
#define MG_RENDER_VERSION "unknown"
#endif

namespace {

using namespace render;

constexpr const char* kProgram = "mistlegrove-render";
constexpr const char* kBundleName = "Mistlegrove Phaser.vst3";
constexpr const char* kDemoOutput = "demo-phased.wav";
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& message, int code = kExitFailure)
{
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  return code;
}

bool Exists(const std::string& path)
{
  struct stat st{};
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

std::string UserBundle()
{
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.vst3/" + kBundleName : std::string();
}

// Where an installed bundle is looked for after the build tree's: the user's, then the
// system's, as hosts look.
std::vector<std::string> InstalledBundles()
{
  std::vector<std::string> places;
  const std::string user = UserBundle();
  if (!user.empty())
    places.push_back(user);
  places.push_back(std::string("/usr/local/lib/vst3/") + kBundleName);
  places.push_back(std::string("/usr/lib/vst3/") + kBundleName);
  return places;
}

// The bundle of the build tree this program came from, else the first one installed.
std::string DefaultBundle()
{
  const std::string built = MG_RENDER_DEFAULT_BUNDLE;
  if (Exists(built))
    return built;
  const std::vector<std::string> installed = InstalledBundles();
  for (const std::string& place : installed)
    if (Exists(place))
      return place;
  return built.empty() ? installed.front() : built;
}

std::string DefaultBundleText()
{
  const std::string built = MG_RENDER_DEFAULT_BUNDLE;
  const std::string installed = "~/.vst3/" + std::string(kBundleName) + ", else /usr/local/lib/vst3, else /usr/lib/vst3";
  return built.empty() ? "default: " + installed : "default: " + built + ", else " + installed;
}

std::string CutShortText(const std::string& path, const AudioFileReader& reader)
{
  const double rate = reader.SampleRate();
  char text[128];
  std::snprintf(text, sizeof text, "%.2f s of its %.2f s are missing", static_cast<double>(reader.MissingFrames()) / rate,
                static_cast<double>(reader.Frames() + reader.MissingFrames()) / rate);
  return "'" + path + "' is cut short: " + text;
}

bool ApplyPreset(PluginHost& host, const std::string& wanted, std::string& error)
{
  const int index = FindPreset(host.PresetNames(), wanted, error);
  if (index < 0)
    return false;
  return host.SelectPreset(index, error);
}

// Resolves every --set first, so that a misspelt name fails before anything changes.
bool ResolveSettings(const PluginHost& host, const std::vector<ParamSetting>& settings,
                     std::vector<std::pair<PluginParam, std::string>>& resolved, std::string& error)
{
  for (const ParamSetting& s : settings)
  {
    PluginParam param;
    if (!host.FindParam(s.name, param) || (param.flags & kParamReadOnly))
    {
      std::vector<std::string> titles;
      for (const PluginParam& p : host.Params())
        if (!(p.flags & (kParamProgramChange | kParamReadOnly)))
          titles.push_back(p.title);
      error = "unknown parameter '" + s.name + "' (parameters: " + Joined(titles) + ")";
      return false;
    }
    if (param.flags & kParamProgramChange)
    {
      error = "'" + param.title + "' is chosen with --preset";
      return false;
    }
    resolved.emplace_back(param, s.value);
  }
  return true;
}

bool ApplySettings(PluginHost& host, const std::vector<std::pair<PluginParam, std::string>>& settings, bool switches,
                   std::string& error)
{
  for (const auto& [param, value] : settings)
  {
    if ((param.stepCount > 0) != switches)
      continue;
    double normalized = 0.0;
    if (!host.ReadValue(param, value, normalized, error) || !host.SetParam(param.id, normalized, error))
      return false;
  }
  return true;
}

int Run(int argc, char** argv)
{
  RenderOptions options;
  std::string error;
  if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
    return Fail(error, kExitUsage);
  if (options.help)
  {
    std::fputs(UsageText(kProgram, DefaultBundleText()).c_str(), stdout);
    return 0;
  }
  if (options.version)
  {
    std::printf("%s %s\n", kProgram, MG_RENDER_VERSION);
    return 0;
  }

  // Everything about the files is checked before the plug-in is loaded, so a mistyped
  // name fails at once.
  std::unique_ptr<AudioSource> source;
  std::string output = options.output;
  OutputFormat format;
  const std::string picture = options.response.empty() ? options.spectrogram : options.response;
  // A picture alone writes no audio unless asked to with -o.
  const bool audioOut = options.response.empty() && (options.spectrogram.empty() || !options.output.empty());
  const std::string bundle = options.bundle.empty() ? DefaultBundle() : options.bundle;
  if (!picture.empty() && !PreparePicture(picture, options.pictureWidth, options.pictureHeight, bundle, error))
    return Fail(error);
  Vst3PresetFile presetFile;
  if (!options.presetFile.empty() && !ReadVst3PresetFile(options.presetFile, presetFile, error))
    return Fail(error);
  if (!options.list && options.response.empty())
  {
    if (options.input.empty() && !options.spectrogram.empty())
      source = std::make_unique<NoiseSignal>();
    else if (options.input.empty())
    {
      source = std::make_unique<DemoSignal>();
      if (output.empty())
        output = kDemoOutput;
    }
    else
    {
      auto reader = std::make_unique<AudioFileReader>();
      if (!reader->Open(options.input, error))
        return Fail(error);
      if (reader->MissingFrames() > 0)
      {
        const std::string cut = CutShortText(options.input, *reader);
        if (options.strict)
          return Fail(cut + " (--strict)");
        std::fprintf(stderr, "%s: warning: %s; rendering what it holds\n", kProgram, cut.c_str());
      }
      source = std::move(reader);
      if (output.empty())
        output = DefaultOutputPath(options.input);
    }
    if (audioOut && !ChooseOutputFormat(output, options.floatOutput, format, error))
      return Fail(error, kExitUsage);
    if (!options.input.empty() && (SameFile(options.input, output) || SameFile(options.input, picture)))
      return Fail("refusing to overwrite the input '" + options.input + "': choose another output with -o");
  }

  if (bundle.empty())
    return Fail("no plug-in bundle found: pass --bundle PATH");
  PluginHost host;
  if (!host.Load(bundle, error))
    return Fail(error);
  std::vector<std::pair<PluginParam, std::string>> resolved;
  if (!ResolveSettings(host, options.settings, resolved, error))
    return Fail(error);
  if (!options.preset.empty() && !ApplyPreset(host, options.preset, error))
    return Fail(error);
  if (!options.presetFile.empty() && !host.Plugin()->LoadPresetFile(presetFile, error))
    return Fail(error);
  if (options.bypass && !host.SetBypass(true, error))
    return Fail(error);

  ProcessSettings settings;
  settings.sampleRate = source ? source->SampleRate() : DemoSignal::kSampleRate;
  settings.maxBlockSize = options.blockSize;
  settings.doublePrecision = options.doublePrecision;
  settings.realtime = options.realtime;
  settings.tempo = options.tempo;
  settings.renderTail = options.tail;
  if (!host.Start(settings, error))
    return Fail(error);

  // Switches first, and carried to the processor by a call without samples before the
  // other values are read: a switch can change how they read, and the plug-in may only
  // learn of it in processing ("1/4" reads as a rate once the LFO follows the tempo).
  if (!host.Process(0, error) || !ApplySettings(host, resolved, true, error) || !host.Process(0, error) ||
      !ApplySettings(host, resolved, false, error))
    return Fail(error);

  if (options.editor && !(host.Plugin() && host.Plugin()->HasEditorView()))
    return Fail("--editor opens the editor of a .vst3 bundle only");
  if (options.editor && !RunEditorWindow(host, error))
    return Fail(error);
  if (options.list)
  {
    std::fputs(DescribePlugin(host).c_str(), stdout);
    return 0;
  }
  if (!options.response.empty())
  {
    const std::string heading = PictureHeading("Magnitude response of", host, !options.preset.empty(), options.bypass,
                                                options.presetFile);
    return WriteResponsePicture(host, settings, picture, options.pictureWidth, options.pictureHeight, heading, error)
             ? 0
             : Fail(error);
  }

  AtomicAudioWriter writer;
  if (audioOut && !writer.Open(output, format, source->SampleRate(), 2, error))
    return Fail(error);
  std::unique_ptr<SpectrogramTap> tap;
  if (!options.spectrogram.empty())
    tap = std::make_unique<SpectrogramTap>(*source, audioOut ? &writer : nullptr, options.pictureWidth,
                                           options.pictureHeight);
  const bool interactive = isatty(STDERR_FILENO);
  const auto began = std::chrono::steady_clock::now();
  const int64_t frames =
    RenderThrough(host, tap ? static_cast<AudioSource&>(*tap) : *source, tap ? static_cast<AudioSink&>(*tap) : writer,
                  settings, Progress::Wanted(source->Frames(), source->SampleRate()), error);
  host.Stop();
  if (frames < 0)
    return Fail(error);
  if (tap)
  {
    const std::string input = options.input.substr(options.input.find_last_of('/') + 1);
    const std::string what = "Spectrogram of " + (input.empty() ? "white noise" : input) + " through";
    if (!WritePicture(tap->Draw(PictureHeading(what, host, !options.preset.empty(), options.bypass, options.presetFile),
                                SettingsTexts(host)),
                      picture, error))
      return Fail(error);
  }
  if (audioOut && !writer.Commit(error))
    return Fail(error);

  if (interactive && audioOut)
  {
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const double seconds = static_cast<double>(frames) / source->SampleRate();
    std::fprintf(stderr, "%s: wrote %s (%.2f s, %d Hz, %s) at %.0fx realtime\n", kProgram, output.c_str(), seconds,
                 source->SampleRate(), format.description.c_str(), took > 0.0 ? seconds / took : 0.0);
  }
  return 0;
}

} // namespace

int main(int argc, char** argv)
{
  try
  {
    return Run(argc, argv);
  }
  catch (const std::exception& e)
  {
    return Fail(e.what());
  }
}
