#include "shared/streamed_verify.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "shared/platform.h"

namespace cubepack {

bool StreamedListing::Feed(std::string_view bytes) {
  if (!fault_.empty()) return false;
  for (const char c : bytes) {
    if (c == '\n') {
      carriageReturn_ = false;
      if (!EndLine()) return false;
      continue;
    }
    if (carriageReturn_) {  // a "\r" inside the line: a character like any other
      carriageReturn_ = false;
      line_ += '\r';
      if (line_.size() > maxLength_) return EndLine();
    }
    if (c == '\r') {
      carriageReturn_ = true;
      continue;
    }
    line_ += c;
    // One character too many: judged now, so a long line or a binary file is not read on.
    if (line_.size() > maxLength_) return EndLine();
  }
  return true;
}

bool StreamedListing::Finish() {
  if (!fault_.empty()) return false;
  // A last line without its line end is still a line ("\r" alone ends it too).
  if (!line_.empty() || carriageReturn_) {
    carriageReturn_ = false;
    if (!EndLine()) return false;
  }
  // An empty file lists no packings: taking it for a good listing would hide a search or a
  // copy that wrote nothing.
  if (packings_ == 0) {
    fault_ = source_ + ": no packings";
    return false;
  }
  return true;
}

bool StreamedListing::EndLine() {
  const std::string fault = Judge(line_, lineNumber_);
  if (!fault.empty()) {
    fault_ = "line " + std::to_string(lineNumber_) + ": " + fault;
    return false;
  }
  ++packings_;
  ++lineNumber_;
  line_.clear();
  return true;
}

namespace {

int InputFault(const char* what, const std::string& path, int error) {
  const std::string name = path == "-" ? "standard input" : "'" + path + "'";
  std::fprintf(stderr, "cubepack-solutions: %s %s: %s\n", what, name.c_str(), std::strerror(error));
  return 2;
}

}  // namespace

std::string ListingSource(const std::string& path) { return path == "-" ? "standard input" : path; }

int VerifyListing(const std::string& path, StreamedListing& verifier) {
  const bool standardInput = path == "-";
  if (standardInput) UseBinaryStdin();
  std::FILE* in = standardInput ? stdin : std::fopen(path.c_str(), "rb");
  if (in == nullptr) return InputFault("cannot open", path, errno);
  const auto close = [&] {
    if (!standardInput) std::fclose(in);
  };
  // Some systems open a directory for reading and fail only at the first read.
  std::error_code ignored;
  if (!standardInput && std::filesystem::is_directory(path, ignored)) {
    close();
    return InputFault("cannot open", path, EISDIR);
  }

  std::vector<char> buffer(1 << 16);
  bool good = true;
  for (;;) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
    if (n > 0 && !verifier.Feed(std::string_view(buffer.data(), n))) {
      good = false;
      break;
    }
    if (n == buffer.size()) continue;
    if (std::ferror(in)) {
      const int error = errno;
      close();
      return InputFault("cannot read", path, error);
    }
    good = verifier.Finish();  // a short read without an error is the end
    break;
  }
  close();
  if (!good) {
    std::fprintf(stderr, "cubepack-solutions: %s\n", verifier.fault().c_str());
    return 1;
  }
  const std::int64_t n = verifier.packings();
  return WriteOut(
      "cubepack-solutions",
      n == 1 ? "1 packing, valid\n" : std::to_string(n) + " packings, all valid and distinct\n");
}

}  // namespace cubepack
