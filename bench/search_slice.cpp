#include "search_slice.h"

#include <memory>

#include "solver/empty_cell_scan.h"
#include "solver/search.h"

namespace cubepack {

namespace {

class CountingReport final : public SearchReport {
 public:
  void SeedClassified(bool) override {}
  void Progress(std::int32_t, DepthMark, DepthMark, std::int32_t) override { ++lines; }
  void SeedSearched(std::int32_t) override {}
  std::int32_t lines = 0;
};

}  // namespace

SliceSignature RunFirstSeedSlice(const PieceCatalogue& catalogue, DeepKernelKind kernel) {
  CountingReport report;
  auto state = std::make_unique<SearchState>(catalogue, report);
  state->deepKernel = kernel;
  Board& seed = state->boardStack[0];
  seed = MakeEmptyBox();
  const Orientation& first = **catalogue.orientations[kSeedPiece].begin();
  for (int j = 0; j < first.cellCount; ++j) seed.cells[first.offsets[j]] = kSeedMark;
  seed.placed[kSeedPiece] = 1;
  ComputeMask(seed);
  SearchPlain(*state);
  return {state->solutionCount, state->stepCount, report.lines};
}

}  // namespace cubepack

namespace cubepack {

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
      Board& next = path[depth];
      next = prev;
      next.placed[i] = 1;
      for (int k = 0; k < p.orientation->cellCount; ++k)
        next.cells[p.origin + p.orientation->offsets[k]] = kPieceMark;
      next.mask |= p.mask;
      if (Extend(catalogue, path, depth + 1)) return true;
    }
  }
  return false;
}

}  // namespace

std::array<Board, kPieceCount> FirstPackingPath(const PieceCatalogue& catalogue) {
  std::array<Board, kPieceCount> path{};
  Board& seed = path[0];
  seed = MakeEmptyBox();
  const Orientation& first = **catalogue.orientations[kSeedPiece].begin();
  for (int j = 0; j < first.cellCount; ++j) seed.cells[first.offsets[j]] = kSeedMark;
  seed.placed[kSeedPiece] = 1;
  ComputeMask(seed);
  Extend(catalogue, path, 1);
  return path;
}

}  // namespace cubepack
