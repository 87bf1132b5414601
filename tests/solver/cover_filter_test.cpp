// The count's vector loops against the plain one: the same kept entries in the same order, the
// same cover counts and classes, on lists of every length around the vector widths.

#include "solver/cover_filter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace cubepack {
namespace {

struct List {
  std::vector<std::uint64_t> masks;
  std::vector<std::uint8_t> classes;
  std::uint32_t n = 0;
  CoverList<std::uint64_t> View() const { return {masks.data(), classes.data(), n}; }
};

// `n` random sparse masks of classes 0 to 11, ended like a search's lists.
List RandomList(std::mt19937_64& random, std::uint32_t n) {
  List list;
  list.n = n;
  list.masks.resize(n + kListSlack);
  list.classes.resize(n + kListSlack);
  for (std::uint32_t i = 0; i < n; ++i) {
    list.masks[i] = random() & random() & random();  // about 8 of 64 cells
    list.classes[i] = static_cast<std::uint8_t>(random() % 12);
  }
  EndList(list.masks.data(), list.classes.data(), n);
  return list;
}

struct Filtered {
  List list;
  CoverCounts<std::uint64_t> cover;
};

Filtered FilterWith(CoverKernel kernel, const List& from, std::uint64_t hit, std::uint64_t drop) {
  Filtered out;
  out.list.masks.resize(from.n + kListSlack);
  out.list.classes.resize(from.n + kListSlack);
  out.list.n = Filter(kernel, from.View(), hit, drop, out.list.masks.data(),
                      out.list.classes.data(), out.cover);
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
  for (std::uint32_t n = 0; n <= 40; ++n) {
    for (int round = 0; round < 20; ++round) {
      const List from = RandomList(random, n);
      const std::uint64_t hit = round == 0 ? 0 : random() & random();
      const std::uint64_t drop = round % 3 == 0 ? 0 : std::uint64_t{1} << (random() % 12);
      const Filtered plain = FilterWith(CoverKernel::kPlain, from, hit, drop);
      for (const CoverKernel kernel : Kernels()) {
        SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)) + ", n " +
                     std::to_string(n) + ", round " + std::to_string(round));
        const Filtered got = FilterWith(kernel, from, hit, drop);
        ASSERT_EQ(got.list.n, plain.list.n);
        // The kept entries and the end entries after them.
        for (std::uint32_t i = 0; i < got.list.n + kEndEntries; ++i) {
          EXPECT_EQ(got.list.masks[i], plain.list.masks[i]) << i;
          EXPECT_EQ(got.list.classes[i], plain.list.classes[i]) << i;
        }
        for (int k = 0; k < kCoverDepth; ++k) EXPECT_EQ(got.cover.at[k], plain.cover.at[k]) << k;
        EXPECT_EQ(got.cover.classes, plain.cover.classes);

        std::vector<std::uint64_t> masks(n + kListSlack), plainMasks(n + kListSlack);
        std::vector<std::uint8_t> classes(n + kListSlack), plainClasses(n + kListSlack);
        const int cell = static_cast<int>(random() % 64);
        const std::uint32_t gathered =
            Gather(kernel, from.View(), cell, masks.data(), classes.data());
        const std::uint32_t expected = GatherPlain(from.View(), cell, plainMasks.data(),
                                                   plainClasses.data());
        ASSERT_EQ(gathered, expected);
        for (std::uint32_t i = 0; i < gathered; ++i) {
          EXPECT_EQ(masks[i], plainMasks[i]);
          EXPECT_EQ(classes[i], plainClasses[i]);
        }
      }
    }
  }
}

TEST(CoverFilter, CountsTellHowOftenEachCellIsCovered) {
  // Cell 0 covered once, cell 1 twice, ..., cell 6 seven times; cell 63 by the last entry.
  List from;
  for (int k = 0; k < 7; ++k) {
    for (int i = 0; i <= k; ++i) {
      from.masks.push_back(std::uint64_t{1} << k);
      from.classes.push_back(static_cast<std::uint8_t>(k));
    }
  }
  from.masks.push_back(std::uint64_t{1} << 63);
  from.classes.push_back(3);
  from.n = static_cast<std::uint32_t>(from.masks.size());
  from.masks.resize(from.n + kListSlack);
  from.classes.resize(from.n + kListSlack);
  EndList(from.masks.data(), from.classes.data(), from.n);
  for (const CoverKernel kernel : Kernels()) {
    SCOPED_TRACE(static_cast<int>(kernel));
    // Dropping class 2 leaves cell 2 uncovered.
    const Filtered got = FilterWith(kernel, from, 0, std::uint64_t{1} << 2);
    EXPECT_EQ(got.list.n, from.n - 3);
    EXPECT_EQ(got.cover.classes, 0b1111011u);
    EXPECT_EQ(got.cover.at[0], 0b1111011u | std::uint64_t{1} << 63);
    EXPECT_EQ(got.cover.at[1], 0b1111010u);
    EXPECT_EQ(got.cover.at[5], 0b1100000u);
    // Hitting cell 63 drops the last entry.
    const Filtered hit = FilterWith(kernel, from, std::uint64_t{1} << 63, 0);
    EXPECT_EQ(hit.list.n, from.n - 1);
    EXPECT_EQ(hit.cover.at[0], 0b1111111u);
  }
}

}  // namespace
}  // namespace cubepack
