#include "uninstall/uninstall_engine.h"

#include <algorithm>

#include "common/keyed_store.h"
#include "common/text.h"
#include "package/blocks.h"
#include "package/data_keys.h"
#include "package/install_path.h"
#include "package/uninst_dat.h"
#include "package/uninst_dat.h"
#include "package/uninstall_handoff.h"
#include "plugins/host_messages.h"
#include "plugins/plugin_call.h"
#include "system/file_tree.h"
#include "system/folders.h"
#include "system/registry.h"
#include "system/registry_path.h"
#include "system/shortcut_file.h"
#include "system/shortcuts.h"
#include "system/temp_names.h"
#include "system/windows_version.h"
#include "uninstall/removal_safety.h"
#include "uninstall/uninstall_window.h"

const char kNotRemovedPrefix[] = "未能删除: ";
const char kNameSkippedText[] = "软件名称不是单个文件夹名，跳过: ";
const char kFolderKeptText[] = "安装目录是系统或用户文件夹，保留: ";
const char kEngineFolderKeptText[] = "卸载临时目录不在 %TEMP%\\Uninstall\\ 下，保留: ";
const char kUninstallDataMissingText[] = "卸载数据丢失，无法启动卸载程序！";

namespace {

namespace c = uninstall_controls;

// The two uninstall modes that the record's "卸载模式" can name.
constexpr char kUninstallModeBackground[] = "后台卸载";
constexpr char kUninstallModeDirect[] = "直接卸载";
constexpr char kDeleteFileText[] = "删除文件: ";
constexpr char kDeleteKeyText[] = "删除注册项: ";
constexpr char kDeleteFolderText[] = "删除目录: ";
constexpr char kReadingText[] = "正在获取所需要的卸载信息中";
constexpr char kRemainingFoldersText[] = "获取剩余目录信息";
constexpr char kFinishCaption[] = "完成";
constexpr char kAllUsersPrograms[] = "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
constexpr char kOptionBoxPrefix[] = "选择框_卸载选项";
// The background switch's usual text: before the record is read it is the only one known.
constexpr char kDefaultBackgroundSwitch[] = "-hp";
constexpr uint32_t kArchiveAttribute = 32;
// Bounds on counts read from the record: a damaged number must not make the window build
// thousands of boxes or the shortcut step look up millions of keys.
constexpr int kMaxOptions = 32;
constexpr int kMaxShortcutEntries = 4096;
constexpr int kMaxCommands = 4096;
constexpr int kOptionRowHeight = 24;

std::string Main(const UninstallSession& s, const char* key) {
  return s.recordIni.Get(package::kRecordMainSection, key);
}

// The record's values of `count` entries may be missing or garbage; ToInt reads 0 then.
int BoundedCount(const std::string& value, int bound) {
  return std::clamp(text::ToInt(value), 0, bound);
}

bool EndsWithLnk(const std::string& path) {
  return path.size() > 4 && text::EqualsIgnoreCaseAscii(path.substr(path.size() - 4), ".lnk");
}

// Every piece a plain folder name: a program group may be a nested folder of the Programs menu,
// never a way out of it.
bool IsPlainRelativeFolder(const std::string& folder) {
  if (folder.empty()) return false;
  for (const std::string& piece : text::SplitPath(folder))
    if (!text::IsPlainFolderName(piece)) return false;
  return true;
}

void NoteNotRemoved(UninstallSession& s, const std::string& item) {
  s.notRemoved.push_back(item);
  ShowUninstallStatus(s, kNotRemovedPrefix + item);
}

// Deletes one file that the record names; a file that was already gone counts as removed.
void DeleteRecordedFile(UninstallSession& s, const std::string& path) {
  if (!plat::PathExists(path) && !IsLink(path)) return;
  (void)plat::SetFileAttributes(path, kArchiveAttribute);
  (void)plat::DeleteFile(path);
  if (plat::FileExists(path) || IsLink(path)) NoteNotRemoved(s, path);
}

// A folder of the product deleted with its contents (links removed as links).
void DeleteProductFolder(UninstallSession& s, const std::string& folder) {
  if (!plat::DirectoryExists(folder) && !IsLink(folder)) return;
  ShowUninstallStatus(s, kDeleteFolderText + folder);
  if (!RemoveTreeNoFollow(folder)) NoteNotRemoved(s, folder);
}

void SetProgressLook(Form& form, bool progress) {
  form.SetVisible(c::kWelcome, !progress);
  form.SetVisible(c::kFolderLabel, !progress);
  form.SetVisible(c::kFolder, !progress);
  form.SetVisible(c::kStep, progress);
  form.SetVisible(c::kProgress, progress);
  form.SetVisible(c::kSteps, progress);
}

void ShowProgressState(UninstallSession& s) {
  Form& form = *s.form;
  SetProgressLook(form, true);
  for (const UninstallOption& option : s.options) form.SetVisible(option.control, false);
  form.SetText(c::kTitle, "正在卸载…");
  form.SetText(c::kSubtitle, s.productName + "正在卸载，请稍候…");
  form.SetEnabled(c::kUninstallButton, false);
  form.SetEnabled(c::kCancelButton, false);
  form.PumpEvents();
}

void ShowFinishState(UninstallSession& s) {
  Form& form = *s.form;
  form.SetProgress(c::kProgress, 100);
  form.SetText(c::kTitle, "已完成卸载！");
  form.SetText(c::kSubtitle, s.productName + "已完成卸载，请点完成按钮~");
  form.SetText(c::kUninstallButton, kFinishCaption);
  form.SetEnabled(c::kUninstallButton, true);
  form.SetDefaultButton(c::kUninstallButton);
  form.PumpEvents();
}

// Step 4 of the hand-off: the launcher learns the outcome while the engine still runs.
void ReportResult(UninstallSession& s, ExitCode code) {
  if (s.resultReported || s.launcherProcessId == 0 || !s.engineFolderAllowed) return;
  s.resultReported = true;
  (void)plat::WriteFileBytes(s.engineFolder + "\\" + package::kResultFileName, text::FromInt(code));
  (void)plat::SignalNamedEvent(package::kResultEventPrefix + text::FromInt(s.launcherProcessId));
}

// The engine arguments: R, T, the launcher's arguments without the hand-off argument.
void ReadArguments(UninstallSession& s) {
  std::string r = s.arguments[0];
  std::string t = s.arguments[1];
  s.installFolder = NormalizeFolder(r);
  s.engineFolder = NormalizeFolder(t);
  s.engineFolderAllowed = IsEngineFolderAllowed(s.engineFolder);
  const std::string prefix = package::kLauncherArgumentPrefix;
  for (size_t i = 3; i < s.arguments.size(); ++i) {
    const std::string& argument = s.arguments[i];
    if (argument.compare(0, prefix.size(), prefix) == 0) {
      s.launcherProcessId = uint32_t(text::ToInt64(argument.substr(prefix.size())));
      continue;
    }
    s.launcherArguments.push_back(argument);
  }
}

// Step 2 of StartUninstallWizard: the three blocks of R\uninst.dat. False without the record.
bool ReadRecordBlocks(UninstallSession& s) {
  const std::string dat = s.installFolder + "\\" + package::kEngineDataFile;
  if (!plat::FileExists(dat)) return false;
  blocks::ForwardResult ini =
      blocks::FindBlockForward(dat, blocks::kUninstIniStart, blocks::kUninstIniEnd);
  if (!ini.found || ini.content.empty()) return false;
  s.record = std::move(ini.content);
  s.recordIni = ini::Document::Parse(s.record);
  const Bytes bundle =
      blocks::FindBlockForward(dat, blocks::kUninstDataStart, blocks::kUninstDataEnd).content;
  s.skinStore = blocks::FindBlockForward(dat, blocks::kSkinStart, blocks::kSkinEnd).content;
  if (s.engineFolderAllowed) {
    (void)plat::CreateDirectories(s.engineFolder);
    (void)plat::WriteFileBytes(s.engineFolder + "\\" + package::kUninstIniFile, s.record);
    (void)plat::WriteFileBytes(s.engineFolder + "\\" + package::kEngineDataFile, bundle);
  }
  s.productName = Main(s, package::kRecordProductName);
  s.version = Main(s, package::kRecordVersion);
  s.mainProgram = Main(s, package::kRecordMainProgram);
  // The work folder of the plug-ins: %TEMP% + name. Only a plain name builds it; the temp
  // folder's own Uninstall folder is the launcher's and never a product's.
  if (text::IsPlainFolderName(s.productName) &&
      !text::EqualsIgnoreCaseAscii(s.productName, package::kUninstallTempFolder)) {
    // The run's own folder: plug-in images read from a folder someone else made could be
    // anybody's, and the engine often runs with administrator rights.
    const std::string own = OwnTempFolder(s.productName);
    s.workFolder = own.empty() ? std::string() : own + "\\";
    const std::vector<std::string> pieces = text::Split(bundle, package::kBundleSeparator);
    // The bundle's order (package/uninst_dat.h).
    const char* names[] = {keys::kPluginIni, keys::kPluginDb, keys::kVarDataIni,
                           keys::kVariableIni};
    for (size_t i = 0; i < 4 && i < pieces.size() && !s.workFolder.empty(); ++i)
      (void)plat::WriteFileBytes(s.workFolder + names[i], pieces[i]);
  }
  return true;
}

void FillWindow(UninstallSession& s) {
  Form& form = *s.form;
  const std::string full = s.productName + s.version;
  form.SetText("", full + " 卸载向导");
  form.SetText(c::kTitle, "卸载 “" + full + "”");
  form.SetText(c::kSubtitle, "从你的计算机卸载 “" + full + "”");
  form.SetText(c::kWelcome,
               "这个向导将从你的计算机卸载“" + full + "”。 单击 [卸载] 开始解除安装程序。");
  form.SetText(c::kFolder, s.installFolder);
  form.SetFont(c::kTitle, {"", 9, true});
  const Rgb white = 0xFFFFFF;
  for (const char* band : {c::kHeader, c::kTitle, c::kSubtitle, c::kPicture})
    form.SetBackColour(band, white);

  Bytes item;
  std::string rights;
  if (ReadKeyedItem(s.skinStore, package::kSkinCopyright, false, item)) rights = item;
  for (int i = 0; i < 40; ++i) rights += "—";
  form.SetText(c::kRights, rights);
  form.SetEnabled(c::kRights, false);
  if (ReadKeyedItem(s.skinStore, package::kSkinSmallPicture, false, item))
    (void)form.SetPicture(c::kPicture, item);
  Bytes icon;
  if (plat::ReadFileBytes(s.engineFolder + "\\" + package::kEngineIconFile, icon))
    (void)form.SetWindowIcon(icon);
  form.SetDefaultButton(c::kUninstallButton);
}

// The option boxes: clones of 选择框_备用, the visible ones one under the other from "y" (the
// top of the first box in window pixels; the model's own top when "y" is no positive number).
void BuildOptionBoxes(UninstallSession& s) {
  Form& form = *s.form;
  const int count = BoundedCount(
      s.recordIni.Get(package::kRecordOptionsSection, package::kOptionCount), kMaxOptions);
  const Bounds model = form.GetBounds(c::kOptionModel);
  const int y =
      text::ToInt(s.recordIni.Get(package::kRecordOptionsSection, package::kOptionLayout));
  int top = y > 0 ? y : model.top;
  for (int k = 1; k <= count; ++k) {
    const std::string n = text::FromInt(k);
    UninstallOption option;
    option.caption = s.recordIni.Get(package::kRecordOptionsSection, package::kOptionCaption + n);
    option.visible = text::IsTrueText(
        s.recordIni.Get(package::kRecordOptionsSection, package::kOptionVisible + n));
    option.ticked = text::IsTrueText(
        s.recordIni.Get(package::kRecordOptionsSection, package::kOptionChecked + n));
    option.command = text::ReplaceAll(
        text::ReplaceAll(
            s.recordIni.Get(package::kRecordOptionsSection, package::kOptionCommand + n), "&&",
            "\r\n"),
        "**", "\"");
    option.control = kOptionBoxPrefix + n;
    if (form.CloneControl(c::kOptionModel, option.control)) {
      form.SetText(option.control, option.caption);
      form.SetChecked(option.control, option.ticked);
      form.SetBounds(option.control, {model.left, top, model.width, model.height});
      form.SetVisible(option.control, option.visible);
      if (option.visible) top += kOptionRowHeight;
    }
    s.options.push_back(std::move(option));
  }
}

void ReadRemovalLists(UninstallSession& s) {
  Bytes item;
  std::vector<std::string> files;
  if (ReadKeyedItem(s.record, package::kRecordFilesItem, false, item) && item != kEmptyItemMark) {
    for (const std::string& line : text::Split(item, "\r\n"))
      if (!line.empty()) files.push_back(line);
  }
  std::vector<std::string> kept = s.lists.removeDumpList;
  kept.insert(kept.end(), s.pluginKeptNames.begin(), s.pluginKeptNames.end());
  s.fileList = FilterKeptFiles(files, kept, s.installFolder);

  s.registryList.clear();
  if (ReadKeyedItem(s.record, package::kRecordRegistryItem, false, item)) {
    for (const std::string& line : text::Split(item, "\r\n")) {
      if (line.empty() || line == kEmptyItemMark) continue;
      const size_t at = text::Find(line, "$,");
      RegistryRemoval removal;
      removal.path = at == text::npos ? line : line.substr(0, at);
      removal.view = at == text::npos ? "" : line.substr(at + 2);
      s.registryList.push_back(removal);
    }
  }
}

intptr_t OnEvent(UninstallSession& s, const std::string& control, FormEvent event) {
  if (s.outcome) return 0;
  switch (event) {
    case FormEvent::kTimer:
      if (control == c::kTimer) {
        s.form->SetTimerInterval(c::kTimer, 0);
        RunUninstall(s);
      }
      return 0;
    case FormEvent::kClick:
      if (control == c::kUninstallButton) {
        RunUninstall(s);
      } else if (control == c::kCancelButton && !s.removing && !s.removalDone) {
        EndUninstall(s, kExitCancelled);
      }
      return 0;
    case FormEvent::kMayClose:
      // The close box: during the removal nothing, afterwards like 完成, before it like 取消.
      if (s.removing) return 0;
      if (s.removalDone) {
        FinishAndExit(s);
      } else {
        EndUninstall(s, kExitCancelled);
      }
      return 0;  // the window is closed already
    default:
      return 0;
  }
}

}  // namespace

RunModeChoice ChooseRunMode(const std::string& argumentText, const UninstallSwitches& switches,
                            const std::string& uninstallMode) {
  auto present = [&](const std::string& name) {
    return !name.empty() && text::Contains(argumentText, name);
  };
  RunModeChoice choice;
  if (present(switches.background) || uninstallMode == kUninstallModeBackground) {
    choice.flags = kRunFlagBackground;
    choice.hideWindow = true;
    choice.pressUninstall = true;
    return choice;
  }
  if (present(switches.hideEnd)) choice.flags += kRunFlagHideEnd;
  if (present(switches.direct) || uninstallMode == kUninstallModeDirect) {
    choice.flags += kRunFlagDirect;
    choice.pressUninstall = true;
  }
  return choice;
}

void ShowUninstallStatus(UninstallSession& s, const std::string& text) {
  if (!s.form) return;
  s.form->SetTextPerFrame(c::kStep, text);
  s.form->AddListRow(c::kSteps, text);
  s.form->PumpEventsPerFrame();
}

void StartUninstallWizard(UninstallSession& s) {
  Form& form = *s.form;
  form.SetHandler([&s](const std::string& control, FormEvent event, const FormEventArgs&) {
    return OnEvent(s, control, event);
  });
  // No engine arguments: nothing to remove and nothing to show.
  if (s.arguments.size() < 2) {
    EndUninstall(s, kExitUninstallDataMissing);
    return;
  }
  ReadArguments(s);
  if (s.launcherProcessId != 0 && s.engineFolderAllowed)
    s.lock =
        plat::File::Open(s.engineFolder + "\\" + package::kLockFileName, plat::OpenMode::kHold);
  if (!ReadRecordBlocks(s)) {
    if (!text::Contains(text::Join(s.launcherArguments, " "), kDefaultBackgroundSwitch))
      plat::MessageBox(form.Handle(""), kUninstallDataMissingText, "",
                       plat::kMbOk | plat::kMbIconError);
    EndUninstall(s, kExitUninstallDataMissing);
    return;
  }
  FillWindow(s);
  BuildOptionBoxes(s);
  // Only a plain product name gives the work folder the plug-in files were written to.
  if (s.startPlugins && !s.workFolder.empty()) s.startPlugins(s);

  // Only the launcher's own arguments can carry switches: R and T are folders whose names
  // (a product called "X-hp") must not decide how the uninstall runs.
  const UninstallSwitches switches{
      s.recordIni.Get(keys::kCommandLineSection, keys::kSwitchDirect),
      s.recordIni.Get(keys::kCommandLineSection, keys::kSwitchHideEnd),
      s.recordIni.Get(keys::kCommandLineSection, keys::kSwitchBackground)};
  const RunModeChoice mode = ChooseRunMode(text::Join(s.launcherArguments, " "), switches,
                                           Main(s, package::kRecordUninstallMode));
  s.runFlags = mode.flags;
  form.SetVisible("", !mode.hideWindow);
  if (mode.pressUninstall) form.SetTimerInterval(c::kTimer, 1);
}

void RunUninstall(UninstallSession& s) {
  Form& form = *s.form;
  if (s.outcome || s.removing) return;
  if (form.Text(c::kUninstallButton) == kFinishCaption) {
    FinishAndExit(s);
    return;
  }
  if (s.removalDone) return;
  s.removing = true;
  form.PumpEvents();
  if (!s.optionStateText.empty()) {
    const std::vector<std::string> states = text::Split(s.optionStateText, ",");
    for (size_t k = 0; k < s.options.size() && k < states.size(); ++k)
      form.SetChecked(s.options[k].control, text::IsTrueText(states[k]));
  }
  ScriptContext script;
  script.lists = &s.lists;
  script.installPath = s.installFolder;
  script.showStatusLine = [&s](const std::string& text) { ShowUninstallStatus(s, text); };
  for (const UninstallOption& option : s.options)
    RunScriptSection(script, option.command, "", form.Checked(option.control) ? 1 : -1, true);

  std::vector<int> answers;
  if (s.broadcast) answers = s.broadcast(UninstallMessage(UninstallStage::kOptionsRan));
  if (!AnyAnswerEquals(answers, 1)) {
    ShowUninstallStatus(s, kReadingText);
    ReadRemovalLists(s);
    ShowProgressState(s);
    RunUninstallCommands(s);
    RemoveInstalledItems(s);
  } else {
    // A plug-in took the removal over; what it did is its own report.
    s.removalResult = kExitSuccess;
    ReportResult(s, kExitSuccess);
    ShowProgressState(s);
    ShowFinishState(s);
  }
  if (s.broadcast) (void)s.broadcast(UninstallMessage(UninstallStage::kRemovalDone));
  s.removing = false;
  s.removalDone = true;
  if (s.runFlags > 1) FinishAndExit(s);
}

void RunUninstallCommands(UninstallSession& s) {
  const std::string& r = s.installFolder;
  const int count = BoundedCount(
      s.recordIni.Get(keys::kUninstallCommandsSection, package::kCommandCount), kMaxCommands);
  for (int i = 1; i <= count; ++i) {
    const std::string n = text::FromInt(i);
    std::string command = text::ReplaceAll(
        package::SubstituteInstallPath(
            s.recordIni.Get(keys::kUninstallCommandsSection, package::kCommandLine + n), r),
        "**", "\"");
    if (command.empty()) continue;
    if (!text::IsTrueText(
            s.recordIni.Get(keys::kUninstallCommandsSection, package::kCommandExternal + n)))
      command = InstallFolderCommand(r, command);
    command = package::SubstituteInstallPath(command, r);
    const bool hide = text::IsTrueText(
        s.recordIni.Get(keys::kUninstallCommandsSection, package::kCommandHidden + n));
    const bool wait = text::IsTrueText(
        s.recordIni.Get(keys::kUninstallCommandsSection, package::kCommandWait + n));
    (void)RunCommandLine(command, wait, hide, false);
    if (s.form) s.form->PumpEvents();
  }
}

void RemoveInstalledItems(UninstallSession& s) {
  const std::string& r = s.installFolder;
  const std::string& name = s.productName;
  const bool namePlain = text::IsPlainFolderName(name);
  const bool folderProtected = IsProtectedFolder(r);
  s.notRemoved.clear();

  // 1. The taskbar pin of the main program.
  double version = 0;
  (void)GetWindowsVersionName(version);
  if (version >= 6.0 && !s.mainProgram.empty()) SetTaskbarPin(r, s.mainProgram, false);

  // 2. to 4. The shortcuts named after the product, and its Uninstall key.
  const std::string quickLaunch = GetQuickLaunchFolder() + "\\" + name + ".lnk";
  const std::string uninstallKey = std::string(kUninstallKeyPrefix) + name;
  if (namePlain) {
    ShowUninstallStatus(s, kDeleteFileText + quickLaunch);
    const std::string desktop =
        plat::ShellFolder(plat::kCsidlDesktopDirectory) + "\\" + name + ".lnk";
    if (IsCleanDrivePath(desktop)) DeleteRecordedFile(s, desktop);
    ShowUninstallStatus(s, kDeleteFileText + desktop);

    (void)plat::RegDeleteKeyTree(plat::kLocalMachine, uninstallKey, RegistryViewOf("64"));
    (void)plat::RegDeleteKeyTree(plat::kLocalMachine, uninstallKey, RegistryViewOf("32"));
    ShowUninstallStatus(s, kDeleteKeyText + uninstallKey);
    if (plat::RegKeyExists(plat::kLocalMachine, uninstallKey, RegistryViewOf("64")) ||
        plat::RegKeyExists(plat::kLocalMachine, uninstallKey, RegistryViewOf("32")))
      NoteNotRemoved(s, uninstallKey);

    if (IsCleanDrivePath(quickLaunch)) DeleteRecordedFile(s, quickLaunch);
  } else {
    // An empty name would make the key the whole Uninstall list; "a\b" a key elsewhere.
    ShowUninstallStatus(s, kNameSkippedText + uninstallKey);
  }

  // 5. The shortcut files of the record.
  const int entries = BoundedCount(Main(s, package::kRecordShortcutCount), kMaxShortcutEntries);
  for (int i = 1; i <= entries; ++i) {
    for (const std::string& path :
         text::Split(Main(s, (package::kRecordShortcutPrefix + text::FromInt(i)).c_str()), ",")) {
      if (path.empty()) continue;
      ShowUninstallStatus(s, kDeleteFileText + path);
      // The record writes only link files; anything else in that list is not one of ours.
      if (IsCleanDrivePath(path) && EndsWithLnk(path)) DeleteRecordedFile(s, path);
    }
  }

  // 6. The Start-menu folders.
  const std::string programs = plat::ShellFolder(plat::kCsidlPrograms);
  if (namePlain && IsCleanDrivePath(programs)) {
    DeleteProductFolder(s, programs + "\\" + name);
    const std::string group = Main(s, package::kRecordProgramGroup);
    if (!group.empty()) {
      if (IsPlainRelativeFolder(group)) {
        DeleteProductFolder(s, programs + "\\" + group);
      } else {
        ShowUninstallStatus(s, kNameSkippedText + programs + "\\" + group);
      }
    }
    DeleteProductFolder(s, programs.substr(0, 3) + kAllUsersPrograms + name);
  } else {
    ShowUninstallStatus(s, kNameSkippedText + programs + "\\" + name);
  }

  // 7. The registry list.
  for (const RegistryRemoval& removal : s.registryList) {
    std::string subkey;
    const int root = ParseRegistryPath(removal.path, "", false, subkey);
    ShowUninstallStatus(s, kDeleteKeyText + removal.path);
    if (root < 0) continue;
    if (!DeleteRegistryPath(root, subkey, removal.view)) NoteNotRemoved(s, removal.path);
  }

  // 8. The files.
  const std::string ownFile =
      text::IsPlainFolderName(s.ownFileName) ? r + "\\" + s.ownFileName : std::string();
  const size_t count = s.fileList.size();
  for (size_t i = 0; i < count; ++i) {
    const std::string& path = s.fileList[i];
    s.form->SetProgressPerFrame(c::kProgress, int((i + 1) * 100 / count));
    // The running launcher: step 10 deletes it once the launcher has ended.
    if (!ownFile.empty() && IsSameFolder(path, ownFile)) continue;
    if (!IsCleanDrivePath(path) || (IsBelowFolder(path, r) && PassesThroughLink(path, r))) {
      // Through a link the file would be another place's; it is left there.
      ShowUninstallStatus(s, kDeleteFileText + path);
      if (plat::PathExists(path)) NoteNotRemoved(s, path);
      continue;
    }
    DeleteRecordedFile(s, path);
    ShowUninstallStatus(s, kDeleteFileText + path);
  }

  // 9. The folders that the removal emptied, children first; links go as links.
  ShowUninstallStatus(s, kRemainingFoldersText);
  if (folderProtected) {
    ShowUninstallStatus(s, kFolderKeptText + r);
  } else {
    std::vector<std::string> folders;
    (void)ListSubfolders(r, true, folders);
    for (const std::string& folder : folders) {
      if (IsLink(folder)) {
        ShowUninstallStatus(s, kDeleteFolderText + folder);
        if (!RemoveFolderLink(folder)) NoteNotRemoved(s, folder);
      } else if (!FolderHasContent(folder)) {
        ShowUninstallStatus(s, kDeleteFolderText + folder);
        (void)plat::RemoveDirectory(folder);
        if (plat::DirectoryExists(folder)) NoteNotRemoved(s, folder);
      }
    }
  }

  // The hand-off: the outcome goes to the launcher, which then ends; uninst.exe can go after.
  s.removalResult = s.notRemoved.empty() ? kExitSuccess : kExitNotAllRemoved;
  ReportResult(s, *s.removalResult);
  if (s.launcherProcessId != 0)
    (void)plat::WaitForProcessEnd(s.launcherProcessId, package::kLauncherWaitMs);

  // 10. The launcher's file, and R when nothing is left in it.
  if (!ownFile.empty() && IsCleanDrivePath(ownFile) && plat::FileExists(ownFile)) {
    (void)plat::SetFileAttributes(ownFile, kArchiveAttribute);
    if (!plat::DeleteFile(ownFile)) ShowUninstallStatus(s, kNotRemovedPrefix + ownFile);
  }
  if (!folderProtected && !FolderHasContent(r)) (void)plat::RemoveDirectory(r);

  // 11. The finish state.
  ShowFinishState(s);
}

bool DeleteRegistryPath(int rootCode, const std::string& path, const std::string& view) {
  const plat::RegView regView = RegistryViewOf(view);
  std::string key = path;
  bool keyOnly = false;
  const std::string valueName = SplitValuePath(key, keyOnly);
  intptr_t cookie = 0;
  // A WOW64 process reaches the 64-bit side with its redirection off, as the writes did.
  const bool redirected = regView == plat::RegView::k64 && plat::DisableFsRedirection(cookie);
  bool gone = true;
  if (keyOnly) {
    const std::string subkey = text::StripTrailingSeparators(key);
    (void)plat::RegDeleteValue(rootCode, subkey, "", regView);
    if (!subkey.empty() && plat::RegKeyExists(rootCode, subkey, regView) &&
        plat::RegListSubkeys(rootCode, subkey, regView).empty() &&
        plat::RegListValueNames(rootCode, subkey, regView).empty())
      (void)plat::RegDeleteKeyTree(rootCode, subkey, regView);
    plat::RegValue value;
    gone = !plat::RegReadValue(rootCode, subkey, "", regView, value);
  } else {
    (void)plat::RegDeleteValue(rootCode, key, valueName, regView);
    plat::RegValue value;
    gone = !plat::RegReadValue(rootCode, key, valueName, regView, value);
  }
  if (redirected) (void)plat::RevertFsRedirection(cookie);
  return gone;
}

std::vector<std::string> FilterKeptFiles(const std::vector<std::string>& files,
                                         const std::vector<std::string>& keptNames,
                                         const std::string& installFolder) {
  std::vector<std::string> remaining;
  for (const std::string& file : files) {
    const std::string normalFile = text::ToLowerAscii(NormalizedFolder(file));
    bool spared = false;
    for (const std::string& name : keptNames) {
      // An empty entry ("removedump()") names no file; read as R itself it would keep all.
      if (name.empty()) continue;
      const std::string candidate = installFolder + "\\" + name;
      const std::string normalCandidate = text::ToLowerAscii(NormalizedFolder(candidate));
      if (plat::DirectoryExists(candidate)) {
        const std::string below = text::WithSeparator(normalCandidate);
        spared = normalFile.compare(0, below.size(), below) == 0;
      } else {
        spared = normalFile == normalCandidate;
      }
      if (spared) break;
    }
    if (!spared) remaining.push_back(file);
  }
  return remaining;
}

void FinishAndExit(UninstallSession& s) { EndUninstall(s, s.removalResult.value_or(kExitSuccess)); }

void EndUninstall(UninstallSession& s, ExitCode code) {
  if (s.outcome) return;
  s.outcome = code;
  s.lock.Close();
  if (!s.workFolder.empty()) (void)RemoveOwnTempFolder(s.workFolder);
  if (s.engineFolderAllowed) {
    // Everything but the running engine file goes now; that file, and with it the folder,
    // once this process has ended (or, should that fail, with the next launcher run).
    (void)RemoveTreeNoFollow(s.engineFolder);
    if (plat::DirectoryExists(s.engineFolder)) (void)plat::RemoveFolderAfterExit(s.engineFolder);
  } else if (!s.engineFolder.empty()) {
    ShowUninstallStatus(s, kEngineFolderKeptText + s.engineFolder);
  }
  if (s.form) s.form->Close();
}
