#pragma once
// A listing on its way to standard output: lines in large blocks, and on a terminal the
// progress line (packings so far, the share of the tasks done, the time left), ended with the
// count and the time taken.

#include <cstddef>
#include <string>
#include <string_view>

#include "shared/platform.h"
#include "shared/progress.h"

namespace cubepack {

class ListingOutput {
 public:
  // With `progressEvery` seconds, a progress line of its own that often instead of the one
  // redrawn on a terminal.
  explicit ListingOutput(double progressEvery = 0)
      : progress_(progressEvery > 0 ? false : StderrIsTerminal()),
        lines_("cubepack-solutions", progressEvery) {
    buffer_.reserve(kBlock + 256);
  }

  // `count` more packings, as `lines` (each with its line end).
  void Add(std::string_view lines, std::size_t count);
  // `done` of `total` tasks are listed.
  void Progress(std::size_t done, std::size_t total);
  // Writes what is left; throws OutputError when standard output cannot take it.
  void Finish();

  std::size_t count() const { return count_; }

 private:
  static constexpr std::size_t kBlock = 1 << 16;

  ProgressLine progress_;
  ProgressLines lines_;
  StdoutSink out_;
  std::string buffer_;
  std::size_t count_ = 0;
};

}  // namespace cubepack
