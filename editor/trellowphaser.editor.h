#pragma once

#include <string>

#include "editor/GUISize.h"
#include "frame/IEditor.h"
#include "frame/IString.h"

namespace frame::graphics {
class IControl;
class IGraphics;
class IGEditorDelegate;
} // namespace frame::graphics

/** The phaser's editor: its fixed layout of bitmap knobs, switches and menus, the scale it
 *  opens at and remembers in the settings file, and the online version check. It knows the
 *  plug-in only as an editor delegate. Main thread throughout. */
class TrellowPhaserEditor : public frame::graphics::IEditor
{
public:
  /** Reads the stored scale; the settings folder and an empty file are made on first use. */
  explicit TrellowPhaserEditor(frame::graphics::IGEditorDelegate& plug);
  ~TrellowPhaserEditor() override;

  /** The editor of a plug-in, or null when it has none of this kind. */
  static TrellowPhaserEditor* of(frame::graphics::IGEditorDelegate& plug);

  frame::graphics::IGraphicsContext* MakeGraphics() override;
  void Layout(frame::graphics::IGraphicsContext& graphics) override;
  /** Sync changes the LFO-speed text's form; Stages shows other knobs, which take every
   *  value. */
  void OnParamChangeUI(int paramIdx, frame::EParamSource source) override;
  void SetHostScale(float scale) override;

  /** The size menu's choice: stores the scale the size stands for and applies it to the
   *  open editor. Nothing happens while the editor is closed or for a size out of range. */
  void resizeUI(GUISize size);
  /** Applies the stored scale to the open editor; nothing while it is closed. */
  void resizeUI();
  /** Asks the vendor's site for a newer release and tells the user through the editor's
   *  message boxes; blocks until answered. The result is the version check's (0 when a
   *  reply was judged, below 0 otherwise; -1 without an open editor). */
  int checkVersionAgainstWeb();

  /** Re-reads the scale from the settings file. */
  bool loadConfig();
  /** Writes the open editor's draw scale to the settings file; false when it could not be
   *  written (the file then keeps what it had). */
  bool saveConfig();
  /** Full path of the settings file; empty when the settings live in memory only. */
  const char* GetSettingsPath() const { return mIniPath.Get(); }
  float GetEditorScale() const { return mEditorScale; }

  /** The folder the bitmaps and font are loaded from: the one set here when not empty
   *  (tests, tools), else the Resources folder of the bundle holding this module, else the
   *  graphics default. Any thread. */
  static void setEditorResourcePath(const char* path);
  static std::string editorResourcePath();

private:
  void layoutUI(frame::graphics::IGraphics& g);
  /** The context while one exists (open or about to open), or null. */
  frame::graphics::IGraphics* editorGraphics();

  frame::graphics::IGEditorDelegate& mPlug;
  frame::IString mIniPath;
  float mEditorScale = 0.5f;
  // The open editor's LFO-speed knob, owned by its context; null while none is laid out.
  frame::graphics::IControl* mRateKnob = nullptr;
};
