// The host registry's model of WOW64: which view a process sees by default, which keys the
// views share, and how the snapshot reports them.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

using plat::RegView;

const Bytes kData("x", 2);

// A registry text as Windows stores it: with its terminating zero.
Bytes Sz(std::string text) {
  text.push_back('\0');
  return text;
}

bool Exists(int root, const std::string& key, RegView view) {
  return plat::RegKeyExists(root, key, view);
}

// Where a value written through the default view shows up, per machine shape.
TEST(HostRegistry, DefaultViewFollowsTheProcessBitness) {
  struct Case {
    const char* shape;
    bool windows64;
    bool process64;
    int root;
    const char* key;
    bool in64;       // visible through k64 under the same name
    bool in32;       // visible through k32 under the same name
    const char* alias;  // "" or the name k64 sees it under
  } cases[] = {
      {"64-bit process", true, true, plat::kLocalMachine, "SOFTWARE\\Vendor", true, false, ""},
      {"32-bit on 64", true, false, plat::kLocalMachine, "SOFTWARE\\Vendor", false, true,
       "SOFTWARE\\WOW6432Node\\Vendor"},
      {"32-bit on 64", true, false, plat::kLocalMachine, "software\\vendor", false, true,
       "Software\\Wow6432Node\\Vendor"},
      {"32-bit on 64", true, false, plat::kClassesRoot, "CLSID\\{x}", false, true,
       "WOW6432Node\\CLSID\\{x}"},
      {"32-bit on 64", true, false, plat::kLocalMachine, "SYSTEM\\Shared", true, true, ""},
      {"32-bit on 64", true, false, plat::kCurrentUser, "Software\\Shared", true, true, ""},
      {"32-bit Windows", false, false, plat::kLocalMachine, "SOFTWARE\\Vendor", true, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.shape) + " " + c.key);
    TestFolder machine;
    plat::host::SetMachine(c.windows64, c.process64);
    ASSERT_TRUE(plat::RegWriteValue(c.root, c.key, "v", RegView::kDefault, plat::kRegSz, kData));
    EXPECT_TRUE(Exists(c.root, c.key, RegView::kDefault));
    EXPECT_EQ(Exists(c.root, c.key, RegView::k64), c.in64);
    EXPECT_EQ(Exists(c.root, c.key, RegView::k32), c.in32);
    if (*c.alias) {
      EXPECT_TRUE(Exists(c.root, c.alias, RegView::k64));
    }
  }
}

TEST(HostRegistry, ThirtyTwoBitViewOfWowNodeIsNotDoubled) {
  TestFolder machine;
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, "SOFTWARE\\WOW6432Node\\A", "v",
                                  RegView::k32, plat::kRegSz, kData));
  EXPECT_TRUE(Exists(plat::kLocalMachine, "SOFTWARE\\A", RegView::k32));
  EXPECT_FALSE(Exists(plat::kLocalMachine, "SOFTWARE\\WOW6432Node\\WOW6432Node", RegView::k64));
}

TEST(HostRegistry, DeletingThe64BitSoftwareTreeTakesThe32BitKeysAlong) {
  TestFolder machine;
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, "SOFTWARE\\T\\Sub", "v", RegView::k32,
                                  plat::kRegSz, kData));
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, "SOFTWARE\\T\\Sub", "v", RegView::k64,
                                  plat::kRegSz, kData));
  EXPECT_TRUE(plat::RegDeleteKeyTree(plat::kLocalMachine, "SOFTWARE\\T", RegView::k64));
  EXPECT_TRUE(Exists(plat::kLocalMachine, "SOFTWARE\\T\\Sub", RegView::k32));
  EXPECT_FALSE(Exists(plat::kLocalMachine, "SOFTWARE\\T", RegView::k64));
  EXPECT_FALSE(plat::RegDeleteKeyTree(plat::kLocalMachine, "", RegView::k64)) << "a root stays";
  EXPECT_FALSE(plat::RegWriteValue(0, "x", "v", RegView::k64, plat::kRegSz, kData));
  EXPECT_FALSE(plat::RegWriteValue(6, "x", "v", RegView::k64, plat::kRegSz, kData));
}

// A GBK trail byte can be an ASCII letter; folding it would merge two different characters.
TEST(HostRegistry, CaseFoldingLeavesGbkCharactersAlone) {
  TestFolder machine;
  const std::string upperTrail = "Software\\\x81\x41";  // trail byte 'A'
  const std::string lowerTrail = "Software\\\x81\x61";  // trail byte 'a': another character
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, upperTrail, "v", RegView::k64,
                                  plat::kRegSz, kData));
  EXPECT_FALSE(Exists(plat::kCurrentUser, lowerTrail, RegView::k64));
  EXPECT_TRUE(Exists(plat::kCurrentUser, "SOFTWARE\\\x81\x41", RegView::k64));
}

TEST(HostRegistry, SnapshotNamesTheViewOfEachValue) {
  TestFolder machine;
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, "SOFTWARE\\App", "Only32", RegView::k32,
                                  plat::kRegDword, BytesOf({1, 0, 0, 0})));
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, "SOFTWARE\\App", "Only64", RegView::k64,
                                  plat::kRegSz, kData));
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, "Software\\App", "Shared", RegView::k32,
                                  plat::kRegSz, kData));
  struct Expected {
    int root;
    const char* key;
    const char* name;
    bool view64;
  } expected[] = {
      {plat::kLocalMachine, "SOFTWARE\\App", "Only32", false},
      {plat::kLocalMachine, "SOFTWARE\\App", "Only64", true},
      {plat::kCurrentUser, "Software\\App", "Shared", true},
  };
  std::vector<plat::host::RegistrySnapshotEntry> snapshot = plat::host::RegistrySnapshot();
  for (const Expected& e : expected) {
    auto it = std::find_if(snapshot.begin(), snapshot.end(), [&](const auto& entry) {
      return entry.root == e.root && entry.key == e.key && entry.name == e.name;
    });
    ASSERT_NE(it, snapshot.end()) << e.key << " " << e.name;
    EXPECT_EQ(it->view64, e.view64) << e.name;
  }
  auto only32 = std::find_if(snapshot.begin(), snapshot.end(),
                             [](const auto& entry) { return entry.name == "Only32"; });
  EXPECT_EQ(only32->value.type, plat::kRegDword);
  EXPECT_EQ(only32->value.data, BytesOf({1, 0, 0, 0}));
}

TEST(HostRegistry, ResetProvidesTheShellFoldersTheRuntimeReads) {
  TestFolder machine;
  plat::RegValue personal;
  ASSERT_TRUE(plat::RegReadValue(plat::kCurrentUser,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
                                 "Folders",
                                 "Personal", RegView::kDefault, personal));
  EXPECT_EQ(personal.type, plat::kRegSz);
  EXPECT_EQ(personal.data, Sz("C:\\Users\\tester\\Documents"));

  plat::host::SetShellFolder(0x0005, "E:\\Docs");
  ASSERT_TRUE(plat::RegReadValue(plat::kCurrentUser,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
                                 "Folders",
                                 "Personal", RegView::kDefault, personal));
  EXPECT_EQ(personal.data, Sz("E:\\Docs"));
  EXPECT_EQ(plat::ShellFolder(0x0005), "E:\\Docs");

  EXPECT_TRUE(Exists(plat::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                     RegView::k32));
  EXPECT_TRUE(Exists(plat::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                     RegView::k64));
}

}  // namespace
