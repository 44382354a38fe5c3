// The tail a CLAP host is told, and the statuses that let it put a quiet instance to sleep.
#include <algorithm>
#include <climits>
#include <cstring>

#include "frame/clap/IFrameCLAP.h"

namespace frame {

namespace {
constexpr uint32_t kMaxChannels = 8;
uint32_t hostTail(int samples) { return samples >= INT32_MAX ? INT32_MAX : static_cast<uint32_t>(std::max(samples, 0)); }
} // namespace

const clap_plugin_tail_t IFrameCLAP::kTail = {
  [](const clap_plugin_t* p) -> uint32_t { return hostTail(From(p)->mPlug->GetTailSize()); },
};

bool IFrameCLAP::inputQuiet(const clap_process_t& process, uint32_t frames) const
{
  if (process.audio_inputs_count == 0 || !process.audio_inputs)
    return true;
  const clap_audio_buffer_t& in = process.audio_inputs[0];
  const int n = static_cast<int>(in.channel_count);
  const int count = static_cast<int>(frames);
  if (in.data64 && !in.data32)
    return InputIsQuiet(in.data64, n, count, in.constant_mask);
  return InputIsQuiet(in.data32, n, count, in.constant_mask);
}

void IFrameCLAP::followSteadyTime(const clap_process_t& process, uint32_t frames)
{
  // A host that let the instance sleep calls again later on its steady clock: the silence in
  // between is the effect's to pass.
  if (process.steady_time >= 0 && mNextSteadyTime >= 0 && process.steady_time > mNextSteadyTime)
    mRest.HostSkipped(process.steady_time - mNextSteadyTime);
  mNextSteadyTime = process.steady_time >= 0 ? process.steady_time + frames : -1;
}

clap_process_status IFrameCLAP::sleepThrough(const clap_process_t& process, uint32_t frames)
{
  // The editor's changes and the host's still reach the effect: they may move the tail.
  mPlug->ProcessBuffers(static_cast<const float* const*>(nullptr), 0, nullptr, 0, 0);
  applyInputEvents(process.in_events);
  // The one output port, as processing reads it.
  if (process.audio_outputs_count > 0 && process.audio_outputs)
  {
    clap_audio_buffer_t& out = process.audio_outputs[0];
    const uint32_t n = std::min<uint32_t>(out.channel_count, kMaxChannels);
    for (uint32_t c = 0; c < n; ++c)
    {
      if (out.data64 && out.data64[c])
        std::fill(out.data64[c], out.data64[c] + frames, 0.0);
      else if (out.data32 && out.data32[c])
        std::fill(out.data32[c], out.data32[c] + frames, 0.0f);
    }
    out.constant_mask = (uint64_t(1) << n) - 1;
  }
  mRest.Skipped(frames);
  tellTail();
  return CLAP_PROCESS_SLEEP;
}

void IFrameCLAP::tellTail()
{
  const int tail = mPlug->GetTailSize();
  if (tail == mTailTold)
    return;
  mTailTold = tail;
  if (mHostTail && mHostTail->changed)
    mHostTail->changed(mHost);
}

clap_process_status IFrameCLAP::restStatus(const clap_process_t& process, bool quiet)
{
  // Processed output is never constant: a mask left from a sleep is taken back.
  if (process.audio_outputs_count > 0 && process.audio_outputs)
    process.audio_outputs[0].constant_mask = 0;
  tellTail();
  switch (mRest.AfterCall(*mPlug, quiet))
  {
    case ERest::kAsleep:
      return CLAP_PROCESS_SLEEP;
    case ERest::kRinging:
      return CLAP_PROCESS_TAIL;
    default:
      return CLAP_PROCESS_CONTINUE;
  }
}

void IFrameCLAP::restartRest()
{
  mRest.Reset();
  mNextSteadyTime = -1;
  mTailTold = mPlug->GetTailSize();
}

} // namespace frame
