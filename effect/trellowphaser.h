#pragma once

#include <string>

#include "editor/GUISize.h"
#include "effect/lfo.h"
#include "frame/IFramePlugin.h"

namespace frame::graphics {
class IControl;
class IGraphics;
}

/** Parameter indices. Presets, the state chunk and the editor address parameters by these
 *  numbers, so they never change. */
enum EParams
{
  kParamStages = 0,
  kParamManual,
  kParamSpread,
  kParamFeedback,
  kParamLFOSpeed,
  kParamLFODepth,
  kParamMix,
  kParamSync,
  kParamStereo,
  kParamWaveform,
  kNumParams
};

constexpr int kNumPresets = 10;

/** Tags at the start of a state chunk: this release's and the previous one's. The chunk
 *  holds their bytes without a terminator. */
extern const char versionMagic_2_0_1[];
extern const char versionMagic_2_0_0[];

// Value texts of the continuous parameters (the DisplayFunc signature).
void setDisplayTextForFrequency(double value, frame::IString& str);
void setDisplayTextForMix(double value, frame::IString& str);
void setDisplayTextForPercent(double value, frame::IString& str);
void setDisplayTextForSpeed(double value, frame::IString& str);
void setDisplayTextForSyncRate(double value, frame::IString& str);
void setDisplayTextForStereo(double value, frame::IString& str);

/** The host-neutral plug-in object the effect sits on; every format binds it. */
using TrellowPhaserBase = frame::IFramePlugin;

/** The stereo phaser: two chains of 4 or 8 first-order all-pass stages with zero-delay
 *  feedback, swept by the LFO, mixed with the dry signal by an equal-power law. */
class TrellowPhaser : public TrellowPhaserBase
{
public:
  static constexpr int kMaxStages = 8;
  /** Editor work: redraw the LFO-speed knob's text after its display function changed. */
  static constexpr int kUITaskRedrawRateKnob = kFirstCustomUITask;

  explicit TrellowPhaser(const frame::InstanceInfo& info);
  ~TrellowPhaser() override;

  /** A parameter's value changed: updates the LFO and the settings the signal path reads.
   *  Audio thread for host automation (before the block), main thread otherwise. */
  void OnParamChange(int paramIdx) override;
  /** Processing was set up or stopped: sizes the control interval and clears the filters.
   *  Main thread. */
  void OnReset() override;
  /** One block of two channels; inputs and outputs may be the same buffers. Audio thread. */
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  /** Writes the tag and the ten values (104 bytes). Main thread. */
  bool SerializeState(frame::IByteChunk& chunk) const override;
  /** Reads this release's, the previous release's or the first release's layout; returns
   *  the position after it, or -1 with nothing changed when the chunk holds no whole state.
   *  Main thread. */
  int UnserializeState(const frame::IByteChunk& chunk, int startPos) override;
  /** Where UnserializeState would stop, or -1; changes nothing. Any thread. */
  int StateEnd(const frame::IByteChunk& chunk, int startPos) const override;
  /** Runs editor work requested through RunOnUIThread. Main thread. */
  void OnDeferredUITask(int task, int paramIdx, double value) override;

  /** The editor's preset menu: stores the current values into the slot being left, then
   *  recalls index and pushes every value into the editor. */
  void changePreset(int index);
  /** Asks the editor to redraw the LFO-speed knob, whose text form follows Sync. Safe on
   *  any thread. */
  void refreshRateDisplay();

  // Editor (trellowphaser.editor.cpp). Main thread.
  /** Installs the editor's layout function; the constructor calls it once. */
  void createGraphics();
  /** The size menu's choice: stores the scale the size stands for and applies it to the
   *  open editor. Nothing happens while the editor is closed or for a size out of range. */
  void resizeUI(GUISize size);
  /** Applies the stored editor scale to the open editor; nothing while it is closed. */
  void resizeUI();
  /** Asks the vendor's site for a newer release and tells the user through the editor's
   *  message boxes; blocks until answered. The result is the version check's (0 when a
   *  reply was judged, below 0 otherwise; -1 without an open editor). */
  int checkVersionAgainstWeb();

  /** The folder the editor loads its bitmaps and font from: the one set here when not
   *  empty (tests, tools), else the Resources folder of the bundle holding this module,
   *  else the graphics default. Any thread. */
  static void setEditorResourcePath(const char* path);
  static std::string editorResourcePath();

  /** Re-reads the editor scale from the settings file. Main thread. */
  bool loadConfig();
  /** Writes the open editor's draw scale to the settings file; false when it could not be
   *  written (the file then keeps what it had). Main thread. */
  bool saveConfig();
  /** Full path of the settings file; empty when the settings live in memory only. */
  const char* GetSettingsPath() const { return mIniPath.Get(); }
  float GetEditorScale() const { return mEditorScale; }

  /** True when the chunk holds the tag's bytes at startPos. */
  static bool isNewVersion(const frame::IByteChunk& chunk, int startPos, const char* tag);

private:
  friend struct TrellowPhaserTestAccess;

  static frame::Config makeConfig();
  void initParameters();
  /** The ten values a state chunk holds, older layouts completed with zeros; returns the
   *  position after them or -1. */
  int parseState(const frame::IByteChunk& chunk, int startPos, double (&values)[kNumParams]) const;
  void initPresets();
  /** The ten values follow name: int for Stages, Sync and Waveform, double for the rest. */
  void makePreset(int index, const char* name, ...);

  /** The editor's graphics context at its opening size, for the delegate to lay out. */
  frame::graphics::IGraphicsContext* makeGraphics();
  /** Places the editor's controls on a new graphics context and applies the stored scale. */
  void layoutUI(frame::graphics::IGraphics& g);
  /** The editor's context while one exists (open or not yet open), or null. */
  frame::graphics::IGraphics* editorGraphics();

  void setFeedback(double feedback);
  void handleSync2Host();
  void controlUpdate();
  template <int kStages>
  void processRun(const double* inL, const double* inR, double* outL, double* outR, int nFrames);

  // Settings file and editor.
  frame::IString mIniPath;
  float mEditorScale = 0.5f;

  LFO mLFO;
  int mControlInterval = 48;
  int mSamplesToUpdate = 0;
  bool mSync = false;
  double mSpreadFactor = 1.0;
  double mManual = 0.0625;
  double mDepth = 0.5;
  bool mTransportWasRunning = false;
  double mDryGain = 0.7071067811865476;
  double mWetGain = 0.7071067811865476;
  double mFreqFactor = 100530.96491487337 / 48000.0;
  double mCoefL[kMaxStages] = {};
  double mCoefR[kMaxStages] = {};
  double mGainL = 0.0;
  double mGainR = 0.0;
  double mFeedback = 0.0;
  double mNormL = 0.0;
  double mNormR = 0.0;
  int mNumStages = 4;
  double mStateL[kMaxStages] = {};
  double mStateR[kMaxStages] = {};
  // The stage count the coefficients were computed for: a Stages change takes effect at the
  // next control update, never halfway through an interval.
  int mActiveStages = 4;
  // The anti-denormal offset whose sign flips every sample. One per instance, so a render
  // does not depend on what other instances process meanwhile.
  double mRenormPhz = 1e-13;

  // The editor's LFO-speed knob, not owned; set by the editor layout, used only while the
  // editor's window is open (it dangles once the editor has closed).
  frame::graphics::IControl* mRateKnob = nullptr;
};
