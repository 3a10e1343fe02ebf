#include "system/windows_version.h"

#include <cmath>

#include "platform/platform.h"

std::string GetWindowsVersionName(double& version) {
  const uint32_t packed = plat::WindowsVersionPacked();
  const int major = packed & 0xFF;
  const int minor = (packed >> 8) & 0xFF;
  version = major + minor / 10.0;
  static const struct {
    double version;
    const char* name;
  } names[] = {
      {5.0, "Windows 2000"}, {5.1, "Windows XP"}, {5.2, "Windows Server 2003"},
      {6.0, "Windows Vista"}, {6.1, "Windows 7"},  {6.2, "Windows 8"},
  };
  for (const auto& entry : names)
    if (std::fabs(version - entry.version) < 0.0000001) return entry.name;
  return "未知操作系统";
}
