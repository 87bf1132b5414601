// The parallel runner's command line: every accepted spelling and one clear line for each bad
// one.

#include "shared/command_line.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace cubepack {

namespace {

ParallelOptions Parse(std::vector<std::string_view> args) { return ParseParallelOptions(args, 6); }

TEST(ParallelCommandLine, AcceptsEveryJobsSpellingAndDefaultsToTheHardware) {
  EXPECT_EQ(Parse({}).jobs, 6);
  EXPECT_EQ(Parse({"-j", "3"}).jobs, 3);
  EXPECT_EQ(Parse({"-j3"}).jobs, 3);
  EXPECT_EQ(Parse({"--jobs", "1"}).jobs, 1);
  EXPECT_EQ(Parse({"--jobs=1024"}).jobs, 1024);
  EXPECT_EQ(Parse({"-j", "2", "-j", "5"}).jobs, 5);  // the last one counts
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-j", "2", "-h"}).help);
  EXPECT_TRUE(Parse({"--jobs=4"}).error.empty());
  EXPECT_GE(HardwareJobs(), 1);
}

TEST(ParallelCommandLine, RejectsBadArgumentsWithOneLine) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"-j"},      {"--jobs"},   {"-j", "0"}, {"-j", "1025"}, {"-j", "two"}, {"-j", "2x"},
      {"--jobs="}, {"-j", "-1"}, {"-x"},      {"--job=2"},    {"4"}};
  for (const auto& args : bad) {
    const ParallelOptions o = Parse(args);
    EXPECT_FALSE(o.error.empty()) << args[0];
    EXPECT_EQ(o.error.find('\n'), std::string::npos);
    EXPECT_EQ(o.error.rfind("cubepack-parallel: ", 0), 0u) << o.error;
  }
  EXPECT_EQ(Parse({"-j", "0"}).error,
            "cubepack-parallel: the number of jobs must be a whole number from 1 to 1024, not "
            "'0' (try --help)");
  EXPECT_EQ(Parse({"--frobnicate"}).error,
            "cubepack-parallel: unknown option '--frobnicate' (try --help)");
}

}  // namespace
}  // namespace cubepack
