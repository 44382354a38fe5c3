#include "frame/Rest.h"

#include "frame/IFrameProcessor.h"

namespace frame {

namespace {
template <typename T>
bool quiet(const T* const* channels, int nChannels, int frames, uint64_t constantMask)
{
  if (!channels)
    return true;
  for (int c = 0; c < nChannels; ++c)
  {
    const T* x = channels[c];
    if (!x || frames <= 0)
      continue;
    const bool constant = c < 64 && (constantMask >> c & 1u);
    const int n = constant ? 1 : frames;
    for (int i = 0; i < n; ++i)
      if (x[i] != T(0))
        return false;
  }
  return true;
}
} // namespace

bool InputIsQuiet(const float* const* channels, int nChannels, int frames, uint64_t constantMask)
{
  return quiet(channels, nChannels, frames, constantMask);
}

bool InputIsQuiet(const double* const* channels, int nChannels, int frames, uint64_t constantMask)
{
  return quiet(channels, nChannels, frames, constantMask);
}

bool Rest::BeforeCall(IFrameProcessor& plug, bool inputQuiet)
{
  if (inputQuiet && !plug.IsBypassed() && plug.MaySleep())
    return mAsleep;
  wake(plug);
  return false;
}

ERest Rest::AfterCall(const IFrameProcessor& plug, bool inputQuiet)
{
  mLastQuiet = inputQuiet && !plug.IsBypassed() && plug.MaySleep();
  if (!mLastQuiet)
    return ERest::kSounding;
  mAsleep = plug.RingIsOver();
  return mAsleep ? ERest::kAsleep : ERest::kRinging;
}

void Rest::HostSkipped(int64_t frames)
{
  if (frames <= 0 || !mLastQuiet)
    return;
  // A host that stopped at the tail it was told leaves the ring's last trace (below
  // -120 dBFS) behind: the effect starts from rest all the same.
  mAsleep = true;
  mSkipped += frames;
}

void Rest::Reset()
{
  mAsleep = mLastQuiet = false;
  mSkipped = 0;
}

void Rest::wake(IFrameProcessor& plug)
{
  if (!mAsleep)
    return;
  mAsleep = false;
  // Asleep straight after a call that processed, nothing was skipped: the filters hold the
  // very residue they would, and are left as they are.
  if (mSkipped > 0)
    plug.PassSilence(mSkipped);
  mSkipped = 0;
}

} // namespace frame
