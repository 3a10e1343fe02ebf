#include "system/temp_names.h"

#include <gtest/gtest.h>

#include <set>

#include "common/text.h"
#include "platform/platform.h"
#include "system/held_files.h"
#include "tests/support/test_folder.h"

namespace {

TEST(TempNames, EveryNameIsFreshAndAFolderThatTakesEveryNameEndsTheSearch) {
  TestFolder folder;
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    const std::string name = FreshTempName(".bat");
    ASSERT_TRUE(text::EndsWith(name, ".tmp")) << name;
    EXPECT_EQ(name.rfind(plat::TempFolder(), 0), 0u);
    EXPECT_TRUE(names.insert(name).second) << "handed out twice: " << name;
  }
  int asked = 0;
  EXPECT_EQ(FreshTempName("", "D:\\Full\\", [&](const std::string&) { return ++asked, true; }), "");
  EXPECT_EQ(asked, kFreshNameAttempts);
  // A name whose suffixed form is taken is passed over too.
  const std::string name = FreshTempName(".7zsha", "D:\\X\\", [](const std::string& path) {
    return text::EndsWith(path, ".7zsha");
  });
  EXPECT_EQ(name, "");
}

// A run's own folders are made fresh and held; a folder of the same name that someone else
// made is never taken for the run's, whether it can be cleared away or not.
TEST(OwnTempFolders, APreCreatedFolderIsNeverUsed) {
  TestFolder folder;
  ForgetOwnTempFolders();
  const std::string name = "own-folder-test";
  const std::string fixed = plat::TempFolder() + name;
  plat::RemoveDirectoryTree(fixed);

  // Left by someone, not held: cleared away, and the name made fresh.
  ASSERT_TRUE(plat::CreateDirectory(fixed));
  ASSERT_TRUE(plat::WriteFileBytes(fixed + "\\planted.dll", "planted"));
  EXPECT_EQ(OwnTempFolder(name), fixed);
  EXPECT_FALSE(plat::PathExists(fixed + "\\planted.dll"));
  EXPECT_TRUE(IsOwnTempFolder(fixed + "\\"));
  EXPECT_EQ(OwnTempFolder(name), fixed);  // the same folder for the rest of the run
  // Held: neither removed nor renamed under the run; emptying it keeps it.
  EXPECT_FALSE(plat::RemoveDirectory(fixed));
  EXPECT_FALSE(plat::MoveFile(fixed, fixed + "-moved"));
  ASSERT_TRUE(plat::WriteFileBytes(fixed + "\\x", "x"));
  EXPECT_FALSE(plat::RemoveDirectoryTree(fixed));
  EXPECT_TRUE(plat::DirectoryExists(fixed));
  EXPECT_EQ(OwnTempFolder(name), fixed);
  EXPECT_TRUE(RemoveOwnTempFolder(fixed));
  EXPECT_FALSE(plat::PathExists(fixed));
  EXPECT_FALSE(IsOwnTempFolder(fixed));

  // Held by another run, as every run holds its own: left alone, and a generated name used.
  ASSERT_TRUE(plat::CreateDirectory(fixed));
  ASSERT_TRUE(plat::WriteFileBytes(fixed + "\\theirs.dll", "theirs"));
  {
    plat::File theirHold = plat::File::HoldFolder(fixed);
    ASSERT_TRUE(theirHold.IsOpen());
    const std::string other = OwnTempFolder(name);
    ASSERT_FALSE(other.empty());
    EXPECT_NE(other, fixed);
    EXPECT_TRUE(text::EndsWith(other, ".tmp")) << other;
    EXPECT_TRUE(plat::ListDirectory(other).empty());
    EXPECT_TRUE(IsOwnTempFolder(other));
    EXPECT_EQ(OwnTempFolder(name), other);
    EXPECT_TRUE(RemoveOwnTempFolder(other));
  }
  Bytes theirs;
  EXPECT_TRUE(plat::ReadFileBytes(fixed + "\\theirs.dll", theirs));
  EXPECT_EQ(theirs, "theirs");
  plat::RemoveDirectoryTree(fixed);
  ForgetOwnTempFolders();
}

TEST(OwnTempFolders, FreshDirectoriesAndNewFilesRefuseWhatExists) {
  TestFolder folder;
  ASSERT_TRUE(plat::CreateFreshDirectory(folder / "made"));
  EXPECT_FALSE(plat::CreateFreshDirectory(folder / "made"));
  EXPECT_EQ(plat::LastError(), 183u);
  EXPECT_TRUE(plat::CreateDirectory(folder / "made"));  // the ordinary one takes it

  ASSERT_TRUE(plat::WriteFileBytes(folder / "old.bat", "old"));
  EXPECT_FALSE(plat::File::Open(folder / "old.bat", plat::OpenMode::kCreateNew).IsOpen());
  EXPECT_EQ(plat::LastError(), 80u);
  Bytes kept;
  ASSERT_TRUE(plat::ReadFileBytes(folder / "old.bat", kept));
  EXPECT_EQ(kept, "old");

  const std::string own = CreateOwnTempFolder(folder.Path());
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(own.rfind(folder.Path(), 0), 0u);
  EXPECT_TRUE(IsOwnTempFolder(own));
  EXPECT_TRUE(RemoveOwnTempFolder(own));
  EXPECT_FALSE(RemoveOwnTempFolder(folder / "made"));  // not the run's: nothing removed
  EXPECT_TRUE(plat::DirectoryExists(folder / "made"));
}

// What the runtime hands to another program stays what it wrote: held against writers, and a
// file that is not byte for byte the image is neither held nor loaded.
TEST(HeldFiles, WrittenFilesAreHeldAndChangedOnesRefused) {
  TestFolder folder;
  const std::string path = folder / "a.tmp.bat";
  ASSERT_TRUE(WriteHeldFile(path, "echo one\r\n"));
  EXPECT_FALSE(plat::WriteFileBytes(path, "echo evil\r\n"));
  EXPECT_FALSE(plat::DeleteFile(path));
  EXPECT_FALSE(plat::MoveFile(path, folder / "b.bat"));
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(path, content));  // others may still read it
  EXPECT_EQ(content, "echo one\r\n");
  EXPECT_FALSE(WriteHeldFile(path, "again"));  // never written over
  EXPECT_TRUE(DeleteHeldFile(path));
  EXPECT_FALSE(plat::PathExists(path));

  std::string fresh;
  ASSERT_TRUE(WriteFreshHeldFile(".reg", "REGEDIT4", fresh, folder.Path()));
  EXPECT_TRUE(text::EndsWith(fresh, ".tmp.reg")) << fresh;
  EXPECT_FALSE(plat::WriteFileBytes(fresh, "x"));
  EXPECT_TRUE(DeleteHeldFile(fresh));

  // A library file replaced after it was written: the check under the hold refuses it.
  const std::string dll = folder / "7-zip32.dll";
  ASSERT_TRUE(plat::WriteFileBytes(dll, "MZ replaced"));
  plat::HeldLibrary refused = plat::LoadLibraryHeld(dll, "MZ written");
  EXPECT_FALSE(refused.IsLoaded());
  EXPECT_FALSE(refused.file.IsOpen());
  EXPECT_TRUE(plat::WriteFileBytes(dll, "MZ other"));  // not held after the refusal
  plat::File held = plat::File::Open(dll, plat::OpenMode::kRead);
  EXPECT_TRUE(plat::HoldsExactly(held, "MZ other"));
  EXPECT_FALSE(plat::HoldsExactly(held, "MZ othe"));
  EXPECT_FALSE(plat::HoldsExactly(held, "MZ othex"));
}

}  // namespace
