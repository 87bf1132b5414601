#pragma once
// The program's only contacts with the platform: a 32-bit millisecond tick counter and a byte
// sink for standard output, both interfaces so that tests can drive a whole run; and what
// cubepack-solutions asks of its standard input and output and of its cache folder.

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cubepack {

// A millisecond counter that wraps at 2^32, like the Windows tick count.
class TickSource {
 public:
  virtual ~TickSource() = default;
  virtual std::uint32_t GetTickCount() = 0;
};

// Thrown when standard output cannot be written: the run stops, since nobody can see it.
class OutputError : public std::runtime_error {
 public:
  OutputError() : std::runtime_error("cannot write to standard output") {}
};

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Writes the bytes and makes them visible at once: progress lines end in a lone "\r", which
  // line buffering would hold back. Throws OutputError when the bytes cannot be written.
  virtual void Write(std::string_view bytes) = 0;
};

// The steady clock in milliseconds, truncated to 32 bits.
class SteadyTickSource final : public TickSource {
 public:
  std::uint32_t GetTickCount() override;
};

// Standard output in binary mode; every write is flushed.
class StdoutSink final : public OutputSink {
 public:
  StdoutSink();
  void Write(std::string_view bytes) override;
  // Flushes what is left and reports whether everything reached the stream.
  bool Finish();

 private:
  std::FILE* out_;
};

// Writes `text` to standard output and flushes it. Returns the exit status: 0, or 1 after
// "<program>: cannot write to standard output" on standard error.
int WriteOut(const char* program, std::string_view text);

// Standard input in binary mode, so a listing's bytes arrive unchanged ("\r\n" included).
void UseBinaryStdin();

// True when standard output is a terminal and NO_COLOR is unset or empty (no-color.org: any
// non-empty value turns colour off).
bool ColourWanted();

// True when standard error is a terminal, where a progress line can overwrite itself.
bool StderrIsTerminal();

// The folder of cubepack-solutions' per-user cache: CUBEPACK_CACHE_DIR when set, else
// %LOCALAPPDATA%\cubepack on Windows, $XDG_CACHE_HOME/cubepack (an absolute path) or
// ~/.cache/cubepack elsewhere; "" when none of them is known.
std::string CacheDirectory();

// File `name` in folder `dir`.
std::string PathIn(const std::string& dir, const std::string& name);

// Makes folder `dir` and those above it where absent, for this user alone. Failures show when
// the folder is used.
void MakeFolders(const std::string& dir);

// True when folder `dir` may hold the cache: a folder (through links) that this user owns and
// no one else may write in; anyone who may write there could plant any file. On Windows, any
// folder.
bool IsPrivateFolder(const std::string& dir);

// Whose file is read: a user's own (any file that can be read: a FIFO of <(command) too), or a
// cache file (a regular file, never through a symbolic link: a FIFO would block the run, a
// device never end), or a cache file this user alone may read and write (on Windows, any
// regular file).
enum class FileKind { kUsers, kCache, kPrivate };

// The bytes of file `path` into `bytes`, at most `limit`; false with a one-line `error` (e.g.
// "cannot open 'f': No such file or directory", "'f' has more than 65536 bytes") when it cannot
// be opened or read, is not of `kind`, or holds more.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes,
                   std::string& error, FileKind kind = FileKind::kUsers);
// A cache file, and a private one: false for anything amiss, which needs no word.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes);
bool ReadPrivateFile(const std::string& path, std::size_t limit, std::string& bytes);

// All of standard input, at most `limit` bytes, into `bytes`; false with a one-line `error`.
bool ReadStandardInput(std::size_t limit, std::string& bytes, std::string& error);

// Writes `bytes` as file `name` in folder `dir` (made when absent) through a temporary file
// renamed over it, so that a reader, or a run writing the same file at the same time, meets the
// old file or a new one whole. The temporary file is new (never a link or a file that was
// there) and for this user alone. False when anything fails; the temporary file is then removed.
bool ReplaceFileContents(const std::string& dir, const std::string& name, std::string_view bytes);

// Writes `bytes` as file `name` in folder `dir`, for this user alone, unless a file of that
// name is there: then it is left as it is, whatever a run at the same time wrote. A reader meets
// the file whole or none. True when this call wrote it.
bool CreateFileOnce(const std::string& dir, const std::string& name, std::string_view bytes);

// `count` unpredictable bytes from the system into `bytes`; false when it gives none.
bool RandomBytes(std::size_t count, std::string& bytes);

// The machine's physical memory in bytes; 0 when the platform does not say.
std::uint64_t PhysicalMemoryBytes();

// A file that grows by records, each on the disk when Append returns, so that a run killed or a
// machine stopped keeps all it wrote (count's journal). Held by one run at a time where the
// platform can lock it. Errors are one line naming the file.
class SyncedFile {
 public:
  SyncedFile() = default;
  SyncedFile(const SyncedFile&) = delete;
  SyncedFile& operator=(const SyncedFile&) = delete;
  ~SyncedFile();
  // Opens `path`, a regular file, made (empty) when absent, and reads all its bytes.
  bool Open(const std::string& path, std::string& bytes, std::string& error);
  // Cuts the file to its first `size` bytes.
  bool Truncate(std::size_t size, std::string& error);
  // Appends `bytes` at the end.
  bool Append(std::string_view bytes, std::string& error);

 private:
  std::string name_;  // 'path', quoted
  int fd_ = -1;
};

}  // namespace cubepack
