// The uninstaller copy's run: the process that uninst.exe started from a copy of uninst.dat.
// The run-mode dispatch of setup.exe hands over here when the package step found the
// uninstaller type; the program builds the uninstall window (uninstall_window.h) on its form
// and this entry runs the engine (uninstall_engine.h) on it.
#pragma once

#include <functional>

#include "plugins/plugin_host.h"
#include "startup/exit_codes.h"
#include "startup/state.h"
#include "ui/form.h"

// Runs the uninstall of the copy whose package step filled `context` on `form`, a form built
// from UninstallWindowDesc(). `runLoop` turns the window's message loop until the window is
// closed; it is not called when the run ended during start-up (no arguments, no record).
// Without a window to show (`canShowWindow` false: no display, the headless build) the
// uninstall runs only when its mode presses Uninstall by itself, and the finish state ends the
// run at once; a run that would wait for the user ends with kExitNoWizard. Returns the outcome
// (uninstall_engine.h lists them; a window that went away without one counts as cancelled).
// `plugins`, when given, is the process's plug-in host: the plug-ins of run mode 1 and 2 are
// started from the record's plug-in files and receive the engine's messages (2000).
ExitCode RunUninstallerCopy(RunContext& context, Form& form, bool canShowWindow,
                            const std::function<void()>& runLoop, PluginHost* plugins = nullptr);
