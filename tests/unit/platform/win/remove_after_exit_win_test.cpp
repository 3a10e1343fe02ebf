// A folder whose file is still in use is removed once the file is let go: the way the
// uninstall engine's folder goes after the engine, which runs from it, has ended.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

TEST(RemoveFolderAfterExit, RemovesTheFolderOnceItsFileIsFree) {
  TestFolder root;
  const std::string folder = root / "卸载 演示";
  ASSERT_TRUE(plat::CreateDirectories(folder + "\\sub"));
  ASSERT_TRUE(plat::WriteFileBytes(folder + "\\sub\\a.txt", "x"));
  ASSERT_TRUE(plat::WriteFileBytes(folder + "\\engine.exe", "running"));
  plat::File inUse = plat::File::Open(folder + "\\engine.exe", plat::OpenMode::kRead);
  ASSERT_TRUE(inUse.IsOpen());

  ASSERT_TRUE(plat::RemoveFolderAfterExit(folder));
  plat::SleepMs(1500);
  EXPECT_TRUE(plat::FileExists(folder + "\\engine.exe"));  // still held: the retries go on
  inUse.Close();

  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    plat::SleepMs(100);
    // The script deletes itself last, so both are gone when it is done.
    gone = !plat::PathExists(folder) && plat::ListDirectory(root.Path()).empty();
  }
  EXPECT_TRUE(gone);
}

TEST(RemoveFolderAfterExit, MissingFolderSchedulesNothing) {
  TestFolder root;
  EXPECT_FALSE(plat::RemoveFolderAfterExit(root / "missing"));
  EXPECT_TRUE(plat::ListDirectory(root.Path()).empty());
}

}  // namespace
