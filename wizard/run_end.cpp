#include "wizard/run_end.h"

#include "startup/package.h"

void EndRun(InstallSession& session, ExitCode code) {
  // A completed install whose uninstall record failed is not a plain success: a silent caller
  // must learn that the product cannot be removed through its uninstaller.
  if (code == kExitSuccess && session.uninstallRecordFailed) code = kExitUninstallRecordFailed;
  if (!session.outcome) session.outcome = code;
  CleanUpWorkFiles(session.run, true);
  if (session.form) session.form->Close();
}
