// Reading the configuration files of the package: data.ini keys, flags, and the configuration
// step's reading half (the files into memory, the uninstall data blob).
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "package/data_ini.h"
#include "startup/state.h"

// A key of any INI file with profile-string semantics; "" when the file, section or key is
// missing. The value is cut at the runtime's 10240-byte read buffer.
std::string ReadIniKey(const std::string& file, const std::string& section,
                       const std::string& key);
// Section names of an INI file, in file order.
std::vector<std::string> ReadIniSectionNames(const std::string& file);

// A key of the main section of the work folder's data.ini. Without a work folder (no
// configuration block) there is no data.ini to read, and every key reads as "".
std::string ReadMainKey(const PackageState& package, const std::string& key);
// The same over data.ini held in memory (the package format's reader).
using package::ReadMainKeyFrom;

// True exactly when the text is "真" (the one rule, in common/text.h).
using text::IsTrueText;

// Reads the configuration files of `package.workFolder` into `config` (missing files read as
// empty): data.ini, QZRREG.db inflated, QZRDLL_s.ini, var_data.ini, GUItext.ini and Except.ini
// deciphered, the uninstall data blob of the unexpanded files, and the pictures and icon the
// uninstall record carries (read whole, as stored). The variable names are read
// by the caller (an empty list skips this step altogether).
void ReadConfigurationFiles(const PackageState& package, Configuration& config);
