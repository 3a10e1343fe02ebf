// The package step of start-up: what the own file carries, the configuration package unpacked
// into a fresh work folder, the payload copy, split volumes, and their clean-up.
#pragma once

#include <string>
#include <vector>

#include "startup/state.h"

// The message shown for a missing split volume, and its title (which the temp-folder message
// shares).
extern const char kMissingVolumeText[];   // "缺少分卷文件:"
extern const char kMissingVolumeTitle[];  // "运行失败"
// The message when the temp folder cannot take the work files.
extern const char kTempWriteFailedText[];
// The message when 7-zip32.dll was not what the run wrote by the time it was held (exit 17).
extern const char kTempFileChangedText[];

// Parses the command line, reads the package type and, for an installer package, unpacks and
// reads the configuration (switches, variables). Returns the run mode: 0 none, 1 installer
// (or test mode), 2 uninstaller copy. An installer package that cannot run sets
// `package.configUnpackFailed` (no configuration block, or it did not extract) or
// `package.stop` (kExitMissingVolume after its message; kExitTempWriteFailed when the work
// folder, the payload copy or the joined volumes could not be written whole, after its
// message); nothing further is read then.
int UnpackPackage(RunContext& context);

// The folder of the running program, without trailing "\".
std::string RunFolder();

// The configuration archive's password: MD5 (lower-case hex) of the "KEY" 250 resource.
std::string BuildArchivePassword();

// Locates or joins the payload's split volumes beside the setup file (keys 压缩分卷数,
// 压缩分卷文件名, 分卷大小) and sets `package.payloadArchivePath`. kExitMissingVolume (after its
// message) when a volume is missing, kExitTempWriteFailed when the join could not be written.
[[nodiscard]] ExitCode PrepareSplitVolumes(RunContext& context);

// True when every name's extension is "." + its three-digit position (".001", ".002", ...);
// a single name always counts as numbered.
bool VolumesAreNumbered(const std::vector<std::string>& names);

// Joins files into `target` by streaming them one after another. False (and no target
// left behind) when a part cannot be read or the target cannot be written.
bool JoinFiles(const std::vector<std::string>& parts, const std::string& target);

// Deletes what this run wrote into the temp folder: the payload copy or joined volumes (with
// `deletePayload`) and the work folder it created. Nothing else, wherever the setup file, its
// volumes or a payload named by a plug-in lie. Safe to call more than once.
void CleanUpWorkFiles(RunContext& context, bool deletePayload);
