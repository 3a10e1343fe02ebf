// The parts of the configuration step and of Finish that meet the machine: the previous install
// location in the registry, the script document of the work folder, and the programs the
// finish options start.
#include <gtest/gtest.h>

#include "common/package_cipher.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "startup/exit_codes.h"
#include "tests/support/test_folder.h"
#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/finish_options.h"
#include "wizard/wizard_config.h"

namespace {

using plat::host::ProcessStarts;

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示软件";

TEST(WizardConfigurationHost, TheDestinationAndItsLock) {
  struct Case {
    const char* what;
    std::string prefer, fb, location;
    plat::RegView view;  // where InstallLocation is; kDefault = nowhere
    std::string installPath;
    bool locked;
  } cases[] = {
      {"previous install, empty flag", "", "s", "C:\\Default", plat::RegView::k64, "D:\\Old", true},
      {"previous install, true flag", "真", "", "C:\\Default", plat::RegView::k64, "D:\\Old", false},
      {"previous install in the 32-bit view", "", "s", "C:\\Default", plat::RegView::k32, "D:\\Old",
       true},
      {"previous install ignored", "假", "s", "C:\\Default", plat::RegView::k64, "C:\\Default",
       false},
      {"no previous install", "", "s", "C:\\Default", plat::RegView::kDefault, "C:\\Default", false},
      {"always locked", "假", "e", "C:\\Default", plat::RegView::kDefault, "C:\\Default", true},
      {"registry reference", "", "", "GetReg(HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo\\Folder)",
       plat::RegView::kDefault, "E:\\FromReg", false},
      {"reference to a missing value", "", "",
       "GetReg(HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo\\Missing)", plat::RegView::kDefault, "", false},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, "SOFTWARE\\Demo", "Folder",
                                    plat::RegView::k64, plat::kRegSz, "E:\\FromReg"));
    if (c.view != plat::RegView::kDefault) {
      ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, kUninstallKey, "InstallLocation",
                                      c.view, plat::kRegSz, "D:\\Old"));
    }
    WizardRun r;
    r.session.run.config.dataIni = "[Mokta软件安装配置]\r\nMokta软件名称=演示软件\r\n选择框_优先二次路径=" +
                                   c.prefer + "\r\n安装位置=" + c.location + "\r\n[ml]\r\nfb=" +
                                   c.fb + "\r\n";
    LoadWizardConfiguration(r.session);
    EXPECT_EQ(r.session.run.installPath, c.installPath) << c.what;
    EXPECT_EQ(r.form.Text("安装路径_编辑框"), c.installPath) << c.what;
    EXPECT_EQ(r.form.Enabled("安装路径_编辑框"), !c.locked) << c.what;
    EXPECT_EQ(r.form.Enabled("浏览目录"), !c.locked) << c.what;
  }
}

TEST(WizardConfigurationHost, TheScriptDocumentIsDecipheredFromTheWorkFolder) {
  const std::string document = "\r\n基本组件\r\n｛\r\nInstall(){[真]assignzip(a)\r\n}\r\n｝\r\n";
  struct Case {
    const char* what;
    Bytes file;  // "" = no file
    std::string expected;
  } cases[] = {
      {"enciphered", cipher::Encipher(document, cipher::PassPhrase::kScript), document},
      {"missing", "", ""},
      {"not enciphered", "plain text of 24 bytes!!", ""},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    if (!c.file.empty()) {
      ASSERT_TRUE(plat::WriteFileBytes(folder / "choosegment.ini", c.file));
    }
    WizardRun r;
    r.session.run.package.workFolder = folder.Path();
    LoadWizardConfiguration(r.session);
    EXPECT_EQ(r.session.wizard.scriptDocument, c.expected) << c.what;
  }
}

TEST(WizardConfigurationHost, FinishRunsTheTickedOptionsVisibleOrNotThenTheFinishSections) {
  TestFolder folder;
  WizardRun r;
  r.session.run.config.dataIni =
      "[完成后选项_列表]\r\n次数=6\r\n"
      "标题1=运行\r\n可视1=真\r\n选中1=真\r\n程序1=**%InstallPath%\\demo.exe** -s\r\n"
      "标题2=配置\r\n可视2=假\r\n选中2=真\r\n程序2=**%InstallPath%\\cfg.exe**\r\n"
      "标题3=说明\r\n可视3=真\r\n选中3=假\r\n程序3=**%InstallPath%\\readme.txt**\r\n"
      "标题4=网站\r\n可视4=真\r\n选中4=真\r\n程序4=http://example.com\r\n"
      "标题5=旧系统\r\n可视5=假\r\n选中5=真\r\n程序5=[sys=32]**%InstallPath%\\x86.exe**\r\n"
      "标题6=批处理\r\n可视6=假\r\n选中6=真\r\n程序6=cmd /c echo a%ET%echo b\r\n";
  LoadWizardConfiguration(r.session);
  r.session.run.installPath = "C:\\My App";
  r.session.tree.items[0].checked = 1;
  r.session.wizard.scriptDocument =
      "\r\n基本组件\r\n｛\r\nfinish(){\r\n[真]C:\\Tools\\after.exe\r\n}\r\n｝\r\n";
  // The user unticks the first box and ticks the third.
  r.form.Fire(r.session.finishOptions[0].control, FormEvent::kClick);
  r.form.Fire(r.session.finishOptions[2].control, FormEvent::kClick);

  RunFinishActions(r.session);
  ASSERT_TRUE(r.session.outcome.has_value());
  EXPECT_EQ(*r.session.outcome, kExitSuccess);

  std::vector<std::string> started;
  for (const auto& s : ProcessStarts()) started.push_back(s.commandLine);
  ASSERT_EQ(started.size(), 5u) << testing::PrintToString(started);
  EXPECT_EQ(started[0], "|C:\\My App\\cfg.exe|");
  EXPECT_EQ(started[1], "|C:\\My App\\readme.txt|");
  EXPECT_EQ(started[2], "|http://example.com|");
  // The batch of the "%ET%" option, opened by its quoted path.
  ASSERT_EQ(started[3].rfind("|C:\\Temp\\", 0), 0u) << started[3];
  const std::string batch = started[3].substr(1, started[3].size() - 2);
  ASSERT_EQ(batch.substr(batch.size() - 4), ".bat");
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(batch, content));
  EXPECT_EQ(content, "echo a\r\necho b");
  // Finish options start without waiting, in a normal window.
  EXPECT_FALSE(ProcessStarts()[0].options.wait);
  EXPECT_FALSE(ProcessStarts()[0].options.hidden);
  // Then the finish section of each component.
  EXPECT_EQ(started[4], "open|C:\\Tools\\after.exe|");
}

// A "%ET%" option whose batch cannot be written (no temp folder) starts nothing and says so on
// the status line; the options after it still run.
TEST(WizardConfigurationHost, FinishSkipsAnOptionWhoseBatchCannotBeWritten) {
  TestFolder folder;
  WizardRun r;
  r.session.run.config.dataIni =
      "[完成后选项_列表]\r\n次数=2\r\n"
      "标题1=批处理\r\n可视1=真\r\n选中1=真\r\n程序1=cmd /c echo a%ET%echo b\r\n"
      "标题2=网站\r\n可视2=真\r\n选中2=真\r\n程序2=http://example.com\r\n";
  LoadWizardConfiguration(r.session);
  plat::host::SetTempFolder("C:\\NoSuchTemp\\");
  RunFinishActions(r.session);
  EXPECT_EQ(r.session.outcome, kExitSuccess);
  ASSERT_EQ(ProcessStarts().size(), 1u);
  EXPECT_EQ(ProcessStarts()[0].commandLine, "|http://example.com|");
  const std::string status = r.form.Text("解压_标签");
  EXPECT_EQ(status.rfind(std::string("无法写入批处理文件：C:\\NoSuchTemp\\"), 0), 0u) << status;
}

}  // namespace
