// Micro benchmarks of the hot operations, on boards from the path to the first packing.
//   ./build/bench/cubepack_microbench

#include <benchmark/benchmark.h>

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "builtin/model/placement.h"
#include "builtin/solver/check_holes.h"
#include "builtin/solver/empty_cell_scan.h"
#include "builtin/solver/search.h"
#include "general/solver/cover_filter.h"
#include "search_slice.h"

// The benchmark names the engines' parts as cubepack::Name.
namespace cubepack {
using namespace builtin;
using namespace general;
}  // namespace cubepack

namespace cubepack {

using namespace cubepack::builtin;
using namespace cubepack::general;
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

// The puzzle count's list filter, each kernel the processor runs: a list of 170 pentomino-like
// placements (a node seven pieces deep in 3 x 4 x 5) in runs of twelve classes, filtered by one
// placement and the result by another, as a node and its child do.
void BM_CoverFilter(benchmark::State& state) {
  const auto kernel = static_cast<CoverKernel>(state.range(0));
  if (kernel == CoverKernel::kAvx512 && BestCoverKernel() != CoverKernel::kAvx512) {
    state.SkipWithError("no AVX-512 here");
    return;
  }
  if (kernel == CoverKernel::kAvx2 && BestCoverKernel() == CoverKernel::kPlain) {
    state.SkipWithError("no AVX2 here");
    return;
  }
  std::mt19937_64 rng(1);
  constexpr int kClasses = 12;
  std::vector<std::uint64_t> masks;
  std::vector<CoverRun> runs;
  for (int c = 0; c < kClasses; ++c) {
    const auto begin = static_cast<std::uint32_t>(masks.size());
    for (int i = 0; i < 14; ++i) {
      std::uint64_t m = 0;
      while (std::popcount(m) < 5) m |= std::uint64_t{1} << (rng() % 60);
      masks.push_back(m);
    }
    runs.push_back({begin, static_cast<std::uint32_t>(masks.size()), c});
  }
  masks.resize(masks.size() + kListSlack);
  std::vector<std::uint64_t> out(masks.size()), out2(masks.size());
  std::vector<CoverRun> outRuns(kClasses), outRuns2(kClasses);
  std::vector<std::uint32_t> keptBefore(masks.size() / 4 + 2);
  std::vector<std::uint8_t> keptLanes(masks.size() / 4 + 2);
  const FilterScratch scratch{keptBefore.data(), keptLanes.data()};
  std::array<std::uint8_t, kClasses> copies;
  copies.fill(1);
  CoverCounts<std::uint64_t> cover;
  int k = 0;
  for (auto _ : state) {
    const std::uint64_t hit = (std::uint64_t{0x23} << (k % 50));
    copies[k % kClasses] = 0;
    const int made =
        Filter(kernel, CoverList<std::uint64_t>{masks.data(), runs.data(), kClasses}, hit,
               copies.data(), copies.data(), out.data(), outRuns.data(), cover, scratch);
    if (made > 0)
      Filter(kernel, CoverList<std::uint64_t>{out.data(), outRuns.data(), made}, hit << 3,
             copies.data(), copies.data(), out2.data(), outRuns2.data(), cover, scratch);
    benchmark::DoNotOptimize(cover);
    copies[k % kClasses] = 1;
    ++k;
  }
}
BENCHMARK(BM_CoverFilter)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
}  // namespace cubepack
