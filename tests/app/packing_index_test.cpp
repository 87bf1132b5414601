// The packing index's file is trusted only as it was written: with its cache folder's secret,
// for its own key and task count, whole, every byte as it was. Anything else reads as no index,
// which is then counted anew; so is one whose board listed holds another number of packings
// than it says.

#include "app/packing_index.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "builtin/model/board.h"
#include "shared/index_file.h"
#include "shared/platform.h"
#include "shared/siphash.h"
#include "support/test_support.h"

namespace cubepack {

using namespace cubepack::builtin;
namespace {

constexpr std::uint64_t kKey = 0x0123456789abcdefULL;
const std::string kSecret = "0123456789abcdef";

// The published test vectors: the empty message and 15 bytes 00..0e under key 00..0f.
TEST(PackingIndexFile, SignsWithSipHash24) {
  std::string key, message;
  for (int i = 0; i < 16; ++i) key += static_cast<char>(i);
  for (int i = 0; i < 15; ++i) message += static_cast<char>(i);
  EXPECT_EQ(SipHash24(key, ""), 0x726fdb47dd0e0e31u);
  EXPECT_EQ(SipHash24(key, message), 0xa129ca6149be45e5u);
}

TEST(PackingIndexFile, ReadsBackOnlyWhatWasWrittenForTheSameTasks) {
  const std::vector<std::uint32_t> counts = {0, 7, 70000, 0, 1, 0xffffffffu};
  const std::string bytes = EncodeIndex(kSecret, kKey, 9, counts);
  std::vector<std::uint32_t> read;
  ASSERT_TRUE(DecodeIndex(bytes, kSecret, kKey, 9, read));
  EXPECT_EQ(read, counts);
  // An index of no task yet, and one of every task.
  EXPECT_TRUE(DecodeIndex(EncodeIndex(kSecret, kKey, 9, {}), kSecret, kKey, 9, read));
  EXPECT_TRUE(read.empty());
  EXPECT_TRUE(DecodeIndex(EncodeIndex(kSecret, kKey, 6, counts), kSecret, kKey, 6, read));
  EXPECT_EQ(read, counts);

  // Another key or task count: another search's file.
  EXPECT_FALSE(DecodeIndex(bytes, kSecret, kKey ^ 1, 9, read));
  EXPECT_FALSE(DecodeIndex(bytes, kSecret, kKey, 8, read));
  EXPECT_FALSE(DecodeIndex(bytes, kSecret, kKey, 10, read));
  // More tasks counted than there are.
  EXPECT_FALSE(DecodeIndex(EncodeIndex(kSecret, kKey, 5, counts), kSecret, kKey, 5, read));
  EXPECT_TRUE(read.empty());
  // Another cache folder's: whoever wrote it, it was not this one's runs.
  EXPECT_FALSE(DecodeIndex(bytes, "0123456789abcdeF", kKey, 9, read));

  // Cut short anywhere, longer, or any bit of any byte changed.
  for (std::size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(DecodeIndex(bytes.substr(0, size), kSecret, kKey, 9, read)) << "cut to " << size;
  EXPECT_FALSE(DecodeIndex(bytes + '\0', kSecret, kKey, 9, read));
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string changed = bytes;
      changed[at] = static_cast<char>(changed[at] ^ (1 << bit));
      EXPECT_FALSE(DecodeIndex(changed, kSecret, kKey, 9, read)) << "byte " << at << " bit " << bit;
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

std::filesystem::path ScratchFolder() {
  return std::filesystem::temp_directory_path() /
         ("cubepack_index_test_" +
          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
}

// The counts of the built-in listing's index in folder `dir`, read with its own secret.
std::vector<std::uint32_t> SavedCounts(const std::string& dir) {
  const SearchScript script = RecordScript(testing::SharedCatalogue(), MakeEmptyBox());
  SetCacheFolder(dir);
  return LoadIndex(IndexKey(script), script.tasks.size());
}

// A file signed with the folder's secret whose counts are not the search's: it says the first
// board holds one packing. Packing 1 is still the listing's, and the file is counted anew, as a
// cache folder of its own counts it.
TEST(PackingIndex, OneTheListedBoardDisagreesWithIsCountedAnew) {
  const std::filesystem::path root = ScratchFolder();
  const std::string sound = (root / "sound").string();
  SetCacheFolder(sound);
  Packing first{};
  ASSERT_TRUE(FindPacking(1, first));
  const std::vector<std::uint32_t> soundCounts = SavedCounts(sound);
  ASSERT_FALSE(soundCounts.empty());

  const std::string wrong = (root / "wrong").string();
  const SearchScript script = RecordScript(testing::SharedCatalogue(), MakeEmptyBox());
  const std::uint64_t key = IndexKey(script);
  MakeFolders(wrong);
  std::string secret;
  ASSERT_TRUE(CacheSecret(wrong, true, secret));
  SetCacheFolder(wrong);
  SaveIndex(key, script.tasks.size(), {1});
  ASSERT_EQ(LoadIndex(key, script.tasks.size()), std::vector<std::uint32_t>{1});
  Packing found{};
  EXPECT_TRUE(FindPacking(1, found));
  EXPECT_EQ(found, first);
  EXPECT_EQ(SavedCounts(wrong), soundCounts);
  std::filesystem::remove_all(root);
}

// The board listed holds as many packings as a file says, but a board before it does not: the
// file moves packing N onto the next board's first. A file not signed with this folder's secret
// (edited by hand, by another tool or another version) is not read, so packing N stays itself.
TEST(PackingIndex, AFileNotSignedHereIsNotReadWhateverItsCounts) {
  const std::filesystem::path root = ScratchFolder();
  const std::string dir = (root / "cache").string();
  SetCacheFolder(dir);
  Packing packing{}, next{};
  ASSERT_TRUE(FindPacking(1, packing));
  std::vector<std::uint32_t> counts = SavedCounts(dir);
  ASSERT_FALSE(counts.empty());
  const std::size_t board = counts.size() - 1;  // the first that holds packings
  std::int64_t last = 0;
  for (const std::uint32_t c : counts) last += c;
  ASSERT_TRUE(FindPacking(last + 1, next));
  ASSERT_TRUE(FindPacking(last, packing));
  counts = SavedCounts(dir);
  ASSERT_GT(counts.size(), board + 1);

  const SearchScript script = RecordScript(testing::SharedCatalogue(), MakeEmptyBox());
  --counts[board];
  std::string name;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().filename().string().starts_with("packing-index-"))
      name = entry.path().filename().string();
  ASSERT_TRUE(ReplaceFileContents(
      dir, name, EncodeIndex("another secret!!", IndexKey(script), script.tasks.size(), counts)));
  EXPECT_TRUE(SavedCounts(dir).empty());
  Packing found{};
  ASSERT_TRUE(FindPacking(last, found));
  EXPECT_EQ(found, packing);
  EXPECT_NE(found, next);
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace cubepack
