// Exit codes of setup.exe and uninst.exe. 0 means the install (or uninstall) completed; every
// other way a run can end has its own code. Numbers are never reused for another meaning.
#pragma once

enum ExitCode : unsigned {
  kExitSuccess = 0,             // install or uninstall completed
  kExitCancelled = 2,           // the user confirmed Cancel, or the wizard was closed
  kExitPasswordFailed = 3,      // install password wrong or not given (background mode)
  kExitMissingVolume = 4,       // a split volume of the payload is missing
  kExitExtractionFailed = 5,    // the payload could not be extracted
  kExitNoPackage = 6,           // no package, or its configuration could not be unpacked
  kExitInstallCheckFailed = 7,  // background mode: the install folder was refused
  kExitNoWizard = 8,            // a wizard run where this build has no window to show
  kExitTempWriteFailed = 9,     // the temp folder could not take the work files (full, no access)
  kExitUninstallDataMissing = 10,  // uninstall: uninst.dat or its record is missing or damaged
  kExitNotAllRemoved = 11,      // uninstall: some recorded items could not be removed
  // The install completed, but its uninstall record (uninst.exe, uninst.dat) could not be
  // written: the product cannot be removed through its uninstaller.
  kExitUninstallRecordFailed = 12,
  kExitEngineStartFailed = 13,  // uninst.exe: the uninstall engine copy did not start
  kExitUninstallRunning = 14,   // uninst.exe: an uninstall of the same product is still running
  // A file the install had to replace is held by another program (the product is running):
  // the background mode, or the user chose Cancel when asked to retry. The run was rolled back.
  kExitFileInUse = 15,
  // A failed or cancelled install (or the unfinished one an earlier run left) could not be
  // undone completely; its backup folder and record stay in the install folder.
  kExitNotRestored = 16,
  // A program file the run wrote to the temp folder (7-zip32.dll; uninst.exe's engine copy) was
  // not what it wrote by the time it was held against writers: nothing was loaded or started.
  kExitTempFileChanged = 17,
};
