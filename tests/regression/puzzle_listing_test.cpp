// The listings of the longer puzzle files: as many lines as their published counts, each
// accepted by verify (seconds to a minute in Release).

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/puzzle_verify.h"
#include "general/input/puzzle_file.h"
#include "general/solver/polycube_count.h"
#include "general/solver/polycube_list.h"

namespace cubepack {

using namespace cubepack::general;
namespace {

// Feeds each task's lines to the verifier as they come.
class VerifyingSink final : public ListingSink {
 public:
  explicit VerifyingSink(PuzzleListingVerifier& v) : v_(v) {}
  bool TaskLines(std::size_t, std::string_view lines, std::size_t count) override {
    lineCount += count;
    return v_.Feed(lines);
  }
  std::size_t lineCount = 0;

 private:
  PuzzleListingVerifier& v_;
};

TEST(PuzzleListings, PentominoBoxes) {
  struct Case {
    const char* file;
    bool mirror;
    std::size_t lines;
  };
  for (const Case& c :
       {Case{"pentominoes-5x12.txt", false, 1010}, Case{"pentominoes-2x5x6.txt", false, 528},
        Case{"pentominoes-2x5x6.txt", true, 264}, Case{"pentominoes-3x4x5.txt", false, 7880},
        Case{"pentominoes-3x4x5.txt", true, 3940}}) {
    SCOPED_TRACE(std::string(c.file) + (c.mirror ? " --mirror" : ""));
    std::ifstream in(std::string(CUBEPACK_PUZZLES) + "/" + c.file);
    std::stringstream text;
    text << in.rdbuf();
    const PuzzleParse parse = ParsePuzzle(text.str());
    ASSERT_EQ(parse.error, "");
    const PuzzleBuild build = BuildForCount(parse.puzzle, c.mirror);
    const PuzzleLineBuild line = MakePuzzleLine(parse.puzzle, build.puzzle);
    ASSERT_EQ(line.error, "");
    PuzzleListingVerifier verifier(c.file, build.puzzle, line.format);
    VerifyingSink sink(verifier);
    const PuzzleLister lister(build.puzzle, line.format);
    lister.List(0, lister.Tasks(), 2, sink);
    EXPECT_TRUE(verifier.Finish()) << verifier.fault();
    EXPECT_EQ(sink.lineCount, c.lines);
    EXPECT_EQ(verifier.packings(), static_cast<std::int64_t>(c.lines));
  }
}

}  // namespace
}  // namespace cubepack
