// The count's vector loops against the plain one: the same kept placements in the same runs,
// the same cover counts, on lists of every length around the vector widths and with classes
// used up between and at the ends of the runs.

#include "general/solver/cover_filter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace cubepack::general {
namespace {

constexpr int kClasses = 5;

struct List {
  std::vector<std::uint64_t> masks;
  std::vector<CoverRun> runs;
  CoverList<std::uint64_t> View() const {
    return {masks.data(), runs.data(), static_cast<int>(runs.size())};
  }
};

// Runs of 0 to 12 random sparse masks for each class, as a search's lists are stored.
List RandomList(std::mt19937_64& random) {
  List list;
  for (int c = 0; c < kClasses; ++c) {
    const auto begin = static_cast<std::uint32_t>(list.masks.size());
    const int n = static_cast<int>(random() % 13);
    for (int i = 0; i < n; ++i) list.masks.push_back(random() & random() & random());
    list.runs.push_back({begin, static_cast<std::uint32_t>(list.masks.size()), c});
  }
  // Whatever lies past the end must not matter.
  for (std::uint32_t i = 0; i < kListSlack; ++i) list.masks.push_back(~std::uint64_t{0});
  return list;
}

struct Filtered {
  int runs = 0;
  List list;
  CoverCounts<std::uint64_t> cover = CoverCounts<std::uint64_t>::None();
};

Filtered FilterWith(CoverKernel kernel, const List& from, std::uint64_t hit,
                    const std::array<std::uint8_t, kClasses>& copies) {
  Filtered out;
  out.list.masks.assign(from.masks.size(), 0);
  out.list.runs.resize(kClasses);
  std::vector<std::uint32_t> keptBefore(from.masks.size() / 4 + 2);
  std::vector<std::uint8_t> keptLanes(from.masks.size() / 4 + 2);
  out.runs = Filter(kernel, from.View(), hit, copies.data(), copies.data(), out.list.masks.data(),
                    out.list.runs.data(), out.cover, {keptBefore.data(), keptLanes.data()});
  out.list.runs.resize(out.runs < 0 ? 0 : static_cast<std::size_t>(out.runs));
  return out;
}

std::vector<CoverKernel> Kernels() {
  std::vector<CoverKernel> kernels = {CoverKernel::kPlain};
  const CoverKernel best = BestCoverKernel();
  if (best != CoverKernel::kPlain) kernels.push_back(CoverKernel::kAvx2);
  if (best == CoverKernel::kAvx512) kernels.push_back(CoverKernel::kAvx512);
  return kernels;
}

TEST(CoverFilter, VectorLoopsMatchThePlainOne) {
  std::mt19937_64 random(7);
  int fellShort = 0, kept = 0;
  for (int round = 0; round < 3000; ++round) {
    const List from = RandomList(random);
    const std::uint64_t hit = round % 10 == 0 ? 0 : random() & random();
    std::array<std::uint8_t, kClasses> copies;
    for (std::uint8_t& c : copies) c = static_cast<std::uint8_t>(random() % 3);
    const Filtered plain = FilterWith(CoverKernel::kPlain, from, hit, copies);
    (plain.runs < 0 ? fellShort : kept) += 1;
    for (const CoverKernel kernel : Kernels()) {
      SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)) + ", round " +
                   std::to_string(round));
      const Filtered got = FilterWith(kernel, from, hit, copies);
      ASSERT_EQ(got.runs, plain.runs);
      if (got.runs < 0) continue;
      for (int k = 0; k < got.runs; ++k) {
        EXPECT_EQ(got.list.runs[k].shapeClass, plain.list.runs[k].shapeClass);
        EXPECT_EQ(got.list.runs[k].begin, plain.list.runs[k].begin);
        ASSERT_EQ(got.list.runs[k].end, plain.list.runs[k].end);
      }
      const std::uint32_t n = got.runs == 0 ? 0 : got.list.runs[got.runs - 1].end;
      for (std::uint32_t i = 0; i < n; ++i) EXPECT_EQ(got.list.masks[i], plain.list.masks[i]);
      for (int k = 0; k < kCoverDepth; ++k) EXPECT_EQ(got.cover.at[k], plain.cover.at[k]) << k;

      const int cell = static_cast<int>(random() % 64);
      std::vector<std::uint64_t> masks(from.masks.size()), plainMasks(from.masks.size());
      std::vector<std::uint32_t> places(from.masks.size()), plainPlaces(from.masks.size());
      const std::uint32_t gathered = Gather(kernel, from.View(), cell, masks.data(), places.data());
      ASSERT_EQ(gathered, GatherPlain(from.View(), cell, plainMasks.data(), plainPlaces.data()));
      for (std::uint32_t i = 0; i < gathered; ++i) {
        EXPECT_EQ(masks[i], plainMasks[i]);
        EXPECT_EQ(places[i], plainPlaces[i]);
      }
    }
  }
  // Both outcomes were tried often.
  EXPECT_GT(fellShort, 300);
  EXPECT_GT(kept, 300);
}

TEST(CoverFilter, CountsTellHowOftenEachCellIsCovered) {
  // Class k covers cell k, k + 1 times; class 1 also covers cell 63.
  List from;
  for (int k = 0; k < kClasses; ++k) {
    const auto begin = static_cast<std::uint32_t>(from.masks.size());
    for (int i = 0; i <= k; ++i) from.masks.push_back(std::uint64_t{1} << k);
    if (k == 1) from.masks.push_back(std::uint64_t{1} << 63);
    from.runs.push_back({begin, static_cast<std::uint32_t>(from.masks.size()), k});
  }
  from.masks.resize(from.masks.size() + kListSlack);
  for (const CoverKernel kernel : Kernels()) {
    SCOPED_TRACE(static_cast<int>(kernel));
    // Class 2 used up: cell 2 is left uncovered.
    const Filtered got = FilterWith(kernel, from, 0, {1, 1, 0, 1, 1});
    ASSERT_EQ(got.runs, 4);
    EXPECT_EQ(got.list.runs[2].shapeClass, 3);
    EXPECT_EQ(got.cover.at[0], 0b11011u | std::uint64_t{1} << 63);
    EXPECT_EQ(got.cover.at[1], 0b11010u);
    EXPECT_EQ(got.cover.at[3], 0b11000u);
    EXPECT_EQ(got.cover.at[4], 0b10000u);
    EXPECT_EQ(got.cover.at[5], 0u);
    // Hitting cell 63 drops class 1's last placement; three copies of class 1 are then one
    // more than it has.
    EXPECT_EQ(FilterWith(kernel, from, std::uint64_t{1} << 63, {1, 2, 1, 1, 1}).runs, 5);
    EXPECT_EQ(FilterWith(kernel, from, std::uint64_t{1} << 63, {1, 3, 1, 1, 1}).runs, -1);
  }
}

}  // namespace
}  // namespace cubepack::general
