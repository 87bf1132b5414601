// The texts of the program's lines and the time arithmetic of the final line.

#include "app/console_report.h"

#include <gtest/gtest.h>

namespace cubepack {
namespace {

TEST(FinalLine, ElapsedTimeAndRate) {
  // A tick wrap during the run still measures the true difference.
  EXPECT_EQ(ElapsedMs(0xFFFFFFFFu - 295u, 704u), 1000u);
  EXPECT_EQ(FinalLine(0, 1000), "\r\n L\xF6sungen : 0 1.00 Sekunden 0.00 Loesungen/Sek");
  // The single-precision factor 0.001 shows in long runs.
  EXPECT_EQ(FinalLine(0, 360000000u), "\r\n L\xF6sungen : 0 360000.02 Sekunden 0.00 Loesungen/Sek");
  EXPECT_EQ(FinalLine(0, 0x80000000u), "\r\n L\xF6sungen : 0 2147483.75 Sekunden 0.00 Loesungen/Sek");
  EXPECT_EQ(FinalLine(409963, 80000), "\r\n L\xF6sungen : 409963 80.00 Sekunden 5124.54 Loesungen/Sek");
  // No time elapsed: the rate is shown as 0.00, not as a division by zero.
  EXPECT_EQ(FinalLine(12, 0), "\r\n L\xF6sungen : 12 0.00 Sekunden 0.00 Loesungen/Sek");
}

}  // namespace
}  // namespace cubepack
