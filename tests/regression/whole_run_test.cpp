// The whole run, like a chess engine's perft: every byte of the output with a fake clock
// against the committed expected file. Any change to what the search visits or counts moves a
// progress line or a count and fails here.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/run_driver.h"
#include "support/test_support.h"

namespace cubepack {

using namespace cubepack::builtin;
namespace {

// The clock starts close to its wrap and advances 7 ms per read.
constexpr std::uint32_t kFakeStart = 0xFFFFF000u;
constexpr std::uint32_t kFakeStep = 7;

// Compares with the committed file and names the first differing line, so a regression points
// at its seed.
void ExpectSameAsExpectedFile(const std::string& actual) {
  const std::string expected = testing::ReadFileBytes(CUBEPACK_EXPECTED_RUN);
  ASSERT_FALSE(expected.empty()) << "missing " << CUBEPACK_EXPECTED_RUN;
  if (actual != expected) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const std::size_t lineStart = expected.rfind('\r', at == 0 ? 0 : at - 1);
    FAIL() << "output differs at byte " << at
           << " near: " << expected.substr(lineStart == std::string::npos ? 0 : lineStart, 120);
  }
}

TEST(WholeRun, OutputMatchesExpectedFileByteForByte) {
  testing::FakeTickSource clock(kFakeStart, kFakeStep);
  testing::CaptureSink out;
  // CUBEPACK_PORTABLE=1 chooses the kernel, as in the programs.
  const DeepKernelKind kernel = DeepKernelFromEnvironment();
  const std::int32_t solutions = RunCubepack(clock, out, kernel);
  EXPECT_EQ(solutions, 409963);
  // Regenerating the expected file is a deliberate act: CUBEPACK_WRITE_RUN=path.
  if (const char* path = std::getenv("CUBEPACK_WRITE_RUN")) {
    std::FILE* f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(out.bytes().data(), 1, out.bytes().size(), f);
    std::fclose(f);
  }
  ExpectSameAsExpectedFile(out.bytes());
}

// The parallel runner reads the clock at the same events in the same order, so even the
// timings agree with a fake clock.
class WholeRunParallel : public ::testing::TestWithParam<int> {};

TEST_P(WholeRunParallel, OutputMatchesExpectedFileByteForByte) {
  testing::FakeTickSource clock(kFakeStart, kFakeStep);
  testing::CaptureSink out;
  EXPECT_EQ(RunCubepackParallel(clock, out, GetParam()), 409963);
  ExpectSameAsExpectedFile(out.bytes());
}

INSTANTIATE_TEST_SUITE_P(Jobs, WholeRunParallel, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace cubepack
