// Which folders get an access list of their own, on the host model of it (the lists
// themselves are read back under Wine: win/folder_access_win_test.cpp).
#include <gtest/gtest.h>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "system/folders.h"
#include "system/temp_names.h"
#include "tests/support/test_folder.h"

namespace {

using plat::host::FolderAccess;
using plat::host::FolderAccessOf;

TEST(FolderAccessRules, OwnFoldersArePrivateOnlyWhenElevated) {
  TestFolder folder;
  ForgetOwnTempFolders();
  for (bool elevated : {false, true}) {
    SCOPED_TRACE(elevated ? "elevated" : "not elevated");
    plat::host::SetElevated(elevated);
    const std::string own = CreateOwnTempFolder();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(FolderAccessOf(own), elevated ? FolderAccess::kPrivate : FolderAccess::kInherited);
    EXPECT_TRUE(RemoveOwnTempFolder(own));
  }
}

TEST(FolderAccessRules, AnElevatedInstallProtectsTheHighestFolderItCreatesOutsideProgramFiles) {
  TestFolder folder;
  plat::host::AddDrive('D');
  ASSERT_TRUE(plat::CreateDirectories("D:\\Existing"));
  struct {
    const char* path;
    bool elevated;
    const char* protectedLevel;  // nullptr: nothing gets a list of its own
  } cases[] = {
      {"D:\\Apps\\Vendor\\Product", true, "D:\\Apps"},
      {"D:\\Existing\\Product", true, "D:\\Existing\\Product"},
      {"D:\\Existing", true, nullptr},  // it was there: its list is the owner's business
      {"C:\\Program Files\\Vendor\\Product", true, nullptr},  // inherits Program Files' list
      {"c:\\program files (x86)\\Vendor", true, nullptr},
      {"D:\\PerUser\\Product", false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    plat::host::SetElevated(c.elevated);
    ASSERT_TRUE(PrepareInstallFolder(c.path));
    EXPECT_TRUE(plat::DirectoryExists(c.path));
    // Every level from the drive down: only the expected one carries the program list.
    std::string level = c.path;
    while (level.size() > 2) {
      const bool expected = c.protectedLevel && level == c.protectedLevel;
      EXPECT_EQ(FolderAccessOf(level), expected ? FolderAccess::kProgram : FolderAccess::kInherited)
          << level;
      level = level.substr(0, level.rfind('\\'));
    }
  }
  plat::host::SetElevated(false);
}

}  // namespace
