// count's JSON line and merge's reading of it: a share comes back as it was written, and a
// share that anyone else wrote is refused in one line before any of it is used.

#include "app/count_json.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "shared/engine_version.h"

namespace cubepack {

namespace {

CountRecord Share() {
  CountRecord r;
  r.puzzle = "fa1b05dc553c8a28";
  r.name = "W\xc3\xbcrfel \"12\"\t\xf0\x9f\xa7\x8a";
  r.cells = 60;
  r.pieces = 12;
  r.placements = 2056;
  r.symmetries = 4;
  r.mirror = true;
  r.seconds = 1.5;
  r.shardIndex = 1;
  r.shardCount = 3;
  r.engine = std::string(kEngineVersion);
  r.taskList = "0123456789abcdef";
  r.tasks = 5000;
  r.fixedWeighted = 18712;
  r.firstPieceCopies = 1;
  r.cellFixingSymmetries = 1;
  r.invariant = 40;
  return r;
}

TEST(CountJson, WritesValidJsonOfAnyName) {
  EXPECT_EQ(JsonString("a\"b\\c\td\x1b\x7f"), R"("a\"b\\c\u0009d\u001b\u007f")");
  // UTF-8 passes as it is; a byte of none becomes U+FFFD, so the line stays valid JSON.
  EXPECT_EQ(JsonString("\xc3\xa9\xe2\x9c\x93 \xe9t\xc3 \xed\xa0\x80"),
            "\"\xc3\xa9\xe2\x9c\x93 \\ufffdt\\ufffd \\ufffd\\ufffd\\ufffd\"");
}

TEST(CountJson, ReadsBackTheShareItWrote) {
  const std::string line = FormatCountJson(Share());
  EXPECT_EQ(line.find("\"shard\":\"2/3\",\"engine\":\"" + std::string(kEngineVersion) +
                      "\",\"task_list\":\"0123456789abcdef\","),
            line.find("\"shard\""));
  CountRecord r;
  std::string error;
  ASSERT_TRUE(ParseShareJson(line, r, error)) << error;
  EXPECT_EQ(FormatCountJson(r), line);
  EXPECT_EQ(r.name, Share().name);

  // Escapes another writer may use; a character past U+FFFF as two surrogates.
  std::string escaped = line;
  const std::string name = "\"name\":" + JsonString(Share().name);
  escaped.replace(escaped.find(name), name.size(), R"("name":"\u00E9\ud83e\uddca\/\"\\\t")");
  ASSERT_TRUE(ParseShareJson(escaped, r, error)) << error;
  EXPECT_EQ(r.name, "\xc3\xa9\xf0\x9f\xa7\x8a/\"\\\t");
}

// A share of a count with --disassemble carries its classes and its levels, in the order of
// their numbers; levels that are no level texts, or that do not add up, are refused.
TEST(CountJson, ReadsBackTheLevelsOfAShare) {
  CountRecord share = Share();
  share.disassembled = true;
  share.classes = 9;
  share.solutionsDisassembled = 7;
  share.levels = {{"10.2", 1}, {"2.2", 2}, {"2", 3}, {"9", 1}};
  const std::string line = FormatCountJson(share);
  EXPECT_NE(line.find(R"("solutions_disassembled":7,"levels":{"2":3,"2.2":2,"9":1,"10.2":1})"),
            std::string::npos)
      << line;
  CountRecord r;
  std::string error;
  ASSERT_TRUE(ParseShareJson(line, r, error)) << error;
  EXPECT_EQ(FormatCountJson(r), line);
  for (const auto& [from, to, fault] : std::vector<std::array<std::string, 3>>{
           {R"("9":1)", R"("9":2)", "\"levels\" do not add up to \"solutions_disassembled\""},
           {R"("9":1)", R"("9.":1)", "bad \"levels\": '9.'"},
           {R"("9":1)", R"("x":1)", "bad \"levels\": 'x'"},
           {R"("9":1)", R"("9":{"a":1})", "not a JSON object of count"}}) {
    std::string bad = line;
    bad.replace(bad.find(from), from.size(), to);
    EXPECT_FALSE(ParseShareJson(bad, r, error)) << bad;
    EXPECT_EQ(error, fault) << bad;
  }
}

// Sums past 2^64 go out and come back with every digit (a double or a 64-bit reading would
// round or refuse them); one past 2^128 - 1 is refused, never wrapped.
TEST(CountJson, SumsPast64BitsKeepEveryDigit) {
  CountRecord share = Share();
  share.fixedWeighted = (BigCount{1} << 100) + 7;
  share.invariant = ~BigCount{0};
  share.mirrorSome = true;
  share.rotations = 2;
  share.fixedWeightedImaged = BigCount{1} << 64;
  share.invariantImaged = 0;
  share.invariantReflections = (BigCount{1} << 127) + 1;
  const std::string line = FormatCountJson(share);
  EXPECT_NE(line.find(",\"fixed_weighted\":1267650600228229401496703205383,"), std::string::npos)
      << line;
  EXPECT_NE(line.find(",\"invariant\":340282366920938463463374607431768211455,"), std::string::npos)
      << line;
  CountRecord r;
  std::string error;
  ASSERT_TRUE(ParseShareJson(line, r, error)) << error;
  EXPECT_EQ(r.fixedWeighted, share.fixedWeighted);
  EXPECT_EQ(r.invariant, share.invariant);
  EXPECT_EQ(r.fixedWeightedImaged, share.fixedWeightedImaged);
  EXPECT_EQ(r.invariantReflections, share.invariantReflections);
  EXPECT_EQ(FormatCountJson(r), line);

  std::string past = line;
  const std::string largest = "340282366920938463463374607431768211455";
  past.replace(past.find(largest), largest.size(), "340282366920938463463374607431768211456");
  EXPECT_FALSE(ParseShareJson(past, r, error));
  EXPECT_EQ(error, "bad \"invariant\": past 2^128 - 1");

  // A whole count as plain JSON integers.
  CountRecord whole;
  whole.solutionsFixed = (BigCount{132537685809} << 64) + 10543506598402953472u;
  whole.solutions = whole.solutionsFixed / 8;
  EXPECT_NE(FormatCountJson(whole).find(",\"solutions\":305611096281361599475259896352,"
                                        "\"solutions_fixed\":2444888770250892795802079170816,"),
            std::string::npos)
      << FormatCountJson(whole);
}

TEST(CountJson, RefusesASharesFaultInOneLine) {
  const std::string line = FormatCountJson(Share());
  // `line` with `from` replaced by `to`.
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string s = line;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  const std::string bad = "bad \"shard\": not K/N with 1 <= K <= N <= 1000000";
  const std::string engine = std::string("\"engine\":\"") + kEngineVersion + "\",";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {with("\"2/3\"", "\"1/2000000000\""), bad},
      {with("\"2/3\"", "\"1/3x\""), bad},
      {with("\"2/3\"", "\"0/3\""), bad},
      {with("\"2/3\"", "\" 1/3\""), bad},
      {with("\"W", "\"\\qW"), "a bad escape in a JSON string"},
      {with("\"W", "\"\\u00eW"), "a bad escape in a JSON string"},
      {with("\"W", "\"\\udc00W"), "a bad escape in a JSON string"},
      {with("\"W", "\"\\ud83eW"), "a bad escape in a JSON string"},
      {with("\"W", "\"\x01W"), "a control character in a JSON string"},
      {with("\"W", "\"\\u001b[2JW"), "a control character in \"name\""},
      {with("\"W", "\"\xe9W"), "not UTF-8 text"},
      {with(engine, "\"engine\":\"0\","),
       "a share of another engine version (this program's is " + std::string(kEngineVersion) + ")"},
      {with(engine, ""),
       "a share of another engine version (this program's is " + std::string(kEngineVersion) + ")"},
      {with("\"task_list\":\"0123456789abcdef\",", ""), "no \"task_list\""},
      {with("\"fa1b05dc553c8a28\"", "\"fa1b05dc553c8a2\\\"\""), "bad \"puzzle\""},
      {with("\"mirror\":true", "\"mirror\":yes"), "no \"mirror\" of true or false"},
      {with("\"seconds\":1.500", "\"seconds\":-1"), "bad \"seconds\""},
      {with("\"tasks\":5000", "\"tasks\":5000x"), "bad \"tasks\""},
      {with("}", "} x"), "not a JSON object of count"},
  };
  for (const auto& c : cases) {
    CountRecord r;
    std::string error;
    EXPECT_FALSE(ParseShareJson(c.text, r, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

}  // namespace
}  // namespace cubepack
