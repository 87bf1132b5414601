#include "shared/listing_output.h"

#include <cstdio>

namespace cubepack {

void ListingOutput::Add(std::string_view lines, std::size_t count) {
  buffer_ += lines;
  count_ += count;
  if (buffer_.size() < kBlock) return;
  out_.Write(buffer_);
  buffer_.clear();
}

void ListingOutput::Progress(std::size_t done, std::size_t total) {
  if (lines_.shown()) {
    if (done < total) lines_.Tasks(done, total, 0, std::to_string(count_) + " packings");
    return;
  }
  progress_.Draw(std::to_string(count_) + " packings, " + progress_.ShareAndTimeLeft(done, total));
}

void ListingOutput::Finish() {
  out_.Write(buffer_);
  buffer_.clear();
  if (!out_.Finish()) throw OutputError();
  char took[32];
  std::snprintf(took, sizeof took, " packings in %.1f s", progress_.Seconds());
  progress_.End(std::to_string(count_) + took);
}

}  // namespace cubepack
