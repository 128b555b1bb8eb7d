// Finding the first of a few byte values in a run of bytes, sixteen bytes
// at a time where the processor allows (every x86-64 one does), else one at
// a time. For the long runs of ordinary text that table files are made of,
// where a library call per search costs more than the search.
#pragma once

#include <cstddef>

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
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      __m128i hit = _mm_cmpeq_epi8(v, wide_[0]);
      for (int k = 1; k < K; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, wide_[k]));
      if (const int mask = _mm_movemask_epi8(hit)) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i)
      if (Has(p[i])) return i;
    return n;
  }

 private:
  char bytes_[K];
#if defined(__SSE2__)
  __m128i wide_[K];
#endif
};

}  // namespace kc
