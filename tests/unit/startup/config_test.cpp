// The configuration step over a folder that the tests make: reading, expansion, write-back.
// Built-in values are what this machine (host or Windows) reports through the platform.
#include <gtest/gtest.h>

#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "common/text.h"
#include "platform/platform.h"
#include "startup/config.h"
#include "package/uninst_dat.h"
#include "package/data_keys.h"
#include "startup/variables.h"
#include "system/folders.h"
#include "tests/support/test_folder.h"
#include "tests/unit/startup/config_fixture.h"

namespace {

Bytes Read(const std::string& path) {
  Bytes data;
  EXPECT_TRUE(plat::ReadFileBytes(path, data)) << path;
  return data;
}

TEST(Config, FlagsAndMissingKeys) {
  for (const char* falseText : {"真 ", "1", "true", "假", ""}) EXPECT_FALSE(IsTrueText(falseText));
  EXPECT_TRUE(IsTrueText("真"));
  TestFolder folder;
  PackageState package;
  EXPECT_EQ(ReadMainKey(package, keys::kProductName), "");  // no work folder at all
  package.workFolder = folder.Path();
  EXPECT_EQ(ReadMainKey(package, keys::kProductName), "");  // no data.ini
  fixture::WriteConfigFolder(folder.Path());
  EXPECT_EQ(ReadMainKey(package, keys::kProductName), "演示软件");
  EXPECT_EQ(ReadMainKey(package, "没有这个键"), "");
  EXPECT_EQ(ReadIniKey(folder / "data.ini", keys::kCommandLineSection, "p"), "/D=");
}

TEST(Config, ExpandsEveryTargetInListOrderAndWritesThemBack) {
  TestFolder folder;
  fixture::WriteConfigFolder(folder.Path());
  PackageState package;
  package.workFolder = folder.Path();
  Configuration config;
  ASSERT_TRUE(ExpandConfiguration(package, config));

  const std::string programFiles = text::ReplaceAll(plat::GetEnv("ProgramFiles"), " (x86)", "");
  const std::string temp = NormalizedFolder(plat::TempFolder());
  ASSERT_FALSE(temp.empty());

  // data.ini: built-ins, user variables in list order, resources, names that stay.
  EXPECT_EQ(ReadMainKey(package, keys::kInstallLocation), programFiles + "\\演示软件");
  EXPECT_EQ(ReadMainKey(package, "临时"), temp);
  EXPECT_EQ(ReadMainKey(package, "说明"),
            "值A第二|" + fixture::IconBytes() + "|%InstallPath%|%AC%|%ET%|%Unlisted%");
  EXPECT_EQ(config.dataIni, Read(folder / "data.ini"));

  // The registry list stays in memory: SXG( ) doubles the backslashes.
  Bytes item;
  ASSERT_TRUE(ReadKeyedItem(config.registryList, "REGdata1", false, item));
  EXPECT_EQ(item, "path=" + text::ReplaceAll(temp, "\\", "\\\\"));
  ASSERT_TRUE(ReadKeyedItem(config.registryList, "REGdata2", false, item));
  EXPECT_EQ(item, "plain=" + temp + " at SXG(%InstallPath%)");

  // Page texts and assignments are written back plain; the script stays enciphered.
  EXPECT_EQ(Read(folder / "GUItext.ini"), "[界面]\r\n标题=欢迎安装演示软件 值A第二\r\n");
  EXPECT_EQ(Read(folder / "Except.ini"), fixture::kExcept);
  EXPECT_EQ(cipher::Decipher(Read(folder / "choosegment.ini"), cipher::PassPhrase::kScript),
            fixture::kScript);
  EXPECT_EQ(Read(folder / "QZRDLL_s.ini"), "DLLnameentryDLLname_end 版本1.2");

  // The blob holds the files as they were unpacked.
  EXPECT_EQ(config.uninstallBlob,
            package::BuildConfigurationBundle({fixture::kPluginSettings, fixture::kPluginData,
                                               Read(folder / "var_data.ini"),
                                               Read(folder / "variable.ini")}));
  EXPECT_EQ(config.variableNames.size(), 10u);
}

// Without variables the work folder stays as stored, but the configuration is still read into
// memory unexpanded: the wizard reads it from there once the folder is gone.
TEST(Config, WithoutVariablesNothingIsExpandedButEverythingIsRead) {
  TestFolder folder;
  fixture::WriteConfigFolder(folder.Path(), false);
  const Bytes guiBefore = Read(folder / "GUItext.ini");
  PackageState package;
  package.workFolder = folder.Path();
  Configuration config;
  ASSERT_TRUE(ExpandConfiguration(package, config));
  EXPECT_TRUE(config.variableNames.empty());
  EXPECT_EQ(Read(folder / "GUItext.ini"), guiBefore);
  EXPECT_EQ(Read(folder / "data.ini"), fixture::kDataIni);
  EXPECT_EQ(config.dataIni, fixture::kDataIni);
  EXPECT_FALSE(config.guiText.empty());
}

TEST(Config, ResourcePlaceholdersAreReplacedInOnePass) {
  const std::vector<Bytes> placeholders = {"#资源数据_a", "#资源数据_b"};
  const std::vector<Bytes> resources = {Bytes("\x01#资源数据_b", 12), ""};
  EXPECT_EQ(ReplaceResourcePlaceholders("x#资源数据_b-#资源数据_a-#资源数据_a", placeholders, resources),
            "x-" + resources[0] + "-" + resources[0]);
  EXPECT_EQ(ReplaceResourcePlaceholders("none", placeholders, resources), "none");
}

TEST(Config, RegistryTextAndGetReg) {
  TestFolder folder;
  const std::string key = "Software\\InstallerTests\\" + text::FromInt(plat::TickCount());
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key, "Folder", plat::RegView::kDefault,
                                  plat::kRegSz, Bytes("D:\\Apps\\演示", 13)));
  EXPECT_EQ(ReadRegistryText(plat::kCurrentUser, key + "\\Folder"), "D:\\Apps\\演示");
  EXPECT_EQ(ReadRegistryText(plat::kCurrentUser, key + "\\Missing"), "");
  EXPECT_EQ(ResolveGetReg("GetReg(HKEY_CURRENT_USER\\" + key + "\\Folder)"), "D:\\Apps\\演示");
  EXPECT_EQ(ResolveGetReg("prefix GetReg(HKEY_CURRENT_USER\\" + key + "\\Folder) suffix"),
            "D:\\Apps\\演示");
  EXPECT_EQ(ResolveGetReg("GetReg(HKEY_NOWHERE\\" + key + "\\Folder)"), "");
  EXPECT_EQ(ResolveGetReg("C:\\Plain"), "C:\\Plain");
  plat::RegDeleteKeyTree(plat::kCurrentUser, key, plat::RegView::kDefault);
}

}  // namespace
