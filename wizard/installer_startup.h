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

// The message of a run without a usable package (wizard modes), and its title.
extern const char kNoPackageText[];
extern const char kNoPackageTitle[];

struct InstallerHooks {
  // Start-up step 4: the hidden child window whose caption publishes the host query entry.
  std::function<void(InstallSession&)> createHostCallbackWindow;
  // Step 7.5: the plug-ins' start-up calls.
  std::function<void(InstallSession&)> startPlugins;
  // Step 6: the uninstaller copy's own window; true when it took over the run. Without it the
  // uninstaller copy ends like a run without package.
  std::function<bool(InstallSession&)> openUninstallWindow;
};

// Start-up of an install run on `session.form` (which must be set): the package step, the
// host-callback window, the wizard's configuration, tree and texts, the install mode, the first
// page and the clean-up of the work folder. The wizard's events are bound to the form.
// Returns true when the wizard now runs (the caller's message loop goes on until the process
// ends itself); false when the run is already over, with its code in `exitCode`:
// kExitNoPackage (no package or configuration), kExitInstallCheckFailed (background mode, the
// install checks refused the folder). A completed background install never returns: the end
// step ends the process with kExitSuccess.
bool StartInstallerRun(InstallSession& session, const InstallerHooks& hooks,
                       ExitCode& exitCode);
