#include "system/temp_names.h"

#include <cstdint>

#include "common/text.h"
#include "platform/platform.h"

namespace {

// The process's name counter: one more per name handed out or passed over.
uint32_t g_nameCounter = 0;

std::string Hex(uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return out;
}

}  // namespace

std::string FreshTempName(const std::string& suffix, const std::string& folder,
                          const std::function<bool(const std::string&)>& taken) {
  const std::string base = folder.empty() ? plat::TempFolder() : folder;
  auto isTaken = [&taken](const std::string& path) {
    return taken ? taken(path) : plat::PathExists(path);
  };
  for (int attempt = 0; attempt < kFreshNameAttempts; ++attempt) {
    const std::string name = base + Hex(plat::TickCount() + ++g_nameCounter) + ".tmp";
    if (!isTaken(name) && (suffix.empty() || !isTaken(name + suffix))) return name;
  }
  return "";
}
