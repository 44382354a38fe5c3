#pragma once

#include <vector>

#include "frame/Config.h"
#include "frame/IGEditorDelegate.h"

namespace frame {

/** One preset slot: a state chunk in the effect's own layout. */
struct IPreset
{
  bool mInitialized = false;
  char mName[256] = {};
  IByteChunk mChunk;
};

/** Host identities that some behaviour depends on; see SetHost. */
enum EHost
{
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostArdour = 28,
  kHostWaveLab = 31,
  kHostWaveLabElements = 32,
  kHostMixbus = 45
};

/** Identity, version, presets and state of a plug-in, independent of the host API. */
class IPluginBase : public graphics::IGEditorDelegate
{
public:
  IPluginBase(int nParams, int nPresets);
  ~IPluginBase() override;

  const char* GetPluginName() const { return mPluginName.Get(); }
  const char* GetProductName() const { return mProductName.Get(); }
  const char* GetMfrName() const { return mMfrName.Get(); }
  int GetPluginVersion(bool decimal) const;
  void GetPluginVersionStr(IString& str) const;
  int GetHostVersion(bool decimal) const;
  void GetHostVersionStr(IString& str) const;
  const char* GetAPIStr() const;
  /** The binding names its format by its index in GetAPIStr's table. */
  void SetAPI(int index) { mAPI = index; }
  const char* GetArchStr() const { return "x86-64"; }
  void GetBuildInfoStr(IString& str, const char* date, const char* time) const;
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  const char* GetBundleID() const { return mBundleID.Get(); }
  bool DoesStateChunks() const { return mStateChunks; }
  bool HasUI() const { return mHasUI; }
  bool GetHostResizeEnabled() const { return mHostResize; }

  /** Identifies the host from its application name; see EHost for the values used. */
  void SetHost(const char* name, int version);
  int GetHost() const { return mHost; }
  static int LookUpHost(const char* name);

  // Presets
  int NPresets() const { return static_cast<int>(mPresets.size()); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  IPreset* GetPreset(int idx)
  {
    return idx >= 0 && idx < NPresets() ? &mPresets[static_cast<size_t>(idx)] : nullptr;
  }
  const char* GetPresetName(int idx) const;
  /** Recalls slot idx through UnserializeState; false (nothing changed) for a bad index or
   *  a chunk that does not restore. */
  bool RestorePreset(int idx);
  /** Stores the current values into the current slot, renaming it when name is given. */
  void ModifyCurrentPreset(const char* name = nullptr);

  int GetPresetCount() const override { return NPresets(); }
  const char* GetPresetNameForUI(int idx) const override { return GetPresetName(idx); }
  int GetCurrentPresetForUI() const override { return GetCurrentPresetIdx(); }
  void RecallPresetFromUI(int idx) override;

  // State
  bool SerializeParams(IByteChunk& chunk) const;
  int UnserializeParams(const IByteChunk& chunk, int startPos);

  /** Host-neutral plumbing; the host binding overrides what it can tell its host. */
  virtual void InformHostOfParameterDetailsChange() {}
  /** Writes the whole persistent state. Main thread. */
  virtual bool SerializeState(IByteChunk& chunk) const { return SerializeParams(chunk); }
  /** Reads a state written by SerializeState; returns the position after it or -1. Main thread. */
  virtual int UnserializeState(const IByteChunk& chunk, int startPos) { return UnserializeParams(chunk, startPos); }
  /** An older entry to UnserializeState, kept for plug-ins written against it; the frame's
   *  own loads read through ReadState. */
  virtual int unserializeMistlegroveState(const IByteChunk& chunk, int startPos) { return UnserializeState(chunk, startPos); }
  virtual void InformHostOfPresetChange() {}
  virtual void OnPresetsModified() {}
  virtual int UnserializePresets(const IByteChunk&, int startPos) { return startPos; }
  /** Reads a state that UnserializeState would accept into values, one per parameter,
   *  setting nothing; returns the position after it, or -1 for one it would refuse. A
   *  plug-in with a layout of its own overrides it, and UnserializeState with ReadState
   *  followed by ApplyState. Any thread. */
  virtual int ReadState(const IByteChunk& chunk, int startPos, double* values) const;
  /** Sets every parameter from what ReadState read, then runs the change notifications once
   *  all are set, so no derived setting sees a mix of old and new values. Main thread. */
  void ApplyState(const double* values);

protected:
  void InitFromConfig(const Config& config);

  IString mPluginName, mProductName, mMfrName, mBundleID;
  int mVersion = 0;
  int mUniqueID = 0, mMfrID = 0;
  bool mStateChunks = false;
  bool mHasUI = false;
  bool mHostResize = false;
  int mHost = kHostUninit;
  int mHostVersion = 0;
  int mAPI = -1; // the host binding's, see SetAPI
  int mCurrentPresetIdx = 0;
  std::vector<IPreset> mPresets;
};

} // namespace frame
