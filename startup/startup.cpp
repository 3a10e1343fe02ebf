#include "startup/startup.h"

#include "platform/platform.h"
#include "startup/package.h"

const char kTemplateMark[] = "★Tarn模版标识—传统界面模版—☆";

ExitCode StartUp(RunContext& context) {
  // Leftovers of an earlier run's plug-in folder go first; plug-ins re-create it.
  plat::RemoveDirectoryTree(plat::TempFolder() + "qzr_dll");

  // The mark must survive the linker's garbage collection: the packer looks for it.
  const char* volatile mark = kTemplateMark;
  (void)mark;

  context.startup.runMode = UnpackPackage(context);
  context.startup.mainWindowVisible = 1;
  CleanUpWorkFiles(context, false);
  return context.startup.runMode == kRunModeNone ? kExitNoPackage : kExitSuccess;
}

ExitCode RunSetup() {
  RunContext context;
  // The archiver library arrives with the archive engine; until then nothing is extracted.
  context.extractAll = [](const std::string&, const std::string&, const std::string&) {
    return false;
  };
  return StartUp(context);
}
