#include "uninstall/install_record.h"

#include "common/compressed_block.h"
#include "common/ini.h"
#include "common/text.h"
#include "package/data_keys.h"
#include "package/package_types.h"
#include "package/uninst_dat.h"
#include "platform/platform.h"
#include "script/unpack_progress.h"
#include "startup/command_line.h"
#include "wizard/install_sequence.h"
#include "wizard/wizard_config.h"

const char kRecordFailedText[] = "无法生成卸载程序，写入失败: ";
const char kRecordFailedTitle[] = "安装未完成";

namespace {

constexpr size_t kRecordCaption = 3;
constexpr char kStatusPlaceholder[] = "%Default%";

std::vector<UninstallCommand> ReadUninstallCommands(const ini::Document& doc) {
  const char* s = keys::kUninstallCommandsSection;
  const int count =
      ListLength(doc, s, text::ToInt(doc.Get(s, package::kCommandCount)),
                 {package::kCommandExternal, package::kCommandLine, package::kCommandHidden,
                  package::kCommandWait});
  std::vector<UninstallCommand> commands;
  for (int i = 1; i <= count; ++i) {
    UninstallCommand c;
    c.external = doc.Get(s, NumberedKey(package::kCommandExternal, i));
    c.commandLine = doc.Get(s, NumberedKey(package::kCommandLine, i));
    c.hidden = text::IsTrueText(doc.Get(s, NumberedKey(package::kCommandHidden, i)));
    c.wait = text::IsTrueText(doc.Get(s, NumberedKey(package::kCommandWait, i)));
    commands.push_back(c);
  }
  return commands;
}

std::vector<RecordedOption> ReadUninstallOptions(const ini::Document& doc) {
  const char* s = keys::kUninstallOptionsSection;
  const int count =
      ListLength(doc, s, text::ToInt(doc.Get(s, package::kOptionCount)),
                 {package::kOptionCaption, package::kOptionVisible, package::kOptionChecked,
                  package::kOptionCommand});
  std::vector<RecordedOption> options;
  for (int k = 1; k <= count; ++k) {
    options.push_back({doc.Get(s, NumberedKey(package::kOptionCaption, k)),
                       doc.Get(s, NumberedKey(package::kOptionVisible, k)),
                       doc.Get(s, NumberedKey(package::kOptionChecked, k)),
                       doc.Get(s, NumberedKey(package::kOptionCommand, k))});
  }
  return options;
}

}  // namespace

UninstallRecordInputs UninstallRecordInputsOf(const InstallSession& session) {
  const Configuration& config = session.run.config;
  const WizardState& w = session.wizard;
  const ini::Document doc = ini::Document::Parse(config.dataIni);
  UninstallRecordInputs in;
  in.productName = w.productName;
  in.version = w.version;
  in.mainProgram = w.mainProgram;
  in.installFolder = session.run.installPath;
  in.shortcuts = session.shortcuts;
  in.programGroupOverride = session.programGroupOverride;
  in.uninstallMode = w.uninstallMode;
  const SwitchTexts switches = SwitchTextsOf(config.dataIni);
  in.switchDirect = switches.direct;
  in.switchHideEnd = switches.hideEnd;
  in.switchBackground = switches.background;
  in.commands = ReadUninstallCommands(doc);
  in.optionLayout = doc.Get(keys::kUninstallOptionsSection, package::kOptionLayout);
  in.options = ReadUninstallOptions(doc);
  in.installedFileList = TheUnpackProgress().installedFileList;
  in.registryList = session.uninstallRegistryList;
  in.configurationBundle = config.uninstallBlob;
  in.smallPicture = config.smallPicture;
  in.largePicture = config.largePicture;
  in.company = w.company;
  in.uninstallIcon = config.uninstallIcon;
  in.ownFilePath = plat::ModulePath();
  // The launcher is stored as a compressed block: one that does not inflate whole leaves the
  // launcher empty, and the record fails as it does without the resource.
  Bytes stored;
  if (plat::LoadOwnResource(package::kLauncherResourceType, package::kLauncherResourceId, stored))
    in.launcher = block::Inflate(stored);
  return in;
}

bool WriteInstallUninstallRecord(InstallSession& session) {
  const auto& captions = session.wizard.stepCaptions;
  const std::string caption =
      captions.size() > kRecordCaption ? captions[kRecordCaption] : kStatusPlaceholder;
  ShowStatusLine(session, text::ReplaceAll(caption, kStatusPlaceholder,
                                           session.run.installPath + "\\" +
                                               package::kUninstExeFile));

  const RecordResult result = WriteUninstallRecord(UninstallRecordInputsOf(session));
  if (result.written) return true;
  const std::string report = kRecordFailedText + result.failedPath;
  ShowStatusLine(session, report);
  if (session.run.startup.installMode != keys::kModeBackground) {
    const intptr_t owner = session.form ? session.form->Handle("") : 0;
    plat::MessageBox(owner, report, kRecordFailedTitle, plat::kMbOk | plat::kMbIconError);
  }
  return false;
}
