#pragma once

namespace frame {

/** What the plug-in object may tell or ask of its host, in terms every format has. Each host
 *  binding implements it for the plug-in's lifetime in that host; without one (tests,
 *  tools) nothing is told. All calls on the main thread. */
class IHostNotifier
{
public:
  virtual ~IHostNotifier() = default;

  /** An edit gesture: begin, the values it sets, end. A binding that keeps its own copy of
   *  the values updates it before it reports the value. */
  virtual void BeginEdit(int paramIdx) = 0;
  virtual void PerformEdit(int paramIdx, double normalizedValue) = 0;
  virtual void EndEdit(int paramIdx) = 0;
  /** The editor asked for every current value to reach the host, as one undoable step. */
  virtual void ReportAllValues() = 0;
  /** The plug-in changed every value itself (a preset picked in its editor). */
  virtual void PresetRecalled() = 0;
  /** Names or value texts of the parameters changed. */
  virtual void ParameterTextsChanged() = 0;
  virtual void LatencyChanged() = 0;
  /** Asks for the editor's window to take this size; false when the host refuses. */
  virtual bool ResizeEditor(int width, int height) = 0;
  /** The host's own menu for a parameter at (x, y) in window pixels; false without one. */
  virtual bool ShowParameterMenu(int paramIdx, float x, float y) = 0;
  /** Asks for a call to the main thread soon (the editor has host changes to show); the
   *  binding then calls UpdateEditorFromHost. Any thread, the audio thread included: it must
   *  not block or allocate. Without it the idle timer catches up. */
  virtual void RequestMainThreadCall() {}
};

} // namespace frame
