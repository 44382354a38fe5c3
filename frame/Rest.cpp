#include "frame/Rest.h"

#include "frame/IFrameProcessor.h"

#include <emmintrin.h>

namespace frame {

namespace {
// Sound leaves at its first sample; silence is read 16 bytes a step, its sign bits ignored.
template <typename T>
bool allZero(const T* x, int n)
{
  if (x[0] != T(0))
    return false;
  constexpr int kPerVector = 16 / sizeof(T);
  __m128i bits = _mm_setzero_si128();
  int i = 0;
  for (; i + kPerVector <= n; i += kPerVector)
    bits = _mm_or_si128(bits, _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)));
  bool zero = true;
  for (; i < n; ++i)
    zero = zero && x[i] == T(0);
  const __m128i magnitude = sizeof(T) == 4 ? _mm_set1_epi32(0x7fffffff) : _mm_set1_epi64x(0x7fffffffffffffffLL);
  const __m128i rest = _mm_and_si128(bits, magnitude);
  return zero && _mm_movemask_epi8(_mm_cmpeq_epi8(rest, _mm_setzero_si128())) == 0xffff;
}

template <typename T>
bool quiet(const T* const* channels, int nChannels, int frames, uint64_t constantMask)
{
  if (!channels || frames <= 0)
    return true;
  for (int c = 0; c < nChannels; ++c)
  {
    const T* x = channels[c];
    if (!x)
      continue;
    const bool constant = c < 64 && (constantMask >> c & 1u);
    if (constant ? x[0] != T(0) : !allZero(x, frames))
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
