#pragma once
// The inner loops of the exact-cover count: a list of placements (masks and their classes)
// copied without those that hit a mask or belong to a class used up, counting on the way how
// many kept placements cover each cell (bit-sliced: cells covered at least once, twice, ... six
// times) and which classes still have one; and the placements that cover a given cell. One
// plain version for any mask type, and for one-word masks two vector versions (AVX2, AVX-512)
// chosen at run time, so that the default build still runs on any x86-64.

#include <bit>
#include <cstdint>
#include <type_traits>

#include "solver/cell_masks.h"

// Not on Windows: MinGW does not align the stack for spilled vectors.
#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define CUBEPACK_COVER_SIMD 1
#endif

namespace cubepack {

// How deep the bit-sliced cover counts go: a cell covered fewer than six times is known to be
// covered exactly that often.
inline constexpr int kCoverDepth = 6;

// at[k]: the cells covered by at least k + 1 entries of a list; classes: the classes with an
// entry. Left uninitialised by default: the filters set every field, and zeroing it on every
// node showed in the profile.
template <class M>
struct CoverCounts {
  M at[kCoverDepth];
  std::uint64_t classes;

  static CoverCounts None() {
    CoverCounts c;
    for (M& a : c.at) a = M{};
    c.classes = 0;
    return c;
  }

  void Add(M m, std::uint64_t classBit) {
    for (int k = kCoverDepth - 1; k > 0; --k) at[k] = at[k] | (at[k - 1] & m);
    at[0] = at[0] | m;
    classes |= classBit;
  }
  // The counts of two lists together.
  void Merge(const CoverCounts& o) {
    for (int k = kCoverDepth - 1; k >= 0; --k) {
      M sum = at[k] | o.at[k];
      for (int i = 0; i < k; ++i) sum = sum | (at[i] & o.at[k - 1 - i]);
      at[k] = sum;
    }
    classes |= o.classes;
  }
};

// Entries [0, n) of a list; every list is followed by kEndEntries end entries.
template <class M>
struct CoverList {
  const M* masks;
  const std::uint8_t* classes;
  std::uint32_t n;
};

// End entries let the vector loops read whole vectors past a list's last entry: they have no
// cells, so no cell selects them, and a class of their own, which every filter drops (no puzzle
// has more than 29 classes, so 63 is free and still a bit of a class mask).
inline constexpr int kEndClass = 63;
inline constexpr std::uint32_t kEndEntries = 8;
// Room a list needs beyond its entries: its end entries and a vector store past them.
inline constexpr std::uint32_t kListSlack = 2 * kEndEntries;

template <class M>
void EndList(M* masks, std::uint8_t* classes, std::uint32_t n) {
  for (std::uint32_t i = n; i < n + kEndEntries; ++i) {
    masks[i] = M{};
    classes[i] = kEndClass;
  }
}

// Copies the entries of `from` that miss `hit` and whose class is not in `drop` to `masks` and
// `classes`, ends the copy, and sets `cover` to what it keeps; returns how many.
template <class M>
std::uint32_t FilterPlain(CoverList<M> from, M hit, std::uint64_t drop, M* masks,
                          std::uint8_t* classes, CoverCounts<M>& cover) {
  cover = CoverCounts<M>::None();
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < from.n; ++i) {
    const M m = from.masks[i];
    const int c = from.classes[i];
    masks[n] = m;
    classes[n] = static_cast<std::uint8_t>(c);
    const bool keep = !Hits(m, hit) && ((drop >> c) & 1) == 0;
    cover.Add(keep ? m : M{}, static_cast<std::uint64_t>(keep) << c);
    n += keep ? 1 : 0;
  }
  EndList(masks, classes, n);
  return n;
}

// Copies the entries of `list` that cover `cell` to `masks` and `classes`; returns how many.
// The copy is not ended.
template <class M>
std::uint32_t GatherPlain(CoverList<M> list, int cell, M* masks, std::uint8_t* classes) {
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < list.n; ++i) {
    const M m = list.masks[i];
    masks[n] = m;
    classes[n] = list.classes[i];
    n += HasCell(m, cell) ? 1 : 0;
  }
  return n;
}

#ifdef CUBEPACK_COVER_SIMD

// For each set of kept lanes of four: the 32-bit lanes that move them to the front, and the
// bytes that do the same for their classes.
alignas(32) inline constexpr std::int32_t kPackLanes[16][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7}, {2, 3, 0, 1, 4, 5, 6, 7},
    {0, 1, 2, 3, 4, 5, 6, 7}, {4, 5, 0, 1, 2, 3, 6, 7}, {0, 1, 4, 5, 2, 3, 6, 7},
    {2, 3, 4, 5, 0, 1, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7}, {6, 7, 0, 1, 2, 3, 4, 5},
    {0, 1, 6, 7, 2, 3, 4, 5}, {2, 3, 6, 7, 0, 1, 4, 5}, {0, 1, 2, 3, 6, 7, 4, 5},
    {4, 5, 6, 7, 0, 1, 2, 3}, {0, 1, 4, 5, 6, 7, 2, 3}, {2, 3, 4, 5, 6, 7, 0, 1},
    {0, 1, 2, 3, 4, 5, 6, 7}};
alignas(16) inline constexpr std::uint8_t kPackBytes[16][16] = {
    {0, 1, 2, 3}, {0, 1, 2, 3}, {1, 0, 2, 3}, {0, 1, 2, 3}, {2, 0, 1, 3}, {0, 2, 1, 3},
    {1, 2, 0, 3}, {0, 1, 2, 3}, {3, 0, 1, 2}, {0, 3, 1, 2}, {1, 3, 0, 2}, {0, 1, 3, 2},
    {2, 3, 0, 1}, {0, 2, 3, 1}, {1, 2, 3, 0}, {0, 1, 2, 3}};

// Lane by lane, the counts of `a` and `b` together into `a` (entries 0 to kCoverDepth - 1 the
// cover counts, kCoverDepth the classes), then the two halves of the lanes together.
inline void FoldHalves(__m128i* a) {
  __m128i b[kCoverDepth + 1];
  for (int k = 0; k <= kCoverDepth; ++k) b[k] = _mm_unpackhi_epi64(a[k], a[k]);
  for (int k = kCoverDepth - 1; k >= 0; --k) {
    __m128i sum = _mm_or_si128(a[k], b[k]);
    for (int i = 0; i < k; ++i) sum = _mm_or_si128(sum, _mm_and_si128(a[i], b[k - 1 - i]));
    a[k] = sum;
  }
  a[kCoverDepth] = _mm_or_si128(a[kCoverDepth], b[kCoverDepth]);
}

__attribute__((target("avx2"))) inline void FoldHalves(const __m256i* wide, __m128i* a) {
  __m128i b[kCoverDepth + 1];
  for (int k = 0; k <= kCoverDepth; ++k) {
    a[k] = _mm256_castsi256_si128(wide[k]);
    b[k] = _mm256_extracti128_si256(wide[k], 1);
  }
  for (int k = kCoverDepth - 1; k >= 0; --k) {
    __m128i sum = _mm_or_si128(a[k], b[k]);
    for (int i = 0; i < k; ++i) sum = _mm_or_si128(sum, _mm_and_si128(a[i], b[k - 1 - i]));
    a[k] = sum;
  }
  a[kCoverDepth] = _mm_or_si128(a[kCoverDepth], b[kCoverDepth]);
  FoldHalves(a);
}

// Sets `cover` to the counts in the low lanes of `a`.
inline void SetFromLowLanes(const __m128i* a, CoverCounts<std::uint64_t>& cover) {
  for (int k = 0; k < kCoverDepth; ++k)
    cover.at[k] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(a[k]));
  cover.classes = static_cast<std::uint64_t>(_mm_cvtsi128_si64(a[kCoverDepth]));
}

// The filter four entries at a time.
__attribute__((target("avx2,popcnt"))) inline std::uint32_t FilterAvx2(
    CoverList<std::uint64_t> from, std::uint64_t hit, std::uint64_t drop, std::uint64_t* masks,
    std::uint8_t* classes, CoverCounts<std::uint64_t>& cover) {
  const __m256i h = _mm256_set1_epi64x(static_cast<long long>(hit));
  const __m256i dead = _mm256_set1_epi64x(static_cast<long long>(drop | std::uint64_t{1} << kEndClass));
  const __m256i one = _mm256_set1_epi64x(1);
  const __m256i zero = _mm256_setzero_si256();
  static_assert(kCoverDepth == 6);
  __m256i a0 = zero, a1 = zero, a2 = zero, a3 = zero, a4 = zero, a5 = zero, present = zero;
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < from.n; i += 4) {
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from.masks + i));
    std::uint32_t ids4;
    __builtin_memcpy(&ids4, from.classes + i, 4);
    const __m128i ids = _mm_cvtsi32_si128(static_cast<int>(ids4));
    const __m256i classBit = _mm256_sllv_epi64(one, _mm256_cvtepu8_epi64(ids));
    const __m256i keep = _mm256_cmpeq_epi64(
        _mm256_or_si256(_mm256_and_si256(m, h), _mm256_and_si256(classBit, dead)), zero);
    const __m256i kept = _mm256_and_si256(m, keep);
    a5 = _mm256_or_si256(a5, _mm256_and_si256(a4, kept));
    a4 = _mm256_or_si256(a4, _mm256_and_si256(a3, kept));
    a3 = _mm256_or_si256(a3, _mm256_and_si256(a2, kept));
    a2 = _mm256_or_si256(a2, _mm256_and_si256(a1, kept));
    a1 = _mm256_or_si256(a1, _mm256_and_si256(a0, kept));
    a0 = _mm256_or_si256(a0, kept);
    present = _mm256_or_si256(present, _mm256_and_si256(classBit, keep));
    const int lanes = _mm256_movemask_pd(_mm256_castsi256_pd(keep));
    const __m256i pack = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPackLanes[lanes]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(masks + n),
                        _mm256_permutevar8x32_epi32(m, pack));
    const std::uint32_t packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi8(
        ids, _mm_load_si128(reinterpret_cast<const __m128i*>(kPackBytes[lanes])))));
    __builtin_memcpy(classes + n, &packed, 4);
    n += static_cast<std::uint32_t>(_mm_popcnt_u32(static_cast<unsigned>(lanes)));
  }
  const __m256i wide[kCoverDepth + 1] = {a0, a1, a2, a3, a4, a5, present};
  __m128i narrow[kCoverDepth + 1];
  FoldHalves(wide, narrow);
  SetFromLowLanes(narrow, cover);
  EndList(masks, classes, n);
  return n;
}

__attribute__((target("avx2,popcnt"))) inline std::uint32_t GatherAvx2(
    CoverList<std::uint64_t> list, int cell, std::uint64_t* masks, std::uint8_t* classes) {
  const __m256i x = _mm256_set1_epi64x(static_cast<long long>(std::uint64_t{1} << cell));
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < list.n; i += 4) {
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(list.masks + i));
    const __m256i on = _mm256_cmpeq_epi64(_mm256_and_si256(m, x), x);
    const int lanes = _mm256_movemask_pd(_mm256_castsi256_pd(on));
    const __m256i pack = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPackLanes[lanes]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(masks + n),
                        _mm256_permutevar8x32_epi32(m, pack));
    std::uint32_t ids4;
    __builtin_memcpy(&ids4, list.classes + i, 4);
    const std::uint32_t packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi8(
        _mm_cvtsi32_si128(static_cast<int>(ids4)),
        _mm_load_si128(reinterpret_cast<const __m128i*>(kPackBytes[lanes])))));
    __builtin_memcpy(classes + n, &packed, 4);
    n += static_cast<std::uint32_t>(_mm_popcnt_u32(static_cast<unsigned>(lanes)));
  }
  return n;
}

#define CUBEPACK_AVX512 "avx512f,avx512bw,avx512vl,avx512vbmi2,popcnt"

// The filter eight entries at a time, kept lanes packed by the processor.
__attribute__((target(CUBEPACK_AVX512))) inline std::uint32_t FilterAvx512(
    CoverList<std::uint64_t> from, std::uint64_t hit, std::uint64_t drop, std::uint64_t* masks,
    std::uint8_t* classes, CoverCounts<std::uint64_t>& cover) {
  const __m512i h = _mm512_set1_epi64(static_cast<long long>(hit));
  const __m512i dead = _mm512_set1_epi64(static_cast<long long>(drop | std::uint64_t{1} << kEndClass));
  const __m512i one = _mm512_set1_epi64(1);
  // Named rather than an array, which the compiler zeroed in memory on every call.
  static_assert(kCoverDepth == 6);
  __m512i a0 = _mm512_setzero_si512(), a1 = a0, a2 = a0, a3 = a0, a4 = a0, a5 = a0;
  __m512i present = a0;
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < from.n; i += 8) {
    const __m512i m = _mm512_loadu_si512(from.masks + i);
    const __m128i ids = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from.classes + i));
    // The zero-masking forms: GCC 12 warns about the plain ones' undefined start value.
    const __m512i classBit =
        _mm512_maskz_sllv_epi64(0xFF, one, _mm512_maskz_cvtepu8_epi64(0xFF, ids));
    const __mmask8 keep = _mm512_mask_testn_epi64_mask(_mm512_testn_epi64_mask(m, h), classBit, dead);
    // a[k] | (a[k - 1] & m) in the kept lanes.
    a5 = _mm512_mask_ternarylogic_epi64(a5, keep, a4, m, 0xF8);
    a4 = _mm512_mask_ternarylogic_epi64(a4, keep, a3, m, 0xF8);
    a3 = _mm512_mask_ternarylogic_epi64(a3, keep, a2, m, 0xF8);
    a2 = _mm512_mask_ternarylogic_epi64(a2, keep, a1, m, 0xF8);
    a1 = _mm512_mask_ternarylogic_epi64(a1, keep, a0, m, 0xF8);
    a0 = _mm512_mask_or_epi64(a0, keep, a0, m);
    present = _mm512_mask_or_epi64(present, keep, present, classBit);
    _mm512_storeu_si512(masks + n, _mm512_maskz_compress_epi64(keep, m));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(classes + n), _mm_maskz_compress_epi8(keep, ids));
    n += static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(keep)));
  }
  // The two halves of the lanes together, then as in the four-lane filter.
  __m256i lo[kCoverDepth + 1], hi[kCoverDepth + 1];
  const __m512i at[kCoverDepth + 1] = {a0, a1, a2, a3, a4, a5, present};
  for (int k = 0; k <= kCoverDepth; ++k) {
    const __m512i v = at[k];
    lo[k] = _mm512_maskz_extracti64x4_epi64(0xF, v, 0);
    hi[k] = _mm512_maskz_extracti64x4_epi64(0xF, v, 1);
  }
  for (int k = kCoverDepth - 1; k >= 0; --k) {
    __m256i sum = _mm256_or_si256(lo[k], hi[k]);
    for (int i = 0; i < k; ++i)
      sum = _mm256_or_si256(sum, _mm256_and_si256(lo[i], hi[k - 1 - i]));
    lo[k] = sum;
  }
  lo[kCoverDepth] = _mm256_or_si256(lo[kCoverDepth], hi[kCoverDepth]);
  __m128i narrow[kCoverDepth + 1];
  FoldHalves(lo, narrow);
  SetFromLowLanes(narrow, cover);
  EndList(masks, classes, n);
  return n;
}

__attribute__((target(CUBEPACK_AVX512))) inline std::uint32_t GatherAvx512(
    CoverList<std::uint64_t> list, int cell, std::uint64_t* masks, std::uint8_t* classes) {
  const __m512i x = _mm512_set1_epi64(static_cast<long long>(std::uint64_t{1} << cell));
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < list.n; i += 8) {
    const __m512i m = _mm512_loadu_si512(list.masks + i);
    const __mmask8 on = _mm512_test_epi64_mask(m, x);
    const __m128i ids = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(list.classes + i));
    _mm512_storeu_si512(masks + n, _mm512_maskz_compress_epi64(on, m));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(classes + n), _mm_maskz_compress_epi8(on, ids));
    n += static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(on)));
  }
  return n;
}

#endif

// Which of the loops above a search uses.
enum class CoverKernel { kPlain, kAvx2, kAvx512 };

// The best the processor runs, for one-word masks.
inline CoverKernel BestCoverKernel() {
#ifdef CUBEPACK_COVER_SIMD
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi2"))
    return CoverKernel::kAvx512;
  if (__builtin_cpu_supports("avx2")) return CoverKernel::kAvx2;
#endif
  return CoverKernel::kPlain;
}

template <class M>
std::uint32_t Filter(CoverKernel kernel, CoverList<M> from, M hit, std::uint64_t drop, M* masks,
                     std::uint8_t* classes, CoverCounts<M>& cover) {
#ifdef CUBEPACK_COVER_SIMD
  if constexpr (std::is_same_v<M, std::uint64_t>) {
    if (kernel == CoverKernel::kAvx512) return FilterAvx512(from, hit, drop, masks, classes, cover);
    if (kernel == CoverKernel::kAvx2) return FilterAvx2(from, hit, drop, masks, classes, cover);
  }
#endif
  (void)kernel;
  return FilterPlain(from, hit, drop, masks, classes, cover);
}

template <class M>
std::uint32_t Gather(CoverKernel kernel, CoverList<M> list, int cell, M* masks,
                     std::uint8_t* classes) {
#ifdef CUBEPACK_COVER_SIMD
  if constexpr (std::is_same_v<M, std::uint64_t>) {
    if (kernel == CoverKernel::kAvx512) return GatherAvx512(list, cell, masks, classes);
    if (kernel == CoverKernel::kAvx2) return GatherAvx2(list, cell, masks, classes);
  }
#endif
  (void)kernel;
  return GatherPlain(list, cell, masks, classes);
}

}  // namespace cubepack
