// cubepack_bench: runs a fixed slice of the search (everything below the first seed) several
// times and prints its signature and timings. With --check it also fails when the signature
// differs from the recorded one: a changed signature is a functional change, not a speed-up.
//
//   cubepack_bench [--runs N] [--check] [--list]
// --list runs the listing search (every packing handed to a sink that keeps a checksum).
// CUBEPACK_PORTABLE=1 runs the portable deep kernel where the AVX2 one would be chosen.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/run_driver.h"
#include "builtin/model/catalogue.h"
#include "search_slice.h"
#include "shared/platform.h"

// The benchmark names the engines' parts as cubepack::Name.
namespace cubepack {
using namespace builtin;
}  // namespace cubepack

namespace {

// What the first seed's search visits and counts.
constexpr cubepack::SliceSignature kRecorded = {52187, 10615516, 33};

// Keeps an order-sensitive checksum of the packings, so the listing's work is not optimised away.
class Checksum final : public cubepack::PackingSink {
 public:
  void Found(const cubepack::PieceCells& cells) override {
    for (cubepack::OccupancyMask m : cells) sum = (sum ^ m) * 0x100000001B3ull;
    ++count;
  }
  std::uint64_t sum = 0;
  std::int64_t count = 0;
};

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  bool check = false;
  bool list = false;
  for (int a = 1; a < argc; ++a) {
    if (std::strcmp(argv[a], "--check") == 0) {
      check = true;
    } else if (std::strcmp(argv[a], "--list") == 0) {
      list = true;
    } else if (std::strcmp(argv[a], "--runs") == 0 && a + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++a]));
    } else {
      std::fprintf(stderr, "usage: cubepack_bench [--runs N] [--check] [--list]\n");
      return 2;
    }
  }
  const cubepack::DeepKernelKind kernel = cubepack::DeepKernelFromEnvironment();
  cubepack::SilentCatalogueReport quiet;
  const auto catalogue = cubepack::BuildCatalogue(quiet);

  Checksum packings;
  std::vector<double> seconds;
  cubepack::SliceSignature sig{};
  for (int r = 0; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    sig = cubepack::RunFirstSeedSlice(*catalogue, kernel, list ? &packings : nullptr);
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("signature: solutions %d, step count %lld, progress lines %d\n", sig.solutions,
              static_cast<long long>(sig.stepCount), sig.progressLines);
  if (list)
    std::printf("listing search: %lld packings, checksum %016llx\n",
                static_cast<long long>(packings.count),
                static_cast<unsigned long long>(packings.sum));
  else
    std::printf("deep kernel: %s\n", cubepack::DeepKernelName(kernel));
  std::printf("first seed: median %.3f s, min %.3f s over %d runs\n", seconds[seconds.size() / 2],
              seconds.front(), runs);
  if (check && (sig.solutions != kRecorded.solutions || sig.stepCount != kRecorded.stepCount ||
                sig.progressLines != kRecorded.progressLines)) {
    std::printf("signature differs from the recorded %d, %lld, %d\n", kRecorded.solutions,
                static_cast<long long>(kRecorded.stepCount), kRecorded.progressLines);
    return 1;
  }
  return 0;
}
