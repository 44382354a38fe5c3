#pragma once

#include <cstdint>

#include <emmintrin.h>

namespace render {

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
  const auto load = [x](int64_t i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)); };
  __m128i a = _mm_setzero_si128(), b = a, c = a, d = a;
  int64_t i = 0;
  for (; i + 4 * kPerVector <= n; i += 4 * kPerVector)
  {
    a = _mm_or_si128(a, load(i));
    b = _mm_or_si128(b, load(i + kPerVector));
    c = _mm_or_si128(c, load(i + 2 * kPerVector));
    d = _mm_or_si128(d, load(i + 3 * kPerVector));
  }
  for (; i + kPerVector <= n; i += kPerVector)
    a = _mm_or_si128(a, load(i));
  bool zero = true;
  for (; i < n; ++i)
    zero = zero && x[i] == T(0);
  const __m128i magnitude = sizeof(T) == 4 ? _mm_set1_epi32(0x7fffffff) : _mm_set1_epi64x(0x7fffffffffffffffLL);
  const __m128i rest = _mm_and_si128(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)), magnitude);
  return zero && _mm_movemask_epi8(_mm_cmpeq_epi8(rest, _mm_setzero_si128())) == 0xffff;
}

} // namespace render
