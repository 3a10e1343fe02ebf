// The registry step against the real registry of the platform (host: in memory; Windows: under
// Wine), below keys of the test's own that it deletes again.
#include <gtest/gtest.h>

#include "common/text.h"
#include "package/install_path.h"
#include "system/registry.h"
#include "tests/support/test_folder.h"
#include "tests/unit/system/registry_fixture.h"

namespace {

using plat::RegView;
using regtest::Entry;
using regtest::Read;

class RegistryStep : public ::testing::Test {
 protected:
  void TearDown() override {
    regtest::DeleteKeys({{plat::kCurrentUser, key_},
                         {plat::kLocalMachine, machineKey_},
                         {plat::kLocalMachine, regtest::UninstallKey(product_)}});
  }

  RegistryListInput Input(Bytes list, bool makeUninstaller) const {
    RegistryListInput in;
    in.registryList = std::move(list);
    in.installPath = "C:\\Program Files\\App";
    in.productName = product_;
    in.version = "1.2";
    in.company = "某公司";
    in.mainProgram = "app.exe";
    in.makeUninstaller = makeUninstaller;
    return in;
  }

  TestFolder machine_;  // resets the host machine; unused on Windows
  const std::string name_ = regtest::UniqueName();
  const std::string key_ = "Software\\InstallerTests\\" + name_;
  const std::string fullKey_ = "HKEY_CURRENT_USER\\" + key_;
  const std::string machineKey_ = "SOFTWARE\\InstallerTests\\" + name_;
  const std::string product_ = "InstallerTests 产品 " + name_;
};

TEST_F(RegistryStep, ValuesAreStoredInTheirEncodings) {
  struct Case {
    const char* name;
    uint32_t type;
    Bytes data;
    Bytes stored;
  } cases[] = {
      {"Text", plat::kRegSz, "C:\\Program Files\\App", Bytes("C:\\Program Files\\App\0", 21)},
      {"中文", plat::kRegSz, "安装", Bytes("安装\0", 5)},
      {"EmptyText", plat::kRegSz, "", Bytes(1, '\0')},
      {"Dword", plat::kRegDword, "256", BytesOf({0x00, 0x01, 0x00, 0x00})},
      {"DwordMinusOne", plat::kRegDword, "-1", BytesOf({0xFF, 0xFF, 0xFF, 0xFF})},
      {"DwordMax", plat::kRegDword, "4294967295", BytesOf({0xFF, 0xFF, 0xFF, 0xFF})},
      {"DwordDigitsFirst", plat::kRegDword, "12abc", BytesOf({0x0C, 0x00, 0x00, 0x00})},
      {"DwordEmpty", plat::kRegDword, "", BytesOf({0x00, 0x00, 0x00, 0x00})},
      // Exactly the packager's bytes: no zero is added to a binary value.
      {"Binary", plat::kRegBinary, BytesOf({0xAB, 0xCD}), BytesOf({0xAB, 0xCD})},
      {"BinaryZeros", plat::kRegBinary, BytesOf({0x00, 0xFF, 0x00}), BytesOf({0x00, 0xFF, 0x00})},
      {"BinaryEmpty", plat::kRegBinary, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetRegistryValue(plat::kCurrentUser, key_, c.name, c.data, c.type, ""));
    plat::RegValue value = Read(plat::kCurrentUser, key_, c.name);
    EXPECT_EQ(value.type, c.type);
    EXPECT_EQ(value.data, c.stored);
  }
  // The key's default value: a subkey ending with "\" and no name.
  ASSERT_TRUE(SetRegistryValue(plat::kCurrentUser, key_ + "\\Sub\\", "", "dflt", plat::kRegSz, ""));
  EXPECT_EQ(Read(plat::kCurrentUser, key_ + "\\Sub", "").data, Bytes("dflt\0", 5));

  EXPECT_FALSE(SetRegistryValue(0, key_, "x", "1", plat::kRegSz, ""));
  EXPECT_FALSE(SetRegistryValue(6, key_, "x", "1", plat::kRegSz, ""));
}

// This test program is a 64-bit process on 64-bit Windows (the host's default machine, and
// Wine's): there is no redirection to switch off, and "64" must still write. Every other view
// text means the 32-bit view, where the 32-bit runtime writes.
TEST_F(RegistryStep, ViewTextsReachBothViewsFromASixtyFourBitProcess) {
  if (!plat::IsProcess64()) GTEST_SKIP() << "only meaningful in the 64-bit build";
  ASSERT_TRUE(SetRegistryValue(plat::kLocalMachine, machineKey_, "v64", "a", plat::kRegSz, "64"));
  for (const char* view : {"32", ""}) {
    ASSERT_TRUE(SetRegistryValue(plat::kLocalMachine, machineKey_, std::string("v") + view, "b",
                                 plat::kRegSz, view));
  }
  EXPECT_EQ(Read(plat::kLocalMachine, machineKey_, "v64", RegView::k64).data, Bytes("a\0", 2));
  EXPECT_EQ(plat::RegListValueNames(plat::kLocalMachine, machineKey_, RegView::k64).size(), 1u);
  EXPECT_EQ(Read(plat::kLocalMachine, machineKey_, "v32", RegView::k32).data, Bytes("b\0", 2));
  EXPECT_EQ(Read(plat::kLocalMachine, machineKey_, "v", RegView::k32).data, Bytes("b\0", 2));
  EXPECT_EQ(plat::RegListValueNames(plat::kLocalMachine, machineKey_, RegView::k32).size(), 2u);
}

TEST_F(RegistryStep, ListEntriesAreWrittenAndThoseMarkedForRemovalListed) {
  const Bytes kEmpty = kRegistryEmptyMark;
  const std::vector<Entry> entries = {
      {fullKey_ + "\\Paths", "REG_SZ", "%InstallPath%\\app.exe", "真", "Exe", ""},
      {fullKey_ + "\\Paths", "REG_SZ", "SXG(%InstallPath%)", "", "Escaped", ""},
      {fullKey_ + "\\Default", "REG_SZ", "dflt", "真", kEmpty, "64"},
      {fullKey_ + "\\Trailing\\", "REG_DWORD", "256", "假", "Count", ""},
      {fullKey_ + "\\Bin", "REG_BINARY", BytesOf({0xAB, 0xCD}), "真", "Blob", "64"},
      {fullKey_ + "\\Empty", "REG_SZ", kEmpty, "", "E", ""},
      {fullKey_ + "\\Odd", "REG_QWORD", "1", "真", "Q", ""},
      {fullKey_ + "\\OddDefault", "REG_QWORD", "1", "真", kEmpty, "64"},
      {"HKEY_NOWHERE\\" + key_, "REG_SZ", "x", "真", "N", ""},
      // A name with a line break cannot be one line of the removal list (found by fuzzing).
      {fullKey_ + "\\Broken", "REG_SZ", "x", "真", "a\r\nHKEY_CURRENT_USER\\Other\\b", ""},
  };
  const std::string removal =
      ApplyRegistryList(Input(regtest::MakeRegistryList(entries), true));

  EXPECT_EQ(removal, fullKey_ + "\\Paths\\Exe$,\r\n" +     //
                         fullKey_ + "\\Default\\$,64\r\n" +  // the default value: no name
                         fullKey_ + "\\Bin\\Blob$,64\r\n" +  //
                         fullKey_ + "\\Odd\\Q$,\r\n" +       //
                         fullKey_ + "\\OddDefault\\$,64\r\n" +  // unknown type, default value
                         "HKEY_NOWHERE\\" + key_ + "\\N$,\r\n");

  EXPECT_EQ(Read(plat::kCurrentUser, key_ + "\\Paths", "Exe").data,
            Bytes("C:\\Program Files\\App\\app.exe") + '\0');
  EXPECT_EQ(Read(plat::kCurrentUser, key_ + "\\Paths", "Escaped").data,
            Bytes("C:\\\\Program Files\\\\App") + '\0');
  EXPECT_EQ(Read(plat::kCurrentUser, key_ + "\\Default", "").data, Bytes("dflt\0", 5));
  plat::RegValue count = Read(plat::kCurrentUser, key_ + "\\Trailing", "Count");
  EXPECT_EQ(count.type, plat::kRegDword);
  EXPECT_EQ(count.data, BytesOf({0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Read(plat::kCurrentUser, key_ + "\\Bin", "Blob").data, BytesOf({0xAB, 0xCD}));
  EXPECT_EQ(Read(plat::kCurrentUser, key_ + "\\Empty", "E").data, Bytes(1, '\0'));
  // An unknown type is not written (never under the type of the entry before it).
  EXPECT_FALSE(plat::RegKeyExists(plat::kCurrentUser, key_ + "\\Odd", RegView::kDefault));
  EXPECT_FALSE(plat::RegKeyExists(plat::kCurrentUser, key_ + "\\OddDefault", RegView::kDefault));
}

// "num" is the packager's word only: the loop goes no further than the entries the list holds.
TEST_F(RegistryStep, AHugeCountReadsOnlyTheEntriesPresent) {
  const std::vector<Entry> two = {{fullKey_, "REG_SZ", "1", "真", "One", ""},
                                  {fullKey_, "REG_SZ", "2", "真", "Two", ""}};
  EXPECT_EQ(ApplyRegistryList(Input(regtest::MakeRegistryList(two, 2000000000), true)),
            fullKey_ + "\\One$,\r\n" + fullKey_ + "\\Two$,\r\n");
  EXPECT_EQ(Read(plat::kCurrentUser, key_, "Two").data, Bytes("2\0", 2));

  // A gap in the numbering is not the end of the list.
  Bytes gap = regtest::MakeRegistryList({two[0]}, 2147483647);
  for (const auto& [item, value] : std::vector<std::pair<std::string, std::string>>{
           {"REGpath", fullKey_}, {"REGtype", "REG_SZ"}, {"REGdata", "3"},
           {"REGoff", "真"}, {"REGname", "Three"}, {"REGws", ""}}) {
    AppendKeyedItem(gap, item + "3", value, false);
  }
  EXPECT_EQ(ApplyRegistryList(Input(gap, true)),
            fullKey_ + "\\One$,\r\n" + fullKey_ + "\\Three$,\r\n");
  EXPECT_EQ(Read(plat::kCurrentUser, key_, "Three").data, Bytes("3\0", 2));
}

TEST_F(RegistryStep, UninstallKeyHoldsItsValuesInTheViewOfIReg) {
  if (!plat::IsWindows64()) GTEST_SKIP() << "only meaningful on 64-bit Windows";
  const std::string key = regtest::UninstallKey(product_);
  const std::pair<const char*, std::string> expected[] = {
      {"DisplayIcon", "C:\\Program Files\\App\\app.exe"},
      {"DisplayName", product_ + " 1.2"},
      {"DisplayVersion", "1.2"},
      {"UninstallString", "C:\\Program Files\\App\\uninst.exe"},
      {"InstallLocation", "C:\\Program Files\\App"},
      {"Publisher", "某公司"},
      {"QuietUninstallString", "\"C:\\Program Files\\App\\uninst.exe\" /quiet"},
  };
  // Two files of 1 and 1025 bytes: 1026 bytes are 2 KiB, rounded up.
  ASSERT_TRUE(plat::WriteFileBytes(machine_ / "a.txt", "a"));
  ASSERT_TRUE(plat::WriteFileBytes(machine_ / "b.txt", Bytes(1025, 'b')));
  for (bool key64 : {false, true}) {
    SCOPED_TRACE(key64 ? "I_reg 真" : "I_reg 假");
    RegistryListInput in = Input("", true);
    in.uninstallKey64 = key64;
    in.quietSwitch = "/quiet";
    in.installedFileList = (machine_ / "a.txt") + "\r\n" + (machine_ / "b.txt") + "\r\n";
    EXPECT_EQ(ApplyRegistryList(in), "");
    const RegView view = key64 ? RegView::k64 : RegView::k32;
    for (const auto& [name, data] : expected) {
      plat::RegValue value = Read(plat::kLocalMachine, key, name, view);
      EXPECT_EQ(value.type, plat::kRegSz) << name;
      EXPECT_EQ(value.data, data + '\0') << name;
    }
    const plat::RegValue size = Read(plat::kLocalMachine, key, "EstimatedSize", view);
    EXPECT_EQ(size.type, plat::kRegDword);
    EXPECT_EQ(size.data, BytesOf({2, 0, 0, 0}));
    EXPECT_EQ(plat::RegListValueNames(plat::kLocalMachine, key, view).size(), 8u);
    EXPECT_FALSE(plat::RegKeyExists(plat::kLocalMachine, key, key64 ? RegView::k32 : RegView::k64));
    TearDown();
  }
}

TEST_F(RegistryStep, EstimatedSizeIsTheListedFilesInKibRoundedUp) {
  ASSERT_TRUE(plat::WriteFileBytes(machine_ / "one", "1"));
  ASSERT_TRUE(plat::WriteFileBytes(machine_ / "kib", Bytes(1024, 'k')));
  ASSERT_TRUE(plat::WriteFileBytes(machine_ / "empty", ""));
  const std::string one = machine_ / "one", kib = machine_ / "kib", empty = machine_ / "empty";
  const struct {
    std::string list;
    uint32_t kib;
  } cases[] = {
      {"", 0},
      {empty + "\r\n", 0},
      {one + "\r\n", 1},
      {kib + "\r\n", 1},
      {kib + "\r\n" + one + "\r\n", 2},
      {machine_ / "gone.txt\r\n" + kib + "\r\n", 1},  // a file that is gone counts 0
  };
  for (const auto& c : cases) EXPECT_EQ(EstimatedSizeKiB(c.list), c.kib) << c.list;
}

TEST_F(RegistryStep, QuietUninstallStringTakesTheDefaultSwitchWhenNoneIsGiven) {
  RegistryListInput in = Input("", true);
  in.quietSwitch = "";
  ApplyRegistryList(in);
  const plat::RegValue quiet = Read(plat::kLocalMachine, regtest::UninstallKey(product_),
                                    "QuietUninstallString", RegistryViewOf("32"));
  EXPECT_EQ(quiet.data, Bytes("\"C:\\Program Files\\App\\uninst.exe\" -hp") + '\0');
}

TEST_F(RegistryStep, UninstallerFlagDecidesKeyAndRemovalListButNotTheList) {
  const std::vector<Entry> one = {{fullKey_, "REG_SZ", "x", "真", "V", ""}};
  struct Case {
    const char* what;
    bool makeUninstaller;
    Bytes list;
    bool listWritten;
    std::string removal;
  } cases[] = {
      {"num missing", true, regtest::MakeRegistryList(one, -2), false, ""},
      {"num 0", true, regtest::MakeRegistryList(one, 0), false, ""},
      {"no uninstaller", false, regtest::MakeRegistryList(one), true, ""},
      {"uninstaller", true, regtest::MakeRegistryList(one), true, fullKey_ + "\\V$,\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ApplyRegistryList(Input(c.list, c.makeUninstaller)), c.removal);
    EXPECT_EQ(plat::RegKeyExists(plat::kLocalMachine, regtest::UninstallKey(product_),
                                 RegView::k32),
              c.makeUninstaller);
    EXPECT_EQ(plat::RegKeyExists(plat::kCurrentUser, key_, RegView::kDefault), c.listWritten);
    TearDown();
  }
}

TEST(RegistrySubstitution, EscapedFormFirstThenThePlainFolder) {
  EXPECT_EQ(package::SubstituteInstallPath(
                "a=\"SXG(%InstallPath%)\\\\x\" b=%InstallPath%\\y SXG(%InstallPath%)",
                "C:\\Program Files\\App", true),
            "a=\"C:\\\\Program Files\\\\App\\\\x\" b=C:\\Program Files\\App\\y "
            "C:\\\\Program Files\\\\App");
}

}  // namespace
