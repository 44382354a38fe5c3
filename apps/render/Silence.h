#pragma once

#include <cstdint>

#include <immintrin.h>

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

/** AllZero after its first sample, 32 bytes a load where AVX2 is there: silence is read at
 *  the pace of the loads, which 16-byte loads halve. */
template <typename T>
__attribute__((target("avx2"))) bool AllZeroWide(const T* x, int64_t n)
{
  constexpr int64_t kPerVector = 32 / sizeof(T);
  __m256i a = _mm256_setzero_si256(), b = a;
  int64_t i = 0;
  for (; i + 2 * kPerVector <= n; i += 2 * kPerVector)
  {
    a = _mm256_or_si256(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i)));
    b = _mm256_or_si256(b, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i + kPerVector)));
  }
  const __m256i magnitude = sizeof(T) == 4 ? _mm256_set1_epi32(0x7fffffff) : _mm256_set1_epi64x(0x7fffffffffffffffLL);
  const __m256i bits = _mm256_or_si256(a, b);
  bool zero = _mm256_testz_si256(bits, magnitude);
  for (; i < n; ++i)
    zero = zero && x[i] == T(0);
  return zero;
}

/** The same 16 bytes a load, into four independent sums so that the loads, not the chain
 *  of ORs, set the pace. Any processor. */
template <typename T>
bool AllZeroNarrow(const T* x, int64_t n)
{
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

inline const bool kWideLoads = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
} // namespace silence

/** Whether n samples are all zeros (of either sign): what a host that honours quiet checks
 *  before every call. Sound leaves at its first sample; silence is read 32 bytes a load
 *  where the processor can, else 16. */
template <typename T>
bool AllZero(const T* x, int64_t n)
{
  static_assert(sizeof(T) == 4 || sizeof(T) == 8);
  if (!x || n <= 0)
    return true;
  if (x[0] != T(0))
    return false;
  return silence::kWideLoads ? silence::AllZeroWide(x, n) : silence::AllZeroNarrow(x, n);
}

/** Bit c set where channel c (of the first 64) is all zeros over n samples, as AllZero
 *  says; a null channel counts as quiet. */
template <typename T>
uint64_t QuietChannels(const T* const* channels, int nChannels, int64_t n)
{
  uint64_t mask = 0;
  for (int c = 0; c < nChannels && c < 64; ++c)
    mask |= uint64_t(AllZero(channels ? channels[c] : nullptr, n)) << c;
  return mask;
}

} // namespace render
