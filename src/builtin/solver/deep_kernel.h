#pragma once
// The mask-only depths 5 to 11, where nearly all of the run's time goes. The kernel's own
// translation unit (deep_kernel.cpp) is compiled twice: for any x86-64 and for CPUs with AVX2
// (chosen at run time). Everything defined here has internal linkage, so the linker never mixes
// up the copies; what it calls from other headers is small arithmetic that optimised builds
// inline. The rules of these depths (anchor, visits, dead anchors, lists) are deep_rules.h's.
//
// The nodes are searched in batches, one queue per depth, instead of depth first.

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "builtin/model/cell_tables.h"
#include "builtin/solver/deep_queues.h"
#include "builtin/solver/deep_rules.h"
#include "builtin/solver/deep_search_dispatch.h"
#include "builtin/solver/deep_tables.h"

// Each depth's drain stays out of line: inlined into one another, they made GCC spill the loop
// state to the stack (2-4 % slower); and a profile shows the time of each depth.
#if defined(__GNUC__)
#define CUBEPACK_DRAIN_ATTRIBUTES __attribute__((noinline))
#else
#define CUBEPACK_DRAIN_ATTRIBUTES
#endif

namespace cubepack::builtin {

namespace {

// Where a batch of nodes goes: masks, and optionally fill-order masks and free pieces.
struct NodeSink {
  OccupancyMask* grid;
  OccupancyMask* fill;
  PieceBits* free;
  std::ptrdiff_t capacity;  // slots in each array, for the checked builds
};

#if defined(__AVX2__)
// Lane choices of _mm256_permutevar8x32_epi32 that move the 64-bit entries picked by a 4-bit
// selector to the front, in order: one byte per 32-bit lane, widened as it is loaded (a single
// instruction, with no scaling of the index).
inline constexpr std::array<std::uint64_t, 16> kCompressRows = [] {
  std::array<std::uint64_t, 16> t{};
  for (int sel = 0; sel < 16; ++sel) {
    int n = 0;
    for (int j = 0; j < 4; ++j)
      if (sel >> j & 1) {
        t[sel] |= static_cast<std::uint64_t>(2 * j) << (16 * n);
        t[sel] |= static_cast<std::uint64_t>(2 * j + 1) << (16 * n + 8);
        ++n;
      }
  }
  return t;
}();
static_assert(kCompressRows[10] == 0x07060302);

using BlockLanes = __m256i;
inline BlockLanes LanesOf(std::uint32_t sel) {
  return _mm256_cvtepu8_epi32(
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kCompressRows[sel])));
}

inline void Compress(OccupancyMask* out, const OccupancyMask* in, OccupancyMask add,
                     BlockLanes lanes) {
  const __m256i v = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)),
                                    _mm256_set1_epi64x(static_cast<long long>(add)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permutevar8x32_epi32(v, lanes));
}
#endif

#if defined(__AVX2__)
// Appends the entries of a block of four whose test entry does not collide with `board`:
// `masks[n] | add`, and `tests[n] | testAdd` and `free` where the sink keeps them. Always
// writes four slots. Returns how many were appended.
template <bool kFill, bool kFree>
inline std::ptrdiff_t AppendBlock(const NodeSink& out, std::ptrdiff_t at,
                                  const OccupancyMask* tests, const OccupancyMask* masks,
                                  OccupancyMask board, OccupancyMask add, OccupancyMask testAdd,
                                  PieceBits free) {
  assert(at + 4 <= out.capacity);
  const std::uint32_t sel = TestBlock(tests, board);
  const BlockLanes lanes = LanesOf(sel);
  Compress(out.grid + at, masks, add, lanes);
  if constexpr (kFill) Compress(out.fill + at, tests, testAdd, lanes);
  if constexpr (kFree)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.free + at),
                     _mm_set1_epi32(static_cast<int>(free)));
  return PopCount(sel);
}
#endif

// Appends the children that one padded list gives (see AppendBlock); returns the new end. The
// first kMinBlocks blocks are tested whatever the length (the list is padded to them). The sink
// needs three slots of slack past the last child.
template <bool kFill, bool kFree, int kMinBlocks = kCandidateMinimum / kCandidatePad>
inline std::ptrdiff_t AppendList(const NodeSink& out, std::ptrdiff_t at, const OccupancyMask* tests,
                                 const OccupancyMask* masks, int count, OccupancyMask board,
                                 OccupancyMask add, OccupancyMask testAdd, PieceBits free) {
  static_assert(kMinBlocks == 2 || kMinBlocks == 3);
#if defined(__AVX2__)
  // Every block is written whether anything fits or not: no branch on the outcome.
  at += AppendBlock<kFill, kFree>(out, at, tests, masks, board, add, testAdd, free);
  at += AppendBlock<kFill, kFree>(out, at, tests + 4, masks + 4, board, add, testAdd, free);
  if constexpr (kMinBlocks >= 3)
    at += AppendBlock<kFill, kFree>(out, at, tests + 8, masks + 8, board, add, testAdd, free);
  for (int b = 4 * kMinBlocks; b < count; b += 4)
    at += AppendBlock<kFill, kFree>(out, at, tests + b, masks + b, board, add, testAdd, free);
#else
  // Without a cheap compress instruction, walking the fitting entries is faster.
  ForEachFree(tests, count, board, [&](int n) {
    assert(at < out.capacity);
    out.grid[at] = masks[n] | add;
    if constexpr (kFill) out.fill[at] = tests[n] | testAdd;
    if constexpr (kFree) out.free[at] = free;
    ++at;
  });
#endif
  return at;
}

// Nodes wait at each depth and are processed in batches: a batch is a loop with a fixed amount
// of work per node and no branch that depends on how many placements fit, which the branch
// predictor cannot learn. Only totals leave the kernel, so the order of the nodes is free.
template <int kDepth>
inline NodeSink SinkOf(NodeQueue<kDepth>& q) {
  return {q.grid, q.fill, q.free, NodeQueue<kDepth>::kCapacity};
}

class DeepKernel {
 public:
  // The queues must be empty; Finish leaves them so.
  DeepKernel(const DeepView& v, DeepQueues& queues) : v_(v), queues_(queues) {}

  // Queues one node that waits for depth kDepth (5 to 11).
  template <int kDepth>
  void Push(OccupancyMask grid, OccupancyMask fill, PieceBits free) {
    NodeQueue<kDepth>& q = Queue<kDepth>();
    assert(q.size < NodeQueue<kDepth>::kCapacity);
    q.grid[q.size] = grid;
    if constexpr (NodeQueue<kDepth>::kFill) q.fill[q.size] = fill;
    if constexpr (NodeQueue<kDepth>::kFree) q.free[q.size] = free;
    ++q.size;
  }

  // The same for a depth known at run time (5 to 10). A node of depth 10 goes in untagged:
  // tag 0 takes away piece 0, which is never free.
  template <int kDepth = 5>
  void PushAt(int depth, OccupancyMask grid, OccupancyMask fill, PieceBits free) {
    if constexpr (kDepth < 10) {
      if (depth != kDepth) return PushAt<kDepth + 1>(depth, grid, fill, free);
    }
    Push<kDepth>(grid, fill, free);
  }

  // Processes every node still waiting, shallowest depth first.
  void Finish() {
    Drain<5>();
    Drain<6>();
    Drain<7>();
    Drain<8>();
    Drain<9>();
    Drain<10>();
    Drain<11>();
  }

  SearchCounts counts;

 private:
  template <int kDepth>
  NodeQueue<kDepth>& Queue() {
    if constexpr (kDepth == 5)
      return queues_.q5;
    else if constexpr (kDepth == 6)
      return queues_.q6;
    else if constexpr (kDepth == 7)
      return queues_.q7;
    else if constexpr (kDepth == 8)
      return queues_.q8;
    else if constexpr (kDepth == 9)
      return queues_.q9;
    else if constexpr (kDepth == 10)
      return queues_.q10;
    else
      return queues_.q11;
  }

  // Every node waiting for depth kDepth: its visits, and its children queued for the next depth.
  // Each stage keeps its counts and queue ends in locals: the compiler cannot keep them in
  // registers across the stores into the queues.
  template <int kDepth>
  void Drain() {
    if constexpr (kDepth <= 8)
      DrainFillOrder<kDepth>();
    else if constexpr (kDepth == 9)
      DrainTriples();
    else if constexpr (kDepth == 10)
      DrainPairs();
    else
      DrainLastPiece();
  }

  // A stage's children wait in the next depth's queue; a full batch there is drained at once.
  template <int kNext>
  void DrainIfFull(std::ptrdiff_t& end) {
    if (end > NodeQueue<kNext>::kBatch) {
      Queue<kNext>().size = end;
      Drain<kNext>();
      end = 0;
    }
  }

  template <int kDepth>
  void Drained(std::int64_t visits) {
    counts.listVisits += visits;
    Queue<kDepth>().size = 0;
  }

  // Depths 5-8: the anchor in fill order, every free piece's list there.
  template <int kDepth>
  CUBEPACK_DRAIN_ATTRIBUTES void DrainFillOrder() {
    using Next = NodeQueue<kDepth + 1>;
    const NodeQueue<kDepth>& q = Queue<kDepth>();
    const DeepView v = v_;
    const DeepTables& deep = *v.deep;
    const NodeSink sink = SinkOf(Queue<kDepth + 1>());
    std::ptrdiff_t end = Queue<kDepth + 1>().size;
    std::int64_t visits = 0;
    const std::ptrdiff_t size = q.size;
    for (std::ptrdiff_t j = 0; j < size; ++j) {
      const OccupancyMask grid = q.grid[j];
      const PieceBits free = q.free[j];
      const OccupancyMask fill = q.fill[j];
      const int r = FillAnchor(fill);
      visits += VisitsAtFill(v, r, free);
      // Every free piece is tried, with or without a list there (an absent list is a block
      // that fits nothing), so the loop runs as often at every node of a depth. A dead anchor
      // is skipped: the branch is cheaper here than testing the lists (about 2 % of the slice).
      if (DeadAtFill(fill, r)) continue;
      const auto& tests = deep.fillTests[r];
      const auto& masks = deep.fillMasks[r];
      const auto& sizes = deep.fillCount[r];
      for (PieceBits pieces = free; pieces != 0; pieces &= pieces - 1) {
        const int i = TrailingZeros(pieces);
        assert(sizes[i] <= kMaxListLength);
        end = AppendList<Next::kFill, true>(sink, end, tests[i].data(), masks[i].data(), sizes[i],
                                            fill, grid, fill, free & ~(PieceBits{1} << i));
      }
      DrainIfFull<kDepth + 1>(end);
    }
    Queue<kDepth + 1>().size = end;
    Drained<kDepth>(visits);
  }

  // Depth 9, three pieces left: the anchor in grid order, and the three lists there are one triple
  // list whose entries carry their own piece as tag (about 5 % of the slice against three lists).
  // The children keep this node's free pieces.
  CUBEPACK_DRAIN_ATTRIBUTES void DrainTriples() {
    const NodeQueue<9>& q = Queue<9>();
    const DeepView v = v_;
    DeepTables& deep = *v.deep;
    const NodeSink sink = SinkOf(Queue<10>());
    std::ptrdiff_t end = Queue<10>().size;
    std::int64_t visits = 0;
    const std::ptrdiff_t size = q.size;
    for (std::ptrdiff_t j = 0; j < size; ++j) {
      const OccupancyMask grid = q.grid[j];
      const PieceBits free = q.free[j];
      const int k = LowAnchor(grid);
      visits += VisitsAtLow(v, k, free);
      const std::uint32_t span = TripleSpanAt(deep, k, free);
      assert(SpanStart(span) + PaddedLength(SpanCount(span), kTripleMinimum) <=
             deep.tripleMasks.size());
      const OccupancyMask* masks = deep.tripleMasks.data() + SpanStart(span);
      end = AppendList<false, true, kTripleMinimum / kCandidatePad>(
          sink, end, masks, masks, SpanCount(span), grid, grid, 0, free);
      DrainIfFull<10>(end);
    }
    Queue<10>().size = end;
    Drained<9>(visits);
  }

  // Depth 10, two pieces left: their two lists at the anchor as one tagged pair list. Two
  // passes over each chunk of nodes: the first counts the visits, finds each node's list and
  // drops the nodes whose anchor has no empty neighbour further on (about a quarter of them,
  // 4 % of the slice); the second tests the lists left. Short independent steps let the
  // processor run ahead to the list loads instead of waiting at each node (2.5 %).
  CUBEPACK_DRAIN_ATTRIBUTES void DrainPairs() {
    constexpr int kChunk = 16;
    const NodeQueue<10>& q = Queue<10>();
    const DeepView v = v_;
    const DeepTables& deep = *v.deep;
    const OccupancyMask* const pairPool = deep.pairMasks.data();
    const NodeSink sink = SinkOf(Queue<11>());
    std::ptrdiff_t end = Queue<11>().size;
    std::int64_t visits = 0;
    const std::ptrdiff_t size = q.size;
    for (std::ptrdiff_t j0 = 0; j0 < size; j0 += kChunk) {
      const int chunk = size - j0 < kChunk ? static_cast<int>(size - j0) : kChunk;
      int live = 0;
      OccupancyMask grids[kChunk];
      std::uint32_t spans[kChunk];
      for (int t = 0; t < chunk; ++t) {
        // The tag is the piece placed at depth 9, and the free pieces are the parent's.
        const OccupancyMask tagged = q.grid[j0 + t];
        const OccupancyMask grid = TaggedCells(tagged);
        const PieceBits free = q.free[j0 + t] & ~(PieceBits{1} << TaggedPiece(tagged));
        assert(PopCount(free) == 2);
        const int k = LowAnchor(grid);
        visits += VisitsAtLow(v, k, free);
        grids[live] = grid;
        spans[live] = PairSpanAt(deep, k, free);
        live += DeadAtLow(grid, k) ? 0 : 1;  // no branch to mispredict
      }
      for (int t = 0; t < live; ++t) {
        assert(SpanStart(spans[t]) + PaddedLength(SpanCount(spans[t]), kPairMinimum) <=
               deep.pairMasks.size());
        const OccupancyMask* masks = pairPool + SpanStart(spans[t]);
        end = AppendList<false, false, kPairMinimum / kCandidatePad>(
            sink, end, masks, masks, SpanCount(spans[t]), grids[t], grids[t], 0, 0);
        DrainIfFull<11>(end);
      }
    }
    Queue<11>().size = end;
    Drained<10>(visits);
  }

  // Depth 11, the last piece (in the tag): only its list at the new anchor matters. Where it
  // has no list, the row is a block that collides with every board, so only the visit needs
  // the flag. Every fitting placement is a solution.
  CUBEPACK_DRAIN_ATTRIBUTES void DrainLastPiece() {
    const NodeQueue<11>& q = Queue<11>();
    const DeepView v = v_;
    const DeepTables& deep = *v.deep;
    std::int64_t visits = 0;
    std::int64_t solutions = 0;
    const std::ptrdiff_t size = q.size;
    for (std::ptrdiff_t j = 0; j < size; ++j) {
      const OccupancyMask grid = q.grid[j];
      const int k = LowAnchor(grid);
      const int last = TaggedPiece(grid);
      assert(deep.lowCount[k][last] <= kMaxListLength);
      visits += VisitOfLast(v, k, last);
      solutions += CountFreeInRow(deep.lowMasks[k][last].data(), deep.lowCount[k][last], grid);
    }
    counts.solutions += solutions;
    Drained<11>(visits);
  }

  const DeepView v_;
  DeepQueues& queues_;
};

// Runs the deep depths from depth `depth` (5 to 10) below one board.
inline SearchCounts RunDeepKernel(const DeepView& v, DeepQueues& queues, int depth,
                                  OccupancyMask grid, OccupancyMask fill, PieceBits free) {
  DeepKernel kernel(v, queues);
  kernel.PushAt(depth, grid, fill, free);
  kernel.Finish();
  return kernel.counts;
}

}  // namespace

}  // namespace cubepack::builtin
