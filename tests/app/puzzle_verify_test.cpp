// verify of a puzzle file's listing: the listing accepted, and a repeat, a turned or reflected
// repeat, a swapped pair of cells and a mirrored chiral piece each named on their line.

#include "app/puzzle_verify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/listed_puzzle.h"

namespace cubepack {

using namespace cubepack::general;
namespace {

using testing::ListedPuzzle;

ListedPuzzle Make(const std::string& file, bool mirror) {
  return testing::MakeListedPuzzle(testing::PuzzleFileText(file), mirror);
}

std::string Listing(const ListedPuzzle& b) { return testing::ListingOf(b, 2); }

// The fault after the whole text, fed in pieces of 7 bytes; "" when the listing is good.
std::string Verify(const ListedPuzzle& b, const std::string& text) {
  PuzzleListingVerifier v("list.txt", b.build.puzzle, b.format);
  for (std::size_t at = 0; at < text.size(); at += 7)
    if (!v.Feed(std::string_view(text).substr(at, 7))) return v.fault();
  return v.Finish() ? "" : v.fault();
}

TEST(PuzzleVerify, AcceptsTheListingAndNamesEachFault) {
  const ListedPuzzle b = Make("pentominoes-6x10.txt", false);
  const std::string listing = Listing(b);
  EXPECT_EQ(Verify(b, listing), "");
  EXPECT_EQ(Verify(b, ""), "list.txt: no packings");
  const std::string first = listing.substr(0, 61), second = listing.substr(61, 61);
  // The half turn about z reverses a one-layer line; the turn over about y mirrors each row.
  std::string turned = first.substr(0, 60), over = turned;
  std::reverse(turned.begin(), turned.end());
  for (int y = 0; y < 10; ++y) std::reverse(over.begin() + 6 * y, over.begin() + 6 * y + 6);
  EXPECT_EQ(Verify(b, first + second + first), "line 3: same packing as line 1");
  EXPECT_EQ(Verify(b, first + second + turned + "\n"),
            "line 3: line 1 turned by (x, y, z) -> (-x, -y, z)");
  EXPECT_EQ(Verify(b, second + first + over), "line 3: line 2 turned by (x, y, z) -> (-x, y, -z)");
  std::string swapped = second;
  for (int k = 1; k < 60; ++k)
    if (swapped[k] != swapped[0]) {
      std::swap(swapped[0], swapped[k]);
      break;
    }
  EXPECT_NE(Verify(b, first + swapped).find("line 2: piece "), std::string::npos);
  EXPECT_NE(Verify(b, first + swapped).find(" is not in one of its rotations"), std::string::npos);
}

TEST(PuzzleVerify, TheSomaCubesMirrorImagesAreRefusedOrSameClassWithMirror) {
  const ListedPuzzle plain = Make("soma-3x3x3.txt", false);
  const std::string first = Listing(plain).substr(0, 28);
  // Mirrored in x: A and B become each other's shapes.
  std::string mirrored = first;
  for (int row = 0; row < 9; ++row) std::swap(mirrored[3 * row], mirrored[3 * row + 2]);
  std::string relabelled = mirrored;
  for (char& c : relabelled) c = c == 'A' ? 'B' : c == 'B' ? 'A' : c;
  EXPECT_EQ(Verify(plain, first + mirrored),
            "line 2: piece A is its mirror image, not one of its rotations");
  EXPECT_EQ(Verify(plain, first + relabelled), "");  // another class without --mirror
  const ListedPuzzle mirror = Make("soma-3x3x3.txt", true);
  EXPECT_EQ(Verify(mirror, first + relabelled),
            "line 2: line 1 reflected by (x, y, z) -> (-x, y, z)");
}

}  // namespace
}  // namespace cubepack
