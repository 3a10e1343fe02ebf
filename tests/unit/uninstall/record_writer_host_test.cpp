// The uninstall record on the host machine: uninst.ini's sections and keys in order, the
// uninst.dat layout, a reinstall that keeps the earlier record's files, and a full drive.
#include <gtest/gtest.h>

#include "common/keyed_store.h"
#include "common/text.h"
#include "package/blocks.h"
#include "package/uninst_dat.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "system/shortcuts.h"
#include "tests/support/test_folder.h"
#include "uninstall/record_writer.h"

namespace {

namespace host = plat::host;
using namespace std::string_literals;

const char kFolder[] = "C:\\Program Files\\App";
const char kSetup[] = "C:\\Setup\\setup.exe";
const Bytes kImage = "MZ the setup program's own image\0\1 with its resources"s;

// A setup file as setup-pack writes it: the image, then the type, payload and configuration
// blocks.
Bytes SetupFile() {
  return kImage + blocks::MakeBlock(blocks::kTypeStart, "qzr-1", blocks::kTypeEnd) +
         blocks::MakeBlock(blocks::kPayloadStart, "7z payload", blocks::kPayloadEnd) +
         blocks::MakeBlock(blocks::kConfigStart, "7z configuration", blocks::kConfigEnd);
}

Bytes Section(const char* start, BytesView data, const char* end) {
  return blocks::MarkerPattern(start) + Bytes(data) + blocks::MarkerPattern(end);
}

Bytes ReadOrEmpty(const std::string& path) {
  Bytes data;
  if (!plat::ReadFileBytes(path, data)) data.clear();
  return data;
}

Bytes Item(BytesView store, const std::string& key) {
  Bytes item;
  ReadKeyedItem(store, key, false, item);
  return item;
}

struct Record : ::testing::Test {
  TestFolder machine;
  UninstallRecordInputs in;

  void SetUp() override {
    ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
    ASSERT_TRUE(plat::WriteFileBytes(kSetup, SetupFile()));
    ASSERT_TRUE(plat::CreateDirectories(kFolder));
    in.productName = "App";
    in.version = "1.0";
    in.mainProgram = "app.exe";
    in.installFolder = kFolder;
    in.installedFileList = std::string(kFolder) + "\\app.exe\r\n" + kFolder + "\\doc\\a.txt\r\n";
    in.configurationBundle = package::BuildConfigurationBundle({"plugins", "", "vars", "[%A%]"});
    in.smallPicture = "\x89PNG small";
    in.company = "某公司";
    in.uninstallIcon = "icon bytes";
    in.ownFilePath = kSetup;
    in.launcher = "MZ launcher";
  }

  Bytes Dat() const { return ReadOrEmpty(std::string(kFolder) + "\\uninst.dat"); }
  Bytes RecordBlock() const {
    return blocks::FindBlockBackward(std::string(kFolder) + "\\uninst.dat",
                                     blocks::kUninstIniStart, blocks::kUninstIniEnd);
  }
};

TEST_F(Record, UninstIniHoldsEverySectionAndKeyInOrder) {
  in.programGroupOverride = "Group";
  in.uninstallMode = "直接卸载";
  in.shortcuts = {
      {"X", "app.exe", "", "c:\\A,d:\\B\\", true, "", ""},  // folders normalised
      {"Kept", "app.exe", "", "C:\\K", false, "", ""},      // not removed: no key
      {"Y.lnk", "app.exe", "", "C:\\L,", true, "", ""},     // .lnk twice; empty piece passed over
  };
  in.commands = {{"假", "bin\\clean.cmd", true, false}};
  in.optionLayout = "真";
  in.options = {{"保留设置", "真", "真", "[假]cmd"}, {"B", "假", "", "b"}, {"C", "真", "假", ""}};
  EXPECT_EQ(BuildUninstallIni(in),
            "[软件卸载配置]\r\n"
            "软件名称=App\r\n软件版本=1.0\r\n主程序名=app.exe\r\n"
            "卸载路径=C:\\Program Files\\App\r\n快捷方式个数=3\r\n开始菜单栏名称=Group\r\n"
            "卸载模式=直接卸载\r\n"
            "快捷方式1=C:\\A\\X.lnk,D:\\B\\X.lnk,\r\n快捷方式3=C:\\L\\Y.lnk.lnk,\r\n"
            "\r\n[安装包命令行]\r\njp=-jp\r\nhideend=-hideend\r\nhp=-hp\r\n"
            "\r\n[卸载时运行命令]\r\n欲运行的次数=1\r\n是否外部运行1=假\r\n参数运行文件名1=bin\\clean.cmd\r\n"
            "是否隐藏窗口1=真\r\n是否等待返回1=假\r\n"
            "\r\n[卸载选项]\r\n次数=3\r\ny=真\r\n"
            "标题1=保留设置\r\n可视1=真\r\n选中1=真\r\n程序1=[假]cmd\r\n"
            "标题2=B\r\n可视2=假\r\n选中2=\r\n程序2=b\r\n"
            "标题3=C\r\n可视3=真\r\n选中3=假\r\n程序3=\r\n");

  // No entry marked for removal: the full count, no "快捷方式" key.
  for (ShortcutRecord& r : in.shortcuts) r.removeOnUninstall = false;
  const Bytes none = BuildUninstallIni(in);
  EXPECT_TRUE(text::Contains(none, "快捷方式个数=3\r\n")) << none;
  EXPECT_FALSE(text::Contains(none, "快捷方式1=")) << none;
}

// The shortcut step rewrites the locations first ("，" separates, "%AC%" is a literal "，");
// the record splits what it left.
TEST_F(Record, ShortcutListFollowsTheRewrittenLocations) {
  host::AddDrive('D');
  std::vector<ShortcutRecord> records = {
      {"X", "app.exe", "", "c:\\A，d:\\B", true, "", ""},
      {"Z", "app.exe", "", "C:\\甲%AC%乙", true, "", ""},
  };
  ShortcutInputs inputs;
  inputs.installFolder = kFolder;
  inputs.softwareName = "App";
  CreateShortcuts(records, inputs);
  EXPECT_EQ(ShortcutListValue(records[0]), "C:\\A\\X.lnk,D:\\B\\X.lnk,");
  EXPECT_EQ(ShortcutListValue(records[1]), "C:\\甲，乙\\Z.lnk,");
}

TEST_F(Record, UninstDatIsTheOwnImageAndTheFourSections) {
  const RecordResult result = WriteUninstallRecord(in);
  ASSERT_TRUE(result.written) << result.failedPath;

  const std::string files = std::string(kFolder) + "\\app.exe\r\n" + kFolder +
                            "\\doc\\a.txt\r\n" + kFolder + "\\uninst.ini\r\n" + kFolder +
                            "\\uninst.exe\r\n" + kFolder + "\\uninst.dat";
  Bytes record = BuildUninstallIni(in);
  AppendKeyedItem(record, "卸载路径", files, false);
  AppendKeyedItem(record, "卸载注册表", kEmptyItemMark, false);  // no registry lines
  Bytes skin;
  AppendKeyedItem(skin, "界面小图片", "\x89PNG small", false);
  AppendKeyedItem(skin, "界面大图片", kEmptyItemMark, false);
  AppendKeyedItem(skin, "版权", "某公司", false);
  AppendKeyedItem(skin, "x皮肤", kEmptyItemMark, false);
  // The image is everything before the type block less the block's lead 0x00.
  const Bytes expected =
      kImage + "{" + Section(blocks::kUninstDataStart, in.configurationBundle, blocks::kUninstDataEnd) +
      Section(blocks::kUninstIniStart, record, blocks::kUninstIniEnd) +
      Section(blocks::kSkinStart, skin, blocks::kSkinEnd) +
      Section(blocks::kTypeStart, "qzr-2", blocks::kTypeEnd);
  const Bytes dat = Dat();
  EXPECT_EQ(dat, expected);
  EXPECT_FALSE(text::Contains(dat, "payload")) << "none of the setup's package";
  EXPECT_FALSE(text::Contains(dat, "configuration"));
  EXPECT_EQ(blocks::ReadPackageType(std::string(kFolder) + "\\uninst.dat"), "qzr-2");

  EXPECT_EQ(ReadOrEmpty(std::string(kFolder) + "\\uninst.exe"), "MZ launcher");
  EXPECT_EQ(ReadOrEmpty("C:\\Temp\\qzr_dll\\App.ico"), "icon bytes");
  EXPECT_EQ(ReadOrEmpty("C:\\Temp\\qzr_dll\\uninst.ini"), record);
  EXPECT_FALSE(plat::PathExists(std::string(kFolder) + "\\uninst.dat.partial"));
  EXPECT_FALSE(plat::PathExists(std::string(kFolder) + "\\uninst.exe.partial"));
}

TEST_F(Record, RegistryListIsStoredAsGiven) {
  in.registryList = "HKEY_CURRENT_USER\\Software\\App\\v$,32\r\nHKEY_CURRENT_USER\\Software\\App\\$,\r\n";
  ASSERT_TRUE(WriteUninstallRecord(in).written);
  EXPECT_EQ(Item(RecordBlock(), "卸载注册表"), in.registryList);
}

// A second install into the same folder keeps what the first one recorded and the second did
// not install again; nothing is listed twice, whatever the case of its letters.
TEST_F(Record, ReinstallKeepsTheEarlierRecordsFilesAndRegistryLines) {
  const std::string f = kFolder;
  in.installedFileList = f + "\\old.txt\r\n" + f + "\\both.txt\r\n";
  in.registryList = "HKEY_CURRENT_USER\\Software\\App\\old$,32\r\nHKEY_CURRENT_USER\\Software\\App\\both$,32\r\n";
  ASSERT_TRUE(WriteUninstallRecord(in).written);

  in.installedFileList = f + "\\BOTH.TXT\r\n" + f + "\\new.txt\r\n";
  in.registryList = "HKEY_CURRENT_USER\\Software\\App\\new$,64\r\nHKEY_CURRENT_USER\\Software\\APP\\BOTH$,32\r\n";
  ASSERT_TRUE(WriteUninstallRecord(in).written);
  const Bytes record = RecordBlock();
  EXPECT_EQ(Item(record, "卸载路径"), f + "\\BOTH.TXT\r\n" + f + "\\new.txt\r\n" + f + "\\old.txt\r\n" +
                                          f + "\\uninst.ini\r\n" + f + "\\uninst.exe\r\n" + f +
                                          "\\uninst.dat");
  EXPECT_EQ(Item(record, "卸载注册表"),
            "HKEY_CURRENT_USER\\Software\\App\\new$,64\r\nHKEY_CURRENT_USER\\Software\\APP\\BOTH$,32\r\n"
            "HKEY_CURRENT_USER\\Software\\App\\old$,32\r\n");
  // One record block: the new uninst.dat replaced the old one.
  EXPECT_EQ(text::Split(Dat(), blocks::MarkerPattern(blocks::kUninstIniStart)).size(), 2u);
}

// Case folding goes by GBK characters: two characters whose trail bytes are "A" and "a"
// (E7 41, E7 61) stay two different names.
TEST(RecordLists, CaseFoldingLeavesGbkTrailBytesAlone) {
  const std::string upper = "C:\\\xE7\x41.txt", lower = "C:\\\xE7\x61.txt";
  EXPECT_EQ(RecordFileList(upper + "\r\n", "C:\\F", lower + "\r\n"),
            upper + "\r\n" + lower + "\r\nC:\\F\\uninst.ini\r\nC:\\F\\uninst.exe\r\nC:\\F\\uninst.dat");
  EXPECT_EQ(RecordRegistryList("", kEmptyItemMark), "");
}

// A full drive: the record fails and says where; nothing half-written is left, and the record
// of an earlier install stays as it was.
TEST_F(Record, AFullDriveFailsTheRecordAndKeepsTheEarlierOne) {
  ASSERT_TRUE(WriteUninstallRecord(in).written);
  const Bytes earlierDat = Dat();
  const Bytes earlierExe = ReadOrEmpty(std::string(kFolder) + "\\uninst.exe");
  in.launcher = "MZ a newer launcher";
  for (uint64_t budget : {uint64_t(0), uint64_t(kImage.size() + 40), uint64_t(kImage.size() + 400)}) {
    SCOPED_TRACE(budget);
    host::SetWriteBudget(budget);
    const RecordResult result = WriteUninstallRecord(in);
    host::SetWriteBudget(std::nullopt);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.failedPath.rfind(kFolder, 0), 0u) << result.failedPath;
    EXPECT_EQ(Dat(), earlierDat);
    EXPECT_EQ(ReadOrEmpty(std::string(kFolder) + "\\uninst.exe"), earlierExe);
    EXPECT_FALSE(plat::PathExists(std::string(kFolder) + "\\uninst.dat.partial"));
    EXPECT_FALSE(plat::PathExists(std::string(kFolder) + "\\uninst.exe.partial"));
  }
}

TEST_F(Record, NoImageOrNoLauncherFailsTheRecord) {
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Setup\\bare.exe", "MZ without a package"));
  in.ownFilePath = "C:\\Setup\\bare.exe";
  EXPECT_EQ(WriteUninstallRecord(in).failedPath, "C:\\Setup\\bare.exe");
  in.ownFilePath = kSetup;
  in.launcher.clear();
  EXPECT_EQ(WriteUninstallRecord(in).failedPath, std::string(kFolder) + "\\uninst.exe");
  EXPECT_FALSE(plat::PathExists(std::string(kFolder) + "\\uninst.dat"));
  EXPECT_FALSE(plat::PathExists(std::string(kFolder) + "\\uninst.exe"));
}

// The retry is bounded; a failed section leaves the file as it was before it, also after a
// partial write.
TEST(AppendSection, GivesUpOnAFullDriveAndCutsThePartialSectionOff) {
  TestFolder machine;
  const std::string file = machine / "f.dat";
  ASSERT_TRUE(plat::WriteFileBytes(file, "head"));
  host::SetWriteBudget(3);
  const uint32_t before = plat::TickCount();
  EXPECT_FALSE(AppendSection(file, "A", "data", "B"));
  const uint32_t waited = plat::TickCount() - before;
  host::SetWriteBudget(std::nullopt);
  EXPECT_EQ(ReadOrEmpty(file), "head");
  EXPECT_GE(waited, (kAppendAttempts - 1) * kAppendRetryMs);
  EXPECT_LT(waited, kAppendAttempts * kAppendRetryMs + 1000);
  ASSERT_TRUE(AppendSection(file, "A", "data", "B"));
  EXPECT_EQ(ReadOrEmpty(file), "headA\1dataB\1");
}

TEST(ReadImageBeforeMarker, FindsTheFirstMarkerAlsoAcrossABlockBoundary) {
  TestFolder machine;
  const Bytes marker = "QZR-mark\1";
  const struct {
    const char* what;
    Bytes file;
    Bytes image;
  } cases[] = {
      {"marker after the image", "image\0"s + marker + "rest" + marker, "image"},
      {"marker across the 5 MiB boundary", Bytes(5 * 1024 * 1024 - 4, 'i') + marker,
       Bytes(5 * 1024 * 1024 - 5, 'i')},
      {"no marker", "image only", ""},
      {"marker at the start", marker + "x", ""},
      {"empty file", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(plat::WriteFileBytes(machine / "setup.exe", c.file));
    EXPECT_EQ(ReadImageBeforeMarker(machine / "setup.exe", marker) == c.image, true);
  }
  EXPECT_TRUE(ReadImageBeforeMarker(machine / "missing.exe", marker).empty());
}

}  // namespace
