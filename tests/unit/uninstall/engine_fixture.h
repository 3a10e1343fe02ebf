// A product as an install leaves it, for the engine's tests: an install folder R with files,
// shortcuts, registry values and R\uninst.dat holding the record, built directly in the
// format's layout (image, "{", the bundle, uninst.ini with its keyed items, the skin store, the
// closing type block) so the engine is tested against the format, not against the writer.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/ini.h"
#include "common/keyed_store.h"
#include "package/blocks.h"
#include "package/package_types.h"
#include "package/uninst_dat.h"
#include "package/data_keys.h"
#include "package/uninstall_handoff.h"
#include "platform/platform.h"
#include "ui/headless_form.h"
#include "uninstall/uninstall_engine.h"
#include "uninstall/uninstall_window.h"

struct RecordFixture {
  std::string name = "演示软件";
  std::string version = "1.0";
  std::string mainProgram = "演示.exe";
  std::string mode;  // "卸载模式"
  std::string programGroup;
  std::vector<std::string> shortcutEntries;  // "快捷方式" + i values, all marked for removal
  // (caption, visible, ticked, command) per option.
  std::vector<std::vector<std::string>> options;
  std::string optionLayout;
  // (external, command, hidden, wait) per command.
  std::vector<std::vector<std::string>> commands;
  std::vector<std::string> files;             // the installed-file list
  std::string registryList = "\x01\x02\x03";  // "卸载注册表" as stored
  std::string copyright = "演示公司";
};

inline Bytes BuildRecord(const RecordFixture& fixture, const std::string& installFolder) {
  ini::Document doc;
  doc.Set(package::kRecordMainSection, package::kRecordProductName, fixture.name);
  doc.Set(package::kRecordMainSection, package::kRecordVersion, fixture.version);
  doc.Set(package::kRecordMainSection, package::kRecordMainProgram, fixture.mainProgram);
  doc.Set(package::kRecordMainSection, package::kRecordInstallFolder, installFolder);
  doc.Set(package::kRecordMainSection, package::kRecordShortcutCount,
          std::to_string(fixture.shortcutEntries.size()));
  doc.Set(package::kRecordMainSection, package::kRecordProgramGroup, fixture.programGroup);
  doc.Set(package::kRecordMainSection, package::kRecordUninstallMode, fixture.mode);
  for (size_t i = 0; i < fixture.shortcutEntries.size(); ++i)
    doc.Set(package::kRecordMainSection, package::kRecordShortcutPrefix + std::to_string(i + 1),
            fixture.shortcutEntries[i]);
  doc.Set(keys::kCommandLineSection, keys::kSwitchDirect, "-jp");
  doc.Set(keys::kCommandLineSection, keys::kSwitchHideEnd, "-hideend");
  doc.Set(keys::kCommandLineSection, keys::kSwitchBackground, "-hp");
  doc.Set(keys::kUninstallCommandsSection, package::kCommandCount,
          std::to_string(fixture.commands.size()));
  for (size_t i = 0; i < fixture.commands.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    doc.Set(keys::kUninstallCommandsSection, package::kCommandExternal + n, fixture.commands[i][0]);
    doc.Set(keys::kUninstallCommandsSection, package::kCommandLine + n, fixture.commands[i][1]);
    doc.Set(keys::kUninstallCommandsSection, package::kCommandHidden + n, fixture.commands[i][2]);
    doc.Set(keys::kUninstallCommandsSection, package::kCommandWait + n, fixture.commands[i][3]);
  }
  doc.Set(package::kRecordOptionsSection, package::kOptionCount,
          std::to_string(fixture.options.size()));
  doc.Set(package::kRecordOptionsSection, package::kOptionLayout, fixture.optionLayout);
  for (size_t k = 0; k < fixture.options.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    doc.Set(package::kRecordOptionsSection, package::kOptionCaption + n, fixture.options[k][0]);
    doc.Set(package::kRecordOptionsSection, package::kOptionVisible + n, fixture.options[k][1]);
    doc.Set(package::kRecordOptionsSection, package::kOptionChecked + n, fixture.options[k][2]);
    doc.Set(package::kRecordOptionsSection, package::kOptionCommand + n, fixture.options[k][3]);
  }
  Bytes record = doc.Serialize();
  std::string files;
  for (size_t i = 0; i < fixture.files.size(); ++i) files += (i ? "\r\n" : "") + fixture.files[i];
  AppendKeyedItem(record, package::kRecordFilesItem, files.empty() ? "\x01\x02\x03" : files, false);
  AppendKeyedItem(record, package::kRecordRegistryItem, fixture.registryList, false);
  return record;
}

// R\uninst.dat laid out as the install writes it.
inline Bytes BuildUninstDat(const Bytes& record, const std::string& copyright) {
  auto section = [](const char* start, BytesView content, const char* end) {
    Bytes b(start);
    b.push_back('\x01');
    b.append(content);
    b.append(end);
    b.push_back('\x01');
    return b;
  };
  Bytes skin;
  AppendKeyedItem(skin, package::kSkinCopyright, copyright, false);
  AppendKeyedItem(skin, package::kSkinData, "x", false);
  package::ConfigurationBundle bundle{"[QZRDLL]", "DLLname", "var", "[v]"};
  Bytes dat = "MZ image of the engine";
  dat.push_back(package::kImageTerminator);
  dat += section(blocks::kUninstDataStart, package::BuildConfigurationBundle(bundle),
                 blocks::kUninstDataEnd);
  dat += section(blocks::kUninstIniStart, record, blocks::kUninstIniEnd);
  dat += section(blocks::kSkinStart, skin, blocks::kSkinEnd);
  dat += section(blocks::kTypeStart, package::kUninstallerType, blocks::kTypeEnd);
  return dat;
}

// One engine run over a headless uninstall window.
struct EngineRun {
  HeadlessForm form{UninstallWindowDesc()};
  UninstallSession session;

  EngineRun(const std::string& r, const std::string& t, std::vector<std::string> extra = {}) {
    session.arguments = {r, t, "卸载"};
    for (std::string& a : extra) session.arguments.push_back(std::move(a));
    session.ownFileName = "uninst.exe";
    session.form = &form;
  }
  void Start() { StartUninstallWizard(session); }
  // The user's click on 卸载按钮 (or the timer when the mode pressed it).
  void Press() { form.Fire(uninstall_controls::kUninstallButton, FormEvent::kClick); }
  bool HasStatus(const std::string& text) const {
    for (const std::string& row : form.ListRows(uninstall_controls::kSteps))
      if (row == text) return true;
    return false;
  }
  bool HasStatusContaining(const std::string& text) const {
    for (const std::string& row : form.ListRows(uninstall_controls::kSteps))
      if (row.find(text) != std::string::npos) return true;
    return false;
  }
};
