// The packing index's file is trusted only as it was written: for its own key and task count,
// whole, every byte as it was. Anything else reads as no index, which is then counted anew.

#include "app/packing_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cubepack {
namespace {

constexpr std::uint64_t kKey = 0x0123456789abcdefULL;

TEST(PackingIndexFile, ReadsBackOnlyWhatWasWrittenForTheSameTasks) {
  const std::vector<std::uint32_t> counts = {0, 7, 70000, 0, 1, 0xffffffffu};
  const std::string bytes = EncodeIndex(kKey, 9, counts);
  std::vector<std::uint32_t> read;
  ASSERT_TRUE(DecodeIndex(bytes, kKey, 9, read));
  EXPECT_EQ(read, counts);
  // An index of no task yet, and one of every task.
  EXPECT_TRUE(DecodeIndex(EncodeIndex(kKey, 9, {}), kKey, 9, read));
  EXPECT_TRUE(read.empty());
  EXPECT_TRUE(DecodeIndex(EncodeIndex(kKey, 6, counts), kKey, 6, read));
  EXPECT_EQ(read, counts);

  // Another key or task count: another search's file.
  EXPECT_FALSE(DecodeIndex(bytes, kKey ^ 1, 9, read));
  EXPECT_FALSE(DecodeIndex(bytes, kKey, 8, read));
  EXPECT_FALSE(DecodeIndex(bytes, kKey, 10, read));
  // More tasks counted than there are.
  EXPECT_FALSE(DecodeIndex(EncodeIndex(kKey, 5, counts), kKey, 5, read));
  EXPECT_TRUE(read.empty());

  // Cut short anywhere, longer, or any bit of any byte changed.
  for (std::size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(DecodeIndex(bytes.substr(0, size), kKey, 9, read)) << "cut to " << size;
  EXPECT_FALSE(DecodeIndex(bytes + '\0', kKey, 9, read));
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string changed = bytes;
      changed[at] = static_cast<char>(changed[at] ^ (1 << bit));
      EXPECT_FALSE(DecodeIndex(changed, kKey, 9, read)) << "byte " << at << " bit " << bit;
      EXPECT_TRUE(read.empty());
    }
  }
}

}  // namespace
}  // namespace cubepack
