// The package step of start-up: what the own file carries, the configuration package unpacked
// into a fresh work folder, the payload copy, split volumes, and their clean-up.
#pragma once

#include <string>
#include <vector>

#include "startup/state.h"

// The message shown for a missing split volume, and its title.
extern const char kMissingVolumeText[];   // "缺少分卷文件:"
extern const char kMissingVolumeTitle[];  // "运行失败"

// Parses the command line, reads the package type and, for an installer package, unpacks and
// reads the configuration (switches, variables). Returns the run mode: 0 none, 1 installer
// (or test mode), 2 uninstaller copy. Ends the process (kExitMissingVolume) when a split
// volume is missing.
int UnpackPackage(RunContext& context);

// The folder of the running program, without trailing "\".
std::string RunFolder();

// The configuration archive's password: MD5 (lower-case hex) of the "KEY" 250 resource.
std::string BuildArchivePassword();

// Locates or joins the payload's split volumes beside the setup file (keys 压缩分卷数,
// 压缩分卷文件名, 分卷大小) and sets `package.payloadArchivePath`.
void PrepareSplitVolumes(RunContext& context);

// True when every name's extension is "." + its three-digit position (".001", ".002", ...);
// a single name always counts as numbered.
bool VolumesAreNumbered(const std::vector<std::string>& names);

// Joins files into `target` by streaming them one after another. False (and no target
// left behind) when a part cannot be read or the target cannot be written.
bool JoinFiles(const std::vector<std::string>& parts, const std::string& target);

// Deletes the payload copy (when `deletePayload` and it lies in the temp folder) and the work
// folder (unless it is the run folder).
void CleanUpWorkFiles(const RunContext& context, bool deletePayload);
