// The registry editor really imports the .reg entries of the registry list (under Wine): the
// install does not wait for it, so the test polls for the values it writes.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "system/registry.h"
#include "tests/support/test_folder.h"
#include "tests/unit/system/registry_fixture.h"

namespace {

using regtest::Entry;

// The value once the editor has written it; empty after about 30 s.
Bytes WaitForValue(const std::string& key, const std::string& name) {
  for (int i = 0; i < 300; ++i) {
    plat::RegValue value;
    if (plat::RegReadValue(plat::kCurrentUser, key, name, plat::RegView::kDefault, value)) {
      return value.data;
    }
    plat::SleepMs(100);
  }
  return "";
}

TEST(RegImport, ConsecutiveRegFileEntriesAreBothImported) {
  TestFolder folder;
  const std::string key = "Software\\InstallerTests\\" + regtest::UniqueName();
  const std::string section = "[HKEY_CURRENT_USER\\" + key + "]\r\n";
  const std::vector<Entry> entries = {
      {"HKEY_CURRENT_USER\\" + key, "file",
       "REGEDIT4\r\n\r\n" + section + "\"First\"=\"SXG(%InstallPath%)\\\\bin\"\r\n", "", "", ""},
      {"HKEY_CURRENT_USER\\" + key, "file",
       "REGEDIT4\r\n\r\n" + section + "\"Second\"=\"two\"\r\n", "", "", ""},
  };
  RegistryListInput in;
  in.registryList = regtest::MakeRegistryList(entries);
  in.installPath = "C:\\Program Files\\App";
  ApplyRegistryList(in);

  EXPECT_EQ(WaitForValue(key, "First"), Bytes("C:\\Program Files\\App\\bin") + '\0');
  EXPECT_EQ(WaitForValue(key, "Second"), Bytes("two") + '\0');
  plat::RegDeleteKeyTree(plat::kCurrentUser, key, plat::RegView::kDefault);
}

}  // namespace
