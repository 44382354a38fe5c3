#pragma once

#include <cstdint>

#include <emmintrin.h>

namespace render {

namespace silence {
template <typename T>
__m128i Load(const T* x, int64_t i)
{
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
}

/** Whether the bits gathered hold nothing but signs. */
template <typename T>
bool OnlySigns(__m128i bits)
{
  const __m128i magnitude = sizeof(T) == 4 ? _mm_set1_epi32(0x7fffffff) : _mm_set1_epi64x(0x7fffffffffffffffLL);
  return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bits, magnitude), _mm_setzero_si128())) == 0xffff;
}
} // namespace silence

/** Whether n samples are all zeros (of either sign): what a host that honours quiet checks
 *  before every call. Sound leaves at its first sample; silence is read 64 bytes a step into
 *  four independent sums, so that the loads, not the chain of ORs, set the pace. */
template <typename T>
bool AllZero(const T* x, int64_t n)
{
  static_assert(sizeof(T) == 4 || sizeof(T) == 8);
  if (!x || n <= 0)
    return true;
  if (x[0] != T(0))
    return false;
  constexpr int64_t kPerVector = 16 / sizeof(T);
  __m128i a = _mm_setzero_si128(), b = a, c = a, d = a;
  int64_t i = 0;
  for (; i + 4 * kPerVector <= n; i += 4 * kPerVector)
  {
    a = _mm_or_si128(a, silence::Load(x, i));
    b = _mm_or_si128(b, silence::Load(x, i + kPerVector));
    c = _mm_or_si128(c, silence::Load(x, i + 2 * kPerVector));
    d = _mm_or_si128(d, silence::Load(x, i + 3 * kPerVector));
  }
  for (; i + kPerVector <= n; i += kPerVector)
    a = _mm_or_si128(a, silence::Load(x, i));
  bool zero = true;
  for (; i < n; ++i)
    zero = zero && x[i] == T(0);
  return zero && silence::OnlySigns<T>(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)));
}

/** Bit c set where channel c (of the first 64) is all zeros over n samples, as AllZero
 *  says; a null channel counts as quiet. Channels are read two at a time in one pass, which
 *  for a stereo bus is half the loop of reading them one after the other. */
template <typename T>
uint64_t QuietChannels(const T* const* channels, int nChannels, int64_t n)
{
  static_assert(sizeof(T) == 4 || sizeof(T) == 8);
  constexpr int64_t kPerVector = 16 / sizeof(T);
  uint64_t mask = 0;
  if (!channels)
    return nChannels >= 64 ? ~uint64_t(0) : nChannels > 0 ? (uint64_t(1) << nChannels) - 1 : 0;
  for (int c = 0; c < nChannels && c < 64; c += 2)
  {
    const T* x = channels[c];
    const T* y = c + 1 < nChannels && c + 1 < 64 ? channels[c + 1] : nullptr;
    if (!x || !y || n < 2 * kPerVector || x[0] != T(0) || y[0] != T(0))
    {
      mask |= uint64_t(AllZero(x, n)) << c;
      if (c + 1 < nChannels && c + 1 < 64)
        mask |= uint64_t(AllZero(y, n)) << (c + 1);
      continue;
    }
    __m128i a = _mm_setzero_si128(), b = a, p = a, q = a;
    int64_t i = 0;
    for (; i + 2 * kPerVector <= n; i += 2 * kPerVector)
    {
      a = _mm_or_si128(a, silence::Load(x, i));
      b = _mm_or_si128(b, silence::Load(x, i + kPerVector));
      p = _mm_or_si128(p, silence::Load(y, i));
      q = _mm_or_si128(q, silence::Load(y, i + kPerVector));
    }
    const bool quietX = silence::OnlySigns<T>(_mm_or_si128(a, b)) && AllZero(x + i, n - i);
    const bool quietY = silence::OnlySigns<T>(_mm_or_si128(p, q)) && AllZero(y + i, n - i);
    mask |= (uint64_t(quietX) | uint64_t(quietY) << 1) << c;
  }
  return mask;
}

} // namespace render
