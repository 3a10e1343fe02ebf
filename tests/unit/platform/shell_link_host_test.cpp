// The host's shell links and verbs: recorded as given, with a stand-in file for each link.
#include <gtest/gtest.h>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "platform/shell_link.h"
#include "tests/support/test_folder.h"

namespace {

namespace host = plat::host;

TEST(HostShellLink, LinksLeaveAStandInFileAndVerbsAreRecorded) {
  TestFolder folder;
  plat::ShellLink link;
  link.linkPath = folder / "演示.lnk";
  link.targetPath = "C:\\App\\演示.exe";
  link.iconIndex = 2;
  link.hotkey = uint16_t('A' | (plat::kHotkeyControl | plat::kHotkeyAlt) << 8);
  ASSERT_TRUE(plat::SaveShellLink(link));
  Bytes standIn;
  ASSERT_TRUE(plat::ReadFileBytes(link.linkPath, standIn));
  EXPECT_EQ(standIn, link.targetPath);
  ASSERT_EQ(host::SavedShellLinks().size(), 1u);
  EXPECT_EQ(host::SavedShellLinks()[0].hotkey, 0x0641);
  EXPECT_EQ(host::SavedShellLinks()[0].iconIndex, 2);

  plat::ShellLink noTarget;
  noTarget.linkPath = folder / "空.lnk";
  EXPECT_FALSE(plat::SaveShellLink(noTarget));
  EXPECT_FALSE(plat::FileExists(noTarget.linkPath));
  EXPECT_EQ(host::SavedShellLinks().size(), 1u);

  plat::InvokeShellVerb(folder.Path(), "演示.lnk", 5386);
  ASSERT_EQ(host::InvokedShellVerbs().size(), 1u);
  EXPECT_EQ(host::InvokedShellVerbs()[0].fileName, "演示.lnk");
  EXPECT_EQ(host::InvokedShellVerbs()[0].shell32StringId, 5386);
}

}  // namespace
