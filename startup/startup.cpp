#include "startup/startup.h"

#include "platform/platform.h"
#include "startup/archiver_driver.h"
#include "startup/package.h"
#include "package/data_keys.h"
#include "package/plugin_files.h"
#include "package/uninst_dat.h"
#include "system/temp_names.h"

const char kTemplateMark[] = "★Tarn模版标识—传统界面模版—☆";

int RunPackageStep(RunContext& context) {
  // Leftovers of an earlier run's plug-in folder go first, and the run makes the folder its
  // own at once, before anything could be planted in it: plug-ins and the uninstall record
  // use this one (OwnTempFolder gives it to them).
  (void)OwnTempFolder(package::kRecordWorkFolder);

  // The mark must survive the linker's garbage collection: the packer looks for it.
  const char* volatile mark = kTemplateMark;
  (void)mark;

  context.startup.runMode = UnpackPackage(context);
  return context.startup.runMode;
}

ExitCode StartUp(RunContext& context) {
  RunPackageStep(context);
  context.startup.mainWindowVisible = 1;
  const ExitCode code = PackageStepOutcome(context);
  CleanUpWorkFiles(context, code != kExitSuccess);
  return code;
}

ExitCode PackageStepOutcome(const RunContext& context) {
  if (context.package.stop != kExitSuccess) return context.package.stop;
  if (context.startup.runMode == kRunModeNone || context.package.configUnpackFailed)
    return kExitNoPackage;
  return kExitSuccess;
}

const char kNoPackageText[] = "安装包数据缺失或已损坏，无法继续安装。";
const char kNoPackageTitle[] = "运行失败";

RunRole ChooseRunRole(const RunContext& context) {
  if (context.package.stop != kExitSuccess) return RunRole::kStop;
  const int mode = context.startup.runMode;
  if (mode == kRunModeUninstaller)
    return context.startup.commandArgs.size() == 1 ? RunRole::kInstaller : RunRole::kUninstaller;
  if (mode == kRunModeNone || context.package.configUnpackFailed) return RunRole::kNoPackage;
  return RunRole::kInstaller;
}

ExitCode ReportNoPackage(RunContext& context, intptr_t owner) {
  CleanUpWorkFiles(context, true);
  if (context.startup.installMode != keys::kModeBackground)
    plat::MessageBox(owner, kNoPackageText, kNoPackageTitle, plat::kMbOk | plat::kMbIconError);
  return kExitNoPackage;
}

void UseRealArchiver(RunContext& context) {
  context.extractAll = [](const std::string& archive, const std::string& dest,
                          const std::string& password) {
    return ExtractArchive(archive, dest, password, nullptr, "", "");
  };
}
