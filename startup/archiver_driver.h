// The archiver driver: all archive work of the runtime goes through the `7-zip32` library,
// driven by Common Archiver API command lines. The library image travels inside setup.exe, is
// written to the temp folder at every start and bound by name through that load folder. It is
// carried as a compressed block and inflated before it is written.
#pragma once

#include <functional>
#include <string>

#include "common/bytes.h"
#include "startup/exit_codes.h"

// The library's file name, and the resource of setup.exe that carries its image.
inline constexpr char kArchiverFileName[] = "7-zip32.dll";
inline constexpr char kArchiverResourceType[] = "ARCHIVER_DLL";
inline constexpr int kArchiverResourceId = 100;

// The install progress callback: destination name and percentage.
using UnpackProgressFn = std::function<void(const std::string& fileName, int percent)>;

// Writes `image` (the library) as 7-zip32.dll into a folder of this run's own in the temp
// folder (CreateOwnTempFolder: made fresh, held, private when elevated) and makes that folder
// the load folder. The file is created new, then held against writers and checked byte for
// byte; a file that is not the image is never loaded from there (the load folder stays "").
// The held file stays open until ReleaseArchiver. An empty image only sets the load folder
// (the temp folder).
void SetUpArchiver(BytesView image);
// The folder the library is loaded from first, ending with "\"; "" when the written file was
// refused or could not be written.
const std::string& ArchiverLoadFolder();
// How the set-up went, for the package step: kExitSuccess when the library was written and
// checked (or SetUpArchiver has not run, as in tests that bring their own extraction),
// kExitTempWriteFailed when its folder or file could not be made, kExitTempFileChanged when
// the file was not the image by the time it was held.
ExitCode ArchiverSetUpOutcome();
// Unloads the library and removes its folder: the end of the process, once no extraction can
// follow.
void ReleaseArchiver();
// SetUpArchiver with the image carried as the program's own resource.
void SetUpArchiverFromResource();

// Validates a drive path and creates every missing level; false for a path without drive,
// with "." / ".." / empty parts (a trailing "\" counts as an empty part, after the levels
// before it were created), or a level that cannot be created.
bool CreateFolderPath(const std::string& path);

// The exact command line for an extraction (see ExtractArchive).
std::string BuildExtractCommand(const std::string& archive, std::string destFolder,
                                const std::string& password, const std::string& includeList,
                                const std::string& excludeList);

// Extracts `archive` into `destFolder` with full paths. Entries come from the comma-separated
// include list ("*" when empty); an exclude list replaces the include entries and excludes
// them again, so the result is everything but the excluded entries. True when the library
// returned 0; ArchiverLastResult() keeps its code.
bool ExtractArchive(const std::string& archive, const std::string& destFolder,
                    const std::string& password, const UnpackProgressFn& progress,
                    const std::string& includeList, const std::string& excludeList);
int ArchiverLastResult();

// The library's result codes that mean a wrong password (for messages).
bool IsPasswordError(int result);

// Extracts the assignment groups of Except.ini (lines "folder,-1" open a group, other lines
// name an entry of the current group) from `payload` into their folders, after replacing
// "%InstallPath%" by `installPath`. Every assigned entry is also appended (entry + ",") to
// `excludeList`, so the main extraction does not write it a second time. Sets the group count
// and index of the progress state. True when every group extracted.
bool ExtractAssignedFiles(const std::string& assignments, const std::string& installPath,
                          const std::string& payload, const std::string& password,
                          const UnpackProgressFn& progress, std::string& excludeList);

// Extracts single entries into individual folders (comma-separated lists paired by position);
// nothing in test mode. True when every extraction succeeded.
bool ExtractToFolders(const std::string& names, const std::string& folders,
                      const std::string& password, const std::string& payload, bool testMode);
