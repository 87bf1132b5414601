// The real standard-output sink makes every write visible at once: a person watches progress
// lines that end in a lone "\r", which line buffering would hold back, and a pipe would hold
// back everything. The cache's files are written whole or not at all.

#include "shared/platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cubepack {

namespace {

// Standard output turned into a pipe for the life of the object.
class StdoutPipe {
 public:
  StdoutPipe() {
    std::fflush(stdout);
    if (pipe(fds_) != 0) return;
    saved_ = dup(STDOUT_FILENO);
    dup2(fds_[1], STDOUT_FILENO);
  }
  ~StdoutPipe() {
    std::fflush(stdout);
    if (saved_ >= 0) dup2(saved_, STDOUT_FILENO), close(saved_);
    close(fds_[0]);
    close(fds_[1]);
  }
  bool ok() const { return saved_ >= 0; }
  // What the reader can take now, without waiting for more.
  std::string Available() {
    std::string got;
    pollfd p{fds_[0], POLLIN, 0};
    char buffer[256];
    while (poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0) {
      const ssize_t n = read(fds_[0], buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  int fds_[2] = {-1, -1};
  int saved_ = -1;
};

TEST(StdoutSink, EveryLineReachesAPipeBeforeTheNextIsWritten) {
  std::string seen[3];
  {
    StdoutPipe out;
    ASSERT_TRUE(out.ok());
    StdoutSink sink;
    sink.Write("CheckSym = false\r\n");
    seen[0] = out.Available();
    sink.Write(" 0 (0) 6 (1) 4 (3) L:5130  (1.02 s 5029.41 L/s)  \r");
    seen[1] = out.Available();
    sink.Write("\r\n L\xF6sungen : 1 0.01 Sekunden 100.00 Loesungen/Sek");
    seen[2] = out.Available();
    EXPECT_TRUE(sink.Finish());
  }
  EXPECT_EQ(seen[0], "CheckSym = false\r\n");
  EXPECT_EQ(seen[1], " 0 (0) 6 (1) 4 (3) L:5130  (1.02 s 5029.41 L/s)  \r");
  EXPECT_EQ(seen[2], "\r\n L\xF6sungen : 1 0.01 Sekunden 100.00 Loesungen/Sek");
}

// What stands at a cache file's name is read only when it is a regular file: a FIFO would hold
// the run until someone writes to it, a link lead anywhere. A folder others may write in is not
// used at all, and a file for this user alone must be one.
TEST(CacheFile, ReadsOnlyRegularFilesInAPrivateFolder) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() /
      ("cubepack_private_test_" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string dir = root.string();
  MakeFolders(dir);
  EXPECT_TRUE(IsPrivateFolder(dir));
  ASSERT_TRUE(ReplaceFileContents(dir, "index", "counts"));
  std::string bytes;
  EXPECT_TRUE(ReadPrivateFile(PathIn(dir, "index"), 100, bytes));
  EXPECT_EQ(bytes, "counts");

  ASSERT_EQ(mkfifo(PathIn(dir, "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(ReadSmallFile(PathIn(dir, "fifo"), 100, bytes));
  ASSERT_EQ(symlink(PathIn(dir, "index").c_str(), PathIn(dir, "link").c_str()), 0);
  EXPECT_FALSE(ReadSmallFile(PathIn(dir, "link"), 100, bytes));
  ASSERT_EQ(chmod(PathIn(dir, "index").c_str(), 0640), 0);
  EXPECT_TRUE(ReadSmallFile(PathIn(dir, "index"), 100, bytes));
  EXPECT_FALSE(ReadPrivateFile(PathIn(dir, "index"), 100, bytes));

  // Made once: a second writer leaves the first one's bytes.
  EXPECT_TRUE(CreateFileOnce(dir, "secret", "first"));
  EXPECT_FALSE(CreateFileOnce(dir, "secret", "second"));
  EXPECT_TRUE(ReadPrivateFile(PathIn(dir, "secret"), 100, bytes));
  EXPECT_EQ(bytes, "first");
  EXPECT_FALSE(CreateFileOnce(dir, "fifo", "third"));

  ASSERT_EQ(chmod(dir.c_str(), 0770), 0);
  EXPECT_FALSE(IsPrivateFolder(dir));
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  EXPECT_TRUE(IsPrivateFolder(dir));
  EXPECT_FALSE(IsPrivateFolder(PathIn(dir, "index")));
  // Another user's folder (only root can give one away: CI runs as root).
  if (geteuid() == 0) {
    ASSERT_EQ(chown(dir.c_str(), 65534, static_cast<gid_t>(-1)), 0);
    EXPECT_FALSE(IsPrivateFolder(dir));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 4);
  fs::remove_all(root);
}

}  // namespace
}  // namespace cubepack
#endif

// The cache's files: written where the folders do not exist yet, replaced whole, read back
// within a size limit, and no temporary file left behind, whether the write succeeds or not.
namespace cubepack {
namespace {

TEST(CacheFile, IsReplacedWholeAndLeavesNoTemporaryFile) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() /
      ("cubepack_cache_test_" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string dir = (root / "a" / "b").string();
  const auto entries = [&] {
    return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
  };
  std::string bytes;

  ASSERT_TRUE(ReplaceFileContents(dir, "index", "first"));
  ASSERT_TRUE(ReplaceFileContents(dir, "index", std::string("sec\0nd", 6)));
  EXPECT_TRUE(ReadSmallFile(PathIn(dir, "index"), 6, bytes));
  EXPECT_EQ(bytes, std::string("sec\0nd", 6));
  EXPECT_FALSE(ReadSmallFile(PathIn(dir, "index"), 5, bytes));
  EXPECT_FALSE(ReadSmallFile(PathIn(dir, "none"), 5, bytes));
  EXPECT_EQ(entries(), 1);

  // A folder that cannot be made (below a file), and a name that a folder holds: the
  // temporary file is written in the second case, and must go.
  EXPECT_FALSE(ReplaceFileContents(PathIn(PathIn(dir, "index"), "c"), "index", "third"));
  fs::create_directory(PathIn(dir, "taken"));
  EXPECT_FALSE(ReplaceFileContents(dir, "taken", "third"));
  EXPECT_EQ(entries(), 2);
  fs::remove_all(root);
}

}  // namespace
}  // namespace cubepack
