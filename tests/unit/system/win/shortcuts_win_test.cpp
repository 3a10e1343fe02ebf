// The whole shortcut step on a real shell (Wine): a program group under the user's Start menu,
// with a Chinese name, written, and an unused default group removed again.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "system/shortcuts.h"
#include "tests/support/test_folder.h"

namespace {

TEST(ShortcutsWin, WritesIntoTheProgramGroupAndRemovesAnEmptyOne) {
  TestFolder folder;
  const std::string install = folder / "安装";
  ASSERT_TRUE(plat::CreateDirectories(install));
  ASSERT_TRUE(plat::WriteFileBytes(install + "\\app.exe", "MZ"));
  std::string programs = plat::ShellFolder(plat::kCsidlPrograms);
  ASSERT_FALSE(programs.empty());
  if (programs.back() != '\\') programs += '\\';
  const std::string name = "快捷测试" + std::to_string(plat::TickCount());
  const std::string group = programs + name;

  ShortcutInputs inputs;
  inputs.installFolder = install;
  inputs.softwareName = name;
  inputs.treeOptions = {0, 1, 0};
  std::vector<ShortcutRecord> records = {{"演示", "app.exe", "", group, true, "", ""}};
  CreateShortcuts(records, inputs);
  EXPECT_TRUE(plat::FileExists(group + "\\演示.lnk"));
  ASSERT_TRUE(plat::RemoveDirectoryTree(group));

  inputs.treeOptions = {1, 0, 1};
  CreateShortcuts(records, inputs);
  EXPECT_FALSE(plat::PathExists(group));
}

}  // namespace
