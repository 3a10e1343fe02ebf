// Path variables (%Name%) of the configuration: their values on this machine and the one-time
// expansion of the configuration files at start-up.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"
#include "startup/state.h"

// Text of the resource placeholders' values: a value starting with it names a keyed item of
// var_data.ini whose bytes replace the placeholder.
extern const char kResourcePrefix[];  // "#资源数据_"

// The value of a built-in variable ("%ProductName%", "%TempDir%", ...); false for a name that
// is not built in. "%InstallPath%", "%AC%" and "%ET%" are built in and keep their own name.
bool BuiltInVariable(const std::string& name, const PackageState& package,
                     const std::string& dataIni, std::string& value);

// A registry value as text: `path` is the key path, "\" and the value name (split at its last
// "\"); `rootCode` 1-5. On 64-bit Windows the 64-bit view is read. "" when missing.
std::string ReadRegistryText(int rootCode, const std::string& path);

// The value named by the first "GetReg(" ... ")" in `text` (root name, key path, value name):
// the 64-bit view first, then the 32-bit one. "" for an unknown root or a missing value, and
// `text` itself when it holds no such form.
std::string ResolveGetReg(const std::string& text);

// Replaces every occurrence of each placeholder by its resource, in one left-to-right pass
// (occurrences sorted by position); inserted bytes are not searched again.
Bytes ReplaceResourcePlaceholders(BytesView data, const std::vector<Bytes>& placeholders,
                                  const std::vector<Bytes>& resources);

// The configuration step: reads the variable list and the configuration files of the work
// folder, expands every variable in list order, writes data.ini, QZRDLL_s.ini, GUItext.ini and
// Except.ini back (plain) and keeps everything in `config`. When variable.ini lists no section
// the files are read into `config` unexpanded and the work folder is left as it is. False when
// a file could not be written back (the configuration in memory is complete all the same).
[[nodiscard]] bool ExpandConfiguration(const PackageState& package, Configuration& config);
