// The install's uninstall-record step: what an install session holds turned into the record
// writer's inputs, the status line of the installing page, and the report of a failure.
// setup.exe sets InstallSession::writeUninstallRecord to WriteInstallUninstallRecord.
#pragma once

#include <string>

#include "uninstall/record_writer.h"
#include "wizard/session.h"

// Shown on the status line (and, in the wizard modes, in a message box with kRecordFailedTitle)
// followed by the path of the file that could not be written.
extern const char kRecordFailedText[];
extern const char kRecordFailedTitle[];

// The inputs from the session: its configuration, wizard state, shortcut list (after the
// shortcut step), the uninstall-registry list of the registry step, the installed-file list of
// the extraction; the uninstall commands and options from data.ini held in memory. The own
// file path and the launcher image come from the process (ModulePath, resource "UNINST_DAT"
// 100).
UninstallRecordInputs UninstallRecordInputsOf(const InstallSession& session);

// Step 10 of the install sequence: entry 3 of the step captions on the status line ("%Default%"
// = install folder + "\uninst.exe"), then the record. A failure is shown on the status line,
// and in a message box unless the install runs in the background; false then.
bool WriteInstallUninstallRecord(InstallSession& session);
