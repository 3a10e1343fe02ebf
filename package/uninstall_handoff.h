// How uninst.exe and the uninstall engine it starts work together. The launcher copies the
// engine into %TEMP%\Uninstall\<product>\ and waits for it, so that whoever ran
// UninstallString (the user, a package manager, a deployment tool) sees the uninstall's real
// end and outcome. The engine in turn must outlive the launcher to delete uninst.exe and the
// emptied install folder. The hand-off that resolves this, step by step:
//
//  1. The launcher creates the event kResultEventPrefix + its process id (manual reset,
//     unsignalled) and opens kLockFileName in the engine folder without delete sharing; it
//     keeps both until it ends.
//  2. It starts the engine with the engine arguments, the last of them
//     kLauncherArgumentPrefix + its process id (decimal). The engine removes that argument
//     before it looks for its switches.
//  3. The engine opens kLockFileName as well (read sharing with the launcher's handle), and
//     holds it until it ends: a launcher of another uninstall that cleans %TEMP%\Uninstall
//     cannot delete the file and leaves that folder alone.
//  4. When the removal is over (everything but uninst.exe and the install folder itself), the
//     engine writes its exit code, in decimal, to kResultFileName in its folder and signals
//     the event. The launcher then reads the file, ends, and returns that code.
//  5. The engine waits (at most kLauncherWaitMs) for the launcher's process to end, then
//     deletes uninst.exe and the install folder when it is empty.
//
// An engine that ends before step 4 (cancelled, no data) ends the launcher's wait with its own
// exit code. An engine started without the launcher argument (an older launcher, or by hand)
// skips steps 3 to 5's waiting and the result file.
#pragma once

#include <cstdint>

namespace package {

// The folder below the user's temp folder that holds one engine folder per product.
inline constexpr char kUninstallTempFolder[] = "Uninstall";
// The engine's third argument.
inline constexpr char kEngineArgumentWord[] = "卸载";
// Zero bytes the launcher appends to the engine copy.
inline constexpr uint64_t kEngineCopyPadding = 0xA00000;
// The icon file the launcher writes into the engine folder.
inline constexpr char kEngineIconFile[] = "uninst.ico";
// The engine data file the launcher writes into the engine folder (normally empty).
inline constexpr char kEngineDataFile[] = "uninst.dat";

inline constexpr char kLauncherArgumentPrefix[] = "/uninst-launcher:";
inline constexpr char kResultEventPrefix[] = "Local\\uninst-result-";
inline constexpr char kLockFileName[] = "uninst.lock";
inline constexpr char kResultFileName[] = "uninst.result";
inline constexpr uint32_t kLauncherWaitMs = 15000;

}  // namespace package
