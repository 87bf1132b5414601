#include "shared/progress.h"

#include <cstdio>

#include "shared/platform.h"

namespace cubepack {

ProgressLine::ProgressLine() : shown_(StderrIsTerminal()) {}

double ProgressLine::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressLine::Draw(const std::string& text) {
  const double now = Seconds();
  if (!shown_ || now < drawnAt_ + 0.5) return;
  drawnAt_ = now;
  // Spaces over what a longer line before left.
  const std::size_t pad = drawnWidth_ > text.size() ? drawnWidth_ - text.size() : 0;
  std::fprintf(stderr, "\r%s%*s", text.c_str(), static_cast<int>(pad), "");
  std::fflush(stderr);
  drawnWidth_ = text.size() + pad;
}

std::string ProgressLine::ShareAndTimeLeft(std::size_t done, std::size_t total,
                                           std::size_t before) const {
  const double share = total == 0 ? 1 : static_cast<double>(done) / static_cast<double>(total);
  const double left = SecondsLeft(done, total, before, Seconds());
  char text[64];
  if (left >= 0)
    std::snprintf(text, sizeof text, "%3.0f %%, about %.0f s left", 100 * share, left);
  else
    std::snprintf(text, sizeof text, "%3.0f %%", 100 * share);
  return text;
}

double SecondsLeft(std::size_t done, std::size_t total, std::size_t before, double elapsed) {
  if (done <= before || done > total) return -1;
  return elapsed * static_cast<double>(total - done) / static_cast<double>(done - before);
}

std::string RoughTime(double seconds) {
  char text[32];
  if (seconds < 90)
    std::snprintf(text, sizeof text, "%.0f s", seconds);
  else if (seconds < 90 * 60)
    std::snprintf(text, sizeof text, "%.0f min", seconds / 60);
  else if (seconds < 36 * 3600)
    std::snprintf(text, sizeof text, "%.0f h", seconds / 3600);
  else
    std::snprintf(text, sizeof text, "%.0f days", seconds / 86400);
  return text;
}

void ProgressLines::Tasks(std::size_t done, std::size_t total, std::size_t before,
                          const std::string& what) {
  const double now =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (every_ <= 0 || now < last_ + every_) return;
  last_ = now;
  const double share =
      total == 0 ? 100 : 100 * static_cast<double>(done) / static_cast<double>(total);
  const double left = SecondsLeft(done, total, before, now);
  std::string line = std::string(program_) + ": " + (what.empty() ? "" : what + ", ") +
                     std::to_string(done) + "/" + std::to_string(total) + " tasks, ";
  char text[64];
  std::snprintf(text, sizeof text, "%.1f %% of the work", share);
  line += text;
  if (left >= 0) line += ", about " + RoughTime(left) + " left";
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

void ProgressLine::Wipe() {
  if (!shown_ || drawnWidth_ == 0) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(drawnWidth_), "");
  std::fflush(stderr);
  drawnWidth_ = 0;
}

void ProgressLine::End(const std::string& text) {
  if (!shown_) return;
  const std::size_t pad = drawnWidth_ > text.size() ? drawnWidth_ - text.size() : 0;
  std::fprintf(stderr, "\r%s%*s\n", text.c_str(), static_cast<int>(pad), "");
  std::fflush(stderr);
  drawnWidth_ = 0;
}

}  // namespace cubepack
