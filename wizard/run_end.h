// How an install run ends. Library code never ends the process: it records the outcome here,
// closes the window so that the program's message loop returns, and the program returns the
// code. Every end goes through EndRun so the temp files of the run go with it.
#pragma once

#include "startup/exit_codes.h"
#include "wizard/session.h"

// Records `code` as the run's outcome (the first one stands; kExitSuccess becomes
// kExitUninstallRecordFailed when the uninstall record could not be written), deletes the
// run's temp files (payload copy, work folder) and closes the window. Later events find the
// run ended.
void EndRun(InstallSession& session, ExitCode code);

// True once EndRun was called.
inline bool RunEnded(const InstallSession& session) { return session.outcome.has_value(); }
