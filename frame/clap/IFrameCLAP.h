#pragma once

#include <atomic>
#include <memory>

#include "clap/clap.h"

#include "frame/IFramePlugin.h"
#include "frame/IFrameQueue.h"
#include "frame/IHostNotifier.h"
#include "frame/Rest.h"

namespace frame {

class IFrameCLAPEventLoop;

/** One plug-in instance as a CLAP host sees it: the clap_plugin the host calls, wrapped
 *  around the frame's plug-in object, which it owns. The plug-in's notifications reach the
 *  host through this object's notifier side: edit gestures become parameter events of the
 *  next process or flush call, everything else goes to the host's extensions on the main
 *  thread. The host owns the object through clap_plugin.destroy. */
class IFrameCLAP : public IHostNotifier
{
public:
  /** One page for hardware controllers: the continuous parameters and Stages. */
  static const clap_plugin_remote_controls_t kRemoteControls;

  /** The ids hosts see: the frame's parameter indices, and the bypass as in VST 3. */
  static constexpr clap_id kBypassParamId = 65536;

  IFrameCLAP(const clap_host_t* host, std::unique_ptr<IFramePlugin> plug);
  ~IFrameCLAP() override;
  IFrameCLAP(const IFrameCLAP&) = delete;
  IFrameCLAP& operator=(const IFrameCLAP&) = delete;

  const clap_plugin_t* ClapPlugin() const { return &mClapPlugin; }
  IFramePlugin& GetPlug() { return *mPlug; }
  const clap_host_t* Host() const { return mHost; }
  static IFrameCLAP* From(const clap_plugin_t* plugin);
  /** The descriptor every instance shares, built from the plug-in's identity. */
  static const clap_plugin_descriptor_t& Descriptor();

  // clap_plugin
  bool Init();
  bool Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  void Deactivate();
  bool StartProcessing();
  void StopProcessing();
  void Reset();
  clap_process_status Process(const clap_process_t* process);
  const void* GetExtension(const char* id) const;
  /** The call to the main thread asked for by RequestMainThreadCall. */
  void OnMainThread();
  /** The tail extension: the plug-in's tail, INT32_MAX for one without end. */
  static const clap_plugin_tail_t kTail;

  // params, in the host's value domain: normalised for continuous parameters, the real
  // value for stepped ones (switches and lists), 0 or 1 for the bypass.
  uint32_t ParamCount() const;
  bool ParamInfo(uint32_t index, clap_param_info_t* info) const;
  bool ParamValue(clap_id id, double* value) const;
  bool ValueToText(clap_id id, double value, char* text, uint32_t capacity) const;
  bool TextToValue(clap_id id, const char* text, double* value) const;
  void Flush(const clap_input_events_t* in, const clap_output_events_t* out);

  // state, preset-load
  bool SaveState(const clap_ostream_t* stream) const;
  bool LoadState(const clap_istream_t* stream);
  bool LoadPreset(uint32_t locationKind, const char* location, const char* loadKey);

  /** The gui extension's state; created on gui.create, gone on gui.destroy. */
  IFrameCLAPEventLoop* EventLoop() const { return mEventLoop.get(); }
  void SetEventLoop(std::unique_ptr<IFrameCLAPEventLoop> loop);

  // IHostNotifier: main thread.
  void BeginEdit(int paramIdx) override;
  void PerformEdit(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;
  void ReportAllValues() override;
  void PresetRecalled() override;
  void ParameterTextsChanged() override;
  void LatencyChanged() override;
  bool ResizeEditor(int width, int height) override;
  bool ShowParameterMenu(int paramIdx, float x, float y) override;
  void RequestMainThreadCall() override;

  /** Asserts the threading rules where the host can tell threads apart (debug builds). */
  void AssertMainThread() const;
  void AssertAudioThread() const;

private:
  /** For every call that allocates: nothing may leave the module as an exception. */
  template <typename F>
  static bool guarded(F&& call) noexcept
  {
    try
    {
      return call();
    }
    catch (...)
    {
      return false;
    }
  }

  struct Gesture
  {
    uint16_t type = 0; // CLAP_EVENT_PARAM_GESTURE_BEGIN, _END or CLAP_EVENT_PARAM_VALUE
    clap_id id = 0;
    double value = 0.0; // host domain
  };

  double toHost(int paramIdx, double normalized) const;
  double toNormalized(int paramIdx, double hostValue) const;
  void queueGesture(uint16_t type, int paramIdx, double normalized);
  void applyEvent(const clap_event_header_t& event, int offset);
  void applyParamValue(clap_id id, double value, int offset);
  void applyParamMod(clap_id id, double amount, int offset);
  void takeTransport(const clap_event_transport_t& transport);
  void timeInfoAt(int offset);
  void applyInputEvents(const clap_input_events_t* in);
  void sendGestures(const clap_output_events_t* out);
  void rescan(uint32_t flags) const;
  // Sleep and tail (IFrameCLAPTail.cpp).
  bool inputQuiet(const clap_process_t& process, uint32_t frames) const;
  void followSteadyTime(const clap_process_t& process, uint32_t frames);
  clap_process_status sleepThrough(const clap_process_t& process, uint32_t frames);
  clap_process_status restStatus(const clap_process_t& process, bool inputQuiet);
  void tellTail();
  void restartRest();
  template <typename T>
  void processSpan(const clap_process_t& process, uint32_t start, uint32_t end);

  clap_plugin_t mClapPlugin;
  const clap_host_t* mHost;
  const clap_host_params_t* mHostParams = nullptr;
  const clap_host_state_t* mHostState = nullptr;
  const clap_host_gui_t* mHostGui = nullptr;
  const clap_host_thread_check_t* mThreadCheck = nullptr;
  const clap_host_tail_t* mHostTail = nullptr;
  std::unique_ptr<IFramePlugin> mPlug;
  std::unique_ptr<IFrameCLAPEventLoop> mEventLoop;
  bool mActive = false;
  std::atomic<bool> mProcessing{false};

  // The transport of the current block, and where in the block it holds.
  ITimeInfo mBlockTime;
  bool mBlockTimeShown = false; // takeTransport wrote mBlockTime into the plug-in too
  int mBlockTimeOffset = 0;
  double mSampleRate = 48000.0;
  double mGridTempo = 0.0, mSamplesPerBeat = 0.0; // for the tempo last seen
  Rest mRest;
  int64_t mNextSteadyTime = -1; // where the last call ended on the host's steady clock
  int mTailTold = 0;            // the tail the host last heard of

  // Main thread to whichever thread calls process or flush: the editor's gestures.
  IFrameQueue<Gesture> mGestures{1024};
};

} // namespace frame
