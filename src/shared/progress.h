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
  // "37 %, about 12 s left": `done` of `total` at the pace so far; of them `before` were done
  // before this run (a count that goes on), and do not count in its pace.
  std::string ShareAndTimeLeft(std::size_t done, std::size_t total, std::size_t before = 0) const;
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

// Seconds left for `total - done` tasks at the pace of `done - before` in `elapsed` seconds; < 0
// when this run has done none.
double SecondsLeft(std::size_t done, std::size_t total, std::size_t before, double elapsed);

// "40 s", "12 min", "3 h", "5 days": a time left as one rounded number.
std::string RoughTime(double seconds);

// A progress line of its own every `every` seconds, for standard error that is no terminal (or
// where --progress asks for them): "1520/6000 tasks, 25.3 % of the work, about 4 min left".
class ProgressLines {
 public:
  ProgressLines(const char* program, double every) : program_(program), every_(every) {}
  bool shown() const { return every_ > 0; }
  // Writes the line of `done` of `total` tasks (`before` of them done before this run, `what`
  // before the tasks when not empty) when `every` seconds have passed since the last one.
  void Tasks(std::size_t done, std::size_t total, std::size_t before, const std::string& what = "");

 private:
  const char* program_;
  double every_;
  double last_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace cubepack
