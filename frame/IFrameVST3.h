#pragma once

#include "frame/IFramePlugin.h"

namespace frame {

/** What the plug-in object may ask of its VST 3 host. The binding in frame/vst3 implements it
 *  on top of the host's component handler and the editor view's plug frame; nothing here
 *  names an SDK type, so the effect never sees one. All calls on the main thread. */
class IFrameVST3Host
{
public:
  /** Flags for RestartComponent, the values of the VST 3 restart flags. */
  static constexpr int kRestartParamValuesChanged = 1 << 2;
  static constexpr int kRestartLatencyChanged = 1 << 3;
  static constexpr int kRestartParamTitlesChanged = 1 << 4;

  virtual ~IFrameVST3Host() = default;

  virtual void BeginEdit(int paramIdx) = 0;
  virtual void PerformEdit(int paramIdx, double normalizedValue) = 0;
  virtual void EndEdit(int paramIdx) = 0;
  virtual void StartGroupEdit() = 0;
  virtual void FinishGroupEdit() = 0;
  virtual void RestartComponent(int flags) = 0;
  /** The host-side parameter object of paramIdx takes the value, without telling the host. */
  virtual void SetHostParameter(int paramIdx, double normalizedValue) = 0;
  /** A preset was recalled from the plug-in's own side: the host-side objects take the
   *  recalled values and the host hears that every value changed. */
  virtual void PresetRecalled() = 0;
  /** Asks the plug frame of the open view for a new size; false without one. */
  virtual bool ResizeView(int width, int height) = 0;
  /** Pops up the host's context menu for the parameter at (x, y) in view pixels; false when
   *  the host offers none. */
  virtual bool ShowContextMenu(int paramIdx, float x, float y) = 0;
};

/** The plug-in object as a VST 3 host sees it: the frame's notifications toward the host
 *  reach it through the binding. Without a binding (tests, tools) they go nowhere. */
class IFrameVST3 : public IFramePlugin
{
public:
  IFrameVST3(const Config& config, const InstanceInfo& /*info*/) : IFramePlugin(config) {}

  /** Set by the binding for the plug-in's lifetime in a host; null detaches. */
  void SetVST3Host(IFrameVST3Host* host) { mVST3Host = host; }
  IFrameVST3Host* GetVST3Host() const { return mVST3Host; }

  void BeginInformHostOfParamChange(int paramIdx) override
  {
    if (mVST3Host)
      mVST3Host->BeginEdit(paramIdx);
  }

  void InformHostOfParamChange(int paramIdx, double normalizedValue) override
  {
    if (mVST3Host)
      mVST3Host->PerformEdit(paramIdx, normalizedValue);
  }

  void EndInformHostOfParamChange(int paramIdx) override
  {
    if (mVST3Host)
      mVST3Host->EndEdit(paramIdx);
  }

  void InformHostOfParameterDetailsChange() override
  {
    if (mVST3Host)
      mVST3Host->RestartComponent(IFrameVST3Host::kRestartParamTitlesChanged);
  }

  /** A preset picked in the editor is as much news to the host as one it picked itself:
   *  without this it keeps showing, automating from and saving the values from before. */
  void InformHostOfPresetChange() override
  {
    if (mVST3Host)
      mVST3Host->PresetRecalled();
  }

  /** The host keeps the editor's size only through the view's plug frame, so the frame is
   *  asked only for a real change; the size is remembered either way. */
  bool EditorResize(int width, int height) override
  {
    if (!HasUI())
      return false;
    if ((width != GetEditorWidth() || height != GetEditorHeight()) && mVST3Host)
      mVST3Host->ResizeView(width, height);
    SetEditorSize(width, height);
    return true;
  }

  /** Every value the host holds is refreshed at once, as one undoable step. */
  void DirtyParametersFromUI() override
  {
    if (!mVST3Host)
      return;
    for (int i = 0; i < NParams(); ++i)
      mVST3Host->SetHostParameter(i, GetParam(i)->GetNormalized());
    mVST3Host->StartGroupEdit();
    IFrameAPIBase::DirtyParametersFromUI();
    mVST3Host->FinishGroupEdit();
  }

  /** The host-side object takes the value first, so a host that reads it back while the
   *  edit is reported already sees the new value. */
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override
  {
    if (mVST3Host && GetParam(paramIdx))
      mVST3Host->SetHostParameter(paramIdx, normalizedValue);
    IFrameAPIBase::SendParameterValueFromUI(paramIdx, normalizedValue);
  }

  /** Latency changes only reach a host through a restart. */
  void SetLatency(int samples) override
  {
    IFramePlugin::SetLatency(samples);
    if (mVST3Host)
      mVST3Host->RestartComponent(IFrameVST3Host::kRestartLatencyChanged);
  }

  /** The editor's request for the host's context menu of a parameter, at (x, y) in editor
   *  coordinates; the menu appears at that point times the draw scale. Returns whether the
   *  host showed one. Main thread. */
  bool ShowHostContextMenu(int paramIdx, float x, float y) override
  {
    if (!mVST3Host || !GetParam(paramIdx))
      return false;
    const float scale = GetUI() ? GetUI()->GetDrawScale() : 1.f;
    return mVST3Host->ShowContextMenu(paramIdx, x * scale, y * scale);
  }

private:
  IFrameVST3Host* mVST3Host = nullptr;
};

} // namespace frame
