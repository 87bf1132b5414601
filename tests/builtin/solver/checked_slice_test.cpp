// A real slice of the search for every test tree, the checked ones included: about two hundred
// three-piece boards spread over the run, and the seven whose triple lists grow past 64 entries
// (all below seed 60), counted with every kernel, listed, run on several workers, and counted
// and listed task by task.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "builtin/solver/parallel_runner.h"
#include "builtin/solver/search_script.h"
#include "support/test_support.h"

namespace cubepack::builtin {
namespace {

constexpr std::size_t kStride = 80;
constexpr std::array<std::size_t, 7> kLongListBoards = {6554, 6555, 6565, 6597, 6598, 6606, 6839};
// What the slice counts: figures of the Release build, which every build must reproduce.
constexpr std::int32_t kSliceSolutions = 7144;
constexpr std::int64_t kSliceStepCount = 7483590;

const SearchScript& Slice() {
  static const SearchScript slice = [] {
    const SearchScript whole = RecordScript(testing::SharedCatalogue(), MakeEmptyBox());
    SearchScript s;
    for (std::size_t i = 0; i < whole.tasks.size(); ++i) {
      if (i % kStride != 0 &&
          std::find(kLongListBoards.begin(), kLongListBoards.end(), i) == kLongListBoards.end())
        continue;
      s.steps.push_back(
          {ScriptStep::Kind::kSubtree, false, static_cast<std::uint32_t>(s.tasks.size()), 0});
      s.tasks.Append(whole.tasks[i]);
    }
    return s;
  }();
  return slice;
}

class CheckedSlice : public ::testing::TestWithParam<DeepKernelKind> {};
std::string KernelName(const ::testing::TestParamInfo<DeepKernelKind>& info) {
  return DeepKernelName(info.param);
}
INSTANTIATE_TEST_SUITE_P(Kernels, CheckedSlice, ::testing::ValuesIn(AvailableDeepKernels()),
                         KernelName);

TEST_P(CheckedSlice, CountsTheRecordedFigures) {
  ASSERT_EQ(Slice().tasks.size(), 209u);
  SilentSearchReport silent;
  const auto s = std::make_unique<SearchState>(testing::SharedCatalogue(), silent);
  s->deepKernel = GetParam();
  CountScript(*s, Slice(), 1);
  EXPECT_EQ(s->solutionCount, kSliceSolutions);
  EXPECT_EQ(s->stepCount, kSliceStepCount);
}

class Collect final : public PackingSink {
 public:
  void Found(const PieceCells& packing) override { found.push_back(packing); }
  std::vector<PieceCells> found;
};

// Listed on two workers and counted on three: the same figures, every packing a packing, each
// once. And what finds packing N without the whole listing: each task counted on two workers
// holds as many packings as the listing writes for it, and the tasks listed one by one, in task
// order, give the listing's packings in its order; counting from a later task on, and stopping,
// tells of exactly those tasks.
TEST(CheckedSlice, ListsAndCountsTheSameOnSeveralWorkersAndTaskByTask) {
  SilentSearchReport silent;
  const auto listing = std::make_unique<SearchState>(testing::SharedCatalogue(), silent);
  Collect collect;
  ListScript(*listing, Slice(), 2, collect);
  EXPECT_EQ(listing->solutionCount, kSliceSolutions);
  EXPECT_EQ(listing->stepCount, kSliceStepCount);
  ASSERT_EQ(collect.found.size(), static_cast<std::size_t>(kSliceSolutions));
  for (const PieceCells& packing : collect.found) {
    OccupancyMask all = 0;
    for (const OccupancyMask piece : packing) {
      ASSERT_EQ(all & piece, 0u);
      all |= piece;
    }
    ASSERT_EQ(all, kFullMask);
  }

  const auto counting = std::make_unique<SearchState>(testing::SharedCatalogue(), silent);
  CountScript(*counting, Slice(), 3);
  EXPECT_EQ(counting->solutionCount, kSliceSolutions);
  EXPECT_EQ(counting->stepCount, kSliceStepCount);

  std::vector<std::int64_t> counts;
  CountTasks(*counting, Slice(), 0, 2, [&](std::size_t task, std::int64_t packings) {
    EXPECT_EQ(task, counts.size());
    counts.push_back(packings);
    return true;
  });
  ASSERT_EQ(counts.size(), Slice().tasks.size());
  Collect byTask;
  for (std::size_t i = 0; i < Slice().tasks.size(); ++i) {
    const std::size_t before = byTask.found.size();
    EXPECT_EQ(ListTask(*counting, Slice().tasks[i], byTask), counts[i]) << "task " << i;
    ASSERT_EQ(byTask.found.size() - before, static_cast<std::size_t>(counts[i])) << "task " << i;
  }
  EXPECT_EQ(byTask.found, collect.found);
  std::vector<std::size_t> told;
  CountTasks(*counting, Slice(), 150, 2, [&](std::size_t task, std::int64_t packings) {
    EXPECT_EQ(packings, counts[task]) << "task " << task;
    told.push_back(task);
    return told.size() < 3;
  });
  EXPECT_EQ(told, (std::vector<std::size_t>{150, 151, 152}));

  std::sort(collect.found.begin(), collect.found.end());
  EXPECT_EQ(std::adjacent_find(collect.found.begin(), collect.found.end()), collect.found.end());
}

}  // namespace
}  // namespace cubepack::builtin
