// The install's record step over a session: what it takes from the session and the process,
// the status line it shows, and how a failure is reported in each mode.
#include <gtest/gtest.h>

#include "common/compressed_block.h"
#include "common/keyed_store.h"
#include "common/text.h"
#include "package/blocks.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "script/unpack_progress.h"
#include "tests/support/test_folder.h"
#include "ui/headless_form.h"
#include "uninstall/install_record.h"
#include "wizard/window_tables.h"

namespace {

namespace host = plat::host;

const char kFolder[] = "C:\\Program Files\\演示";

struct InstallRecord : ::testing::Test {
  TestFolder machine;
  HeadlessForm form{WizardWindowDesc()};
  InstallSession session;

  void SetUp() override {
    ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
    ASSERT_TRUE(plat::WriteFileBytes(
        "C:\\Setup\\setup.exe",
        "MZ image" + blocks::MakeBlock(blocks::kTypeStart, "qzr-1", blocks::kTypeEnd)));
    host::SetModulePath("C:\\Setup\\setup.exe");
    host::SetOwnResource("UNINST_DAT", 100, block::Deflate("MZ launcher") + Bytes(16, '\0'));
    ASSERT_TRUE(plat::CreateDirectories(kFolder));
    TheUnpackProgress() = UnpackProgress{};
    TheUnpackProgress().installedFileList = std::string(kFolder) + "\\a.txt\r\n";

    session.form = &form;
    session.run.installPath = kFolder;
    session.wizard.productName = "演示";
    session.wizard.company = "某公司";
    session.wizard.stepCaptions = {"a %Default%", "b", "c", "生成 %Default% 中"};
    session.uninstallRegistryList = "HKEY_CURRENT_USER\\Software\\演示\\v$,32\r\n";
    session.run.config.smallPicture = "small";
    session.run.config.uninstallIcon = "icon";
    session.run.config.dataIni =
        "[安装包命令行]\r\nhp=/S\r\n"
        "[卸载时运行命令]\r\n欲运行的次数=9\r\n是否外部运行1=真\r\n参数运行文件名1=cmd /c x\r\n"
        "是否隐藏窗口1=真\r\n是否等待返回1=假\r\n"
        "[卸载选项_列表]\r\ny=130\r\n次数=2\r\n标题1=甲\r\n可视1=真\r\n选中1=假\r\n程序1=p1\r\n"
        "标题2=乙\r\n可视2=假\r\n选中2=真\r\n程序2=p2\r\n";
  }
};

TEST_F(InstallRecord, InputsComeFromTheSessionDataIniAndTheProcess) {
  const UninstallRecordInputs in = UninstallRecordInputsOf(session);
  EXPECT_EQ(in.productName, "演示");
  EXPECT_EQ(in.installFolder, kFolder);
  EXPECT_EQ(in.switchBackground, "/S");
  EXPECT_EQ(in.switchDirect, "-jp");  // the defaults where data.ini names none
  EXPECT_EQ(in.switchHideEnd, "-hideend");
  // The count of 9 is bounded by the entries the section really holds.
  ASSERT_EQ(in.commands.size(), 1u);
  EXPECT_EQ(in.commands[0].external, "真");
  EXPECT_EQ(in.commands[0].commandLine, "cmd /c x");
  EXPECT_TRUE(in.commands[0].hidden);
  EXPECT_FALSE(in.commands[0].wait);
  EXPECT_EQ(in.optionLayout, "130");
  ASSERT_EQ(in.options.size(), 2u);
  EXPECT_EQ(in.options[1].caption, "乙");
  EXPECT_EQ(in.options[1].visible, "假");
  EXPECT_EQ(in.options[1].checked, "真");
  EXPECT_EQ(in.options[1].command, "p2");
  EXPECT_EQ(in.installedFileList, std::string(kFolder) + "\\a.txt\r\n");
  EXPECT_EQ(in.registryList, session.uninstallRegistryList);
  EXPECT_EQ(in.smallPicture, "small");
  EXPECT_EQ(in.uninstallIcon, "icon");
  EXPECT_EQ(in.company, "某公司");
  EXPECT_EQ(in.ownFilePath, "C:\\Setup\\setup.exe");
  EXPECT_EQ(in.launcher, "MZ launcher");
}

// setup.exe carries the launcher as a compressed block with spare NUL bytes behind it. A block
// that does not inflate whole (cut short, or a plain image) is no launcher: the record then
// fails as without the resource, and no uninst.exe is written, cut off or not.
TEST_F(InstallRecord, ALauncherBlockThatDoesNotInflateFailsTheRecord) {
  const Bytes block = block::Deflate(Bytes(5000, 'L'));
  for (const Bytes& stored : {block.substr(0, block.size() - 6), Bytes("MZ plain image")}) {
    host::SetOwnResource("UNINST_DAT", 100, stored);
    EXPECT_EQ(UninstallRecordInputsOf(session).launcher, "");
    EXPECT_FALSE(WriteInstallUninstallRecord(session));
    EXPECT_FALSE(plat::PathExists(std::string(kFolder) + "\\uninst.exe"));
  }
}

TEST_F(InstallRecord, ShowsTheRecordCaptionAndWritesTheRecord) {
  ASSERT_TRUE(WriteInstallUninstallRecord(session));
  EXPECT_EQ(form.Text("解压_标签"), std::string("生成 ") + kFolder + "\\uninst.exe 中");
  Bytes dat;
  ASSERT_TRUE(plat::ReadFileBytes(std::string(kFolder) + "\\uninst.dat", dat));
  EXPECT_EQ(dat.substr(0, 9), "MZ image{");
  const Bytes record =
      BytesBetween(dat, blocks::MarkerPattern(blocks::kUninstIniStart), blocks::MarkerPattern(blocks::kUninstIniEnd));
  EXPECT_TRUE(text::Contains(record, "\r\nhp=/S\r\n")) << record;
  EXPECT_TRUE(text::Contains(record, "[卸载选项]\r\n次数=2\r\ny=130\r\n")) << record;
  EXPECT_TRUE(host::Messages().empty());
}

TEST_F(InstallRecord, AFailureIsShownOnTheStatusLineAndInTheWizardModesInABox) {
  for (const char* mode : {"正常安装", "后台安装"}) {
    SCOPED_TRACE(mode);
    TestFolder fresh;
    SetUp();
    session.run.startup.installMode = mode;
    host::SetWriteBudget(0);
    EXPECT_FALSE(WriteInstallUninstallRecord(session));
    host::SetWriteBudget(std::nullopt);
    const std::string report = std::string(kRecordFailedText) + kFolder + "\\uninst.dat";
    EXPECT_EQ(form.Text("解压_标签"), report);
    const bool background = std::string(mode) == "后台安装";
    ASSERT_EQ(host::Messages().size(), background ? 0u : 1u);
    if (!background) {
      EXPECT_EQ(host::Messages()[0].text, report);
      EXPECT_EQ(host::Messages()[0].caption, kRecordFailedTitle);
    }
  }
}

}  // namespace
