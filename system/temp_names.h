// Fresh unique temporary names: the temp folder, the lower-case hexadecimal form of the tick
// count plus the process's name counter, and ".tmp". Every temporary file and folder of a run
// (work folder, payload copy, joined volumes, batch files, .reg files) is named here, so there
// is one counter and one rule. The counter is the process-wide one that the naming rule asks
// for; it lives in temp_names.cpp alone.
#pragma once

#include <functional>
#include <string>

// How many names in a row may be taken before FreshTempName gives up.
inline constexpr int kFreshNameAttempts = 64;

// folder + hex + ".tmp", where folder defaults to the temp folder (with its trailing "\").
// A name that `taken` reports (alone, or with `suffix` appended: the caller appends the suffix
// and needs that full name free too) is passed over for the next one. "" when
// kFreshNameAttempts names in a row are taken: a folder that answers "exists" for everything
// must not hang the run.
std::string FreshTempName(const std::string& suffix = "", const std::string& folder = "",
                          const std::function<bool(const std::string&)>& taken = nullptr);
