// The run driver's output and its behaviour when the output cannot be written. A sink that
// fails from a given write on stops the run there, so the opening of the output can be checked
// without the whole search.

#include "app/run_driver.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace cubepack {

using namespace cubepack::builtin;
namespace {

constexpr const char* kOpening =
    "Starting...\r\n"
    "Stein Nr. 0 : 3/15 Moeglichkeiten \r\n"
    "Stein Nr. 1 : 24/144 Moeglichkeiten \r\n"
    "Stein Nr. 2 : 24/120 Moeglichkeiten \r\n"
    "Stein Nr. 3 : 24/120 Moeglichkeiten \r\n"
    "Stein Nr. 4 : 24/120 Moeglichkeiten \r\n"
    "Stein Nr. 5 : 24/120 Moeglichkeiten \r\n"
    "Stein Nr. 6 : 24/120 Moeglichkeiten \r\n"
    "Stein Nr. 7 : 12/60 Moeglichkeiten \r\n"
    "Stein Nr. 8 : 12/60 Moeglichkeiten \r\n"
    "Stein Nr. 9 : 12/60 Moeglichkeiten \r\n"
    "Stein Nr. 10 : 12/60 Moeglichkeiten \r\n"
    "Stein Nr. 11 : 12/48 Moeglichkeiten \r\n";

TEST(RunDriver, OpeningLinesThenTheFirstSeedIsClassified) {
  testing::FakeTickSource clock(0, 1);
  // Writes 0..12 are the start line and the catalogue; write 13 (the first CheckSym line) fails.
  testing::CaptureSink out(13);
  EXPECT_THROW(RunCubepack(clock, out), OutputError);
  EXPECT_EQ(out.bytes(), kOpening);
}

TEST(RunDriver, AFailedWriteStopsTheRun) {
  testing::FakeTickSource clock(0, 1);
  testing::CaptureSink out(0);
  EXPECT_THROW(RunCubepack(clock, out), OutputError);
  EXPECT_TRUE(out.bytes().empty());
}

// The parallel run prints the same opening; when a write fails while the workers search, they
// stop after their current task and the error reaches the caller (no hang, no lost error).
TEST(RunDriver, ParallelRunStopsItsWorkersWhenAWriteFails) {
  testing::FakeTickSource clock(0, 1);
  testing::CaptureSink out(14);  // the first progress line
  EXPECT_THROW(RunCubepackParallel(clock, out, 2), OutputError);
  EXPECT_EQ(out.bytes(), std::string(kOpening) + "CheckSym = false\r\n");
}

}  // namespace
}  // namespace cubepack
