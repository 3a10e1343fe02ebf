// Sizes as the folder page shows them (the space the program needs, the free space of the
// destination drive).
#pragma once

#include <cstdint>
#include <string>

// `bytes` with a unit chosen by the number of characters of its decimal text (a minus sign
// counts): up to 3 "B" (the integer itself), 4-6 "KB", 7-9 "MB", 10-12 "GB", 13 and more "TB",
// so 999999 is "976.56KB" and 1000000 "0.95MB". Divided by the unit's power of 1024 and
// rounded half up (away from zero) to `decimals` places when `useDecimals`, else to 2;
// trailing zeros after the point are dropped.
std::string FormatSize(int64_t bytes, int decimals, bool useDecimals);
