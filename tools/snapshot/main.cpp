// mistlegrove-snapshot: draws the plug-in's editor without a display, at a chosen scale and
// with a chosen preset and parameter values, into a PNG file.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "editor/IGraphics.h"
#include "editor/trellowphaser.editor.h"
#include "effect/trellowphaser.h"

#ifndef MG_SNAPSHOT_RESOURCES
#define MG_SNAPSHOT_RESOURCES ""
#endif

namespace {

constexpr const char* kProgram = "mistlegrove-snapshot";
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintUsage()
{
  std::printf("usage: %s [--scale S] [--preset N|NAME] [--param INDEX=VALUE]... [--modulate INDEX=AMOUNT]...\n"
              "       [--resources DIR] OUT.png\n"
              "  --scale S            the stored editor scale the editor opens at (default 0.5)\n"
              "  --preset N|NAME      recall a factory preset by index 0-9 or by name\n"
              "  --param INDEX=VALUE  set parameter INDEX (0-9) to the real VALUE, after the preset\n"
              "  --modulate INDEX=AMOUNT\n"
              "                       a host's modulation of parameter INDEX, in 0-1 units of its range\n"
              "  --resources DIR      folder with the bitmaps and Roboto-Regular.ttf\n"
              "                       (default %s)\n",
              kProgram, MG_SNAPSHOT_RESOURCES);
}

int Fail(const std::string& message, int code = kExitFailure)
{
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  return code;
}

bool ParseDouble(const char* text, double& value)
{
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text, &end);
  return end != text && *end == '\0' && errno == 0;
}

struct Options
{
  double scale = 0.5;
  std::string preset;
  std::vector<std::pair<int, double>> params;
  std::vector<std::pair<int, double>> modulations;
  std::string resources = MG_SNAPSHOT_RESOURCES;
  std::string out;
};

// Returns an empty string on success, else the reason.
std::string ParseArgs(int argc, char** argv, Options& o, bool& help)
{
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "-h" || arg == "--help")
    {
      help = true;
      return {};
    }
    if (arg == "--scale")
    {
      const char* v = next();
      if (!v || !ParseDouble(v, o.scale))
        return "--scale needs a number";
    }
    else if (arg == "--preset")
    {
      const char* v = next();
      if (!v)
        return "--preset needs an index or a name";
      o.preset = v;
    }
    else if (arg == "--param" || arg == "--modulate")
    {
      const char* v = next();
      const char* eq = v ? std::strchr(v, '=') : nullptr;
      double index = 0.0, value = 0.0;
      if (!eq || !ParseDouble(std::string(v, eq).c_str(), index) || !ParseDouble(eq + 1, value) || index < 0 ||
          index >= static_cast<double>(kNumParams) || index != static_cast<int>(index))
        return arg + " needs INDEX=" + (arg == "--param" ? "VALUE" : "AMOUNT") + " with INDEX 0-9";
      (arg == "--param" ? o.params : o.modulations).emplace_back(static_cast<int>(index), value);
    }
    else if (arg == "--resources")
    {
      const char* v = next();
      if (!v)
        return "--resources needs a folder";
      o.resources = v;
    }
    else if (!arg.empty() && arg[0] == '-')
      return "unknown option " + arg;
    else if (o.out.empty())
      o.out = arg;
    else
      return "only one output file";
  }
  if (o.out.empty())
    return "no output file given";
  return {};
}

int PresetIndex(TrellowPhaser& effect, const std::string& preset)
{
  for (int i = 0; i < effect.NPresets(); ++i)
    if (preset == effect.GetPresetName(i) || preset == std::to_string(i))
      return i;
  return -1;
}

bool IsFile(const std::string& path)
{
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

/** The editor reads its scale from the settings file under HOME: the instance is built
 *  under a throw-away HOME holding the scale, so the user's own settings stay untouched. */
class ScratchHome
{
public:
  explicit ScratchHome(double scale)
  {
    char tmpl[] = "/tmp/mistlegrove-snapshot-XXXXXX";
    if (!mkdtemp(tmpl))
      return;
    mDir = tmpl;
    const std::filesystem::path folder = mDir + "/Library/Application Support/MistlegroveMusic";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream(folder / "trellowphaser.ini") << "[Editor]\nScale=" << std::to_string(scale) << "\n";
    const char* old = std::getenv("HOME");
    mHadHome = old != nullptr;
    mOldHome = old ? old : "";
    setenv("HOME", mDir.c_str(), 1);
  }
  ~ScratchHome()
  {
    if (mDir.empty())
      return;
    if (mHadHome)
      setenv("HOME", mOldHome.c_str(), 1);
    else
      unsetenv("HOME");
    std::error_code ec;
    std::filesystem::remove_all(mDir, ec);
  }
  bool Ok() const { return !mDir.empty(); }

private:
  std::string mDir, mOldHome;
  bool mHadHome = false;
};

} // namespace

int main(int argc, char** argv)
{
  Options o;
  bool help = false;
  const std::string error = ParseArgs(argc, argv, o, help);
  if (help)
  {
    PrintUsage();
    return 0;
  }
  if (!error.empty())
    return Fail(error + " (see --help)", kExitUsage);
  for (const char* name : {"back.png", "knob.png", "switch.png", "stages.png", "Roboto-Regular.ttf"})
    if (!IsFile(o.resources + "/" + name))
      return Fail("no " + std::string(name) + " in " + o.resources);

  TrellowPhaserEditor::setEditorResourcePath(o.resources.c_str());
  std::string status;
  {
    ScratchHome home(o.scale);
    if (!home.Ok())
      return Fail("cannot make a scratch folder in /tmp");
    frame::graphics::SetEditorFactory(&frame::graphics::MakePluginEditor);
    TrellowPhaser effect{frame::InstanceInfo{}};
    // As a host does before it opens the editor: every handler runs once.
    effect.OnParamReset(frame::kSourceReset);
    if (!o.preset.empty())
    {
      const int index = PresetIndex(effect, o.preset);
      if (index < 0)
        return Fail("no preset " + o.preset);
      effect.changePreset(index);
    }
    for (const auto& [index, value] : o.params)
    {
      effect.GetParam(index)->Set(value);
      effect.OnParamChange(index);
    }
    for (const auto& [index, amount] : o.modulations)
      effect.ApplyHostModulation(index, amount);

    // Offscreen, any parent stands for the host's window.
    static char parent;
    if (!effect.OpenWindow(&parent))
      return Fail("the editor did not open");
    auto* g = dynamic_cast<frame::graphics::IGraphics*>(effect.GetUI());
    if (!g || !g->SaveSnapshotPNG(o.out))
      return Fail("cannot write " + o.out);
    status = std::to_string(g->WindowWidth()) + " x " + std::to_string(g->WindowHeight()) + " at scale " +
             std::to_string(g->GetDrawScale());
    effect.CloseWindow();
  }
  std::printf("%s: %s\n", o.out.c_str(), status.c_str());
  return 0;
}
