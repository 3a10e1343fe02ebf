// The wizard half of start-up: from the package step to the first page (or the silent install),
// on whatever Form the program built. The window-system pieces that a Form does not cover (the
// hidden host-callback window, the plug-ins, the uninstall window) come in as hooks, so the
// whole order runs in native tests on a headless form.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "startup/exit_codes.h"
#include "wizard/session.h"


struct InstallerHooks {
  // Start-up step 4: the hidden child window whose caption publishes the host query entry.
  std::function<void(InstallSession&)> createHostCallbackWindow;
  // Step 7.5: the plug-ins' start-up calls.
  std::function<void(InstallSession&)> startPlugins;
};

// Start-up of an install run on `session.form` (which must be set), after the package step
// (RunPackageStep) chose the installer role: the host-callback window, the wizard's
// configuration, tree and texts, the install mode, the first page and the clean-up of the work
// folder. The wizard's events are bound to the form.
// Returns true when the wizard now runs: the caller's message loop goes on until the run ends
// (the form closes) and session.outcome holds the exit code. False when the run is already
// over, with its code in `exitCode`: the background mode's install (kExitSuccess, or its
// failure: kExitInstallCheckFailed when the checks refused the folder, kExitPasswordFailed,
// kExitExtractionFailed, ...).
bool StartInstallerRun(InstallSession& session, const InstallerHooks& hooks,
                       ExitCode& exitCode);
