#pragma once

#include "frame/AudioThread.h"
#include "frame/IFrameAPIBase.h"
#include "frame/IFrameProcessor.h"
#include "frame/IHostNotifier.h"
#include "frame/ParamFlags.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace frame {

/** A whole plug-in object, independent of any host API: the plumbing of IFrameAPIBase plus
 *  the processing side. A host binding derives from it and drives it in this order:
 *  Initialize, SetupProcessing, then per processing call (inside an AudioThreadScope)
 *  ApplyHostParamChange for each changed parameter followed by ProcessBuffers. */
class IFramePlugin : public IFrameAPIBase, public IFrameProcessor
{
public:
  /** The host may run processing calls from now on (true), or no longer (false). While
   *  active, a change made on the main thread reaches OnParamChange on the audio thread at
   *  the start of the next processing call; otherwise at once. Main thread. */
  void SetActive(bool active);
  bool IsActive() const { return mActive.load(std::memory_order_acquire); }

  /** Routes a change to the effect's OnParamChange on the thread that owns the signal
   *  path's settings: the audio thread while active, the calling thread otherwise. */
  void OnParamChange(int paramIdx, EParamSource source, int sampleOffset = -1) override;
  using IFrameAPIBase::OnParamChange;

  explicit IFramePlugin(const Config& config);
  ~IFramePlugin() override;

  /** Host-side set-up: identifies the host (when not yet known), then resets every
   *  parameter so the effect's derived state is built before the first block. */
  void Initialize(const char* hostName, int hostVersion = 0);
  /** Stores the rate and the largest block size, sizes the scratch buffers, then OnReset. */
  void SetupProcessing(double sampleRate, int maxBlockSize);
  /** Host automation inside a processing call: the value reaches OnParamChange before the
   *  block is processed. Unknown indices are ignored. */
  void ApplyHostParamChange(int paramIdx, double normalizedValue, int sampleOffset = 0);
  /** The host set a value on the controller side: the editor follows, the effect hears of
   *  it through the next processing call. */
  void SetParameterFromHostController(int paramIdx, double normalizedValue);
  /** The host's modulation of a continuous parameter, in normalised units, where
   *  ApplyHostParamChange may be called: the sound hears the value moved by it (clamped to
   *  the range) until the next modulation or ClearHostModulation; the value, its text and
   *  the state stay. Other parameters and amounts that are not finite are ignored. */
  void ApplyHostModulation(int paramIdx, double amount, int sampleOffset = 0);
  /** Ends every modulation (a reset). Where ApplyHostParamChange may be called. */
  void ClearHostModulation();
  /** Brings the open editor up to every value and modulation the host changed since the
   *  last call. The idle timer calls it; a binding may call it sooner, on the call to the
   *  main thread its notifier was asked for. Main thread. */
  void UpdateEditorFromHost() override;

  /** The whole saved state, the same bytes in every format: the effect's chunk, then the
   *  bypass flag as a 32-bit little-endian integer. Main thread. */
  bool SaveState(IByteChunk& chunk) const;
  /** Loads what SaveState wrote, all or nothing: false, with nothing changed, unless the
   *  effect accepts its part and the flag follows it. Main thread. */
  bool LoadState(const IByteChunk& chunk);

  /** The largest saved state a host may hand over: far beyond any real one, so a stream
   *  that never ends is not read forever. */
  static constexpr int kMaxStateBytes = 1 << 20;
  /** A binding's read of the saved state from its host: puts up to capacity bytes into
   *  buffer and returns how many, 0 at the end, below 0 on an error. */
  using StateRead = std::function<int64_t(void* buffer, int64_t capacity)>;
  /** Reads the saved state from the host to its end, then LoadState: false, with nothing
   *  changed, on a read error (one that reports more than capacity included), on a state
   *  above kMaxStateBytes or on one LoadState refuses. Main thread. */
  bool LoadStateFrom(const StateRead& read);

  /** Opens the editor in the host's window parent and runs it on the host's loop: its
   *  display connection and timers, and the idle timer, which fires once at once. A loop
   *  that refuses timers leaves an editor that does without. Returns the editor's view, or
   *  null with nothing left attached. Replaces an editor attached before. Main thread. */
  void* AttachEditor(void* parent, IEventLoop& loop);
  /** Closes the editor AttachEditor opened and takes everything off the host's loop, which
   *  the binding may then destroy; nothing to do when none is attached. Main thread. */
  void DetachEditor();

  /** Set by the host binding for the plug-in's lifetime in a host; null detaches. */
  void SetHostNotifier(IHostNotifier* host) { mHost = host; }
  IHostNotifier* GetHostNotifier() const { return mHost; }

  // Notifications toward the host, through the binding's notifier.
  void BeginInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
  void EndInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParameterDetailsChange() override;
  /** A preset picked in the editor is as much news to the host as one it picked itself:
   *  without this it keeps showing, automating from and saving the values from before. */
  void InformHostOfPresetChange() override;
  /** The host is asked only for a real change of size; the size is remembered either way. */
  bool EditorResize(int width, int height) override;
  /** Every value the host holds is refreshed at once, as one undoable step. */
  void DirtyParametersFromUI() override;
  void SetLatency(int samples) override;
  /** The editor's request for the host's menu of a parameter, at (x, y) in editor units;
   *  the menu appears at that point times the draw scale. */
  bool ShowHostContextMenu(int paramIdx, float x, float y) override;

protected:
  void OnProcessCall() override { applyPendingChanges(); }

private:
  /** Runs OnParamChange for every parameter changed on the main thread since the last call,
   *  in index order. Audio thread, or main thread while inactive; lock- and allocation-free. */
  void applyPendingChanges();

  /** A change from the host the editor has not shown yet; asks the host once for a call to
   *  the main thread while an editor is attached. Any thread; lock- and allocation-free. */
  void changedForEditor(int paramIdx);

  IHostNotifier* mHost = nullptr;
  IEventLoop* mAttachedLoop = nullptr; // the loop AttachEditor put the idle timer on
  int mIdleTimerId = 0;
  std::atomic<bool> mActive{false};
  // One bit per parameter, set by the main thread, taken by the audio thread: changes made
  // between two processing calls coalesce, and nothing can overflow.
  ParamFlags mPending;
  ParamFlags mForEditor;
  std::atomic<bool> mEditorAttached{false};
  std::atomic<bool> mMainThreadCallAsked{false};
};

} // namespace frame
