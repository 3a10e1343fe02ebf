#include "wizard/disk_space.h"

#include <algorithm>

namespace {

// A power of two has a terminating decimal fraction: 1/2^40 has exactly 40 digits, so no
// more places are ever needed.
constexpr int kMostPlaces = 40;

// `magnitude` / 2^shift rounded half up to `places` decimals, trailing zeros dropped. Exact
// integer arithmetic: how printf rounds an exact half is the C runtime's choice (glibc gives
// 1.12 for 1.125), and the folder page must show the same text on every build.
std::string DivideRounded(uint64_t magnitude, int shift, int places) {
  const uint64_t unit = uint64_t{1} << shift;
  uint64_t whole = magnitude >> shift;
  uint64_t rest = magnitude & (unit - 1);
  std::string fraction;
  for (int i = 0; i < places; ++i) {
    rest *= 10;  // rest < 2^40, so this stays far below 2^64
    fraction += static_cast<char>('0' + rest / unit);
    rest %= unit;
  }
  if (rest * 2 >= unit) {  // half or more of the last place: carry up
    size_t i = fraction.size();
    while (i > 0 && fraction[i - 1] == '9') fraction[--i] = '0';
    if (i > 0) {
      ++fraction[i - 1];
    } else {
      ++whole;
    }
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string out = std::to_string(whole);
  if (!fraction.empty()) out += "." + fraction;
  return out;
}

}  // namespace

std::string FormatSize(int64_t bytes, int decimals, bool useDecimals) {
  const std::string plain = std::to_string(bytes);
  const int places = std::clamp(useDecimals ? decimals : 2, 0, kMostPlaces);
  static const struct {
    size_t minDigits;
    int shift;
    const char* unit;
  } kUnits[] = {{13, 40, "TB"}, {10, 30, "GB"}, {7, 20, "MB"}, {4, 10, "KB"}};
  for (const auto& u : kUnits) {
    if (plain.size() < u.minDigits) continue;
    // Negative sizes (a failed free-space query) round their magnitude, away from zero.
    const uint64_t magnitude =
        bytes < 0 ? uint64_t{0} - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);
    const std::string number = DivideRounded(magnitude, u.shift, places);
    return (bytes < 0 && number != "0" ? "-" : "") + number + u.unit;
  }
  return plain + "B";
}
