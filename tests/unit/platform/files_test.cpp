// Files and folders as every platform must handle them (native host and win32 under Wine).
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kNoAttributes = 0xFFFFFFFF;

std::string ReadAll(const std::string& path) {
  Bytes data;
  EXPECT_TRUE(plat::ReadFileBytes(path, data)) << path;
  return data;
}

std::vector<std::string> SortedNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const plat::DirEntry& e : plat::ListDirectory(folder)) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Files, OpenModesReadWriteSeekAndTruncate) {
  TestFolder folder;
  const std::string path = folder / "data.bin";

  plat::File file = plat::File::Open(path, plat::OpenMode::kCreateAlways);
  ASSERT_TRUE(file.IsOpen());
  ASSERT_TRUE(file.Write(BytesView("hello world")));
  EXPECT_EQ(file.Size(), 11u);
  ASSERT_TRUE(file.Seek(6));
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0) << "at the end";
  ASSERT_TRUE(file.Seek(5));
  ASSERT_TRUE(file.Truncate());
  EXPECT_EQ(file.Size(), 5u);
  ASSERT_TRUE(file.Seek(0));
  EXPECT_FALSE(file.ReadExact(buffer, 6)) << "only five bytes are left";
  file.Close();
  EXPECT_FALSE(file.IsOpen());

  {
    plat::File append = plat::File::Open(path, plat::OpenMode::kAppend);
    ASSERT_TRUE(append.IsOpen());
    ASSERT_TRUE(append.Write(BytesView("!")));
  }
  EXPECT_EQ(ReadAll(path), "hello!");

  {
    plat::File update = plat::File::Open(path, plat::OpenMode::kReadWrite);
    ASSERT_TRUE(update.IsOpen());
    ASSERT_TRUE(update.Write(BytesView("J")));
    ASSERT_TRUE(update.Seek(0));
    ASSERT_TRUE(update.ReadExact(buffer, 6));
    EXPECT_EQ(std::string(buffer, 6), "Jello!");
  }

  {
    plat::File reader = plat::File::Open(path, plat::OpenMode::kRead);
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_FALSE(reader.Write(BytesView("x"))) << "a read handle cannot write";
  }

  plat::File truncated = plat::File::Open(path, plat::OpenMode::kCreateAlways);
  ASSERT_TRUE(truncated.IsOpen());
  EXPECT_EQ(truncated.Size(), 0u);
}

// The hand-off lock of the uninstaller: made when missing, shared with a writer that already
// has it, and neither the file nor its folder can be deleted while it is held.
TEST(Files, HeldFileCannotBeDeletedWhileHeld) {
  TestFolder folder;
  const std::string sub = folder / "engine";
  ASSERT_TRUE(plat::CreateDirectory(sub));
  const std::string lock = sub + "\\uninst.lock";
  plat::File writer = plat::File::Open(lock, plat::OpenMode::kCreateAlways);
  ASSERT_TRUE(writer.IsOpen());
  plat::File held = plat::File::Open(lock, plat::OpenMode::kHold);
  ASSERT_TRUE(held.IsOpen());
  writer.Close();
  EXPECT_FALSE(plat::DeleteFile(lock));
  EXPECT_FALSE(plat::RemoveDirectoryTree(sub));
  EXPECT_TRUE(plat::FileExists(lock));
  held.Close();
  EXPECT_TRUE(plat::RemoveDirectoryTree(sub));

  plat::File fresh = plat::File::Open(folder / "new.lock", plat::OpenMode::kHold);
  EXPECT_TRUE(fresh.IsOpen());
  EXPECT_TRUE(plat::FileExists(folder / "new.lock"));
}

TEST(Files, OpenFailsOnMissingFilesAndFolders) {
  TestFolder folder;
  ASSERT_TRUE(plat::CreateDirectory(folder / "sub"));
  struct Case {
    const char* name;
    plat::OpenMode mode;
    uint32_t error;  // 0: any code
  } cases[] = {
      {"missing.txt", plat::OpenMode::kRead, 2},
      {"missing.txt", plat::OpenMode::kReadWrite, 2},
      {"nofolder\\new.txt", plat::OpenMode::kCreateAlways, 3},
      {"nofolder\\new.txt", plat::OpenMode::kAppend, 3},
      {"sub", plat::OpenMode::kRead, 0},
      {"sub", plat::OpenMode::kCreateAlways, 0},
  };
  for (const Case& c : cases) {
    plat::File file = plat::File::Open(folder / c.name, c.mode);
    EXPECT_FALSE(file.IsOpen()) << c.name;
    if (c.error != 0) {
      EXPECT_EQ(plat::LastError(), c.error) << c.name;
    }
  }
  EXPECT_FALSE(plat::FileExists(folder / "nofolder\\new.txt"));
}

TEST(Files, WholeFileHelpersKeepEveryByte) {
  TestFolder folder;
  Bytes data;
  for (int i = 0; i < 70000; ++i) data.push_back(static_cast<char>(i * 7));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "blob", data));
  EXPECT_EQ(ReadAll(folder / "blob"), data);
  EXPECT_EQ(plat::FileSize(folder / "blob"), data.size());

  ASSERT_TRUE(plat::WriteFileBytes(folder / "blob", "short"));
  EXPECT_EQ(ReadAll(folder / "blob"), "short") << "replaced, not overwritten in place";

  ASSERT_TRUE(plat::WriteFileBytes(folder / "empty", ""));
  EXPECT_EQ(ReadAll(folder / "empty"), "");
  Bytes untouched = "keep";
  EXPECT_FALSE(plat::ReadFileBytes(folder / "missing", untouched));
  EXPECT_FALSE(plat::FileSize(folder / "missing").has_value());
}

TEST(Files, ExistenceTellsFilesFromFolders) {
  TestFolder folder;
  ASSERT_TRUE(plat::WriteFileBytes(folder / "f.txt", "x"));
  ASSERT_TRUE(plat::CreateDirectory(folder / "d"));
  struct Case {
    std::string path;
    bool file, directory, any;
  } cases[] = {
      {folder / "f.txt", true, false, true},
      {folder / "d", false, true, true},
      {folder / "d\\", false, true, true},
      {folder.Path(), false, true, true},
      {folder / "none", false, false, false},
      {folder / "none\\deeper", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plat::FileExists(c.path), c.file) << c.path;
    EXPECT_EQ(plat::DirectoryExists(c.path), c.directory) << c.path;
    EXPECT_EQ(plat::PathExists(c.path), c.any) << c.path;
  }
  EXPECT_EQ(plat::GetFileAttributes(folder / "none"), kNoAttributes);
  EXPECT_NE(plat::GetFileAttributes(folder / "d") & kAttrDirectory, 0u);
  EXPECT_EQ(plat::GetFileAttributes(folder / "f.txt") & kAttrDirectory, 0u);
}

TEST(Files, FolderCreationAndRemoval) {
  TestFolder folder;
  EXPECT_FALSE(plat::CreateDirectory(folder / "a\\b")) << "one level only";
  ASSERT_TRUE(plat::CreateDirectories(folder / "a\\b\\c"));
  EXPECT_TRUE(plat::DirectoryExists(folder / "a\\b\\c"));
  EXPECT_TRUE(plat::CreateDirectory(folder / "a")) << "an existing folder is fine";
  EXPECT_TRUE(plat::CreateDirectories(folder / "a\\b\\c\\")) << "trailing separator";

  ASSERT_TRUE(plat::WriteFileBytes(folder / "a\\file", "x"));
  EXPECT_FALSE(plat::CreateDirectory(folder / "a\\file")) << "a file is in the way";
  EXPECT_FALSE(plat::CreateDirectories(folder / "a\\file\\sub"));

  EXPECT_FALSE(plat::RemoveDirectory(folder / "a")) << "not empty";
  EXPECT_EQ(plat::LastError(), 145u);
  EXPECT_FALSE(plat::RemoveDirectory(folder / "a\\file")) << "not a folder";
  EXPECT_FALSE(plat::DeleteFile(folder / "a\\b")) << "DeleteFile refuses folders";
  EXPECT_TRUE(plat::DirectoryExists(folder / "a\\b"));
  EXPECT_TRUE(plat::RemoveDirectory(folder / "a\\b\\c"));
  EXPECT_FALSE(plat::DirectoryExists(folder / "a\\b\\c"));

  ASSERT_TRUE(plat::WriteFileBytes(folder / "a\\b\\deep.txt", "y"));
  ASSERT_TRUE(plat::CreateDirectories(folder / "a\\b\\e\\f"));
  EXPECT_FALSE(plat::RemoveDirectoryTree(folder / "a\\file")) << "a file is not a tree";
  EXPECT_TRUE(plat::FileExists(folder / "a\\file"));
  EXPECT_TRUE(plat::RemoveDirectoryTree(folder / "a"));
  EXPECT_FALSE(plat::PathExists(folder / "a"));
  EXPECT_TRUE(plat::DirectoryExists(folder.Path()));

  EXPECT_FALSE(plat::DeleteFile(folder / "gone.txt"));
  EXPECT_EQ(plat::LastError(), 2u);
}

TEST(Files, ListDirectoryGivesNamesKindsAndSizes) {
  TestFolder folder;
  ASSERT_TRUE(plat::WriteFileBytes(folder / "one.txt", "1"));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "three.bin", "333"));
  ASSERT_TRUE(plat::CreateDirectory(folder / "sub"));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "sub\\hidden-deeper", "not listed"));

  std::vector<plat::DirEntry> entries = plat::ListDirectory(folder.Path());
  std::sort(entries.begin(), entries.end(),
            [](const plat::DirEntry& a, const plat::DirEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "one.txt");
  EXPECT_FALSE(entries[0].isDirectory);
  EXPECT_EQ(entries[0].size, 1u);
  EXPECT_EQ(entries[1].name, "sub");
  EXPECT_TRUE(entries[1].isDirectory);
  EXPECT_NE(entries[1].attributes & kAttrDirectory, 0u);
  EXPECT_EQ(entries[2].name, "three.bin");
  EXPECT_EQ(entries[2].size, 3u);

  EXPECT_TRUE(plat::ListDirectory(folder / "sub\\none").empty());
  EXPECT_TRUE(plat::ListDirectory(folder / "empty-missing").empty());
}

TEST(Files, CopyAndMoveFollowWindowsRules) {
  TestFolder folder;
  ASSERT_TRUE(plat::WriteFileBytes(folder / "src", "source"));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "dst", "old"));

  EXPECT_FALSE(plat::CopyFile(folder / "src", folder / "dst", false));
  EXPECT_EQ(ReadAll(folder / "dst"), "old");
  EXPECT_TRUE(plat::CopyFile(folder / "src", folder / "dst", true));
  EXPECT_EQ(ReadAll(folder / "dst"), "source");
  EXPECT_TRUE(plat::CopyFile(folder / "src", folder / "fresh", false));
  EXPECT_EQ(ReadAll(folder / "fresh"), "source");
  EXPECT_FALSE(plat::CopyFile(folder / "missing", folder / "x", true));
  EXPECT_FALSE(plat::PathExists(folder / "x"));

  ASSERT_TRUE(plat::WriteFileBytes(folder / "dst", "replaced?"));
  EXPECT_TRUE(plat::MoveFile(folder / "src", folder / "dst")) << "MoveFile replaces";
  EXPECT_FALSE(plat::PathExists(folder / "src"));
  EXPECT_EQ(ReadAll(folder / "dst"), "source");
  EXPECT_FALSE(plat::MoveFile(folder / "src", folder / "again"));

  ASSERT_TRUE(plat::CreateDirectories(folder / "tree\\inner"));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "tree\\inner\\f", "in tree"));
  EXPECT_TRUE(plat::MoveFile(folder / "tree", folder / "moved"));
  EXPECT_EQ(ReadAll(folder / "moved\\inner\\f"), "in tree");
  EXPECT_FALSE(plat::PathExists(folder / "tree"));

  ASSERT_TRUE(plat::CreateDirectory(folder / "folder"));
  EXPECT_FALSE(plat::MoveFile(folder / "dst", folder / "folder")) << "a folder is not replaced";
  EXPECT_EQ(ReadAll(folder / "dst"), "source");
}

TEST(Files, ChineseNamesRoundTrip) {
  TestFolder folder;
  // "乗" and "誠" have 0x5C ("\") as their GBK trail byte: a converter that splits paths at
  // that byte before decoding breaks them.
  const std::string sub = folder / "安装程序";
  const std::string names[] = {"说明.txt", "乗誠.dat", "软件 v1.0"};
  ASSERT_TRUE(plat::CreateDirectory(sub));
  for (const std::string& name : names) {
    ASSERT_TRUE(plat::WriteFileBytes(sub + "\\" + name, name)) << name;
  }
  std::vector<std::string> expected(std::begin(names), std::end(names));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(SortedNames(sub), expected);
  for (const std::string& name : names) EXPECT_EQ(ReadAll(sub + "\\" + name), name);
  EXPECT_EQ(SortedNames(folder.Path()), std::vector<std::string>{"安装程序"});

  EXPECT_TRUE(plat::MoveFile(sub + "\\说明.txt", sub + "\\卸载.txt"));
  EXPECT_TRUE(plat::FileExists(sub + "\\卸载.txt"));
  EXPECT_TRUE(plat::RemoveDirectoryTree(sub));
  EXPECT_FALSE(plat::PathExists(sub));
}

TEST(Files, FileInUseCannotBeDeletedMovedOrReplaced) {
  TestFolder folder;
  const std::string path = folder / "busy.dat";
  ASSERT_TRUE(plat::WriteFileBytes(path, "busy"));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "other", "other"));
  ASSERT_TRUE(plat::CreateDirectory(folder / "tree"));
  ASSERT_TRUE(plat::WriteFileBytes(folder / "tree\\held", "held"));
  {
    plat::File reader = plat::File::Open(path, plat::OpenMode::kRead);
    ASSERT_TRUE(reader.IsOpen());
    plat::File second = plat::File::Open(path, plat::OpenMode::kRead);
    EXPECT_TRUE(second.IsOpen()) << "readers share";
    plat::File held = plat::File::Open(folder / "tree\\held", plat::OpenMode::kRead);
    ASSERT_TRUE(held.IsOpen());

    EXPECT_FALSE(plat::DeleteFile(path));
    EXPECT_EQ(plat::LastError(), 32u);
    EXPECT_FALSE(plat::MoveFile(path, folder / "renamed"));
    EXPECT_FALSE(plat::MoveFile(folder / "other", path)) << "replacing a file in use";
    EXPECT_FALSE(plat::WriteFileBytes(path, "new"));
    EXPECT_FALSE(plat::RemoveDirectoryTree(folder / "tree"));
    EXPECT_TRUE(plat::FileExists(folder / "tree\\held"));
  }
  EXPECT_EQ(ReadAll(path), "busy");
  EXPECT_TRUE(plat::DeleteFile(path)) << "free again once closed";
  EXPECT_TRUE(plat::RemoveDirectoryTree(folder / "tree"));
}

TEST(Files, ReadOnlyAttributeGuardsTheFile) {
  TestFolder folder;
  const std::string path = folder / "ro.txt";
  ASSERT_TRUE(plat::WriteFileBytes(path, "locked"));
  ASSERT_TRUE(plat::SetFileAttributes(path, kAttrReadOnly));
  EXPECT_NE(plat::GetFileAttributes(path) & kAttrReadOnly, 0u);

  EXPECT_FALSE(plat::File::Open(path, plat::OpenMode::kReadWrite).IsOpen());
  EXPECT_FALSE(plat::WriteFileBytes(path, "changed"));
  EXPECT_TRUE(plat::File::Open(path, plat::OpenMode::kRead).IsOpen());
  EXPECT_EQ(ReadAll(path), "locked");

  ASSERT_TRUE(plat::WriteFileBytes(folder / "src", "src"));
  EXPECT_FALSE(plat::CopyFile(folder / "src", path, true));
  EXPECT_EQ(ReadAll(path), "locked");

  EXPECT_TRUE(plat::DeleteFile(path)) << "DeleteFile clears read-only first";
  EXPECT_FALSE(plat::PathExists(path));

  ASSERT_TRUE(plat::WriteFileBytes(path, "again"));
  ASSERT_TRUE(plat::SetFileAttributes(path, kAttrReadOnly));
  ASSERT_TRUE(plat::SetFileAttributes(path, 0x80));
  EXPECT_EQ(plat::GetFileAttributes(path) & kAttrReadOnly, 0u);
  EXPECT_TRUE(plat::WriteFileBytes(path, "writable"));
}

TEST(Files, TempFolderExistsAndEndsWithBackslash) {
  TestFolder folder;
  std::string temp = plat::TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(plat::DirectoryExists(temp));
}

}  // namespace
