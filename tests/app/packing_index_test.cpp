// The packing index's file is trusted only as it was written: for its own key and task count,
// whole, every byte as it was. Anything else reads as no index, which is then counted anew; so
// is one whose board listed holds another number of packings than it says.

#include "app/packing_index.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/platform.h"
#include "model/board.h"
#include "support/test_support.h"

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

void SetCacheFolder(const std::string& dir) {
#if defined(_WIN32)
  _putenv_s("CUBEPACK_CACHE_DIR", dir.c_str());
#else
  setenv("CUBEPACK_CACHE_DIR", dir.c_str(), 1);
#endif
}

// A sound file whose counts are not the search's: it says the first board holds one packing.
// Packing 1 is still the listing's, and the file is counted anew, as a cache folder of its own
// counts it.
TEST(PackingIndex, OneTheListedBoardDisagreesWithIsCountedAnew) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() /
      ("cubepack_index_test_" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string sound = (root / "sound").string();
  SetCacheFolder(sound);
  Packing first{};
  ASSERT_TRUE(FindPacking(1, first));
  const std::string name = fs::directory_iterator(sound)->path().filename().string();
  std::string soundBytes;
  ASSERT_TRUE(ReadSmallFile(PathIn(sound, name), 1 << 20, soundBytes));

  const std::string wrong = (root / "wrong").string();
  const SearchScript script = RecordScript(testing::SharedCatalogue(), MakeEmptyBox());
  ASSERT_TRUE(
      ReplaceFileContents(wrong, name, EncodeIndex(IndexKey(script), script.tasks.size(), {1})));
  SetCacheFolder(wrong);
  Packing found{};
  EXPECT_TRUE(FindPacking(1, found));
  EXPECT_EQ(found, first);
  std::string bytes;
  EXPECT_TRUE(ReadSmallFile(PathIn(wrong, name), 1 << 20, bytes));
  EXPECT_EQ(bytes, soundBytes);
  fs::remove_all(root);
}

}  // namespace
}  // namespace cubepack
