// The clean-up of the engine folders, on the real file system of each build: a running
// uninstall's lock is a really open file.
#include <gtest/gtest.h>

#include "launcher/launch.h"
#include "package/uninstall_handoff.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

TEST(LauncherCleanUp, KeepsOnlyTheFoldersOfRunningUninstalls) {
  TestFolder temp;
  const std::string root = temp / "Uninstall\\";
  for (const char* name : {"Finished", "Running", "NoLock"}) {
    ASSERT_TRUE(plat::CreateDirectories(root + name + "\\sub"));
    ASSERT_TRUE(plat::WriteFileBytes(root + name + "\\sub\\uninst.exe", "engine"));
  }
  ASSERT_TRUE(plat::WriteFileBytes(root + "Finished\\" + package::kLockFileName, ""));
  ASSERT_TRUE(plat::WriteFileBytes(root + "Running\\" + package::kLockFileName, ""));
  ASSERT_TRUE(plat::WriteFileBytes(root + "stray.txt", "x"));
  plat::File held = plat::File::Open(root + "Running\\" + package::kLockFileName,
                                     plat::OpenMode::kRead);
  ASSERT_TRUE(held.IsOpen());

  CleanEngineFolders(temp.Path());

  EXPECT_TRUE(plat::DirectoryExists(root));
  EXPECT_FALSE(plat::PathExists(root + "Finished"));
  EXPECT_FALSE(plat::PathExists(root + "NoLock"));
  EXPECT_FALSE(plat::PathExists(root + "stray.txt"));
  EXPECT_TRUE(plat::FileExists(root + "Running\\sub\\uninst.exe"));
  EXPECT_TRUE(plat::FileExists(root + "Running\\" + package::kLockFileName));

  held.Close();
  CleanEngineFolders(temp.Path());
  EXPECT_FALSE(plat::PathExists(root + "Running"));
}

TEST(LauncherCleanUp, CreatesTheFolderWhenMissing) {
  TestFolder temp;
  CleanEngineFolders(temp.Path());
  EXPECT_TRUE(plat::DirectoryExists(temp / "Uninstall"));
}

TEST(LauncherArguments, EngineCommandLine) {
  struct Case {
    std::vector<std::string> arguments;
    std::string expected;
  } cases[] = {
      {{}, "\"C:\\App\" \"C:\\T\\Uninstall\\App\" 卸载 /uninst-launcher:42 "},
      {{"-hp"}, "\"C:\\App\" \"C:\\T\\Uninstall\\App\" 卸载 -hp /uninst-launcher:42 "},
      {{"-jp", "a b"},
       "\"C:\\App\" \"C:\\T\\Uninstall\\App\" 卸载 -jp \"a b\" /uninst-launcher:42 "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EngineParameters("C:\\App", "C:\\T\\Uninstall\\App", c.arguments, 42), c.expected);
}

TEST(LauncherArguments, ProductNameStaysOneFolderBelowTheEngineRoot) {
  const std::string padded = std::string("演示软件") + std::string(20, '\0');
  EXPECT_EQ(LauncherProductName(padded), "演示软件");
  EXPECT_EQ(LauncherProductName(std::string("Product")), "Product");
  for (const std::string& bad : {std::string(), std::string(".."), std::string("a\\b"),
                                 std::string("C:"), std::string(8, '\0')})
    EXPECT_EQ(LauncherProductName(bad), "uninst") << bad;
}

}  // namespace
