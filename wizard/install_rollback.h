// The install sequence's undo: an earlier unfinished run restored first, the undo record of
// this run (system/install_journal.h) fed by the extraction, the shortcut and registry steps
// and the uninstall record, and the end of a run that failed or was cancelled with the machine
// put back as it was.
#pragma once

#include <string>

#include "startup/exit_codes.h"
#include "system/install_journal.h"
#include "system/registry.h"
#include "system/shortcuts.h"
#include "wizard/session.h"

// Said on the status line, and added to the message of the wizard modes, once a failed or
// cancelled install has been undone.
extern const char kRestoredText[];
// Said when the undo left something behind; followed by the backup folder's path.
extern const char kNotRestoredText[];
extern const char kNotRestoredTitle[];
// A file to be replaced is held by another program: the status line (followed by the path),
// and the retry / cancel question of the wizard modes (path, then kFileInUseQuestion).
extern const char kFileInUseText[];
extern const char kFileInUseQuestion[];
extern const char kFileInUseTitle[];
// Status line after the changes of an earlier, unfinished run were undone.
extern const char kEarlierRunRestoredText[];

struct InstallUndo {
  InstallJournal journal;
  std::string fileInUse;       // the file that stopped the extraction
  bool recordFailed = false;   // the undo record or a backup could not be written
};

// Before anything of the install is written: undoes what an unfinished earlier run left in the
// install folder (status line), then starts this run's record. When either fails the run ends
// here (earlier run not undone: kExitNotRestored, or kExitFileInUse when another run still
// holds its record; record not started, a full or locked drive: kExitExtractionFailed, with
// its message in the wizard modes) and the result is false.
bool StartInstallUndo(InstallSession& session, InstallUndo& undo);

// Hooks the record into the extraction: each extraction root noted, each file noted or its
// earlier version moved into the backup before it is written. A file held by another program
// is asked about (retry / cancel) in the wizard modes; the background mode, or Cancel, stops
// the extraction with undo.fileInUse set. A record that cannot be written stops it too.
void WireInstallUndo(InstallSession& session, InstallUndo& undo);
// Takes the hooks off again.
void UnwireInstallUndo();

// The hooks of the shortcut and registry steps.
void AddUndoHooks(InstallUndo& undo, ShortcutInputs& inputs);
void AddUndoHooks(InstallUndo& undo, RegistryListInput& input);

// Undoes the run and ends it with `code`: kRestoredText on the status line and, when
// `message` is not empty and the run is not in the background mode, a message box with
// `message` and kRestoredText. An undo that left something behind ends with kExitNotRestored
// instead, naming the backup folder (status line, and a message box in the wizard modes).
void RollBackAndEnd(InstallSession& session, InstallUndo& undo, ExitCode code,
                    const std::string& message, const std::string& title);

// The install completed: the backup folder goes.
void CommitInstallUndo(InstallUndo& undo);
