// The listing below the first seed: as many lines as the count there, in an order that does not
// depend on the number of workers, and a listing that the independent checker accepts.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/solution_verify.h"
#include "builtin/model/packing.h"
#include "builtin/solver/parallel_runner.h"
#include "builtin/solver/search_script.h"
#include "support/test_support.h"

namespace cubepack {

using namespace cubepack::builtin;
namespace {

class Lines final : public PackingSink {
 public:
  void Found(const PieceCells& cells) override {
    text += FormatPackingLine(PackingOfPieces(cells));
    ++count;
  }
  std::string text;
  std::int32_t count = 0;
};

TEST(Listing, FirstSeedListedCompletelyInTheSameOrderWithOneOrThreeWorkers) {
  SearchScript script = RecordScript(testing::SharedCatalogue(), MakeEmptyBox());
  std::size_t end = 0;
  while (script.steps[end].kind != ScriptStep::Kind::kSeedSearched) ++end;
  script.steps.resize(end + 1);
  std::uint32_t tasks = 0;
  for (const ScriptStep& step : script.steps)
    if (step.kind == ScriptStep::Kind::kSubtree) tasks = step.task + 1;
  script.tasks.Truncate(tasks);

  std::string listings[2];
  for (const int jobs : {1, 3}) {
    SilentSearchReport quiet;
    const auto s = std::make_unique<SearchState>(testing::SharedCatalogue(), quiet);
    Lines lines;
    ListScript(*s, script, jobs, lines);
    EXPECT_EQ(lines.count, 52187);
    EXPECT_EQ(s->solutionCount, 52187);
    listings[jobs == 3] = std::move(lines.text);
  }
  EXPECT_TRUE(listings[0] == listings[1]);

  ListingVerifier verifier("first seed");
  EXPECT_TRUE(verifier.Feed(listings[0]) && verifier.Finish()) << verifier.fault();
  EXPECT_EQ(verifier.packings(), 52187);
}

}  // namespace
}  // namespace cubepack
