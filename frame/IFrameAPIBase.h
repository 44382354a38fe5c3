#pragma once

#include <memory>

#include "frame/IFrameQueue.h"
#include "frame/IPluginBase.h"
#include "frame/Timer.h"

namespace frame {

/** The plumbing between a host API, the processing side and the editor: transfer queues,
 *  the idle timer, and the paths a parameter change travels toward host and editor. */
class IFrameAPIBase : public IPluginBase
{
public:
  static constexpr int kIdleTimerMs = 20;

  explicit IFrameAPIBase(const Config& config);
  ~IFrameAPIBase() override;

  virtual bool CompareState(const uint8_t* /*incoming*/, int /*startPos*/) const { return false; }
  virtual bool OnHostRequestingAboutBox() { return false; }
  virtual bool OnHostRequestingProductHelp() { return false; }
  /** Called once the host's identity is known (GetHost). Main thread. */
  virtual void OnHostIdentified() {}
  virtual void OnHostRequestingImportantParameters(int /*count*/, std::vector<int>& /*results*/) {}
  virtual bool OnHostRequestingSupportedViewConfiguration(int /*width*/, int /*height*/) { return true; }
  virtual void OnHostSelectedViewConfiguration(int /*width*/, int /*height*/) {}
  virtual bool GetMidiNoteText(int /*noteNumber*/, char* /*text*/) const { return false; }
  /** Every idle-timer tick, first: the editor catches up with the host. Main thread. */
  virtual void UpdateEditorFromHost() {}
  /** Every idle-timer tick, after the queues are drained. Main thread. */
  virtual void OnIdle() {}
  const char* GetTrackName() const { return mTrackName.Get(); }
  int GetTrackIndex() const { return mTrackIndex; }
  void SetTrackInfo(const char* name, int index, int colour);
  int GetTrackColor() const { return mTrackColour; }

  virtual void SendParameterValueFromAPI(int paramIdx, double value, bool normalized);
  virtual void HostSpecificInit() {}
  /** Asks the host to resize the editor's view. */
  virtual bool EditorResize(int /*width*/, int /*height*/) { return false; }
  /** Gesture and value notifications toward the host; empty without a host binding. */
  virtual void BeginInformHostOfParamChange(int /*paramIdx*/) {}
  virtual void EndInformHostOfParamChange(int /*paramIdx*/) {}
  virtual void InformHostOfParamChange(int /*paramIdx*/, double /*normalizedValue*/) {}
  virtual bool TransmitMidiMsgFromProcessor(const IMidiMsg&) { return false; }
  virtual bool TransmitSysExDataFromProcessor(const SysExData&) { return false; }

  /** Sets a parameter from a normalised value, tells the host, then OnParamChange (editor). */
  void SetParameterValue(int paramIdx, double normalizedValue);

  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override { BeginInformHostOfParamChange(paramIdx); }
  void EndInformHostOfParamChangeFromUI(int paramIdx) override { EndInformHostOfParamChange(paramIdx); }
  void DirtyParametersFromUI() override;
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override;
  void DeferMidiMsg(const IMidiMsg& msg) override { mMidiMsgsFromEditor.Push(msg); }
  void DeferSysexMsg(const SysExData& msg) override { mSysExDataFromEditor.Push(msg); }

  /** The idle timer; a platform driver fires it while it has a run loop. */
  Timer* GetIdleTimer() { return mTimer.get(); }

protected:
  /** Starts the idle timer; the most derived plug-in class calls it last in its constructor. */
  void CreateTimer();
  void OnTimer(Timer& timer);

  IFrameQueue<ParamTuple> mParamChangeFromProcessor{512};
  IFrameQueue<IMidiMsg> mMidiMsgsFromEditor{32};
  IFrameQueue<IMidiMsg> mMidiMsgsFromProcessor{32};
  IFrameQueue<SysExData> mSysExDataFromEditor{4};
  IFrameQueue<SysExData> mSysExDataFromProcessor{4};

private:
  std::unique_ptr<Timer> mTimer;
  IString mTrackName;
  int mTrackIndex = 0;
  int mTrackColour = 0;
};

} // namespace frame
