// verify on listings made of packings found by the tests' own packer: what it accepts, and the
// line and the words of the first fault.

#include "app/solution_verify.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_packings.h"

namespace cubepack {

using namespace cubepack::builtin;
namespace {

using testing::TestPackings;

std::string Line(const Packing& p) { return FormatPackingLine(p); }

// The fault after the whole text, fed in pieces of `chunk` bytes; "" when the listing is good.
std::string Verify(const std::string& text, std::size_t chunk = 7) {
  ListingVerifier v("list.txt");
  for (std::size_t at = 0; at < text.size(); at += chunk)
    if (!v.Feed(std::string_view(text).substr(at, chunk))) return v.fault();
  return v.Finish() ? "" : v.fault();
}

TEST(Verify, AcceptsDistinctPackingsWithAnyLineEnd) {
  const auto& p = TestPackings(3);
  ASSERT_EQ(p.size(), 3u);
  const std::string unix = Line(p[0]) + Line(p[1]) + Line(p[2]);
  ListingVerifier v("list.txt");
  ASSERT_TRUE(v.Feed(unix));
  ASSERT_TRUE(v.Finish());
  EXPECT_EQ(v.packings(), 3);
  EXPECT_EQ(Verify(unix, 1), "");
  EXPECT_EQ(Verify(unix.substr(0, unix.size() - 1)), "");  // no line end at the end
  std::string windows;
  for (const Packing& q : p) windows += Line(q).substr(0, 60) + "\r\n";
  EXPECT_EQ(Verify(windows), "");
  EXPECT_EQ(Verify(windows.substr(0, windows.size() - 1)), "");
}

TEST(Verify, NamesTheLineOfARepeatOrAHalfTurn) {
  const auto& p = TestPackings(2);
  const std::string two = Line(p[0]) + Line(p[1]);
  EXPECT_EQ(Verify(two + Line(p[1])), "line 3: same packing as line 2");
  EXPECT_EQ(Verify(two + Line(testing::HalfTurned(p[0], 0))),
            "line 3: line 1 turned by a half turn about x");
  EXPECT_EQ(Verify(two + Line(testing::HalfTurned(p[0], 1))),
            "line 3: line 1 turned by a half turn about y");
  EXPECT_EQ(Verify(Line(testing::HalfTurned(p[1], 2)) + two),
            "line 3: line 1 turned by a half turn about z");
}

TEST(Verify, NamesTheLineOfABadPacking) {
  const auto& p = TestPackings(2);
  const std::string first = Line(p[0]);
  std::string swapped = Line(p[1]);
  std::swap(swapped[0], swapped[2]);
  EXPECT_EQ(Verify(first + swapped), "line 2: piece 0 is not in one of its rotations");
  // Mirrored, the chiral four-cube piece is not one of its rotations; the rest still fit.
  EXPECT_EQ(Verify(first + Line(testing::MirroredX(p[1]))),
            "line 2: piece 11 is not in one of its rotations");
  EXPECT_EQ(Verify(first + first.substr(1)), "line 2: 59 characters, not 60");
  EXPECT_EQ(Verify(first + "\n" + Line(p[1])), "line 2: 0 characters, not 60");
  EXPECT_EQ(Verify(first + first.substr(0, 30) + "\r" + first.substr(30)),
            "line 2: character 31 is byte 0x0D, not 0-9 or A-B");
  EXPECT_EQ(Verify(first + first.substr(0, 59) + "\r\r\n"),
            "line 2: character 60 is byte 0x0D, not 0-9 or A-B");
  EXPECT_EQ(Verify(first + "\x89PNG\r\n\x1a\n"),
            "line 2: character 1 is byte 0x89, not 0-9 or A-B");
  EXPECT_EQ(Verify(""), "list.txt: no packings");
}

TEST(Verify, StopsALongLineAtItsSixtyFirstCharacter) {
  ListingVerifier v("list.txt");
  EXPECT_FALSE(v.Feed(std::string(1000, '1')));
  EXPECT_EQ(v.fault(), "line 1: more than 60 characters");
  EXPECT_FALSE(v.Feed("more"));  // and reads no further
  EXPECT_FALSE(v.Finish());
  EXPECT_EQ(v.fault(), "line 1: more than 60 characters");
}

}  // namespace
}  // namespace cubepack
