// The uninstaller copy's run: the process that uninst.exe started from a copy of uninst.dat.
// The run-mode dispatch of setup.exe hands over here when the package step found the
// uninstaller type. The uninstall window and engine build on this entry.
#pragma once

#include <cstdint>

#include "startup/exit_codes.h"
#include "startup/state.h"

// Runs the uninstall of the copy whose package step filled `context`; `owner` owns its
// message boxes. Until the engine is part of this build the copy cannot remove anything: it
// says so like a run without a usable package and returns kExitNoPackage, so that no caller
// takes it for a completed uninstall.
ExitCode RunUninstallerCopy(RunContext& context, intptr_t owner);
