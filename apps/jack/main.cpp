// mistlegrove-phaser: the phaser as a JACK application, its editor in a window of its own.
// It hosts the plug-in object through the frame, as a format binding does.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "apps/jack/AppOptions.h"
#include "apps/jack/AppWindow.h"
#include "apps/jack/JackHost.h"
#include "apps/jack/MainLoop.h"
#include "apps/jack/PluginValues.h"
#include "apps/jack/StartError.h"
#include "apps/jack/StateFile.h"
#include "editor/InstallEditor.h"
#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"

#ifndef MG_APP_VERSION
#define MG_APP_VERSION "unknown"
#endif
#ifndef MG_APP_RESOURCES
#define MG_APP_RESOURCES ""
#endif

namespace {

constexpr const char* kProgram = "mistlegrove-phaser";
constexpr const char* kClientName = "Mistlegrove Phaser";

int gSignalPipe[2] = {-1, -1};

void OnSignal(int)
{
  const char byte = 1;
  [[maybe_unused]] ssize_t n = write(gSignalPipe[1], &byte, 1);
}

void Say(const std::string& message) { std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str()); }

int Fail(const std::string& message, int code = 1)
{
  Say(message);
  return code;
}

bool IsFolder(const std::string& path)
{
  struct stat st{};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The editor's bitmaps and font: installed beside the program's share folder, else the
// build tree's copy.
std::string Resources()
{
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0)
  {
    exe[n] = '\0';
    std::string dir(exe);
    dir.resize(dir.find_last_of('/'));
    for (const std::string& place : {dir + "/../share/mistlegrove-phaser", dir + "/mistlegrove-phaser.resources"})
      if (IsFolder(place))
        return place;
  }
  return MG_APP_RESOURCES;
}

bool CatchSignals()
{
  if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return false;
  struct sigaction action{};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

int Run(int argc, char** argv)
{
  app::AppOptions options;
  std::string error;
  if (!app::ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
    return Fail(error, 2);
  const std::string statePath = options.state.empty() ? app::DefaultStatePath() : options.state;
  if (options.help)
  {
    std::fputs(app::AppUsage(kProgram, app::DefaultStatePath()).c_str(), stdout);
    return 0;
  }
  if (options.version)
  {
    std::printf("%s %s\n", kProgram, MG_APP_VERSION);
    return 0;
  }
  if (!CatchSignals())
    return Fail("cannot catch signals");

  if (options.editor)
    frame::graphics::InstallPluginEditor(Resources());
  std::unique_ptr<frame::IFramePlugin> plugin(frame::CreatePlugin());
  plugin->Initialize(kClientName);

  // A state that does not load is kept for the user: this run's state goes beside it.
  std::string damaged;
  if (!statePath.empty() && app::LoadStateFile(*plugin, statePath, error) == app::ELoad::kRefused)
  {
    damaged = statePath + ".damaged";
    Say(error + ": starting from the defaults (the file is kept as '" + damaged + "')");
  }
  if ((!options.preset.empty() && !app::ApplyPreset(*plugin, options.preset, error)) ||
      !app::ApplySettings(*plugin, options.settings, error))
    return Fail(error, 2);

  // Started from a desktop menu (no terminal to read), what keeps it from starting shows in
  // a box as well.
  auto failStart = [&](const std::string& message) {
    Say(message);
    if (options.editor && !isatty(STDERR_FILENO))
      app::ShowStartError(kClientName, "Mistlegrove Phaser cannot start: " + message + ".");
    return 1;
  };
  const jack::Library* library = jack::Open(error);
  if (!library)
    return failStart(error);
  app::JackHost host(*library, *plugin);
  if (!host.Open(kClientName, error) || !host.Start(error))
    return failStart(error);
  std::printf("%s: JACK runs at %u Hz with %u frames a buffer (%.1f ms)\n", kProgram, host.SampleRate(),
              host.BufferSize(), 1000.0 * host.BufferSize() / host.SampleRate());
  std::fflush(stdout);

  int status = 0;
  std::vector<std::string> in = options.in, out = options.out;
  if (options.connect && !host.PhysicalPorts(in, out, error))
    Say(error);
  if (!host.Connect(in, out, error))
  {
    Say(error);
    status = 1;
  }

  app::MainLoop loop;
  loop.AddFd(gSignalPipe[0], [&] { loop.Quit(); });
  loop.AddFd(host.WakeFd(), [&] { loop.Quit(); });
  app::AppWindow window;
  if (status == 0 && options.editor && !window.Open(*plugin, loop, kClientName, [&] { loop.Quit(); }, error))
  {
    Say(error);
    status = 1;
  }
  if (status == 0)
    loop.Run();
  window.Close();

  const bool serverGone = host.ServerGone();
  const int xruns = host.Xruns();
  host.Close();
  if (serverGone)
  {
    Say("the JACK server stopped");
    status = 1;
  }
  if (xruns > 0)
    Say(std::to_string(xruns) + (xruns == 1 ? " xrun" : " xruns") + " while running");
  if (!statePath.empty())
  {
    if (!damaged.empty() && std::rename(statePath.c_str(), damaged.c_str()) != 0)
      Say("cannot keep '" + statePath + "' as '" + damaged + "': the state is not saved");
    else if (!app::SaveStateFile(*plugin, statePath, error))
    {
      Say(error);
      status = 1;
    }
  }
  return status;
}

} // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
