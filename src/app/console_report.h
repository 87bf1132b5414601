#pragma once
// The one place that knows the program's texts: German words, "\r\n" versus a lone "\r",
// and the Windows-1252 byte 0xF6 of the final line.

#include <cstdint>
#include <string>

#include "builtin/model/catalogue.h"
#include "builtin/solver/search_report.h"
#include "shared/platform.h"

namespace cubepack {

// Elapsed milliseconds since `start`, wrapping like the 32-bit tick counter.
inline std::uint32_t ElapsedMs(std::uint32_t start, std::uint32_t now) { return now - start; }

// The single-precision factor that turns milliseconds into seconds.
inline constexpr float kSecondsPerMs = 0.001f;

// Rate in solutions per second; 0 when no time has passed (instead of a division by zero).
double Rate(std::int32_t solutions, double seconds);

std::string StartLine();
std::string CatalogueLine(int piece, int orientationCount, int cubeCount);
std::string CheckSymLine(bool symmetric);
std::string ProgressLine(std::int32_t seedOrdinal, builtin::DepthMark depth1,
                         builtin::DepthMark depth2, std::int32_t solutions,
                         std::uint32_t elapsedMs);
std::string SeedLine(std::int32_t solutions, std::uint32_t elapsedMs);
std::string FinalLine(std::int32_t solutions, std::uint32_t elapsedMs);

// Turns catalogue and search events into output, timed from `startTick`.
class ConsoleReport final : public builtin::CatalogueReport, public builtin::SearchReport {
 public:
  ConsoleReport(TickSource& clock, OutputSink& out, std::uint32_t startTick)
      : clock_(clock), out_(out), startTick_(startTick) {}

  void PieceBuilt(int piece, int orientationCount, int cubeCount) override;
  void SeedClassified(bool symmetric) override;
  void Progress(std::int32_t seedOrdinal, builtin::DepthMark depth1, builtin::DepthMark depth2,
                std::int32_t solutionCount) override;
  void SeedSearched(std::int32_t solutionCount) override;
  void RunDone(std::int32_t solutionCount);

 private:
  std::uint32_t Elapsed() { return ElapsedMs(startTick_, clock_.GetTickCount()); }

  TickSource& clock_;
  OutputSink& out_;
  std::uint32_t startTick_;
};

}  // namespace cubepack
