// The texts of the program's lines and the time arithmetic of the final line.

#include "app/console_report.h"

#include <gtest/gtest.h>

namespace cubepack {

using namespace cubepack::builtin;
namespace {

TEST(FinalLine, ElapsedTimeAndRate) {
  // A tick wrap during the run still measures the true difference.
  EXPECT_EQ(ElapsedMs(0xFFFFFFFFu - 295u, 704u), 1000u);
  EXPECT_EQ(FinalLine(0, 1000), "\r\n L\xF6sungen : 0 1.00 Sekunden 0.00 Loesungen/Sek");
  // The single-precision factor 0.001 shows in long runs.
  EXPECT_EQ(FinalLine(0, 360000000u), "\r\n L\xF6sungen : 0 360000.02 Sekunden 0.00 Loesungen/Sek");
  EXPECT_EQ(FinalLine(0, 0x80000000u),
            "\r\n L\xF6sungen : 0 2147483.75 Sekunden 0.00 Loesungen/Sek");
  EXPECT_EQ(FinalLine(409963, 80000),
            "\r\n L\xF6sungen : 409963 80.00 Sekunden 5124.54 Loesungen/Sek");
  // No time elapsed: the rate is shown as 0.00, not as a division by zero.
  EXPECT_EQ(FinalLine(12, 0), "\r\n L\xF6sungen : 12 0.00 Sekunden 0.00 Loesungen/Sek");
}

}  // namespace
}  // namespace cubepack

namespace cubepack {
namespace {

TEST(ReportLines, ExactTexts) {
  EXPECT_EQ(StartLine(), "Starting...\r\n");
  EXPECT_EQ(CatalogueLine(1, 24, 144), "Stein Nr. 1 : 24/144 Moeglichkeiten \r\n");
  EXPECT_EQ(CheckSymLine(true), "CheckSym = true\r\n");
  EXPECT_EQ(CheckSymLine(false), "CheckSym = false\r\n");
  // A progress line ends in a lone carriage return so the next one overwrites it.
  EXPECT_EQ(ProgressLine(13, {1, 7}, {4, 2}, 5000, 2000),
            " 13 (0) 1 (7) 4 (2) L:5000  (2.00 s 2500.00 L/s)  \r");
  EXPECT_EQ(SeedLine(52187, 1000), "\r\n52187 Loesungen 52187.00 Loesungen / s\r\n");
  EXPECT_EQ(SeedLine(0, 0), "\r\n0 Loesungen 0.00 Loesungen / s\r\n");
  EXPECT_EQ(ProgressLine(0, {}, {}, 0, 0), " 0 (0) 0 (0) 0 (0) L:0  (0.00 s 0.00 L/s)  \r");
}

TEST(ReportLines, SecondsUseTheSinglePrecisionFactor) {
  // 0.001f is slightly above 0.001; the excess shows only in long runs.
  EXPECT_EQ(ProgressLine(0, {}, {}, 7, 360000000u),
            " 0 (0) 0 (0) 0 (0) L:7  (360000.02 s 0.00 L/s)  \r");
  EXPECT_EQ(ProgressLine(0, {}, {}, 0, 999u), " 0 (0) 0 (0) 0 (0) L:0  (1.00 s 0.00 L/s)  \r");
}

}  // namespace
}  // namespace cubepack
