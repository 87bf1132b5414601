// The ordered list shared by every list of the program: append, walk, count, remove all.

#include "model/ordered_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace cubepack {
namespace {

template <typename List>
std::vector<int> Walk(const List& list) {
  return {list.begin(), list.end()};
}

TEST(OrderedList, StartsEmpty) {
  const OrderedList<int, kListBlock> list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.begin(), list.end());
}

TEST(OrderedList, KeepsAppendOrderAcrossBlocks) {
  // 23 elements run over two block boundaries of 10.
  OrderedList<int, kListBlock> list;
  std::vector<int> expected;
  for (int k = 0; k < 23; ++k) {
    const int v = (k * 37) % 101;  // not sorted, so order can only come from appending
    list.Append(v);
    expected.push_back(v);
    EXPECT_EQ(list.Count(), k + 1);
  }
  EXPECT_EQ(Walk(list), expected);
  for (int k = 0; k < list.Count(); ++k) EXPECT_EQ(list[k], expected[k]) << "element " << k;
}

TEST(OrderedList, RemoveAllEmptiesAndTheListIsReusable) {
  OrderedList<int, kCandidateBlock> list;
  for (int k = 0; k < 12; ++k) list.Append(k);
  list.RemoveAll();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(Walk(list).empty());
  list.RemoveAll();  // emptying an empty list is harmless
  EXPECT_EQ(list.Count(), 0);

  // Refilled, it holds only the new elements, in their order.
  for (int k = 7; k > 0; --k) list.Append(k);
  EXPECT_EQ(Walk(list), (std::vector<int>{7, 6, 5, 4, 3, 2, 1}));
}

TEST(OrderedList, RemoveAllLeavesTheReferencedRecordsAlone) {
  // Lists of references never own what they point at.
  std::vector<int> records = {10, 20, 30};
  OrderedList<const int*, kListBlock> list;
  for (const int& r : records) list.Append(&r);
  EXPECT_EQ(*list[2], 30);
  list.RemoveAll();
  EXPECT_EQ(records, (std::vector<int>{10, 20, 30}));
}

TEST(OrderedList, DuplicatesAreKept) {
  OrderedList<int, kListBlock> list;
  list.Append(4);
  list.Append(4);
  list.Append(2);
  list.Append(4);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(Walk(list), (std::vector<int>{4, 4, 2, 4}));
}

}  // namespace
}  // namespace cubepack
