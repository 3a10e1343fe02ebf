// The archiver library written to the shared temp folder cannot be swapped between the check
// that it is the carried image and its load: the run keeps it open against writers.
#include <gtest/gtest.h>

#include "archiver/archiver.h"
#include "platform/platform.h"
#include "startup/archiver_driver.h"

namespace {

TEST(ArchiverSetUpWin, TheCheckedLibraryCannotBeReplacedOrDeletedAfterwards) {
  const std::string path = plat::TempFolder() + kArchiverFileName;
  SetUpArchiver("MZ not really a library");
  ASSERT_EQ(ArchiverLoadFolder(), plat::TempFolder());
  EXPECT_FALSE(plat::WriteFileBytes(path, "MZ planted"));
  EXPECT_FALSE(plat::DeleteFile(path));
  EXPECT_FALSE(plat::MoveFile(path, path + ".moved"));
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(path, content));
  EXPECT_EQ(content, "MZ not really a library");
  // Released by the next set-up; the file can go again.
  SetUpArchiver("");
  EXPECT_TRUE(plat::DeleteFile(path));
}

}  // namespace
