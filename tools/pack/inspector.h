// Reads a setup file back the way the runtime does: its blocks, its "KEY" 250 resource, and
// the configuration package unpacked through the project's own archiver library, with every
// configuration file deciphered or inflated for reading.
#pragma once

#include <string>

// The keyed item of data.ini that holds the licence text (enciphered).
extern const char kLicenceItem[];  // "自述文本_开始"

struct InspectResult {
  bool ok = false;
  std::string error;
  std::string report;  // UTF-8, for a terminal
};

// `extractTo`: when not empty, the package is written out there as a package project
// (README.md): the configuration as UTF-8 texts, registry.ini, var_data/, and payload/ from the
// payload block or the numbered volumes beside the file.
InspectResult InspectPackage(const std::string& path, const std::string& extractTo = "");
