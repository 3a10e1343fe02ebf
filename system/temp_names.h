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

// A new folder with a generated name in the temp folder (or in `folder`, which ends with "\"),
// made by plat::CreateFreshDirectory, so that an existing folder is passed over and never
// taken for this run's; held for the rest of the process (plat::File::HoldFolder), so that it
// cannot be removed, renamed or replaced under the run. Elevated, it gets the private access
// list. The path without a trailing "\"; "" when kFreshNameAttempts names in a row exist or the
// folder cannot be made or held.
std::string CreateOwnTempFolder(const std::string& folder = "");

// The run's own folder of a fixed name in the temp folder ("qzr_dll", the uninstall engine's
// product folder). The first call makes it: a folder of that name that exists (what an earlier
// run left) is moved aside and removed, then the name is created fresh and held as in
// CreateOwnTempFolder. A folder of that name that cannot be moved (another run holds it or has
// a file in it open) or that reappears before the creation is never used: the run takes a
// generated name instead (CreateOwnTempFolder). Later calls return the same folder while it is
// held. "" when no folder could be made. Emptying it keeps it: plat::RemoveDirectoryTree
// deletes what it can and leaves the held folder itself.
std::string OwnTempFolder(const std::string& name);

// True when `path` (with or without a trailing "\") is a folder this run made and still holds.
bool IsOwnTempFolder(const std::string& path);

// Lets go of an own folder and removes it with everything in it. False when `path` is not
// one (nothing is then removed) or the removal left something behind.
bool RemoveOwnTempFolder(const std::string& path);

// Lets go of every own folder without removing anything (a test that resets the host machine).
void ForgetOwnTempFolders();
