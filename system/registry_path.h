// Registry path conventions of the package: root names with their codes, the key/value split.
#pragma once

#include <string>

// The root code (1-5) of a path that begins with a root name ("HKEY_LOCAL_MACHINE\..."),
// -1 when it begins with none. `subkey` receives the text after the path's first "\".
// Trailing "\" rule: when writing a value (`forValue`), an empty value name needs a subkey
// ending with "\" (appended when missing) and a named value one without (one removed); when
// not writing a value, one trailing "\" is removed only when a value name is given.
int ParseRegistryPath(const std::string& path, const std::string& valueName, bool forValue,
                      std::string& subkey);

// Splits a full value path at its last "\": returns the value name and cuts `path` before
// it. A path ending with "\" names a key only: the value name is "" and `keyOnly` is true.
std::string SplitValuePath(std::string& path, bool& keyOnly);

// The root name of a code, "" for an unknown one.
const char* RegistryRootName(int code);
