// The folder enumerators meet a symbolic link to a folder, which Windows shows as a reparse
// point (a junction or a directory link): the uninstaller walks the install folder with them
// and must never reach into what such a link points at.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "system/file_tree.h"
#include "tests/support/test_folder.h"

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& needle) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& p) { return p.find(needle) != std::string::npos; });
}

TEST(FileTreeLinks, WalksNeverDescendIntoALinkedFolder) {
  TestFolder folder;
  const std::string install = folder / "App";
  const std::string outside = folder / "Outside";
  ASSERT_TRUE(plat::CreateDirectories(install + "\\bin"));
  ASSERT_TRUE(plat::WriteFileBytes(install + "\\bin\\app.exe", "x"));
  ASSERT_TRUE(plat::CreateDirectories(outside + "\\secret"));
  ASSERT_TRUE(plat::WriteFileBytes(outside + "\\secret\\keep.txt", "x"));
  ASSERT_TRUE(plat::WriteFileBytes(outside + "\\top.txt", "x"));
  std::error_code ec;
  std::filesystem::create_directory_symlink(plat::host::HostPath(outside),
                                            plat::host::HostPath(install + "\\link"), ec);
  ASSERT_FALSE(ec) << ec.message();

  bool linkReported = false;
  for (const plat::DirEntry& e : plat::ListDirectory(install)) {
    if (e.name != "link") continue;
    linkReported = true;
    EXPECT_TRUE(e.isDirectory);
    EXPECT_NE(e.attributes & plat::kFileAttributeReparsePoint, 0u);
  }
  EXPECT_TRUE(linkReported);
  EXPECT_NE(plat::GetFileAttributes(install + "\\link") & plat::kFileAttributeReparsePoint, 0u);
  EXPECT_EQ(plat::GetFileAttributes(install + "\\bin") & plat::kFileAttributeReparsePoint, 0u);

  std::vector<std::string> folders, files, visited;
  ListSubfolders(install, true, folders, [&](const std::string& p) {
    visited.push_back(p);
    return 0;
  });
  EXPECT_TRUE(Contains(folders, "\\bin"));
  EXPECT_FALSE(Contains(folders, "secret"));
  EXPECT_FALSE(Contains(visited, "secret"));

  ListFiles(install, true, files);
  EXPECT_TRUE(Contains(files, "app.exe"));
  EXPECT_FALSE(Contains(files, "keep.txt"));
  EXPECT_FALSE(Contains(files, "top.txt"));
}

}  // namespace
