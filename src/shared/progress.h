#pragma once
// The one progress line of the programs that run long: on standard error, only while that is a
// terminal, redrawn in place at most twice a second, and wiped or ended when the work is done,
// so that what follows on the terminal starts clean. Standard output is never touched.

#include <chrono>
#include <cstddef>
#include <string>

namespace cubepack {

class ProgressLine {
 public:
  // Shown when standard error is a terminal (or when `shown` says so).
  ProgressLine();
  explicit ProgressLine(bool shown) : shown_(shown) {}
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine() { Wipe(); }

  bool shown() const { return shown_; }
  // Since the line was made.
  double Seconds() const;
  // Draws `text` over the line before, unless that one is less than half a second old.
  void Draw(const std::string& text);
  // "37 %, about 12 s left": `done` of `total` at the pace so far.
  std::string ShareAndTimeLeft(std::size_t done, std::size_t total) const;
  // Clears the line.
  void Wipe();
  // Replaces the line with `text` and a line end.
  void End(const std::string& text);

 private:
  bool shown_;
  std::size_t drawnWidth_ = 0;  // 0: nothing drawn
  double drawnAt_ = 0;          // the first line after half a second: the pace is known by then
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace cubepack
