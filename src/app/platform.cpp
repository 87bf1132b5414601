#include "app/platform.h"

#include <chrono>
#include <cstdlib>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
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

}  // namespace cubepack
