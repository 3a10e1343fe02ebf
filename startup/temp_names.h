// Fresh unique temporary names: the temp folder, the lower-case hexadecimal form of the tick
// count plus a process-wide counter, and ".tmp". A name already taken (with or without the
// caller's suffix) is passed over for the next one.
#pragma once

#include <string>

// Returns temp folder + hex + ".tmp"; the caller appends `suffix` (for example ".7zsha" or
// "\"), which is only used to check that the full name is free too.
std::string FreshTempName(const std::string& suffix = "");
