// Finding the first of a few byte values in a run of bytes, sixteen bytes
// at a time where the processor allows (every x86-64 one does), else one at
// a time. For the long runs of ordinary text that table files are made of,
// where a library call per search costs more than the search.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kc {

// K byte values (1 to 5) to look for.
template <int K>
class ByteSet {
  static_assert(K >= 1 && K <= 5, "one to five byte values");

 public:
  template <typename... Bytes>
  explicit ByteSet(Bytes... bytes) : bytes_{static_cast<char>(bytes)...} {
    static_assert(sizeof...(Bytes) == K, "K byte values");
#if defined(__SSE2__)
    for (int k = 0; k < K; ++k) wide_[k] = _mm_set1_epi8(bytes_[k]);
#endif
  }

  bool Has(char c) const {
    for (int k = 0; k < K; ++k)
      if (c == bytes_[k]) return true;
    return false;
  }

  // Offset of the first byte of p[0..n) in the set, or n when none is.
  std::size_t Find(const char* p, std::size_t n) const {
#if defined(__SSE2__)
    if (n < 16) {
      if (n == 0) return 0;
      // A short run is looked at whole in a copy; what lies past it is
      // left out of the result.
      char tmp[16] = {};
      std::memcpy(tmp, p, n);
      const unsigned mask = Hits(tmp) & ((1u << n) - 1);
      return mask != 0 ? static_cast<std::size_t>(__builtin_ctz(mask)) : n;
    }
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16)
      if (const unsigned mask = Hits(p + i)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    if (i == n) return n;
    // The last sixteen bytes, of which those before i were looked at already.
    const unsigned mask = Hits(p + n - 16) >> (i - (n - 16));
    return mask != 0 ? i + static_cast<std::size_t>(__builtin_ctz(mask)) : n;
#else
    for (std::size_t i = 0; i < n; ++i)
      if (Has(p[i])) return i;
    return n;
#endif
  }

 private:
#if defined(__SSE2__)
  // Bit j set when byte j of the sixteen at p is in the set.
  unsigned Hits(const char* p) const {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_cmpeq_epi8(v, wide_[0]);
    for (int k = 1; k < K; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, wide_[k]));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
  }
#endif

  char bytes_[K];
#if defined(__SSE2__)
  __m128i wide_[K];
#endif
};

}  // namespace kc
