// Size texts of the folder page, computed the same way on every platform.
#include <gtest/gtest.h>

#include "wizard/disk_space.h"

namespace {

TEST(FormatSize, UnitByDigitCountAndHalfUpRounding) {
  struct Case {
    int64_t bytes;
    int decimals;
    bool useDecimals;
    const char* text;
  } cases[] = {
      {0, 0, false, "0B"},
      {999, 0, false, "999B"},
      {1023, 0, false, "1KB"},          // 0.999 to two places
      {1152, 0, false, "1.13KB"},       // exactly 1.125: half goes up
      {1179648, 0, false, "1.13MB"},
      {999999, 0, false, "976.56KB"},   // six digits: still KB
      {1000000, 0, false, "0.95MB"},    // seven digits: MB although below 1 MiB
      {1048576, 0, false, "1MB"},
      {1126, 0, false, "1.1KB"},        // 1.0996 rounds to 1.10, the zero goes
      {1536, 0, true, "2KB"},           // 1.5 to no places
      {1152, 3, true, "1.125KB"},
      {1152, 1, true, "1.1KB"},         // 1.125 to one place: below the half
      {5368709120, 0, false, "5GB"},
      {1099511627776, 0, false, "1TB"},
      {1649267441664, 0, false, "1.5TB"},
      {INT64_MAX, 0, false, "8388608TB"},
      {-1024, 0, false, "-1KB"},        // a failed free-space query (-1 KiB units)
      {-1152, 0, false, "-1.13KB"},
      {-5, 0, false, "-5B"},
      {1152, 60, true, "1.125KB"},      // more places than the division has digits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatSize(c.bytes, c.decimals, c.useDecimals), c.text)
        << c.bytes << " " << c.decimals << " " << c.useDecimals;
  }
}

}  // namespace
