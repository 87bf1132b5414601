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

std::string ProgressLine::ShareAndTimeLeft(std::size_t done, std::size_t total) const {
  const double share = total == 0 ? 1 : static_cast<double>(done) / static_cast<double>(total);
  const double elapsed = Seconds();
  char text[64];
  if (share > 0)
    std::snprintf(text, sizeof text, "%3.0f %%, about %.0f s left", 100 * share,
                  elapsed / share - elapsed);
  else
    std::snprintf(text, sizeof text, "  0 %%");
  return text;
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
