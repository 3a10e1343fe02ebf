#include "startup/startup.h"

#include "platform/platform.h"
#include "startup/archiver_driver.h"
#include "startup/package.h"

const char kTemplateMark[] = "★Tarn模版标识—传统界面模版—☆";

int RunPackageStep(RunContext& context) {
  // Leftovers of an earlier run's plug-in folder go first; plug-ins re-create it.
  plat::RemoveDirectoryTree(plat::TempFolder() + "qzr_dll");

  // The mark must survive the linker's garbage collection: the packer looks for it.
  const char* volatile mark = kTemplateMark;
  (void)mark;

  context.startup.runMode = UnpackPackage(context);
  return context.startup.runMode;
}

ExitCode StartUp(RunContext& context) {
  RunPackageStep(context);
  context.startup.mainWindowVisible = 1;
  CleanUpWorkFiles(context, false);
  if (context.startup.runMode == kRunModeNone || context.package.configUnpackFailed)
    return kExitNoPackage;
  return kExitSuccess;
}

void UseRealArchiver(RunContext& context) {
  context.extractAll = [](const std::string& archive, const std::string& dest,
                          const std::string& password) {
    return ExtractArchive(archive, dest, password, nullptr, "", "");
  };
}
