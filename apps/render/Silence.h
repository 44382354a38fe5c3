#pragma once

#include <cstdint>

#include <emmintrin.h>

namespace render {

/** Whether n samples are all zeros (of either sign): what a host that honours quiet checks
 *  before every call. Sound leaves at its first sample; silence is read 16 bytes a step. */
template <typename T>
bool AllZero(const T* x, int64_t n)
{
  static_assert(sizeof(T) == 4 || sizeof(T) == 8);
  if (!x || n <= 0)
    return true;
  if (x[0] != T(0))
    return false;
  constexpr int64_t kPerVector = 16 / sizeof(T);
  __m128i bits = _mm_setzero_si128();
  int64_t i = 0;
  for (; i + kPerVector <= n; i += kPerVector)
    bits = _mm_or_si128(bits, _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)));
  bool zero = true;
  for (; i < n; ++i)
    zero = zero && x[i] == T(0);
  const __m128i magnitude = sizeof(T) == 4 ? _mm_set1_epi32(0x7fffffff) : _mm_set1_epi64x(0x7fffffffffffffffLL);
  const __m128i rest = _mm_and_si128(bits, magnitude);
  return zero && _mm_movemask_epi8(_mm_cmpeq_epi8(rest, _mm_setzero_si128())) == 0xffff;
}

} // namespace render
