// Process start of setup.exe: the program-wide state and the package step. The wizard part of
// start-up (wizard/installer_startup.h) continues from here; this layer cannot see the wizard.
#pragma once

#include "startup/exit_codes.h"
#include "startup/state.h"

// The template identification text: the packaging tool recognises this program by it.
extern const char kTemplateMark[];  // "★Tarn模版标识—传统界面模版—☆"

// Start-up steps 1 to 3: the plug-in folder's leftovers removed, the template mark held, and
// the package step (command line, package type, configuration). Returns the run mode.
int RunPackageStep(RunContext& context);

// The package step alone, then the work folder's clean-up: for runs that stop after the
// package (tools, tests). kExitNoPackage when there is no package or its configuration did not
// unpack, else kExitSuccess.
ExitCode StartUp(RunContext& context);

// Makes the package step extract through the real archiver driver.
void UseRealArchiver(RunContext& context);
