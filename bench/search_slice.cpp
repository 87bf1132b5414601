#include "search_slice.h"

#include <memory>

#include "builtin/model/placement.h"
#include "builtin/solver/empty_cell_scan.h"
#include "builtin/solver/packing_search.h"
#include "builtin/solver/search.h"

namespace cubepack::builtin {

namespace {

class CountingReport final : public SearchReport {
 public:
  void SeedClassified(bool) override {}
  void Progress(std::int32_t, DepthMark, DepthMark, std::int32_t) override { ++lines; }
  void SeedSearched(std::int32_t) override {}
  std::int32_t lines = 0;
};

// Piece 0 in its first orientation at the origin, with its mask: the first seed searched.
Board FirstSeedBoard(const PieceCatalogue& catalogue) {
  Board seed = MakeEmptyBox();
  MarkCells(seed, **catalogue.orientations[kSeedPiece].begin(), 0, kSeedMark);
  seed.placed[kSeedPiece] = 1;
  ComputeMask(seed);
  return seed;
}

}  // namespace

SliceSignature RunFirstSeedSlice(const PieceCatalogue& catalogue, DeepKernelKind kernel,
                                 PackingSink* packings) {
  CountingReport report;
  auto state = std::make_unique<SearchState>(catalogue, report);
  state->deepKernel = kernel;
  state->boardStack[0] = FirstSeedBoard(catalogue);
  if (packings != nullptr)
    ListPlain(*state, *packings);
  else
    SearchPlain(*state);
  return {state->solutionCount, state->stepCount, report.lines};
}

}  // namespace cubepack::builtin

namespace cubepack::builtin {

namespace {

// Depth-first over the full lists at the first empty cell in fill order; stops at the first
// packing.
bool Extend(const PieceCatalogue& catalogue, std::array<Board, kPieceCount>& path, int depth) {
  if (depth == kPieceCount) return true;
  const Board& prev = path[depth - 1];
  const int anchor = NextEmptyCell(prev);
  for (int i = 1; i < kPieceCount; ++i) {
    if (prev.placed[i] != 0 || !catalogue.pieces[i].byFillAnchor[anchor]) continue;
    for (const Placement& p : *catalogue.pieces[i].byFillAnchor[anchor]) {
      if (Collides(p.mask, prev.mask)) continue;
      PlaceOnGrid(path[depth], prev, i, p);
      if (Extend(catalogue, path, depth + 1)) return true;
    }
  }
  return false;
}

}  // namespace

std::array<Board, kPieceCount> FirstPackingPath(const PieceCatalogue& catalogue) {
  std::array<Board, kPieceCount> path{};
  path[0] = FirstSeedBoard(catalogue);
  Extend(catalogue, path, 1);
  return path;
}

}  // namespace cubepack::builtin
