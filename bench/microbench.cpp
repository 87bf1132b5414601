// Micro benchmarks of the hot operations, on boards from the path to the first packing.
//   ./build/bench/cubepack_microbench

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "model/placement.h"
#include "search_slice.h"
#include "solver/check_holes.h"
#include "solver/empty_cell_scan.h"
#include "solver/search.h"

namespace cubepack {
namespace {

SilentSearchReport& Reports() {
  static SilentSearchReport quiet;
  return quiet;
}

const PieceCatalogue& Catalogue() {
  static SilentCatalogueReport quiet;
  static const auto catalogue = BuildCatalogue(quiet);
  return *catalogue;
}

const std::array<Board, kPieceCount>& Path() {
  static const auto path = FirstPackingPath(Catalogue());
  return path;
}

// Masks with 20 to 55 cells filled, as the search sees them.
std::vector<OccupancyMask> RandomMasks() {
  std::mt19937_64 rng(12345);
  std::vector<OccupancyMask> masks(1024);
  for (auto& m : masks) {
    const int filled = 20 + static_cast<int>(rng() % 36);
    m = 0;
    while (std::popcount(m) < filled) m |= CellBit(static_cast<int>(rng() % kCellCount));
  }
  return masks;
}

void BM_NextEmptyCell(benchmark::State& state) {
  const auto masks = RandomMasks();
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(NextEmptyCell(masks[i++ & 1023]));
}
BENCHMARK(BM_NextEmptyCell);

void BM_LowestEmptyCell(benchmark::State& state) {
  const auto masks = RandomMasks();
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(LowestEmptyCell(masks[i++ & 1023]));
}
BENCHMARK(BM_LowestEmptyCell);

// CheckHoles on the boards with 2 to 5 pieces.
void BM_CheckHoles(benchmark::State& state) {
  const Board& b = Path()[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(CheckHoles(b));
}
BENCHMARK(BM_CheckHoles)->DenseRange(1, 4);

void BM_RefreshCandidates(benchmark::State& state) {
  auto tables = std::make_unique<CandidateTables>(Catalogue());
  const Board& b = Path()[2];
  for (auto _ : state) {
    RefreshCandidates(Catalogue(), b, *tables);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RefreshCandidates);

// Depths 10 and 11 below the ten-piece board of the path (one deep step and the count).
void BM_DeepStep(benchmark::State& state) {
  auto s = std::make_unique<SearchState>(Catalogue(), Reports());
  RefreshCandidates(Catalogue(), Path()[2], s->candidates);
  s->boardStack[9] = Path()[9];
  for (auto _ : state) {
    SearchDepth10(*s);
    benchmark::DoNotOptimize(s->solutionCount);
  }
}
BENCHMARK(BM_DeepStep);

// Everything below the five-piece board of the path.
void BM_SearchDepth5(benchmark::State& state) {
  auto s = std::make_unique<SearchState>(Catalogue(), Reports());
  RefreshCandidates(Catalogue(), Path()[2], s->candidates);
  s->boardStack[4] = Path()[4];
  for (auto _ : state) {
    SearchDepth5(*s);
    benchmark::DoNotOptimize(s->solutionCount);
  }
}
BENCHMARK(BM_SearchDepth5);

}  // namespace
}  // namespace cubepack
