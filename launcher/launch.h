// What uninst.exe does, over the platform layer so that the whole order runs in native tests:
// clean the engine folders under %TEMP%\Uninstall that no running uninstall holds, copy the
// engine kept beside the launcher (uninst.dat) into the product's engine folder, start it
// there with the engine arguments and wait for its outcome (package/uninstall_handoff.h).
// Only the Win32 pieces a platform call does not cover (the own resources, the own icon, the
// start and the wait) come in from the entry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "startup/exit_codes.h"

// The message when uninst.dat is not beside the launcher.
extern const char kEngineMissingText[];  // "卸载数据丢失，无法启动卸载程序！"
// The message when the engine folder cannot take the engine copy.
extern const char kEngineCopyFailedText[];
// The message when the engine copy does not start.
extern const char kEngineStartFailedText[];
// The message when an uninstall of the same product still runs from its engine folder.
extern const char kUninstallRunningText[];
// The message when the engine copy is not what was copied by the time it is held.
extern const char kEngineChangedText[];  // "临时文件夹中的卸载程序被其他程序改动，卸载已中止。"

struct LauncherRun {
  std::string ownPath;                 // full path of the launcher (normally R\uninst.exe)
  std::vector<std::string> arguments;  // the launcher's own arguments, quotes removed
  Bytes nameResource;                  // "NAME" 100 as stored (the name, then NUL padding)
  Bytes engineData;                    // "uninst_dat" 103; none as the install writes it
  Bytes icon;                          // the launcher's own icon as .ico bytes; empty for none
  std::string tempFolder;              // the user's temp folder, ending with "\"
  uint32_t processId = 0;              // the launcher's own, for the hand-off
  intptr_t owner = 0;                  // owner of message boxes
  // Starts `engine` with `parameters` and waits for its outcome: the code of its result file
  // once its event is signalled, or its exit code when it ends first. False when it did not
  // start.
  std::function<bool(const std::string& engine, const std::string& parameters,
                     const std::string& engineFolder, ExitCode& outcome)>
      startAndWait;
};

// The product name: the resource up to its first NUL byte. A name that could not be one plain
// folder name (empty, "..", a separator: a tampered launcher) gives "uninst", so that the
// engine folder stays below %TEMP%\Uninstall whatever the resource says.
std::string LauncherProductName(BytesView nameResource);

// The engine arguments: "R" "T" 卸载, the own arguments each followed by one blank (quoted
// when they hold a blank), then the hand-off argument with the launcher's process id.
std::string EngineParameters(const std::string& installFolder, const std::string& engineFolder,
                             const std::vector<std::string>& arguments, uint32_t processId);

// Empties %TEMP%\Uninstall except the engine folders of uninstalls still running (their lock
// file cannot be deleted), and makes sure the folder exists.
void CleanEngineFolders(const std::string& tempFolder);

// The launcher's whole run. Returns the engine's outcome, or: kExitUninstallDataMissing when
// uninst.dat is missing (after the message box), kExitTempWriteFailed when the engine copy
// could not be written, kExitEngineStartFailed when it did not start, kExitUninstallRunning
// when the product's engine folder is still held by a running uninstall (two engines would
// remove the same files and the second could not even replace the first one's copy), or
// exists again after the clean-up; kExitTempFileChanged when the copy differs from uninst.dat
// by the time it is held against writers (nothing is started then).
ExitCode RunLauncher(const LauncherRun& run);
