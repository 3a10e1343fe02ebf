// The archiver library goes into a folder of the run's own in the temp folder, and cannot be
// swapped between the check that it is the carried image and its load: the run keeps it open
// against writers until it lets the library go, and then the folder goes too.
#include <gtest/gtest.h>

#include "archiver/archiver.h"
#include "platform/platform.h"
#include "startup/archiver_driver.h"

namespace {

TEST(ArchiverSetUpWin, TheCheckedLibraryCannotBeReplacedOrDeletedAfterwards) {
  SetUpArchiver("MZ not really a library");
  const std::string folder = ArchiverLoadFolder();
  ASSERT_EQ(folder.rfind(plat::TempFolder(), 0), 0u) << folder;
  ASSERT_NE(folder, plat::TempFolder());
  const std::string path = folder + kArchiverFileName;
  EXPECT_FALSE(plat::WriteFileBytes(path, "MZ planted"));
  EXPECT_FALSE(plat::DeleteFile(path));
  EXPECT_FALSE(plat::MoveFile(path, path + ".moved"));
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(path, content));
  EXPECT_EQ(content, "MZ not really a library");
  ReleaseArchiver();
  EXPECT_FALSE(plat::PathExists(folder));
}

}  // namespace
