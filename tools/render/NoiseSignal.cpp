#include "tools/render/NoiseSignal.h"

#include <algorithm>

namespace render {

template <typename T>
int64_t NoiseSignal::Fill(T* interleaved, int64_t frames)
{
  const int64_t n = std::clamp<int64_t>(kFrames - mPos, 0, std::max<int64_t>(frames, 0));
  for (int64_t i = 0; i < 2 * n; ++i)
  {
    // xorshift64*: well mixed in its top bits, which are all that is used.
    mState ^= mState >> 12;
    mState ^= mState << 25;
    mState ^= mState >> 27;
    const uint64_t bits = (mState * 0x2545F4914F6CDD1Dull) >> 11;
    interleaved[i] = static_cast<T>(static_cast<double>(bits) / 9007199254740992.0 - 0.5);
  }
  mPos += n;
  return n;
}

int64_t NoiseSignal::Read(float* interleaved, int64_t frames) { return Fill(interleaved, frames); }
int64_t NoiseSignal::Read(double* interleaved, int64_t frames) { return Fill(interleaved, frames); }

} // namespace render
