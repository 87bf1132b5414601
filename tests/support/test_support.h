#pragma once
// Fakes for the platform layer and a recorder of search events.

#include <cstdint>
#include <string>
#include <vector>

#include "builtin/model/catalogue.h"
#include "builtin/solver/search_report.h"
#include "shared/platform.h"

namespace cubepack::testing {

// The test helpers of one engine speak its names.
using namespace cubepack::builtin;

// Starts at `start` and advances by `step` milliseconds at every read.
class FakeTickSource final : public TickSource {
 public:
  FakeTickSource(std::uint32_t start, std::uint32_t step) : now_(start), step_(step) {}
  std::uint32_t GetTickCount() override {
    const std::uint32_t t = now_;
    now_ += step_;
    return t;
  }

 private:
  std::uint32_t now_;
  std::uint32_t step_;
};

// Keeps every byte written; can be told to fail from the n-th write on.
class CaptureSink final : public OutputSink {
 public:
  explicit CaptureSink(int failFromWrite = -1) : failFrom_(failFromWrite) {}
  void Write(std::string_view bytes) override;
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int writes_ = 0;
  int failFrom_;
};

// Records the search events as they come.
class RecordingReport final : public SearchReport {
 public:
  struct ProgressEvent {
    std::int32_t seedOrdinal;
    DepthMark depth1, depth2;
    std::int32_t solutions;
  };
  void SeedClassified(bool symmetric) override { classified.push_back(symmetric); }
  void Progress(std::int32_t seedOrdinal, DepthMark d1, DepthMark d2,
                std::int32_t solutions) override {
    progress.push_back({seedOrdinal, d1, d2, solutions});
  }
  void SeedSearched(std::int32_t solutions) override { seedTotals.push_back(solutions); }

  std::vector<bool> classified;
  std::vector<ProgressEvent> progress;
  std::vector<std::int32_t> seedTotals;
};

// The catalogue, built once per test binary.
const PieceCatalogue& SharedCatalogue();

// Reads a whole file as bytes.
std::string ReadFileBytes(const std::string& path);

}  // namespace cubepack::testing
