// The registry step on machine shapes this host cannot be (a 32-bit process on 64-bit Windows,
// 32-bit Windows), and the registry editor starts, which the host records instead of running.
#include <gtest/gtest.h>

#include "platform/host/host.h"
#include "system/registry.h"
#include "tests/support/test_folder.h"
#include "tests/unit/system/registry_fixture.h"

namespace {

using plat::RegView;
using regtest::Entry;

constexpr char kKey[] = "SOFTWARE\\InstallerTests\\Views";

bool In(RegView view, const std::string& key = kKey) {
  return plat::RegKeyExists(plat::kLocalMachine, key, view);
}

TEST(RegistryHost, ViewTextChoosesTheViewOnEveryMachineShape) {
  struct Case {
    const char* shape;
    bool windows64, process64;
    const char* view;
    bool in64, in32;  // where HKLM\SOFTWARE\... lands
  } cases[] = {
      {"64-bit process", true, true, "64", true, false},
      {"64-bit process", true, true, "", false, true},
      {"64-bit process", true, true, "32", false, true},
      {"WOW64 process", true, false, "64", true, false},
      {"WOW64 process", true, false, "32", false, true},
      {"WOW64 process", true, false, "64 ", false, true},  // exactly "64" only
      // One view, which both flags reach; the point is that the write happens at all (there
      // is no redirection to switch off on 32-bit Windows either).
      {"32-bit Windows", false, false, "64", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.shape) + " view '" + c.view + "'");
    TestFolder machine;
    plat::host::SetMachine(c.windows64, c.process64);
    ASSERT_TRUE(SetRegistryValue(plat::kLocalMachine, kKey, "v", "1", plat::kRegDword, c.view));
    EXPECT_EQ(In(RegView::k64), c.in64);
    EXPECT_EQ(In(RegView::k32), c.in32);
  }
}

// The 64-bit write of a WOW64 process switches redirection off and on again: afterwards
// System32 is SysWOW64 again for this process.
TEST(RegistryHost, RedirectionIsRestoredAfterASixtyFourBitWrite) {
  TestFolder machine;
  plat::host::SetMachine(true, false);
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Windows\\SysWOW64\\only32.txt", "x"));
  ASSERT_TRUE(SetRegistryValue(plat::kLocalMachine, kKey, "v", "x", plat::kRegSz, "64"));
  EXPECT_TRUE(plat::FileExists("C:\\Windows\\System32\\only32.txt"));
}

TEST(RegistryHost, UninstallKeyFollowsIRegInAWow64Process) {
  for (bool key64 : {true, false}) {
    SCOPED_TRACE(key64 ? "I_reg 真" : "I_reg 假");
    TestFolder machine;
    plat::host::SetMachine(true, false);
    RegistryListInput in;
    in.installPath = "D:\\Apps\\产品";
    in.productName = "产品";
    in.version = "2.0";
    in.makeUninstaller = true;
    in.uninstallKey64 = key64;
    ApplyRegistryList(in);
    const std::string key = regtest::UninstallKey("产品");
    EXPECT_EQ(In(RegView::k64, key), key64);
    EXPECT_EQ(In(RegView::k32, key), !key64);
    EXPECT_EQ(regtest::Read(plat::kLocalMachine, key, "UninstallString",
                            key64 ? RegView::k64 : RegView::k32)
                  .data,
              Bytes("D:\\Apps\\产品\\uninst.exe") + '\0');
  }
}

// Each "file" entry is imported from a file of its own, so an editor still reading the first
// file never sees the second one's text; nothing waits for the editor.
TEST(RegistryHost, EachRegFileEntryIsImportedFromItsOwnFileWithoutWaiting) {
  TestFolder machine;
  const Bytes first = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"P\"=\"SXG(%InstallPath%)\"\r\n";
  const Bytes second = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\B]\r\n\"P\"=\"%InstallPath%\"\r\n";
  const std::vector<Entry> entries = {
      {"HKEY_CURRENT_USER\\Software\\A", "file", first, "真", kRegistryEmptyMark, ""},
      {"HKEY_CURRENT_USER\\Software\\B", "file", second, "", kRegistryEmptyMark, ""},
      {"HKEY_CURRENT_USER\\Software\\C", "file", kRegistryEmptyMark, "", "", ""},
  };
  RegistryListInput in;
  in.registryList = regtest::MakeRegistryList(entries);
  in.installPath = "C:\\Program Files\\App";
  in.makeUninstaller = true;
  // A "file" entry keeps its name as given: only value entries turn the empty mark into "".
  EXPECT_EQ(ApplyRegistryList(in),
            "HKEY_CURRENT_USER\\Software\\A\\" + std::string(kRegistryEmptyMark) + "$,\r\n");

  const auto& starts = plat::host::ProcessStarts();
  ASSERT_EQ(starts.size(), 3u);
  const Bytes expected[] = {
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"P\"=\"C:\\\\Program Files\\\\App\"\r\n",
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\B]\r\n\"P\"=\"C:\\Program Files\\App\"\r\n",
      "",
  };
  std::vector<std::string> files;
  for (size_t i = 0; i < starts.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string& command = starts[i].commandLine;
    const std::string program = "\"" + plat::WindowsFolder() + "\\regedit.exe\" /s \"";
    ASSERT_EQ(command.rfind(program, 0), 0u) << command;
    ASSERT_EQ(command.back(), '"');
    EXPECT_FALSE(starts[i].options.wait);
    const std::string file = command.substr(program.size(), command.size() - program.size() - 1);
    EXPECT_EQ(file.rfind(plat::TempFolder(), 0), 0u) << file;
    EXPECT_EQ(file.substr(file.size() - 4), ".reg");
    Bytes content;
    ASSERT_TRUE(plat::ReadFileBytes(file, content));
    EXPECT_EQ(content, expected[i]);
    files.push_back(file);
  }
  EXPECT_NE(files[0], files[1]);
  EXPECT_NE(files[1], files[2]);
  EXPECT_NE(files[0], files[2]);
}

TEST(RegistryHost, ImportRegFileStartsTheWindowsFoldersRegeditAndQuotesThePath) {
  TestFolder machine;
  EXPECT_TRUE(ImportRegFile("C:\\Temp\\有 空格.reg"));
  ASSERT_EQ(plat::host::ProcessStarts().size(), 1u);
  // regedit by full path: one beside setup.exe (its download folder) must not be the one run.
  EXPECT_EQ(plat::host::ProcessStarts()[0].commandLine,
            "\"" + plat::WindowsFolder() + "\\regedit.exe\" /s \"C:\\Temp\\有 空格.reg\"");
}

}  // namespace
