#include "shared/platform.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#if defined(_WIN32)
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cubepack {

std::uint32_t SteadyTickSource::GetTickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

StdoutSink::StdoutSink() : out_(stdout) {
#if defined(_WIN32)
  // "\r\n" and the 0xF6 byte must pass unchanged.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
}

void StdoutSink::Write(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size() || std::fflush(out_) != 0)
    throw OutputError();
}

int WriteOut(const char* program, std::string_view text) {
  try {
    StdoutSink out;
    out.Write(text);
    if (out.Finish()) return 0;
  } catch (const OutputError&) {
  }
  std::fprintf(stderr, "%s: cannot write to standard output\n", program);
  return 1;
}

bool StdoutSink::Finish() { return std::fflush(out_) == 0 && std::ferror(out_) == 0; }

void UseBinaryStdin() {
#if defined(_WIN32)
  _setmode(_fileno(stdin), _O_BINARY);
#endif
}

namespace {

bool IsTerminal(std::FILE* stream) {
#if defined(_WIN32)
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

}  // namespace

bool ColourWanted() {
  const char* noColour = std::getenv("NO_COLOR");
  if (noColour != nullptr && noColour[0] != '\0') return false;
  return IsTerminal(stdout);
}

bool StderrIsTerminal() { return IsTerminal(stderr); }

namespace {

// The variable's value, or "" when it is unset.
std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

#if defined(_WIN32)
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif

// Renames `from` to `to`, replacing `to` where it exists.
bool RenameOver(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

int ProcessId() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

// A descriptor closed when it goes.
class Descriptor {
 public:
  Descriptor() : fd_(-1) {}
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) Close();
  }
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) Close();
    fd_ = fd;
  }
  // False when the last writes failed to land.
  bool Close() {
#if defined(_WIN32)
    const bool ok = _close(fd_) == 0;
#else
    const bool ok = close(fd_) == 0;
#endif
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

// A temporary file beside `path`, new (never one that was there, nor a link) and for this user
// alone, holding `bytes`; its name in `temporary`. False, with nothing left, when that fails.
bool WriteNewFile(const std::string& path, std::string_view bytes, std::string& temporary) {
  // Unique among the runs writing at the same time: the process, and the clock for a run that
  // writes twice.
  const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
  temporary = path + "." + std::to_string(ProcessId()) + "-" + std::to_string(tick) + ".tmp";
#if defined(_WIN32)
  Descriptor file(
      _open(temporary.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE));
#else
  Descriptor file(
      open(temporary.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0600));
#endif
  if (file.get() < 0) return false;
  bool written = true;
  for (std::size_t at = 0; written && at < bytes.size();) {
    const std::size_t chunk = std::min<std::size_t>(bytes.size() - at, 1 << 20);
#if defined(_WIN32)
    const long n = _write(file.get(), bytes.data() + at, static_cast<unsigned>(chunk));
#else
    const long n = write(file.get(), bytes.data() + at, chunk);
    if (n < 0 && errno == EINTR) continue;
#endif
    written = n > 0;
    if (written) at += static_cast<std::size_t>(n);
  }
  if (file.Close() && written) return true;
  std::remove(temporary.c_str());
  return false;
}

// Reads `file` to its end into `bytes`, at most `limit` bytes; "" or what went wrong, naming
// the input `name`.
std::string ReadToEnd(int file, std::size_t limit, const std::string& name, std::string& bytes) {
  std::vector<char> buffer(std::min<std::size_t>(limit + 1, 1 << 16));
  for (;;) {
#if defined(_WIN32)
    const long n = _read(file, buffer.data(), static_cast<unsigned>(buffer.size()));
#else
    const long n = read(file, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
#endif
    if (n < 0) return "cannot read " + name + ": " + std::strerror(errno);
    if (n == 0) return "";
    bytes.append(buffer.data(), static_cast<std::size_t>(n));
    if (bytes.size() > limit) return name + " has more than " + std::to_string(limit) + " bytes";
  }
}

// Opens `path` as `kind` says; "" or what went wrong.
std::string OpenToRead(const std::string& path, FileKind kind, Descriptor& file) {
  const std::string name = "'" + path + "'";
  const bool cache = kind != FileKind::kUsers;
#if defined(_WIN32)
  file.Reset(_open(path.c_str(), _O_RDONLY | _O_BINARY));
  struct _stat64 st;
  if (file.get() < 0 || _fstat64(file.get(), &st) != 0)
    return "cannot open " + name + ": " + std::strerror(errno);
  const bool directory = (st.st_mode & _S_IFMT) == _S_IFDIR;
  const bool regular = (st.st_mode & _S_IFMT) == _S_IFREG;
  const bool mine = true;
#else
  // A cache file: never through a link, and not blocking, since a FIFO would wait for a
  // writer before fstat could tell it apart. A user's own file may be a FIFO (<(command)).
  const int flags = O_RDONLY | O_CLOEXEC | (cache ? O_NOFOLLOW | O_NONBLOCK : 0);
  file.Reset(open(path.c_str(), flags));
  struct stat st;
  if (file.get() < 0 || fstat(file.get(), &st) != 0)
    return "cannot open " + name + ": " + std::strerror(errno);
  const bool directory = S_ISDIR(st.st_mode);
  const bool regular = S_ISREG(st.st_mode);
  const bool mine = st.st_uid == geteuid() && (st.st_mode & 077) == 0;
#endif
  if (directory) return "cannot open " + name + ": " + std::strerror(EISDIR);
  if (cache && !regular) return name + " is no regular file";
  if (kind == FileKind::kPrivate && !mine) return name + " is not this user's alone";
  return "";
}

}  // namespace

bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes,
                   std::string& error, FileKind kind) {
  bytes.clear();
  Descriptor file;
  error = OpenToRead(path, kind, file);
  if (error.empty()) error = ReadToEnd(file.get(), limit, "'" + path + "'", bytes);
  return error.empty();
}

bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes) {
  std::string ignored;
  return ReadSmallFile(path, limit, bytes, ignored, FileKind::kCache);
}

bool ReadPrivateFile(const std::string& path, std::size_t limit, std::string& bytes) {
  std::string ignored;
  return ReadSmallFile(path, limit, bytes, ignored, FileKind::kPrivate);
}

bool ReadStandardInput(std::size_t limit, std::string& bytes, std::string& error) {
  UseBinaryStdin();
  bytes.clear();
  error = ReadToEnd(0, limit, "standard input", bytes);
  return error.empty();
}

std::string CacheDirectory() {
  const std::string chosen = Environment("CUBEPACK_CACHE_DIR");
  if (!chosen.empty()) return chosen;
#if defined(_WIN32)
  const std::string local = Environment("LOCALAPPDATA");
  return local.empty() ? local : local + "\\cubepack";
#else
  // Relative values are to be ignored, as the XDG base directories say.
  const std::string xdg = Environment("XDG_CACHE_HOME");
  if (!xdg.empty() && xdg[0] == '/') return xdg + "/cubepack";
  const std::string home = Environment("HOME");
  return home.empty() ? home : home + "/.cache/cubepack";
#endif
}

std::string PathIn(const std::string& dir, const std::string& name) {
  return dir + kSeparators[0] + name;
}

void MakeFolders(const std::string& dir) {
  std::size_t end = 0;
  do {
    end = dir.find_first_of(kSeparators, end + 1);
    const std::string prefix = dir.substr(0, end);
#if defined(_WIN32)
    _mkdir(prefix.c_str());
#else
    mkdir(prefix.c_str(), 0700);
#endif
  } while (end != std::string::npos);
}

bool IsPrivateFolder(const std::string& dir) {
#if defined(_WIN32)
  struct _stat64 st;
  return _stat64(dir.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR;
#else
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
#endif
}

bool ReplaceFileContents(const std::string& dir, const std::string& name, std::string_view bytes) {
  MakeFolders(dir);
  const std::string path = PathIn(dir, name);
  std::string temporary;
  if (!WriteNewFile(path, bytes, temporary)) return false;
  if (RenameOver(temporary, path)) return true;
  std::remove(temporary.c_str());
  return false;
}

bool CreateFileOnce(const std::string& dir, const std::string& name, std::string_view bytes) {
  const std::string path = PathIn(dir, name);
  std::string temporary;
  if (!WriteNewFile(path, bytes, temporary)) return false;
    // Both fail where `path` is taken, so a file there, however new, stays.
#if defined(_WIN32)
  const bool made = MoveFileExA(temporary.c_str(), path.c_str(), 0) != 0;
  if (!made) std::remove(temporary.c_str());
#else
  const bool made = link(temporary.c_str(), path.c_str()) == 0;
  unlink(temporary.c_str());
#endif
  return made;
}

bool RandomBytes(std::size_t count, std::string& bytes) {
  try {
    std::random_device device;
    bytes.clear();
    while (bytes.size() < count) {
      const unsigned value = device();
      for (std::size_t i = 0; i < sizeof value && bytes.size() < count; ++i)
        bytes += static_cast<char>(value >> (8 * i));
    }
    return true;
  } catch (const std::exception&) {
    return false;  // no source of entropy
  }
}

std::uint64_t PhysicalMemoryBytes() {
#if defined(_WIN32)
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
#else
  const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  return pages > 0 && size > 0
             ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size)
             : 0;
#endif
}

namespace {

// Whether the bytes written to `fd` have reached the disk.
bool SyncToDisk(int fd) {
#if defined(_WIN32)
  return _commit(fd) == 0;
#elif defined(__APPLE__)
  return fsync(fd) == 0;
#else
  return fdatasync(fd) == 0;
#endif
}

// A new file's name is on the disk once its folder is (POSIX); elsewhere the file's own sync does.
void SyncFolderOf(const std::string& path) {
#if !defined(_WIN32)
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : path.substr(0, slash);
  Descriptor folder(open(dir.c_str(), O_RDONLY | O_CLOEXEC));
  if (folder.get() >= 0) fsync(folder.get());
#else
  (void)path;
#endif
}

// Opens `path` to read and append, made when absent ("made" says whether it was); -1 when it
// cannot be.
int OpenToAppend(const std::string& path, bool& made) {
#if defined(_WIN32)
  const int flags = _O_RDWR | _O_APPEND | _O_BINARY;
  int fd = _open(path.c_str(), flags);
  made = fd < 0 && errno == ENOENT;
  if (made) fd = _open(path.c_str(), flags | _O_CREAT, _S_IREAD | _S_IWRITE);
#else
  const int flags = O_RDWR | O_APPEND | O_CLOEXEC;
  int fd = open(path.c_str(), flags);
  made = fd < 0 && errno == ENOENT;
  if (made) fd = open(path.c_str(), flags | O_CREAT, 0666);
#endif
  return fd;
}

}  // namespace

SyncedFile::~SyncedFile() {
  if (fd_ < 0) return;
#if defined(_WIN32)
  _close(fd_);
#else
  close(fd_);
#endif
}

bool SyncedFile::Open(const std::string& path, std::string& bytes, std::string& error) {
  name_ = "'" + path + "'";
  bool made = false;
  fd_ = OpenToAppend(path, made);
  if (fd_ < 0) {
    error = "cannot open " + name_ + ": " + std::strerror(errno);
    return false;
  }
  if (made) SyncFolderOf(path);
#if defined(_WIN32)
  struct _stat64 st;
  const bool regular = _fstat64(fd_, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat st;
  const bool regular = fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
#endif
  if (!regular) {
    error = name_ + " is no regular file";
    return false;
  }
#if !defined(_WIN32)
  // Two runs appending to one journal would each count what the other counts.
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    error = errno == EWOULDBLOCK ? name_ + " is in use by another run"
                                 : "cannot lock " + name_ + ": " + std::strerror(errno);
    return false;
  }
#endif
  bytes.clear();
  error = ReadToEnd(fd_, std::size_t{1} << 40, name_, bytes);
  return error.empty();
}

bool SyncedFile::Truncate(std::size_t size, std::string& error) {
#if defined(_WIN32)
  const bool cut = _chsize_s(fd_, static_cast<__int64>(size)) == 0;
#else
  const bool cut = ftruncate(fd_, static_cast<off_t>(size)) == 0;
#endif
  if (cut && SyncToDisk(fd_)) return true;
  error = "cannot write " + name_ + ": " + std::strerror(errno);
  return false;
}

bool SyncedFile::Append(std::string_view bytes, std::string& error) {
  for (std::size_t at = 0; at < bytes.size();) {
#if defined(_WIN32)
    const long n = _write(fd_, bytes.data() + at,
                          static_cast<unsigned>(std::min<std::size_t>(bytes.size() - at, 1 << 20)));
#else
    const long n = write(fd_, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
#endif
    if (n <= 0) {
      error = "cannot write " + name_ + ": " + std::strerror(n < 0 ? errno : EIO);
      return false;
    }
    at += static_cast<std::size_t>(n);
  }
  if (SyncToDisk(fd_)) return true;
  error = "cannot write " + name_ + ": " + std::strerror(errno);
  return false;
}

}  // namespace cubepack
