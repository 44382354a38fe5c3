#pragma once

#include <memory>
#include <vector>

#include "frame/IByteChunk.h"
#include "frame/IMidiMsg.h"
#include "frame/IParam.h"
#include "frame/ITimeInfo.h"

namespace frame {

/** Owns the parameters and is the editor's view of the plug-in: the editor talks to the
 *  plug-in only through these calls, and the plug-in reaches the editor through them. */
class IEditorDelegate
{
public:
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  IParam* GetParam(int paramIdx)
  {
    return paramIdx >= 0 && paramIdx < NParams() ? mParams[static_cast<size_t>(paramIdx)].get() : nullptr;
  }
  const IParam* GetParam(int paramIdx) const
  {
    return paramIdx >= 0 && paramIdx < NParams() ? mParams[static_cast<size_t>(paramIdx)].get() : nullptr;
  }
  int NParams() const { return static_cast<int>(mParams.size()); }

  /** Opens the editor inside the platform parent window; returns the editor's view or null. */
  virtual void* OpenWindow(void* /*parent*/) { return nullptr; }
  virtual void CloseWindow() {}
  /** The host resized the editor's parent window. Main thread. */
  virtual void OnParentWindowResize(int /*width*/, int /*height*/) {}
  /** The editor has opened: pushes every parameter's value into the controls. Main thread. */
  virtual void OnUIOpen();
  virtual void OnUIClose() {}

  /** A parameter changed; forwards to OnParamChange(int). */
  virtual void OnParamChange(int paramIdx, EParamSource source, int sampleOffset = -1);
  /** The effect's hook for a changed parameter: audio thread for host automation, main
   *  thread for every other source. */
  virtual void OnParamChange(int /*paramIdx*/) {}
  /** A parameter changed as far as the editor is concerned. Main thread. */
  virtual void OnParamChangeUI(int /*paramIdx*/, EParamSource /*source*/ = kSourceDelegate) {}
  /** Runs both change notifications for every parameter in index order. */
  virtual void OnParamReset(EParamSource source);
  virtual void OnMidiMsgUI(const IMidiMsg& /*msg*/) {}
  virtual void OnSysexMsgUI(const SysExData& /*msg*/) {}
  virtual bool OnMessage(int /*msgTag*/, int /*ctrlTag*/, int /*dataSize*/, const void* /*data*/) { return false; }
  /** A state or preset was restored: pushes every parameter's value into the controls. */
  virtual void OnRestoreState();
  virtual bool OnKeyDown(const IKeyPress& /*key*/) { return false; }
  virtual bool OnKeyUp(const IKeyPress& /*key*/) { return false; }

  virtual void SendControlValueFromDelegate(int /*ctrlTag*/, double /*normalized*/) {}
  virtual void SendControlMsgFromDelegate(int /*ctrlTag*/, int /*msgTag*/, int /*dataSize*/ = 0, const void* /*data*/ = nullptr) {}
  virtual void SendArbitraryMsgFromDelegate(int /*msgTag*/, int /*dataSize*/ = 0, const void* /*data*/ = nullptr) {}
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& /*msg*/) {}
  virtual void SendSysexMsgFromDelegate(const SysExData& /*msg*/) {}
  /** Pushes a value into the editor's controls bound to paramIdx, then OnParamChangeUI.
   *  With normalized false the value is a real value and is converted first. */
  virtual void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized);

  virtual void DirtyParametersFromUI() {}
  virtual void BeginInformHostOfParamChangeFromUI(int /*paramIdx*/) {}
  /** The editor changed a parameter's value. Main thread. */
  virtual void SendParameterValueFromUI(int /*paramIdx*/, double /*normalizedValue*/) {}
  virtual void EndInformHostOfParamChangeFromUI(int /*paramIdx*/) {}
  virtual bool EditorResizeFromUI(int /*width*/, int /*height*/, bool /*needsPlatformResize*/) { return false; }
  virtual void SendMidiMsgFromUI(const IMidiMsg& /*msg*/) {}
  virtual void SendSysexMsgFromUI(const SysExData& /*msg*/) {}
  virtual void SendArbitraryMsgFromUI(int /*msgTag*/, int /*ctrlTag*/ = -1, int /*dataSize*/ = 0, const void* /*data*/ = nullptr) {}
  virtual void DeferMidiMsg(const IMidiMsg& /*msg*/) {}
  virtual void DeferSysexMsg(const SysExData& /*msg*/) {}
  virtual bool SerializeEditorState(IByteChunk& /*chunk*/) const { return true; }
  virtual int UnserializeEditorState(const IByteChunk& /*chunk*/, int startPos) { return startPos; }
  virtual void SetScreenScale(float /*scale*/) {}
  /** The plug-in's presets, as the editor's menus list them. */
  virtual int GetPresetCount() const { return 0; }
  virtual const char* GetPresetNameForUI(int /*idx*/) const { return ""; }
  virtual int GetCurrentPresetForUI() const { return -1; }
  /** The editor picked a preset: the values being left stay in their slot, idx is
   *  recalled, and host and controls hear of it. Main thread. */
  virtual void RecallPresetFromUI(int /*idx*/) {}

  /** Asks the host for its context menu of a parameter at (x, y) in editor units; false
   *  when the host offers none. Main thread. */
  virtual bool ShowHostContextMenu(int /*paramIdx*/, float /*x*/, float /*y*/) { return false; }

protected:
  std::vector<std::unique_ptr<IParam>> mParams;
};

} // namespace frame
