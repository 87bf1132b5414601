#include "app/platform.h"

#include <chrono>
#include <cstdlib>
#include <memory>

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
#include <windows.h>
#else
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

DeepKernelKind DeepKernelFromEnvironment() {
  const char* portable = std::getenv("CUBEPACK_PORTABLE");
  if (portable != nullptr && portable[0] == '1') return DeepKernelKind::kPortable;
  return BestDeepKernel();
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

// Makes folder `dir` and those above it where absent. Failures show when the file is written.
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

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

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

}  // namespace

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

bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes) {
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  bytes.assign(limit + 1, '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  return std::ferror(file.get()) == 0 && bytes.size() <= limit;
}

bool ReplaceFileContents(const std::string& dir, const std::string& name, std::string_view bytes) {
  MakeFolders(dir);
  const std::string path = PathIn(dir, name);
  // Unique among the runs writing at the same time: the process, and the clock for a run that
  // writes twice.
  const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string temporary =
      path + "." + std::to_string(ProcessId()) + "-" + std::to_string(tick) + ".tmp";
  bool written = false;
  if (File file{std::fopen(temporary.c_str(), "wb")}) {
    written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
              std::fflush(file.get()) == 0;
    written = std::fclose(file.release()) == 0 && written;
  }
  if (written && RenameOver(temporary, path)) return true;
  std::remove(temporary.c_str());
  return false;
}

}  // namespace cubepack
