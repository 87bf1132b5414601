#include "app/console_report.h"

#include <cstdarg>
#include <cstdio>

namespace cubepack {

using namespace cubepack::builtin;

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char* format, ...) {
  char buffer[160];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  // vsnprintf returns the length the whole text needs, which may exceed the buffer (a huge
  // rate, say): never read past what it wrote.
  const std::size_t length = n < 0 ? 0 : static_cast<std::size_t>(n);
  return std::string(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
}

// Seconds as the product of the milliseconds and the single-precision factor, formed in double.
double Seconds(std::uint32_t elapsedMs) {
  return static_cast<double>(elapsedMs) * static_cast<double>(kSecondsPerMs);
}

}  // namespace

double Rate(std::int32_t solutions, double seconds) {
  return seconds > 0 ? solutions * (1.0 / seconds) : 0.0;
}

std::string StartLine() { return "Starting...\r\n"; }

std::string CatalogueLine(int piece, int orientationCount, int cubeCount) {
  return Format("Stein Nr. %i : %i/%i Moeglichkeiten \r\n", piece, orientationCount, cubeCount);
}

std::string CheckSymLine(bool symmetric) {
  return symmetric ? "CheckSym = true\r\n" : "CheckSym = false\r\n";
}

std::string ProgressLine(std::int32_t seedOrdinal, DepthMark depth1, DepthMark depth2,
                         std::int32_t solutions, std::uint32_t elapsedMs) {
  const double seconds = Seconds(elapsedMs);
  return Format(" %i (%i)", seedOrdinal, 0) + Format(" %i (%i)", depth1.piece, depth1.ordinal) +
         Format(" %i (%i)", depth2.piece, depth2.ordinal) +
         Format(" L:%i  (%.2f s %.2f L/s)  \r", solutions, seconds, Rate(solutions, seconds));
}

std::string SeedLine(std::int32_t solutions, std::uint32_t elapsedMs) {
  // The per-seed time is held in single precision.
  const float seconds = static_cast<float>(Seconds(elapsedMs));
  return Format("\r\n%i Loesungen %.2f Loesungen / s\r\n", solutions, Rate(solutions, seconds));
}

std::string FinalLine(std::int32_t solutions, std::uint32_t elapsedMs) {
  const double seconds = Seconds(elapsedMs);
  // "\xF6" is the Windows-1252 "o" with diaeresis.
  return Format("\r\n L\xF6sungen : %i %.2f Sekunden %.2f Loesungen/Sek", solutions, seconds,
                Rate(solutions, seconds));
}

void ConsoleReport::PieceBuilt(int piece, int orientationCount, int cubeCount) {
  out_.Write(CatalogueLine(piece, orientationCount, cubeCount));
}

void ConsoleReport::SeedClassified(bool symmetric) { out_.Write(CheckSymLine(symmetric)); }

void ConsoleReport::Progress(std::int32_t seedOrdinal, DepthMark depth1, DepthMark depth2,
                             std::int32_t solutionCount) {
  out_.Write(ProgressLine(seedOrdinal, depth1, depth2, solutionCount, Elapsed()));
}

void ConsoleReport::SeedSearched(std::int32_t solutionCount) {
  out_.Write(SeedLine(solutionCount, Elapsed()));
}

void ConsoleReport::RunDone(std::int32_t solutionCount) {
  out_.Write(FinalLine(solutionCount, Elapsed()));
}

}  // namespace cubepack
