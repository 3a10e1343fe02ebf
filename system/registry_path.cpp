#include "system/registry_path.h"

#include "common/text.h"

namespace {
const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG",
                                  "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
}

const char* RegistryRootName(int code) {
  return code >= 1 && code <= 5 ? kRootNames[code - 1] : "";
}

int ParseRegistryPath(const std::string& path, const std::string& valueName, bool forValue,
                      std::string& subkey) {
  int code = -1;
  for (int i = 1; i <= 5; ++i) {
    if (text::StartsWith(path, kRootNames[i - 1])) {
      code = i;
      const size_t slash = text::FindSeparator(path);
      subkey = slash == std::string::npos ? "" : path.substr(slash + 1);
      break;
    }
  }
  if (code < 0) return -1;
  const bool endsWithSlash = text::EndsWithSeparator(subkey);
  if (forValue) {
    if (valueName.empty()) {
      if (!endsWithSlash) subkey += "\\";
    } else if (endsWithSlash) {
      subkey.pop_back();
    }
  } else if (!valueName.empty() && endsWithSlash) {
    subkey.pop_back();
  }
  return code;
}

std::string SplitValuePath(std::string& path, bool& keyOnly) {
  keyOnly = false;
  if (text::EndsWithSeparator(path)) {
    keyOnly = true;
    return "";
  }
  const size_t slash = text::FindLastSeparator(path);
  if (slash == std::string::npos) return "";
  std::string name = path.substr(slash + 1);
  path.erase(slash);
  return name;
}
