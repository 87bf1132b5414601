#pragma once
// The inner loops of the exact-cover count. A list holds placements as masks in runs of one
// class each. The filter copies a list without the placements that hit a mask and without the
// classes used up, and counts on the way how many kept placements cover each cell (bit-sliced:
// cells covered at least once, twice, ... six times); the gather picks the placements that
// cover one cell. One plain version for any mask type, and for one-word masks two vector
// versions (AVX2, AVX-512) chosen at run time, so that the default build runs on any x86-64.

#include <bit>
#include <cstdint>
#include <type_traits>

#include "general/solver/cell_masks.h"

// Not on Windows: MinGW does not align the stack for spilled vectors.
#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define CUBEPACK_COVER_SIMD 1
#endif

namespace cubepack::general {

// How deep the bit-sliced cover counts go: a cell covered fewer than six times is known to be
// covered exactly that often.
inline constexpr int kCoverDepth = 6;

// at[k]: the cells covered by at least k + 1 placements of a list. Left uninitialised by
// default: the filters set it, and zeroing it on every node showed in the profile.
template <class M>
struct CoverCounts {
  M at[kCoverDepth];

  static CoverCounts None() {
    CoverCounts c;
    for (M& a : c.at) a = M{};
    return c;
  }
  void Add(M m) {
    for (int k = kCoverDepth - 1; k > 0; --k) at[k] = at[k] | (at[k - 1] & m);
    at[0] = at[0] | m;
  }
};

// Entries [begin, end) of a list's masks, all of class shapeClass.
struct CoverRun {
  std::uint32_t begin = 0, end = 0;
  int shapeClass = 0;
};

// A list: its runs follow each other without gaps. The vector loops read up to seven masks
// past a run's end (never using them), so a list's storage has kListSlack more masks.
template <class M>
struct CoverList {
  const M* masks;
  const CoverRun* runs;
  int runCount;
};
inline constexpr std::uint32_t kListSlack = 16;

// Where a vector filter notes, for each block of entries it reads, how many entries it had kept
// before the block and which of the block it keeps: room for one per four entries, plus one.
struct FilterScratch {
  std::uint32_t* keptBefore;
  std::uint8_t* keptLanes;
};

// Copies the placements of `from` that miss `hit`, of the classes with copies[c] > 0, to `masks`
// and `runs`, and sets `cover` to what they cover. Returns how many runs it made, or -1 when a
// class keeps fewer placements than need[c] (`cover` then unset): its copies when every piece
// is placed, else the copies it still must place.
template <class M>
int FilterPlain(CoverList<M> from, M hit, const std::uint8_t* copies, const std::uint8_t* need,
                M* masks, CoverRun* runs, CoverCounts<M>& cover) {
  cover = CoverCounts<M>::None();
  std::uint32_t n = 0;
  int made = 0;
  for (int k = 0; k < from.runCount; ++k) {
    const CoverRun r = from.runs[k];
    if (copies[r.shapeClass] == 0) continue;
    const std::uint32_t begin = n;
    for (std::uint32_t i = r.begin; i < r.end; ++i) {
      const M m = from.masks[i];
      masks[n] = m;
      const bool keep = !Hits(m, hit);
      cover.Add(keep ? m : M{});
      n += keep ? 1 : 0;
    }
    if (n - begin < need[r.shapeClass]) return -1;
    runs[made++] = {begin, n, r.shapeClass};
  }
  return made;
}

// Copies the placements of `list` that cover `cell` to `masks` and their places in the list to
// `places`; returns how many.
template <class M>
std::uint32_t GatherPlain(CoverList<M> list, int cell, M* masks, std::uint32_t* places) {
  std::uint32_t n = 0;
  if (list.runCount == 0) return 0;
  for (std::uint32_t i = list.runs[0].begin; i < list.runs[list.runCount - 1].end; ++i) {
    const M m = list.masks[i];
    masks[n] = m;
    places[n] = i;
    n += HasCell(m, cell) ? 1 : 0;
  }
  return n;
}

// The class of each gathered placement, from its place.
inline void ClassesOf(const CoverRun* runs, const std::uint32_t* places, std::uint32_t n,
                      std::uint8_t* classes) {
  int k = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    while (places[i] >= runs[k].end) ++k;
    classes[i] = static_cast<std::uint8_t>(runs[k].shapeClass);
  }
}

#ifdef CUBEPACK_COVER_SIMD

// The runs of a list whose classes have copies left come in stretches of runs next to each
// other, which the vector filters read in one loop each: moves k to the first run of the next
// stretch and sets `last` to its last run; false when no stretch is left.
template <class M>
bool NextStretch(CoverList<M> from, const std::uint8_t* copies, int& k, int& last) {
  while (k < from.runCount && copies[from.runs[k].shapeClass] == 0) ++k;
  if (k == from.runCount) return false;
  last = k;
  while (last + 1 < from.runCount && copies[from.runs[last + 1].shapeClass] != 0) ++last;
  return true;
}

// After a stretch of runs [k, last] has gone to entries [start, after), kLanes entries a block
// noted in `scratch`: appends the runs it made to `runs`. False when a class keeps fewer
// placements than it needs.
template <int kLanes, class M>
bool CutRuns(CoverList<M> from, int k, int last, std::uint32_t start, std::uint32_t after,
             const std::uint8_t* need, const FilterScratch& scratch, CoverRun* runs, int& made) {
  const std::uint32_t begin = from.runs[k].begin, end = from.runs[last].end;
  std::uint32_t runBegin = start;
  for (int j = k; j <= last; ++j) {
    const CoverRun r = from.runs[j];
    std::uint32_t runEnd = after;
    if (r.end != end) {
      const std::uint32_t block = (r.end - begin) / kLanes, lane = (r.end - begin) % kLanes;
      runEnd = scratch.keptBefore[block] +
               static_cast<std::uint32_t>(std::popcount(
                   static_cast<unsigned>(scratch.keptLanes[block] & ((1u << lane) - 1))));
    }
    if (runEnd - runBegin < need[r.shapeClass]) return false;
    runs[made++] = {runBegin, runEnd, r.shapeClass};
    runBegin = runEnd;
  }
  return true;
}

// For each set of kept lanes of four: the 32-bit lanes that move them to the front.
alignas(32) inline constexpr std::int32_t kPackLanes[16][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7}, {2, 3, 0, 1, 4, 5, 6, 7},
    {0, 1, 2, 3, 4, 5, 6, 7}, {4, 5, 0, 1, 2, 3, 6, 7}, {0, 1, 4, 5, 2, 3, 6, 7},
    {2, 3, 4, 5, 0, 1, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7}, {6, 7, 0, 1, 2, 3, 4, 5},
    {0, 1, 6, 7, 2, 3, 4, 5}, {2, 3, 6, 7, 0, 1, 4, 5}, {0, 1, 2, 3, 6, 7, 4, 5},
    {4, 5, 6, 7, 0, 1, 2, 3}, {0, 1, 4, 5, 6, 7, 2, 3}, {2, 3, 4, 5, 6, 7, 0, 1},
    {0, 1, 2, 3, 4, 5, 6, 7}};
// The lanes before the end of a stretch, by the number of entries left in it (0 to 4).
alignas(32) inline constexpr std::int64_t kLanesBefore[5][4] = {
    {0, 0, 0, 0}, {-1, 0, 0, 0}, {-1, -1, 0, 0}, {-1, -1, -1, 0}, {-1, -1, -1, -1}};

// Lane by lane, the counts of the two halves of `a` together, into the low half.
inline void FoldHalves(__m128i* a) {
  __m128i b[kCoverDepth];
  for (int k = 0; k < kCoverDepth; ++k) b[k] = _mm_unpackhi_epi64(a[k], a[k]);
  for (int k = kCoverDepth - 1; k >= 0; --k) {
    __m128i sum = _mm_or_si128(a[k], b[k]);
    for (int i = 0; i < k; ++i) sum = _mm_or_si128(sum, _mm_and_si128(a[i], b[k - 1 - i]));
    a[k] = sum;
  }
}

__attribute__((target("avx2"))) inline void FoldHalves(const __m256i* wide, __m128i* a) {
  __m128i b[kCoverDepth];
  for (int k = 0; k < kCoverDepth; ++k) {
    a[k] = _mm256_castsi256_si128(wide[k]);
    b[k] = _mm256_extracti128_si256(wide[k], 1);
  }
  for (int k = kCoverDepth - 1; k >= 0; --k) {
    __m128i sum = _mm_or_si128(a[k], b[k]);
    for (int i = 0; i < k; ++i) sum = _mm_or_si128(sum, _mm_and_si128(a[i], b[k - 1 - i]));
    a[k] = sum;
  }
  FoldHalves(a);
}

inline void SetFromLowLanes(const __m128i* a, CoverCounts<std::uint64_t>& cover) {
  for (int k = 0; k < kCoverDepth; ++k)
    cover.at[k] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(a[k]));
}

// The filter four entries at a time.
__attribute__((target("avx2,popcnt"))) inline int FilterAvx2(
    CoverList<std::uint64_t> from, std::uint64_t hit, const std::uint8_t* copies,
    const std::uint8_t* need, std::uint64_t* masks, CoverRun* runs,
    CoverCounts<std::uint64_t>& cover, FilterScratch scratch) {
  const __m256i h = _mm256_set1_epi64x(static_cast<long long>(hit));
  const __m256i zero = _mm256_setzero_si256();
  // Named rather than an array, which the compiler zeroed in memory on every call.
  static_assert(kCoverDepth == 4 || kCoverDepth == 6);
  __m256i a0 = zero, a1 = zero, a2 = zero, a3 = zero, a4 = zero, a5 = zero;
  // The scratch and the list by value: stores through `masks` cannot change their pointers.
  int made = 0;
  std::uint32_t n = 0;
  for (int k = 0, last = 0; NextStretch(from, copies, k, last); k = last + 1) {
    const std::uint32_t start = n, end = from.runs[last].end;
    for (std::uint32_t i = from.runs[k].begin, block = 0; i < end; i += 4, ++block) {
      const std::uint32_t rest = end - i < 4 ? end - i : 4;
      const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from.masks + i));
      const __m256i keep =
          _mm256_and_si256(_mm256_cmpeq_epi64(_mm256_and_si256(m, h), zero),
                           _mm256_load_si256(reinterpret_cast<const __m256i*>(kLanesBefore[rest])));
      const __m256i kept = _mm256_and_si256(m, keep);
      if constexpr (kCoverDepth > 4) {
        a5 = _mm256_or_si256(a5, _mm256_and_si256(a4, kept));
        a4 = _mm256_or_si256(a4, _mm256_and_si256(a3, kept));
      }
      a3 = _mm256_or_si256(a3, _mm256_and_si256(a2, kept));
      a2 = _mm256_or_si256(a2, _mm256_and_si256(a1, kept));
      a1 = _mm256_or_si256(a1, _mm256_and_si256(a0, kept));
      a0 = _mm256_or_si256(a0, kept);
      const int lanes = _mm256_movemask_pd(_mm256_castsi256_pd(keep));
      const __m256i pack = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPackLanes[lanes]));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(masks + n),
                          _mm256_permutevar8x32_epi32(m, pack));
      scratch.keptBefore[block] = n;
      scratch.keptLanes[block] = static_cast<std::uint8_t>(lanes);
      n += static_cast<std::uint32_t>(_mm_popcnt_u32(static_cast<unsigned>(lanes)));
    }
    if (!CutRuns<4>(from, k, last, start, n, need, scratch, runs, made)) return -1;
  }
  const __m256i all[6] = {a0, a1, a2, a3, a4, a5};
  __m256i wide[kCoverDepth];
  for (int k = 0; k < kCoverDepth; ++k) wide[k] = all[k];
  __m128i narrow[kCoverDepth];
  FoldHalves(wide, narrow);
  SetFromLowLanes(narrow, cover);
  return made;
}

__attribute__((target("avx2,popcnt"))) inline std::uint32_t GatherAvx2(
    CoverList<std::uint64_t> list, int cell, std::uint64_t* masks, std::uint32_t* places) {
  if (list.runCount == 0) return 0;
  const __m256i x = _mm256_set1_epi64x(static_cast<long long>(std::uint64_t{1} << cell));
  const std::uint32_t end = list.runs[list.runCount - 1].end;
  std::uint32_t n = 0;
  for (std::uint32_t i = list.runs[0].begin; i < end; i += 4) {
    const std::uint32_t rest = end - i < 4 ? end - i : 4;
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(list.masks + i));
    const __m256i on =
        _mm256_and_si256(_mm256_cmpeq_epi64(_mm256_and_si256(m, x), x),
                         _mm256_load_si256(reinterpret_cast<const __m256i*>(kLanesBefore[rest])));
    const int lanes = _mm256_movemask_pd(_mm256_castsi256_pd(on));
    const __m256i pack = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPackLanes[lanes]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(masks + n),
                        _mm256_permutevar8x32_epi32(m, pack));
    for (unsigned bits = static_cast<unsigned>(lanes); bits != 0; bits &= bits - 1)
      places[n++] = i + static_cast<std::uint32_t>(std::countr_zero(bits));
  }
  return n;
}

#define CUBEPACK_AVX512 "avx512f,avx512vl,popcnt"

// The filter eight entries at a time, the kept lanes packed by the processor.
__attribute__((target(CUBEPACK_AVX512))) inline int FilterAvx512(
    CoverList<std::uint64_t> from, std::uint64_t hit, const std::uint8_t* copies,
    const std::uint8_t* need, std::uint64_t* masks, CoverRun* runs,
    CoverCounts<std::uint64_t>& cover, FilterScratch scratch) {
  const __m512i h = _mm512_set1_epi64(static_cast<long long>(hit));
  static_assert(kCoverDepth == 4 || kCoverDepth == 6);
  __m512i a0 = _mm512_setzero_si512(), a1 = a0, a2 = a0, a3 = a0, a4 = a0, a5 = a0;
  // The scratch and the list by value: stores through `masks` cannot change their pointers.
  int made = 0;
  std::uint32_t n = 0;
  for (int k = 0, last = 0; NextStretch(from, copies, k, last); k = last + 1) {
    const std::uint32_t start = n, end = from.runs[last].end;
    for (std::uint32_t i = from.runs[k].begin, block = 0; i < end; i += 8, ++block) {
      const __mmask8 valid = end - i >= 8 ? 0xFF : static_cast<__mmask8>((1u << (end - i)) - 1);
      const __m512i m = _mm512_loadu_si512(from.masks + i);
      const __mmask8 keep = _mm512_mask_testn_epi64_mask(valid, m, h);
      // a[k] | (a[k - 1] & m) in the kept lanes.
      if constexpr (kCoverDepth > 4) {
        a5 = _mm512_mask_ternarylogic_epi64(a5, keep, a4, m, 0xF8);
        a4 = _mm512_mask_ternarylogic_epi64(a4, keep, a3, m, 0xF8);
      }
      a3 = _mm512_mask_ternarylogic_epi64(a3, keep, a2, m, 0xF8);
      a2 = _mm512_mask_ternarylogic_epi64(a2, keep, a1, m, 0xF8);
      a1 = _mm512_mask_ternarylogic_epi64(a1, keep, a0, m, 0xF8);
      a0 = _mm512_mask_or_epi64(a0, keep, a0, m);
      _mm512_storeu_si512(masks + n, _mm512_maskz_compress_epi64(keep, m));
      scratch.keptBefore[block] = n;
      scratch.keptLanes[block] = keep;
      n += static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(keep)));
    }
    if (!CutRuns<8>(from, k, last, start, n, need, scratch, runs, made)) return -1;
  }
  // The two halves of the lanes together, then as in the four-lane filter.
  const __m512i at[6] = {a0, a1, a2, a3, a4, a5};
  __m256i lo[kCoverDepth], hi[kCoverDepth];
  for (int k = 0; k < kCoverDepth; ++k) {
    // The zero-masking forms: GCC 12 warns about the plain ones' undefined start value.
    lo[k] = _mm512_maskz_extracti64x4_epi64(0xF, at[k], 0);
    hi[k] = _mm512_maskz_extracti64x4_epi64(0xF, at[k], 1);
  }
  for (int k = kCoverDepth - 1; k >= 0; --k) {
    __m256i sum = _mm256_or_si256(lo[k], hi[k]);
    for (int i = 0; i < k; ++i) sum = _mm256_or_si256(sum, _mm256_and_si256(lo[i], hi[k - 1 - i]));
    lo[k] = sum;
  }
  __m128i narrow[kCoverDepth];
  FoldHalves(lo, narrow);
  SetFromLowLanes(narrow, cover);
  return made;
}

__attribute__((target(CUBEPACK_AVX512))) inline std::uint32_t GatherAvx512(
    CoverList<std::uint64_t> list, int cell, std::uint64_t* masks, std::uint32_t* places) {
  if (list.runCount == 0) return 0;
  const __m512i x = _mm512_set1_epi64(static_cast<long long>(std::uint64_t{1} << cell));
  const __m256i step = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const std::uint32_t end = list.runs[list.runCount - 1].end;
  std::uint32_t n = 0;
  for (std::uint32_t i = list.runs[0].begin; i < end; i += 8) {
    const __mmask8 valid = end - i >= 8 ? 0xFF : static_cast<__mmask8>((1u << (end - i)) - 1);
    const __m512i m = _mm512_loadu_si512(list.masks + i);
    const __mmask8 on = _mm512_mask_test_epi64_mask(valid, m, x);
    _mm512_storeu_si512(masks + n, _mm512_maskz_compress_epi64(on, m));
    const __m256i at = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(i)), step);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(places + n),
                        _mm256_maskz_compress_epi32(on, at));
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
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"))
    return CoverKernel::kAvx512;
  if (__builtin_cpu_supports("avx2")) return CoverKernel::kAvx2;
#endif
  return CoverKernel::kPlain;
}

template <class M>
int Filter(CoverKernel kernel, CoverList<M> from, M hit, const std::uint8_t* copies,
           const std::uint8_t* need, M* masks, CoverRun* runs, CoverCounts<M>& cover,
           FilterScratch scratch) {
#ifdef CUBEPACK_COVER_SIMD
  if constexpr (std::is_same_v<M, std::uint64_t>) {
    if (kernel == CoverKernel::kAvx512)
      return FilterAvx512(from, hit, copies, need, masks, runs, cover, scratch);
    if (kernel == CoverKernel::kAvx2)
      return FilterAvx2(from, hit, copies, need, masks, runs, cover, scratch);
  }
#endif
  (void)kernel;
  (void)scratch;
  return FilterPlain(from, hit, copies, need, masks, runs, cover);
}

template <class M>
std::uint32_t Gather(CoverKernel kernel, CoverList<M> list, int cell, M* masks,
                     std::uint32_t* places) {
#ifdef CUBEPACK_COVER_SIMD
  if constexpr (std::is_same_v<M, std::uint64_t>) {
    if (kernel == CoverKernel::kAvx512) return GatherAvx512(list, cell, masks, places);
    if (kernel == CoverKernel::kAvx2) return GatherAvx2(list, cell, masks, places);
  }
#endif
  (void)kernel;
  return GatherPlain(list, cell, masks, places);
}

}  // namespace cubepack::general
