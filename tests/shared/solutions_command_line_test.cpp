// cubepack-solutions' command line: what each command takes, and one clear line for the rest.

#include "shared/solutions_command_line.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace cubepack {

namespace {

SolutionsOptions Parse(std::vector<std::string_view> args) {
  return ParseSolutionsOptions(args, 6);
}

TEST(SolutionsCommandLine, ReadsEachCommand) {
  EXPECT_EQ(Parse({"list"}).jobs, 6);
  EXPECT_EQ(Parse({"list", "-j", "3"}).jobs, 3);
  EXPECT_EQ(Parse({"list", "--jobs=2"}).jobs, 2);
  EXPECT_EQ(Parse({"list", "-j4"}).command, SolutionsCommand::kList);
  const SolutionsOptions show = Parse({"show", "409963", "--svg"});
  EXPECT_EQ(show.command, SolutionsCommand::kShow);
  EXPECT_EQ(show.packingNumber, 409963);
  EXPECT_TRUE(show.svg);
  EXPECT_EQ(Parse({"show", "--svg", "-"}).packingNumber, 0);
  EXPECT_FALSE(Parse({"show", "-"}).svg);
  EXPECT_TRUE(Parse({"show", "-", "--html", "--puzzle", "p.txt"}).html);
  EXPECT_FALSE(Parse({"show", "1", "--html"}).svg);
  // One form per page.
  EXPECT_EQ(Parse({"show", "1", "--html", "--svg"}).error,
            "cubepack-solutions: --svg and --html cannot go together (try --help)");
  EXPECT_EQ(Parse({"verify", "-"}).file, "-");
  EXPECT_EQ(Parse({"verify", "out.txt"}).command, SolutionsCommand::kVerify);
  // The puzzle from standard input, when the operand is not read from it too.
  EXPECT_EQ(Parse({"show", "3", "--puzzle", "-"}).puzzle, "-");
  EXPECT_EQ(Parse({"verify", "out.txt", "--puzzle=-"}).error, "");
  for (const auto& args : std::vector<std::vector<std::string_view>>{
           {"--help"}, {"-h"}, {"show", "--help"}, {"verify", "-h"}, {"list", "--help"}}) {
    const SolutionsOptions o = Parse(args);
    EXPECT_EQ(o.command, SolutionsCommand::kHelp) << args.back();
    EXPECT_EQ(o.error, "");
  }
}

TEST(SolutionsCommandLine, RejectsBadArgumentsWithOneLine) {
  const auto error = [](std::vector<std::string_view> args) { return Parse(args).error; };
  EXPECT_EQ(error({}),
            "cubepack-solutions: missing command: list, show, verify, count or merge (try --help)");
  EXPECT_EQ(error({"x"}), "cubepack-solutions: unknown command 'x' (try --help)");
  EXPECT_EQ(error({"-j", "2", "list"}), "cubepack-solutions: unknown option '-j' (try --help)");
  EXPECT_EQ(error({"list", "-j", "0"}),
            "cubepack-solutions: the number of jobs must be a whole number from 1 to 1024, not "
            "'0' (try --help)");
  EXPECT_EQ(error({"list", "-j"}), "cubepack-solutions: -j needs a number of jobs (try --help)");
  EXPECT_EQ(error({"list", "all"}), "cubepack-solutions: unexpected argument 'all' (try --help)");
  EXPECT_EQ(error({"show"}),
            "cubepack-solutions: show needs a packing number, or - to read a line from standard "
            "input (try --help)");
  for (const std::string_view n : {"0", "-1", "1.5", "x", "2x", "99999999999999999999", ""})
    EXPECT_EQ(error({"show", n}),
              "cubepack-solutions: the packing number must be a whole number "
              "from 1 up, not '" +
                  std::string(n) + "' (try --help)");
  EXPECT_EQ(error({"show", "1", "2"}), "cubepack-solutions: unexpected argument '2' (try --help)");
  EXPECT_EQ(error({"show", "1", "--png"}),
            "cubepack-solutions: unknown option '--png' (try --help)");
  EXPECT_EQ(error({"verify"}),
            "cubepack-solutions: verify needs a file, or - for standard input (try --help)");
  EXPECT_EQ(error({"verify", "a", "b"}),
            "cubepack-solutions: unexpected argument 'b' (try --help)");
  EXPECT_EQ(error({"show", "-", "--puzzle", "-"}),
            "cubepack-solutions: the packing line and the puzzle cannot both come from standard "
            "input (try --help)");
  EXPECT_EQ(error({"verify", "--puzzle", "-", "-"}),
            "cubepack-solutions: the listing and the puzzle cannot both come from standard input "
            "(try --help)");
  EXPECT_EQ(error({"--help", "list"}),
            "cubepack-solutions: unexpected argument 'list' (try --help)");
}

TEST(SolutionsCommandLine, ReadsTheJournalAndTheProgressSeconds) {
  const SolutionsOptions count =
      Parse({"count", "--puzzle", "p", "--journal=j", "--shard", "2/3", "--progress", "0.25"});
  EXPECT_EQ(count.error, "");
  EXPECT_EQ(count.journal, "j");
  EXPECT_EQ(count.progress, 0.25);
  EXPECT_EQ(Parse({"list", "--puzzle", "p", "--progress=60"}).progress, 60);
  const auto error = [](std::vector<std::string_view> args) { return Parse(args).error; };
  for (const std::string_view s : {"0", "-1", "x", "1e3", "nan", "inf", ""})
    EXPECT_EQ(error({"count", "--puzzle", "p", "--progress", s}),
              "cubepack-solutions: --progress needs a number of seconds above 0, not '" +
                  std::string(s) + "' (try --help)");
  EXPECT_EQ(error({"count", "--puzzle", "p", "--journal", "j", "--limit", "2"}),
            "cubepack-solutions: --limit and --journal cannot go together (try --help)");
  EXPECT_EQ(error({"count", "--puzzle", "p", "--journal", "j", "--journal", "k"}),
            "cubepack-solutions: --journal given twice (try --help)");
  EXPECT_EQ(error({"list", "--puzzle", "p", "--journal", "j"}),
            "cubepack-solutions: unknown option '--journal' (try --help)");
  EXPECT_EQ(error({"list", "--progress", "1"}),
            "cubepack-solutions: --progress needs --puzzle FILE (try --help)");
}

TEST(SolutionsCommandLine, ReadsTheMemorySize) {
  EXPECT_EQ(Parse({"count", "--puzzle", "p"}).memory, -1);
  EXPECT_EQ(Parse({"count", "--puzzle", "p", "--memory", "0"}).memory, 0);
  EXPECT_EQ(Parse({"count", "--puzzle", "p", "--memory=512M"}).memory, std::int64_t{512} << 20);
  EXPECT_EQ(Parse({"count", "--puzzle", "p", "--memory", "1048576G"}).memory,
            std::int64_t{1} << 50);
  for (const std::string_view s : {"", "M", "-1", "1.5G", "4g", "1T", "2097152G", "12 M"})
    EXPECT_EQ(Parse({"count", "--puzzle", "p", "--memory", s}).error,
              "cubepack-solutions: --memory needs a size such as 512M or 4G (0: none), not '" +
                  std::string(s) + "' (try --help)");
}

}  // namespace
}  // namespace cubepack
