// The configuration step of the wizard and what the finish page and the tree do with it.
//
// data.ini is read from memory (session.run.config.dataIni): the work folder is gone once
// start-up has shown the first page, so everything the wizard and the install need later is
// copied into the session here. The one file still read from the work folder is the script
// document, which start-up does not hold.
//
// Decisions worth knowing:
// - "是否生成卸载程序": the packer writes "真" or "1"; both mean yes (makeUninstaller = 1).
// - GUItext.ini: a value is taken from an enciphered keyed item first (the classic package
//   form) and otherwise from the first INI section that holds the key (what our packer
//   writes). An empty value counts as absent, so the built-in captions stay.
// - Numbered lists (finish options, shortcuts, run lists): their count key is read, but a list
//   ends before the first entry none of whose keys the section holds. A count larger than the
//   file can back would otherwise walk up to 2^31 - 1 empty entries.
// - Finish commands: data.ini was expanded at start-up, so no path variable is left in them
//   except the ones kept for later ("%InstallPath%", "%ET%"); those are handled here.
#include "wizard/wizard_config.h"

#include "wizard/control_names.h"

#include <cstdio>
#include <initializer_list>
#include <unordered_set>

#include "common/ini.h"
#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "common/text.h"
#include "platform/platform.h"
#include "startup/archiver_driver.h"
#include "startup/config.h"
#include "startup/data_keys.h"
#include "startup/exit_codes.h"
#include "startup/variables.h"
#include "system/registry.h"
#include "wizard/install_sequence.h"

namespace {

const char kRightsPlaceholder[] = "Mokta公司版权所有";
const char kLicenceItem[] = "自述文本_开始";
const char kFinishTemplate[] = "初始化的选择框";
const int kFinishRowHeight = 26;
const int kFinishDefaultTop = 132;

// Keys of the lists of data.ini (the entry number is appended).
const char kCountKey[] = "次数";
const char kTopKey[] = "y";
const char kRunCountKey[] = "欲运行的次数";

ini::Document DataIni(const InstallSession& session) {
  return ini::Document::Parse(session.run.config.dataIni);
}

std::string Numbered(const char* prefix, int i) { return prefix + std::to_string(i); }

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
      present = present || keys.count(text::ToLowerAscii(Numbered(prefix, length + 1))) > 0;
    if (!present) break;
    ++length;
  }
  return length;
}

// A value of GUItext.ini; "" when the package does not set it.
std::string GuiTextValue(const Bytes& guiText, const std::string& key) {
  Bytes item;
  if (ReadKeyedItem(guiText, key, true, item)) return item;
  const ini::Document doc = ini::Document::Parse(guiText);
  for (const std::string& section : doc.SectionNames())
    for (const std::string& name : doc.KeyNames(section))
      if (name == key) return doc.Get(section, key);
  return "";
}

// The registry value behind the "GetReg(" form, read the same two ways as the variables do:
// the 64-bit view first, then the view of a 32-bit process.
std::string PreviousInstallLocation(const std::string& productName) {
  return ResolveGetReg("GetReg(HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKeyPrefix) +
                       productName + "\\InstallLocation)");
}

void LockDestination(Form& form) {
  form.SetEnabled(wizard_names::kPathEdit, false);
  form.SetEnabled("浏览目录", false);
}

// The skins (pictures and icons) come with the page-text issue; these are the places where the
// configuration step will read them and put them on the pages.
void ReadSkinPictures(InstallSession&) {}
void ApplySkinPictures(InstallSession&) {}
// The page texts except the two lists the install itself needs (button and step captions).
void ApplyPageTexts(InstallSession&) {}
// The disk-space labels of the folder page come with the folder-selection issue.
void CompleteDiskSpaceLabels(InstallSession&) {}

// The captions of GUItext.ini that the page flow and the install sequence use.
void ReadCaptionLists(InstallSession& session) {
  const Bytes& gui = session.run.config.guiText;
  const std::string buttons = GuiTextValue(gui, "按钮");
  if (!buttons.empty()) {
    std::vector<std::string> parts = text::Split(buttons, ",");
    parts.resize(session.wizard.buttonCaptions.size());
    for (size_t i = 0; i < parts.size(); ++i) session.wizard.buttonCaptions[i] = parts[i];
  }
  const std::string steps = GuiTextValue(gui, "安装3");
  if (!steps.empty()) session.wizard.stepCaptions = text::Split(steps, ",");
  if (session.form) session.form->SetText(wizard_names::kCancel, session.wizard.buttonCaptions[4]);
}

void CreateFinishBoxes(InstallSession& session, const ini::Document& doc) {
  Form& form = *session.form;
  const Bounds base = form.GetBounds(kFinishTemplate);
  int top = text::ToInt(doc.Get(keys::kFinishOptionsSection, kTopKey));
  if (top == 0) top = kFinishDefaultTop;
  int hidden = 0;
  for (size_t k = 0; k < session.finishOptions.size(); ++k) {
    FinishOption& option = session.finishOptions[k];
    if (!option.visible) ++hidden;  // an invisible option does not take a row
    const std::string name = kFinishTemplate + std::to_string(k + 1);
    // A second configuration pass finds its boxes already made and reuses them.
    if (!form.Has(name) && !form.CloneControl(kFinishTemplate, name)) continue;
    option.control = name;
    Bounds b = base;
    b.top = top + (int(k) - hidden) * kFinishRowHeight;
    form.SetBounds(name, b);
    form.SetVisible(name, option.visible);
    form.SetText(name, option.caption);
    form.SetChecked(name, option.ticked);
  }
}

int Depth(const ComponentTree& tree, int index) {
  int depth = 0;
  for (int i = index; i >= 0 && i < int(tree.items.size()) && depth <= int(tree.items.size());
       i = tree.items[i].parent)
    ++depth;
  return depth;
}

void SetTick(InstallSession& session, int index, int state) {
  session.tree.items[index].checked = state;
  if (session.form) session.form->SetTreeCheck(wizard_names::kTree, index, state == 1);
}

// FormatSize of the folder page: the unit is chosen by the number of decimal digits.
std::string FormatSize(int64_t bytes, int decimals, bool useDecimals) {
  const size_t digits = std::to_string(bytes).size();
  const int places = useDecimals ? decimals : 2;
  static const struct { size_t minDigits; double divisor; const char* unit; } kUnits[] = {
      {13, 1099511627776.0, "TB"}, {10, 1073741824.0, "GB"}, {7, 1048576.0, "MB"}, {4, 1024.0, "KB"}};
  for (const auto& u : kUnits) {
    if (digits < u.minDigits) continue;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", places, double(bytes) / u.divisor);
    std::string s = buffer;
    if (s.find('.') != std::string::npos) {
      while (!s.empty() && s.back() == '0') s.pop_back();
      if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s + u.unit;
  }
  return std::to_string(bytes) + "B";
}

// What 1010 hands out: a routine without arguments that rebuilds the tree of the session the
// query was made on (plug-ins call it with nothing).
InstallSession* treeSession = nullptr;
int RebuildComponentTree() {
  if (!treeSession) return 0;
  const bool ok = LoadComponentTree(treeSession->wizard.scriptDocument, treeSession->tree);
  ShowComponentTree(*treeSession);
  return ok ? 1 : 0;
}

std::string TextAt(intptr_t address) {
  return address ? std::string(reinterpret_cast<const char*>(address)) : std::string();
}

}  // namespace

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
  if (prefer.empty() || prefer == keys::kTrue) {
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
  w.makeUninstaller = (uninstaller == keys::kTrue || text::ToInt(uninstaller) == 1) ? 1 : 0;
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
  ReadCaptionLists(session);
  ApplyPageTexts(session);
  CompleteDiskSpaceLabels(session);
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

void ApplyDefaultTicks(InstallSession& session) {
  ComponentTree& tree = session.tree;
  int ticked = 0;
  for (int i = 1; i <= 3; ++i) {
    const int state = IsTrueText(session.wizard.defaultTicks[i - 1]) ? 1 : 0;
    ticked += state;
    if (i < int(tree.items.size())) tree.items[i].checked = state;
  }
  if (!tree.items.empty()) tree.items[0].checked = ticked == 3 ? 1 : 0;
  if (session.form) session.form->ShowTree(wizard_names::kTree, tree);
}

void ShowComponentTree(InstallSession& session) {
  Form* form = session.form;
  if (!form) return;
  if (const auto& g = session.tree.geometry)
    form->SetBounds(wizard_names::kTree, {(*g)[0], (*g)[1], (*g)[2], (*g)[3]});
  form->ShowTree(wizard_names::kTree, session.tree);
}

void OnTickChanged(InstallSession& session, int index, int state) {
  ComponentTree& tree = session.tree;
  if (index < 0 || index >= int(tree.items.size())) return;
  if (tree.items[index].value == 1) {
    SetTick(session, index, state == 1 ? 0 : 1);
    return;
  }
  tree.items[index].checked = state;
  if (session.plugins.tickCallback && session.plugins.tickCallback(index, state) == 1) return;
  const int depth = Depth(tree, index);
  for (int j = index + 1; j < int(tree.items.size()); ++j) {
    if (Depth(tree, j) <= depth) break;
    if (tree.items[j].value != 1) SetTick(session, j, state);
  }
}

std::vector<FinishOption> ReadFinishOptions(const InstallSession& session) {
  const ini::Document doc = DataIni(session);
  const WizardState& w = session.wizard;
  std::vector<FinishOption> options;
  const int count = text::ToInt(doc.Get(keys::kFinishOptionsSection, kCountKey));
  if (count > 0) {
    const char* s = keys::kFinishOptionsSection;
    const int length = ListLength(doc, s, count, {"标题", "可视", "选中", "程序"});
    for (int i = 1; i <= length; ++i) {
      FinishOption o;
      o.caption = doc.Get(s, Numbered("标题", i));
      o.visible = IsTrueText(doc.Get(s, Numbered("可视", i)));
      o.ticked = IsTrueText(doc.Get(s, Numbered("选中", i)));
      o.command = doc.Get(s, Numbered("程序", i));
      options.push_back(o);
    }
    return options;
  }

  if (!w.mainProgram.empty() && IsTrueText(doc.Get(keys::kFinishMainProgramSection, "显示"))) {
    FinishOption o;
    o.caption = "运行 " + w.productName + " " + w.version;
    o.command = "\"%InstallPath%\\" + w.mainProgram + "\"";
    o.visible = true;
    o.ticked = true;
    options.push_back(o);
  }
  const std::string file = doc.Get(keys::kFinishRunSection, "文件路径");
  if (!file.empty()) {
    FinishOption o;
    o.caption = doc.Get(keys::kFinishRunSection, "选项标题");
    o.command = "\"%InstallPath%\\" + file + "\"";
    o.visible = IsTrueText(doc.Get(keys::kFinishRunSection, "显示"));
    o.ticked = true;
    options.push_back(o);
  }
  const std::string address = doc.Get(keys::kFinishWebSection, "网页地址");
  if (!address.empty()) {
    FinishOption o;
    o.caption = doc.Get(keys::kFinishWebSection, "选项标题");
    o.command = address.compare(0, 4, "http") == 0 ? address : "http://" + address;
    o.visible = IsTrueText(doc.Get(keys::kFinishWebSection, "显示"));
    o.ticked = true;
    options.push_back(o);
  }
  return options;
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
    r.name = doc.Get(s, Numbered("参数快捷方式名", i));
    r.file = doc.Get(s, Numbered("参数文件名", i));
    r.arguments = doc.Get(s, Numbered("参数命令行", i));
    r.locations = doc.Get(s, Numbered("参数生成位置", i));
    r.removeOnUninstall = IsTrueText(doc.Get(s, Numbered("参数是否卸载", i)));
    r.icon = doc.Get(s, Numbered("快捷方式图标", i));
    r.description = doc.Get(s, Numbered("快捷方式描述", i));
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
    e.external = doc.Get(s, Numbered("是否外部运行", i));
    e.file = doc.Get(s, Numbered("参数运行文件名", i));
    e.hide = IsTrueText(doc.Get(s, Numbered("是否隐藏窗口", i)));
    e.wait = IsTrueText(doc.Get(s, Numbered("是否等待返回", i)));
    (doc.Get(s, Numbered("作用方案", i)) == "解压后运行" ? postUnpack : preInstall).push_back(e);
  }
}

void RunFinishActions(InstallSession& session) {
  for (const FinishOption& option : session.finishOptions) {
    const bool ticked = option.control.empty() || !session.form
                            ? option.ticked
                            : session.form->Checked(option.control);
    if (!ticked) continue;
    std::string command = text::ReplaceAll(option.command, "**", "\"");
    command = text::ReplaceAll(command, "%InstallPath%", session.run.installPath);
    ApplySystemFilter(command);
    if (text::Contains(command, "%ET%")) {
      const BatchFile batch = MakeBatchCommand(command);
      if (!batch.written) {
        // Run as it stands, the command would hand the shell its "%ET%" marks.
        ShowStatusLine(session, kBatchWriteFailedText + batch.path);
        continue;
      }
    }
    RunCommandLine(command, false, false, true);
  }
  ScriptContext context = MakeScriptContext(session);
  for (size_t i = 0; i < session.tree.items.size(); ++i) {
    const std::string item = session.tree.items[i].text;
    std::string section;
    GetScriptSection(session.wizard.scriptDocument, item, "finish", section);
    RunScriptSection(context, section, item, 0, false);
  }
  plat::TerminateSelf(kExitSuccess);
}

intptr_t HostQuery(InstallSession& session, int request, intptr_t parameter, intptr_t value) {
  Form* form = session.form;
  switch (request) {
    case 1001: {
      static const char* const kPictures[kPageCount] = {"图片框1", "图片框6", "图片框2",
                                                        "图片框3", "图片框5", "图片框4"};
      if (!form || parameter < 0 || parameter >= kPageCount) return 0;
      return form->Handle(kPictures[parameter]);
    }
    case 1002: {
      if (!form) return 0;
      if (parameter == 101) return form->Handle(wizard_names::kBack);
      if (parameter == 102) return form->Handle(wizard_names::kNext);
      if (parameter == 103) return form->Handle(wizard_names::kCancel);
      return 0;
    }
    case 1004:
      session.run.startup.mainWindowVisible = parameter == 1 ? 1 : 0;
      return 0;
    case 1005:
      return reinterpret_cast<intptr_t>(&session.finishOptions);
    case 1006:
      return reinterpret_cast<intptr_t>(session.run.installPath.c_str());
    case 1007: {
      if (parameter == 1) return session.run.package.showSpace ? 1 : 0;
      if (parameter != 2) return 0;
      // The text must outlive the call: the plug-in reads it afterwards.
      static std::string formatted;
      formatted = FormatSize(session.run.package.uncompressedSize, 0, false);
      return reinterpret_cast<intptr_t>(formatted.c_str());
    }
    case 1008:
      if (parameter) session.programGroupOverride = TextAt(parameter);
      return 0;
    case 1010:
      treeSession = &session;
      return reinterpret_cast<intptr_t>(&RebuildComponentTree);
    case 1011:
      return reinterpret_cast<intptr_t>(session.wizard.scriptDocument.c_str());
    case 1012:
      if (parameter) session.wizard.scriptDocument = TextAt(parameter);
      return 0;
    case 1013: {
      if (!parameter) return 0;
      std::vector<std::string> parts = text::Split(TextAt(parameter), "$-");
      parts.resize(3);
      ExtractToFolders(parts[0], parts[1], parts[2], session.run.package.payloadArchivePath,
                       session.TestMode());
      return 0;
    }
    case 1021:
      if (parameter) AppendToList(session.lists.excludeList, TextAt(parameter));
      return 0;
    case 1022:
      if (parameter) AppendToList(session.lists.includeList, TextAt(parameter));
      return 0;
    case 1023:
      if (parameter) session.alternativePayloadPath = TextAt(parameter);
      return 0;
    case 8888:
      if (parameter == 1) {
        session.plugins.selectionCallback = nullptr;
        if (value) {
          auto fn = reinterpret_cast<int (*)(int, intptr_t)>(value);
          session.plugins.selectionCallback = [fn](int index, intptr_t label) { fn(index, label); };
        }
      } else if (parameter == 2) {
        session.plugins.tickCallback = nullptr;
        if (value) {
          auto fn = reinterpret_cast<int (*)(int, int)>(value);
          session.plugins.tickCallback = [fn](int index, int state) { return fn(index, state); };
        }
      }
      return 0;
    default:
      return 0;
  }
}
