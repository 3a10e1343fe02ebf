#include "uninstall/uninstall_run.h"

#include "startup/startup.h"

ExitCode RunUninstallerCopy(RunContext& context, intptr_t owner) {
  return ReportNoPackage(context, owner);
}
