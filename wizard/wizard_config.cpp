// The configuration step of the wizard: data.ini and GUItext.ini turned into the session's
// wizard state, the page table, and the lists the install reads later.
//
// data.ini is read from memory (session.run.config.dataIni): the work folder is gone once
// start-up has shown the first page, so everything the wizard and the install need later is
// copied into the session here. The one file still read from the work folder is the script
// document, which start-up does not hold.
//
// Decisions worth knowing:
// - "是否生成卸载程序": the packer writes "真" or "1"; both mean yes (makeUninstaller = 1).
// - GUItext.ini is applied by page_texts.h (ApplyPageTexts).
// - Numbered lists (finish options, shortcuts, run lists): their count key is read, but a list
//   ends before the first entry none of whose keys the section holds. A count larger than the
//   file can back would otherwise walk up to 2^31 - 1 empty entries.
// - Finish commands: data.ini was expanded at start-up, so no path variable is left in them
//   except the ones kept for later ("%InstallPath%", "%ET%"); those are handled here.
#include "wizard/wizard_config.h"

#include "wizard/control_names.h"
#include "wizard/finish_options.h"
#include "wizard/disk_space.h"
#include "wizard/page_texts.h"
#include "wizard/skins.h"

#include <initializer_list>
#include <unordered_set>

#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "common/text.h"
#include "platform/platform.h"
#include "startup/config.h"
#include "package/data_keys.h"
#include "startup/variables.h"
#include "system/registry.h"

namespace {

const char kRightsPlaceholder[] = "Mokta公司版权所有";
const char kLicenceItem[] = "自述文本_开始";

// The count key of the shortcut list and of the run lists.
const char kRunCountKey[] = "欲运行的次数";

// The registry value behind the "GetReg(" form, read the same two ways as the variables do:
// the 64-bit view first, then the view of a 32-bit process.
std::string PreviousInstallLocation(const std::string& productName) {
  return ResolveGetReg("GetReg(HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKeyPrefix) +
                       productName + "\\InstallLocation)");
}

void LockDestination(Form& form) {
  form.SetEnabled(wizard_names::kPathEdit, false);
  form.SetEnabled(wizard_names::kBrowse, false);
}


}  // namespace

ini::Document DataIni(const InstallSession& session) {
  return ini::Document::Parse(session.run.config.dataIni);
}

std::string NumberedKey(const char* prefix, int i) { return prefix + std::to_string(i); }

// How many entries of a numbered list to read: 1, 2, ... up to `count`, ending before the
// first entry of which `section` holds none of the keys (`prefixes` + number). The count comes
// from the package and may be anything up to 2^31 - 1; read as it stands it would walk, or
// allocate, that many entries. The keys the file really holds bound the list instead.
int ListLength(const ini::Document& doc, const char* section, int count,
               std::initializer_list<const char*> prefixes) {
  std::unordered_set<std::string> keys;  // folded as the lookups fold them
  for (const std::string& key : doc.KeyNames(section)) keys.insert(text::ToLowerAscii(key));
  int length = 0;
  while (length < count) {
    bool present = false;
    for (const char* prefix : prefixes)
      present = present || keys.count(text::ToLowerAscii(NumberedKey(prefix, length + 1))) > 0;
    if (!present) break;
    ++length;
  }
  return length;
}

void LoadWizardConfiguration(InstallSession& session) {
  WizardState& w = session.wizard;
  Form& form = *session.form;
  StartupState& startup = session.run.startup;
  const ini::Document doc = DataIni(session);
  auto main = [&doc](const char* key) { return doc.Get(keys::kMainSection, key); };

  // 1-2. Names and the path rules.
  w.productName = main(keys::kProductName);
  w.archiveFileName = main(keys::kArchiveFileName);
  w.company = main(keys::kCompany);
  w.pathRules.ch = doc.Get(keys::kPathRulesSection, "ch");
  w.pathRules.zwj = doc.Get(keys::kPathRulesSection, "zwj");
  w.pathRules.fb = doc.Get(keys::kPathRulesSection, "fb");

  // 3. Rights line: the folder page's box is the pattern for all six.
  const std::string rights =
      text::ReplaceAll(form.Text("编辑框_版权4"), kRightsPlaceholder, w.company);
  for (int page = 1; page <= kPageCount; ++page)
    form.SetText("编辑框_版权" + std::to_string(page), rights);
  form.SetText("备用_编辑框版权", w.company);

  // 4-8. The destination and its locks.
  w.browseAppend = main(keys::kBrowseAutoAppend);
  const std::string prefer = main(keys::kPreferSecondPath);
  if (prefer.empty() || prefer == text::kTrueText) {
    session.run.installPath = PreviousInstallLocation(w.productName);
    if (w.pathRules.fb == "s" && !session.run.installPath.empty()) LockDestination(form);
  }
  if (session.run.installPath.empty())
    session.run.installPath = ResolveGetReg(main(keys::kInstallLocation));
  if (w.pathRules.fb == "e") LockDestination(form);
  form.SetText(wizard_names::kPathEdit, session.run.installPath);

  // 9. Auto-accept.
  w.autoAccept = IsTrueText(main(keys::kLicenceAccepted));
  form.SetVisible("选择框_条款", !w.autoAccept);

  // 10. Values handed on to the install. Section "安装包命令行", Except.ini and the uninstall
  // option list stay where start-up keeps them (data.ini and the assignments in memory).
  w.version = main(keys::kVersion);
  w.installPasswordDigest = main(keys::kInstallPassword);
  w.mainProgram = main(keys::kMainProgram);
  ReadSkinPictures(session);
  const std::string uninstaller = main(keys::kMakeUninstaller);
  w.makeUninstaller = (uninstaller == text::kTrueText || text::ToInt(uninstaller) == 1) ? 1 : 0;
  w.safe = main(keys::kArchivePasswordText);
  w.scriptDocument.clear();
  if (!session.run.package.workFolder.empty()) {
    Bytes script;
    if (plat::ReadFileBytes(session.run.package.workFolder + keys::kScriptIni, script))
      w.scriptDocument = cipher::Decipher(script, cipher::PassPhrase::kScript);
  }
  w.taskbarProgress = IsTrueText(main(keys::kTaskbarProgress));
  w.detailListMode = text::ToInt(main(keys::kDetailListMode));
  w.uninstallMode = main(keys::kUninstallMode);
  w.uninstallKeyView = main(keys::kUninstallKey64);

  // 11. The components page body back at the top left.
  Bounds body = form.GetBounds("外形框I_3");
  body.left = 0;
  body.top = 0;
  form.SetBounds("外形框I_3", body);

  // 12. Values the command line may already have decided.
  w.autoAppend = IsTrueText(main(keys::kAutoAppendPath));
  if (startup.installMode.empty()) startup.installMode = main(keys::kInstallMode);
  if (startup.hideEnd == 0) startup.hideEnd = IsTrueText(main(keys::kShowFinishPage)) ? 1 : -1;

  // 13. Default ticks: exactly three entries.
  std::vector<std::string> ticks = text::Split(main(keys::kBasicComponentTick), "，");
  ticks.resize(3);
  for (size_t i = 0; i < 3; ++i) w.defaultTicks[i] = ticks[i];

  // 14. Lists.
  session.shortcuts = ReadShortcutRecords(session);
  session.finishOptions = ReadFinishOptions(session);
  ReadRunLists(session, session.preInstallCommands, session.postUnpackCommands);

  // 15-19.
  ApplySkinPictures(session);
  form.SetText("编辑框_安装1", "“" + w.productName + "”正在安装，请稍后…");
  CreateFinishBoxes(session, doc);
  ApplyPageTexts(session);
  ShowDiskSpace(session);
}

void LoadPageTable(InstallSession& session) {
  WizardState& w = session.wizard;
  if (session.form) session.form->SetText(wizard_names::kPages, "备用_选择夹窗口");
  Bytes licence;
  if (ReadKeyedItem(session.run.config.dataIni, kLicenceItem, true, licence))
    w.licenceText = licence;
  else
    w.licenceText.clear();
  if (session.form) session.form->SetText("编辑框4", w.licenceText);

  const ini::Document doc = DataIni(session);
  const bool visible[kPageCount] = {
      true,
      !w.licenceText.empty(),
      IsTrueText(doc.Get(keys::kPageVisibilitySection, "选择组件可视")),
      IsTrueText(doc.Get(keys::kPageVisibilitySection, "浏览目录可视")),
      true,
      true,
  };
  for (int page = 0; page < kPageCount; ++page) {
    w.pageTable[page] = {page, visible[page]};
    w.visibleFlags[page] = visible[page] ? 1 : 0;
  }
}

std::vector<ShortcutRecord> ReadShortcutRecords(const InstallSession& session) {
  const ini::Document doc = DataIni(session);
  const char* s = keys::kShortcutSection;
  std::vector<ShortcutRecord> records;
  const int count = ListLength(doc, s, text::ToInt(doc.Get(s, kRunCountKey)),
                               {"参数快捷方式名", "参数文件名", "参数命令行", "参数生成位置",
                                "参数是否卸载", "快捷方式图标", "快捷方式描述"});
  for (int i = 1; i <= count; ++i) {
    ShortcutRecord r;
    r.name = doc.Get(s, NumberedKey("参数快捷方式名", i));
    r.file = doc.Get(s, NumberedKey("参数文件名", i));
    r.arguments = doc.Get(s, NumberedKey("参数命令行", i));
    r.locations = doc.Get(s, NumberedKey("参数生成位置", i));
    r.removeOnUninstall = IsTrueText(doc.Get(s, NumberedKey("参数是否卸载", i)));
    r.icon = doc.Get(s, NumberedKey("快捷方式图标", i));
    r.description = doc.Get(s, NumberedKey("快捷方式描述", i));
    records.push_back(r);
  }
  return records;
}

void ReadRunLists(const InstallSession& session, std::vector<RunListEntry>& preInstall,
                  std::vector<RunListEntry>& postUnpack) {
  const ini::Document doc = DataIni(session);
  const char* s = keys::kAfterUnpackSection;
  preInstall.clear();
  postUnpack.clear();
  const int count = ListLength(doc, s, text::ToInt(doc.Get(s, kRunCountKey)),
                               {"是否外部运行", "参数运行文件名", "是否隐藏窗口", "是否等待返回",
                                "作用方案"});
  for (int i = 1; i <= count; ++i) {
    RunListEntry e;
    e.external = doc.Get(s, NumberedKey("是否外部运行", i));
    e.file = doc.Get(s, NumberedKey("参数运行文件名", i));
    e.hide = IsTrueText(doc.Get(s, NumberedKey("是否隐藏窗口", i)));
    e.wait = IsTrueText(doc.Get(s, NumberedKey("是否等待返回", i)));
    (doc.Get(s, NumberedKey("作用方案", i)) == "解压后运行" ? postUnpack : preInstall).push_back(e);
  }
}
