#include "wizard/run_end.h"

#include "startup/package.h"

void EndRun(InstallSession& session, ExitCode code) {
  if (!session.outcome) session.outcome = code;
  CleanUpWorkFiles(session.run, true);
  if (session.form) session.form->Close();
}
