#pragma once

#include "frame/AudioThread.h"
#include "frame/IFrameAPIBase.h"
#include "frame/IFrameProcessor.h"

namespace frame {

/** A whole plug-in object, independent of any host API: the plumbing of IFrameAPIBase plus
 *  the processing side. A host binding derives from it and drives it in this order:
 *  Initialize, SetupProcessing, then per processing call (inside an AudioThreadScope)
 *  ApplyHostParamChange for each changed parameter followed by ProcessBuffers. */
class IFramePlugin : public IFrameAPIBase, public IFrameProcessor
{
public:
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
};

} // namespace frame
