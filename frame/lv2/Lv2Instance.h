#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "lv2/core/lv2.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include "frame/IFramePlugin.h"
#include "frame/lv2/Lv2Ports.h"
#include "frame/lv2/Lv2TimePosition.h"

namespace frame::lv2 {

/** One plug-in instance as an LV2 host drives it: ports in, the frame's processing
 *  contract out. Port values are parameter changes at the start of a run (only those that
 *  moved), time:Position events split the run where they fall, and the state is the
 *  same chunk every format saves. */
class Instance
{
public:
  Instance(std::unique_ptr<IFramePlugin> plug, double sampleRate, const LV2_Feature* const* features);

  void ConnectPort(uint32_t port, void* data);
  void Activate();
  void Deactivate();
  /** Audio thread; allocates nothing, locks nothing. */
  void Run(uint32_t nFrames);

  LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  IFramePlugin& Plug() { return *mPlug; }

private:
  void applyPortValues();
  void processSegment(uint32_t start, uint32_t end);
  LV2_State_Status restoreFactoryPreset(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  std::unique_ptr<IFramePlugin> mPlug;
  PortLayout mLayout;
  double mSampleRate;
  std::vector<const float*> mAudioIn;
  std::vector<float*> mAudioOut;
  // Per call: the connected buffers offset to the segment being processed.
  std::vector<const float*> mSegmentIn;
  std::vector<float*> mSegmentOut;
  const LV2_Atom_Sequence* mControl = nullptr;
  const float* mEnabled = nullptr;
  float mLastEnabled = NAN;
  std::vector<const float*> mParamPorts;
  std::vector<float> mLastValues; // NaN until a value has been applied
  std::vector<PortUnit> mUnits;
  TimeUrids mUrids;
  LV2_URID mChunkType = 0;
  LV2_URID mStateKey = 0;
  LV2_URID mPresetKey = 0;
  LV2_URID mIntType = 0, mLongType = 0;
  TimePosition mTime;
};

} // namespace frame::lv2
