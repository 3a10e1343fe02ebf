// Process start of setup.exe: the program-wide state and the package step. The wizard part of
// start-up (wizard/installer_startup.h) continues from here; this layer cannot see the wizard.
#pragma once

#include <cstdint>

#include "startup/exit_codes.h"
#include "startup/state.h"

// The template identification text: the packaging tool recognises this program by it.
extern const char kTemplateMark[];  // "★Tarn模版标识—传统界面模版—☆"

// Start-up steps 1 to 3: the plug-in folder's leftovers removed, the template mark held, and
// the package step (command line, package type, configuration). Returns the run mode.
int RunPackageStep(RunContext& context);

// The package step alone, then the work folder's clean-up: for runs that stop after the
// package (tools, tests). Its outcome as PackageStepOutcome gives it.
ExitCode StartUp(RunContext& context);

// How the package step left the run: package.stop when it had to stop (missing volume, temp
// folder not writable), kExitNoPackage without an installer package or configuration, else
// kExitSuccess (the uninstaller copy included; the caller tells it by its run mode).
ExitCode PackageStepOutcome(const RunContext& context);

// What the process does after the package step; the program's entry dispatches on it.
enum class RunRole {
  kStop,            // the package step ended the run (package.stop: missing volume, temp full)
  kNoPackage,       // no installer package, or its configuration did not unpack
  kUninstaller,     // the uninstaller copy: its own window takes over
  kInstaller,       // the wizard (or a silent install)
};

// The role of the run from the package step's results. The uninstaller copy given exactly one
// argument shows the wizard window as the installer does.
RunRole ChooseRunRole(const RunContext& context);

// The message of a run without a usable package (wizard modes), and its title.
extern const char kNoPackageText[];   // "安装包数据缺失或已损坏，无法继续安装。"
extern const char kNoPackageTitle[];  // "运行失败"

// A run that cannot install would show an empty wizard: it says why (not in the background
// mode), deletes its temp files and returns kExitNoPackage. `owner` is the message box's owner.
ExitCode ReportNoPackage(RunContext& context, intptr_t owner);

// Makes the package step extract through the real archiver driver.
void UseRealArchiver(RunContext& context);
