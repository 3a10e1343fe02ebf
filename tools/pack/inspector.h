// Reads a setup file back the way the runtime does: its blocks, its "KEY" 250 resource, and
// the configuration package unpacked through the project's own archiver library, with every
// configuration file deciphered or inflated for reading.
#pragma once

#include <string>

struct InspectResult {
  bool ok = false;
  std::string error;
  std::string report;  // UTF-8, for a terminal
};

// `extractTo`: when not empty, the unpacked configuration files (stored forms) are kept there.
InspectResult InspectPackage(const std::string& path, const std::string& extractTo = "");
