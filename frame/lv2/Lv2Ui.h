#pragma once

#include <memory>
#include <vector>

#include "lv2/ui/ui.h"

#include "frame/IFramePlugin.h"
#include "frame/IHostNotifier.h"
#include "frame/lv2/Lv2IdleLoop.h"
#include "frame/lv2/Lv2Ports.h"

namespace frame::lv2 {

/** The editor embedded in the host's window. It talks to the signal path only through the
 *  host's ports: its own plug-in object, which never processes audio, is the model of the
 *  parameters and presets; port events set it, and its edits and preset recalls go out as
 *  port writes. Timers and the display connection run on the host's idle calls. Main
 *  thread throughout. */
class Ui : public IHostNotifier
{
public:
  /** Null when the host gives no parent window or the editor does not open. */
  static std::unique_ptr<Ui> Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                                    const LV2_Feature* const* features, LV2UI_Widget* widget);
  ~Ui() override;

  void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
  /** 0 while the editor is open. */
  int Idle();
  /** The host resized its window. */
  int HostResized(int width, int height);

  void BeginEdit(int paramIdx) override;
  void PerformEdit(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;
  void ReportAllValues() override;
  void PresetRecalled() override { ReportAllValues(); }
  void ParameterTextsChanged() override {}
  void LatencyChanged() override {}
  bool ResizeEditor(int width, int height) override;
  bool ShowParameterMenu(int, float, float) override { return false; }

private:
  Ui(std::unique_ptr<IFramePlugin> plug, LV2UI_Write_Function write, LV2UI_Controller controller);
  void writeParam(int paramIdx, double value);

  std::unique_ptr<IFramePlugin> mPlug;
  PortLayout mLayout;
  std::vector<PortUnit> mUnits;
  LV2UI_Write_Function mWrite;
  LV2UI_Controller mController;
  const LV2UI_Resize* mResize = nullptr;
  const LV2UI_Touch* mTouch = nullptr;
  IdleLoop mLoop;
  bool mOpen = false;
};

} // namespace frame::lv2
