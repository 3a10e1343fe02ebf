// CreateShortcuts against the host machine: which links are written where, with what target.
#include <gtest/gtest.h>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "system/host/shortcut_calls.h"
#include "system/shortcuts.h"
#include "tests/support/test_folder.h"

namespace {

const std::string kDesktop = "C:\\Users\\tester\\Desktop";
const std::string kPrograms =
    "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string kQuickLaunch =
    "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
const std::string kGroup = kPrograms + "\\演示软件";

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearShortcutRecords();
    ASSERT_TRUE(plat::CreateDirectories(kQuickLaunch));
    install_ = folder_ / "App";
    ASSERT_TRUE(plat::CreateDirectories(install_));
    ASSERT_TRUE(plat::WriteFileBytes(install_ + "\\app.exe", "x"));
    inputs_.installFolder = install_;
    inputs_.softwareName = "演示软件";
    inputs_.mainProgram = "app.exe";
    inputs_.statusText = "正在创建 %Default%";
    inputs_.showStatus = [this](const std::string& text) { status_.push_back(text); };
  }

  ShortcutRecord App(const std::string& locations) {
    return {"演示", "app.exe", "/x", locations, true, "", "说明"};
  }

  std::vector<std::string> Links() const {
    std::vector<std::string> links;
    for (const RecordedShortcut& call : RecordedShortcuts()) links.push_back(call.linkPath);
    return links;
  }

  void Run(std::vector<ShortcutRecord>& records) { CreateShortcuts(records, inputs_); }

  TestFolder folder_;
  std::string install_;
  ShortcutInputs inputs_;
  std::vector<std::string> status_;
};

TEST_F(Shortcuts, WritesEveryPropertyOfAnOrdinaryShortcut) {
  inputs_.treeOptions = {1, 1, 0};
  std::vector<ShortcutRecord> records = {App(kDesktop)};
  records[0].icon = "app.ico";
  Run(records);
  ASSERT_EQ(RecordedShortcuts().size(), 1u);
  const RecordedShortcut& call = RecordedShortcuts()[0];
  EXPECT_EQ(call.linkPath, kDesktop + "\\演示.lnk");
  EXPECT_EQ(call.targetPath, install_ + "\\app.exe");
  EXPECT_EQ(call.workingFolder, install_ + "\\");
  EXPECT_EQ(call.arguments, "/x");
  EXPECT_EQ(call.iconLocation, install_ + "\\app.ico");
  EXPECT_EQ(call.windowStyle, 0);
  EXPECT_EQ(call.description, "说明");
  EXPECT_TRUE(plat::FileExists(call.linkPath));
  EXPECT_EQ(status_, std::vector<std::string>{"正在创建 " + kDesktop + "\\演示"});
}

TEST_F(Shortcuts, LocationRewritingAndSuppression) {
  const std::string other = "D:\\Tools";
  plat::host::AddDrive('D');
  const struct {
    const char* label;
    std::string locations;
    ShortcutOptions options;
    std::string rewritten;
    std::vector<std::string> links;
  } cases[] = {
      {"full-width comma marker", "D:\\Tools%AC%Extra", {0, 0, 0}, "D:\\Tools，Extra",
       {"D:\\Tools，Extra\\演示.lnk"}},
      {"full-width comma separates", other + "，" + kDesktop, {1, 0, 0},
       other + "," + kDesktop, {other + "\\演示.lnk", kDesktop + "\\演示.lnk"}},
      {"ascii comma separates", other + "," + kDesktop, {0, 0, 0}, other + "," + kDesktop,
       {other + "\\演示.lnk"}},
      {"desktop matched with lower-case drive", "c" + kDesktop.substr(1), {0, 1, 1},
       "c" + kDesktop.substr(1), {}},
      {"other case differences do not match", "C:\\users\\tester\\Desktop", {0, 0, 0},
       "C:\\users\\tester\\Desktop", {"C:\\users\\tester\\Desktop\\演示.lnk"}},
      {"trailing separator matches", kDesktop + "\\", {0, 0, 0}, kDesktop + "\\", {}},
      {"program group chosen", kGroup, {0, 1, 0}, kGroup, {kGroup + "\\演示.lnk"}},
      {"program group not chosen", kGroup, {1, 0, 1}, kGroup, {}},
      {"quick launch chosen only as 1", kQuickLaunch, {1, 1, 2}, kQuickLaunch, {}},
      {"unknown folders are never suppressed", other, {0, 0, 0}, other, {other + "\\演示.lnk"}},
  };
  for (const auto& c : cases) {
    ClearShortcutRecords();
    inputs_.treeOptions = c.options;
    std::vector<ShortcutRecord> records = {App(c.locations)};
    Run(records);
    EXPECT_EQ(records[0].locations, c.rewritten) << c.label;
    EXPECT_EQ(Links(), c.links) << c.label;
  }
}

TEST_F(Shortcuts, OptionOverrideTextReplacesTheTree) {
  inputs_.treeOptions = {0, 1, 0};
  inputs_.optionOverride = "1$，0$，1";
  std::vector<ShortcutRecord> records = {App(kDesktop + "," + kGroup + "," + kQuickLaunch)};
  Run(records);
  EXPECT_EQ(Links(), (std::vector<std::string>{kDesktop + "\\演示.lnk", kQuickLaunch + "\\演示.lnk"}));
  EXPECT_FALSE(plat::PathExists(kGroup)) << "the empty default group is removed";

  ClearShortcutRecords();
  inputs_.optionOverride = "1";
  records = {App(kDesktop + "," + kGroup + "," + kQuickLaunch)};
  Run(records);
  EXPECT_EQ(Links(), std::vector<std::string>{kDesktop + "\\演示.lnk"});
}

TEST_F(Shortcuts, GroupOverrideIsUsedEvenWhenTheGroupOptionIsOff) {
  inputs_.treeOptions = {0, 0, 0};
  inputs_.programGroupOverride = "皮肤组";
  std::vector<ShortcutRecord> records = {App(kGroup)};
  Run(records);
  EXPECT_EQ(Links(), std::vector<std::string>{kPrograms + "\\皮肤组\\演示.lnk"});
  EXPECT_FALSE(plat::PathExists(kGroup));
  EXPECT_TRUE(plat::DirectoryExists(kPrograms + "\\皮肤组"));
}

TEST_F(Shortcuts, DefaultGroupWithContentStays) {
  inputs_.treeOptions = {0, 1, 0};
  std::vector<ShortcutRecord> records = {App(kGroup)};
  Run(records);
  EXPECT_TRUE(plat::FileExists(kGroup + "\\演示.lnk"));
  // Not chosen and empty: created by the step, then removed again.
  ClearShortcutRecords();
  ASSERT_TRUE(plat::DeleteFile(kGroup + "\\演示.lnk"));
  inputs_.treeOptions = {0, 0, 0};
  Run(records);
  EXPECT_FALSE(plat::PathExists(kGroup));
}

TEST_F(Shortcuts, UninstallShortcutOnlyWithAnUninstaller) {
  inputs_.treeOptions = {1, 0, 0};
  const ShortcutRecord uninstall = {"卸载", kUninstallerTarget, "", kDesktop, true, "u.ico", "卸载说明"};

  std::vector<ShortcutRecord> records = {uninstall};
  inputs_.makeUninstaller = false;
  Run(records);
  EXPECT_TRUE(RecordedShortcuts().empty());
  EXPECT_EQ(records[0].file, kUninstallerTarget);

  records = {uninstall};
  inputs_.makeUninstaller = true;
  Run(records);
  ASSERT_EQ(RecordedShortcuts().size(), 1u) << "uninst.exe does not exist yet";
  EXPECT_EQ(records[0].file, "uninst.exe");
  EXPECT_EQ(RecordedShortcuts()[0].targetPath, install_ + "\\uninst.exe");
  EXPECT_EQ(RecordedShortcuts()[0].iconLocation, "");
  EXPECT_EQ(RecordedShortcuts()[0].description, "卸载说明");
  EXPECT_TRUE(status_.empty());

  // A reinstall over an existing uninstaller writes it twice, the second time as an ordinary one.
  ClearShortcutRecords();
  ASSERT_TRUE(plat::WriteFileBytes(install_ + "\\uninst.exe", "x"));
  records = {uninstall};
  Run(records);
  ASSERT_EQ(RecordedShortcuts().size(), 2u);
  EXPECT_EQ(RecordedShortcuts()[1].iconLocation, install_ + "\\u.ico");
}

TEST_F(Shortcuts, MissingTargetIsSkipped) {
  inputs_.treeOptions = {1, 1, 1};
  std::vector<ShortcutRecord> records = {App(kDesktop)};
  records[0].file = "missing.exe";
  Run(records);
  EXPECT_TRUE(RecordedShortcuts().empty());
}

TEST_F(Shortcuts, PinsOnlyWithQuickLaunchFromVista) {
  const struct {
    int major, minor;
    ShortcutOptions options;
    std::string mainProgram;
    bool pinned;
  } cases[] = {
      {6, 1, {0, 0, 1}, "app.exe", true},  {6, 0, {0, 0, 1}, "app.exe", true},
      {5, 1, {0, 0, 1}, "app.exe", false}, {6, 1, {1, 1, 0}, "app.exe", false},
      {6, 1, {0, 0, 1}, "", false},
  };
  for (const auto& c : cases) {
    ClearShortcutRecords();
    plat::host::SetWindowsVersion(c.major, c.minor);
    inputs_.treeOptions = c.options;
    inputs_.mainProgram = c.mainProgram;
    std::vector<ShortcutRecord> records = {App(kQuickLaunch)};
    Run(records);
    ASSERT_EQ(RecordedPins().size(), c.pinned ? 1u : 0u) << c.major << "." << c.minor;
    if (c.pinned) {
      EXPECT_EQ(RecordedPins()[0].folder, install_);
      EXPECT_EQ(RecordedPins()[0].fileName, "app.exe");
      EXPECT_TRUE(RecordedPins()[0].pin);
    }
    // The Quick Launch shortcut itself does not depend on the version.
    EXPECT_EQ(Links().size(), c.options.quickLaunch == 1 ? 1u : 0u);
  }
}

TEST_F(Shortcuts, QuickLaunchFolderFallsBackToApplicationData) {
  EXPECT_EQ(GetQuickLaunchFolder(), kQuickLaunch);
  ASSERT_TRUE(plat::RemoveDirectory(kQuickLaunch));
  EXPECT_EQ(GetQuickLaunchFolder(),
            "C:\\Users\\tester\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch");
}

}  // namespace
