// The folder enumerators on real folders (host sandbox natively, the Windows file system under
// Wine).
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/platform.h"
#include "system/file_tree.h"
#include "tests/support/test_folder.h"

namespace {

class FileTree : public ::testing::Test {
 protected:
  // root\A\B\C, root\A\D, files root\top.txt, root\A\a.txt, root\A\B\C\c.txt.
  void SetUp() override {
    ASSERT_TRUE(plat::CreateDirectories(Root() + "\\A\\B\\C"));
    ASSERT_TRUE(plat::CreateDirectories(Root() + "\\A\\D"));
    for (const char* file : {"\\top.txt", "\\A\\a.txt", "\\A\\B\\C\\c.txt"}) {
      ASSERT_TRUE(plat::WriteFileBytes(Root() + file, "x"));
    }
  }
  std::string Root() const { return folder_ / "root"; }
  std::string P(const std::string& relative) const { return Root() + "\\" + relative; }

  static size_t IndexOf(const std::vector<std::string>& list, const std::string& path) {
    return size_t(std::find(list.begin(), list.end(), path) - list.begin());
  }

  TestFolder folder_;
};

TEST_F(FileTree, SubfoldersComeAfterTheirOwnSubfolders) {
  std::vector<std::string> seen;
  std::vector<std::string> list;
  ASSERT_EQ(ListSubfolders(Root(), true, list, [&](const std::string& p) {
              seen.push_back(p);
              return 0;
            }),
            4);
  ASSERT_EQ(list.size(), 4u);
  for (const char* folder : {"A", "A\\B", "A\\B\\C", "A\\D"}) {
    EXPECT_LT(IndexOf(list, P(folder)), list.size()) << folder;
  }
  EXPECT_LT(IndexOf(list, P("A\\B\\C")), IndexOf(list, P("A\\B")));
  EXPECT_LT(IndexOf(list, P("A\\B")), IndexOf(list, P("A")));
  EXPECT_LT(IndexOf(list, P("A\\D")), IndexOf(list, P("A")));
  // The visitor sees each folder before it descends into it.
  EXPECT_EQ(seen.front(), P("A"));
  EXPECT_EQ(seen.size(), 4u);

  // A root given with its "\" lists the same; non-recursive lists one level.
  EXPECT_EQ(ListSubfolders(Root() + "\\", true, list), 4);
  EXPECT_EQ(ListSubfolders(Root(), false, list), 1);
  EXPECT_EQ(list, std::vector<std::string>{P("A")});
}

TEST_F(FileTree, FilesOfTheRootComeFirstThenThoseOfEachSubfolder) {
  std::vector<std::string> list;
  ASSERT_EQ(ListFiles(Root(), true, list), 3);
  EXPECT_EQ(list.front(), P("top.txt"));
  EXPECT_LT(IndexOf(list, P("A\\B\\C\\c.txt")), IndexOf(list, P("A\\a.txt")));
  EXPECT_EQ(ListFiles(Root(), false, list), 1);
  EXPECT_EQ(list, std::vector<std::string>{P("top.txt")});
}

TEST_F(FileTree, RootsThatCannotBeListedGiveZeroAndKeepTheCallersList) {
  const std::vector<std::string> before = {"kept"};
  for (const std::string& root : {std::string("relative\\root"), P("missing")}) {
    SCOPED_TRACE(root);
    std::vector<std::string> list = before;
    EXPECT_EQ(ListSubfolders(root, true, list), 0);
    EXPECT_EQ(ListFiles(root, true, list), 0);
    // A relative root leaves the caller's list alone; a missing one empties it.
    EXPECT_EQ(list, root.find(':') == std::string::npos ? before : std::vector<std::string>{});
    EXPECT_FALSE(FolderHasContent(root));
  }
}

TEST_F(FileTree, AbortAtTheTopLeavesTheListButNestedAbortEndsOnlyThatFolder) {
  const std::vector<std::string> before = {"kept"};
  std::vector<std::string> list = before;
  auto abortAll = [](const std::string&) { return kFileTreeAborted; };
  EXPECT_EQ(ListSubfolders(Root(), true, list, abortAll), kFileTreeAborted);
  EXPECT_EQ(ListFiles(Root(), true, list, abortAll), kFileTreeAborted);
  EXPECT_EQ(list, before);

  // Refusing C stops the walk inside B only: B, D and A are still listed.
  auto refuseC = [&](const std::string& p) { return p == P("A\\B\\C") ? kFileTreeAborted : 0; };
  ASSERT_EQ(ListSubfolders(Root(), true, list, refuseC), 3);
  EXPECT_EQ(IndexOf(list, P("A\\B\\C")), list.size());

  // A file visitor that refuses a nested file aborts the whole listing.
  auto refuseNested = [&](const std::string& p) { return p == P("A\\a.txt") ? -1 : 1; };
  EXPECT_EQ(ListFiles(Root(), true, list, refuseNested), kFileTreeAborted);
}

TEST_F(FileTree, FolderHasContentFindsFilesAndEmptySubfolders) {
  ASSERT_TRUE(plat::CreateDirectories(P("onlyEmptySub\\sub")));
  ASSERT_TRUE(plat::CreateDirectories(P("onlyFile")));
  ASSERT_TRUE(plat::WriteFileBytes(P("onlyFile\\f"), ""));
  ASSERT_TRUE(plat::CreateDirectories(P("empty")));
  struct Case {
    std::string folder;
    bool content;
  } cases[] = {
      {P("onlyEmptySub"), true}, {P("onlyFile"), true}, {P("empty"), false},
      {P("onlyEmptySub\\sub\\"), false}, {Root(), true},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderHasContent(c.folder), c.content) << c.folder;
}

}  // namespace
