// Process start of setup.exe, in order: the program-wide state, the package step, the run
// mode. The wizard, the install and the uninstall engine join this sequence as they arrive.
#pragma once

#include "startup/exit_codes.h"
#include "startup/state.h"

// The template identification text: the packaging tool recognises this program by it.
extern const char kTemplateMark[];  // "★Tarn模版标识—传统界面模版—☆"

// Runs the start-up steps on `context` (the package step and what follows it) and returns
// the exit code of the run.
ExitCode StartUp(RunContext& context);

// The whole run with the real archiver and windows; the entry of setup.exe.
ExitCode RunSetup();
