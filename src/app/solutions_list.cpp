#include "app/solutions_list.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/packing_index.h"
#include "app/run_driver.h"
#include "builtin/model/board.h"
#include "builtin/model/catalogue.h"
#include "builtin/model/packing.h"
#include "builtin/solver/parallel_runner.h"
#include "builtin/solver/search.h"
#include "shared/command_line.h"
#include "shared/platform.h"

namespace cubepack {

using namespace cubepack::builtin;

namespace {

// Lists every packing on `jobs` worker threads (the order does not depend on them) to `sink`.
void ListAll(int jobs, PackingSink& sink) {
  SilentCatalogueReport quiet;
  const auto catalogue = BuildCatalogue(quiet);
  SilentSearchReport report;
  const auto state = std::make_unique<SearchState>(*catalogue, report);
  state->deepKernel = DeepKernelFromEnvironment();
  ListSeedsParallel(*state, MakeEmptyBox(), jobs, sink);
}

// Writes the lines to standard output in large blocks, and shows the progress on standard
// error when that is a terminal: packings so far, the share of three-piece boards done, and
// the time left at that pace.
class LineWriter final : public PackingSink {
 public:
  explicit LineWriter(bool progress) : progress_(progress) { buffer_.reserve(kBlock + 64); }

  void Found(const PieceCells& cells) override {
    buffer_ += FormatPackingLine(PackingOfPieces(cells));
    ++count_;
    if (buffer_.size() >= kBlock) Flush();
  }

  void TaskDone(std::size_t done, std::size_t total) override {
    taskCounts.push_back(static_cast<std::uint32_t>(count_ - countBeforeTask_));
    countBeforeTask_ = count_;
    if (!progress_) return;
    const double elapsed = Seconds();
    if (elapsed < shownAt_ + 0.5 && done != total) return;
    shownAt_ = elapsed;
    const double share = static_cast<double>(done) / static_cast<double>(total);
    std::fprintf(stderr, "\r%lld packings, %3.0f %%, about %.0f s left   ",
                 static_cast<long long>(count_), 100 * share, elapsed / share - elapsed);
  }

  // The packings written for each task, in task order: show's index, for free.
  std::vector<std::uint32_t> taskCounts;

  void Finish() {
    Flush();
    if (!out_.Finish()) throw OutputError();
    if (progress_)
      std::fprintf(stderr, "\r%lld packings in %.1f s%30s\n", static_cast<long long>(count_),
                   Seconds(), "");
  }

 private:
  static constexpr std::size_t kBlock = 1 << 16;

  void Flush() {
    out_.Write(buffer_);
    buffer_.clear();
  }
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

  StdoutSink out_;
  std::string buffer_;
  long long count_ = 0;
  long long countBeforeTask_ = 0;
  bool progress_;
  double shownAt_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

int RunList(int jobs) {
  try {
    LineWriter writer(StderrIsTerminal());
    ListAll(jobs, writer);
    writer.Finish();
    SaveListedIndex(writer.taskCounts);
    return 0;
  } catch (const OutputError&) {
    std::fputs("cubepack-solutions: cannot write to standard output\n", stderr);
  }
  return 1;
}

}  // namespace cubepack
