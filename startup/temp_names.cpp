#include "startup/temp_names.h"

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

namespace {
uint32_t counter = 0;

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(value));
  return buffer;
}
}  // namespace

std::string FreshTempName(const std::string& suffix) {
  const std::string folder = plat::TempFolder();
  for (;;) {
    std::string name = folder + Hex(plat::TickCount() + ++counter) + ".tmp";
    if (!plat::PathExists(name) && (suffix.empty() || !plat::PathExists(name + suffix)))
      return name;
  }
}
