#pragma once

#include <functional>
#include <string>

#include "apps/common/TopLevelWindow.h"
#include "frame/IHostNotifier.h"

namespace frame {
class IFramePlugin;
class IEventLoop;
}

namespace app {

/** The plug-in's editor in a top-level X11 window of its own, on the application's loop.
 *  As the editor's host it resizes the window when the editor asks. Main thread. */
class AppWindow : public frame::IHostNotifier
{
public:
  ~AppWindow() override { Close(); }

  /** Opens the window at the editor's size and the editor in it; closed is called once
   *  when the user closes the window. False with a one-line reason. */
  bool Open(frame::IFramePlugin& plugin, frame::IEventLoop& loop, const std::string& title,
            std::function<void()> closed, std::string& error);
  void Close();

  // frame::IHostNotifier: the application keeps no copy of the values, so only a resize
  // asks anything of it.
  void BeginEdit(int) override {}
  void PerformEdit(int, double) override {}
  void EndEdit(int) override {}
  void ReportAllValues() override {}
  void PresetRecalled() override {}
  void ParameterTextsChanged() override {}
  void LatencyChanged() override {}
  bool ResizeEditor(int width, int height) override;
  bool ShowParameterMenu(int, float, float) override { return false; }

private:
  void ReadEvents();

  frame::IFramePlugin* mPlugin = nullptr;
  frame::IEventLoop* mLoop = nullptr;
  TopLevelWindow mWindow;
  int mFdId = 0;
  std::function<void()> mClosed;
};

} // namespace app
