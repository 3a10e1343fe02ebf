// The configuration step over data.ini held in memory, the finish options and their boxes, the
// shortcut and run lists. Portable: nothing here needs the host's controls.
#include <gtest/gtest.h>

#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/wizard_config.h"

namespace {

const char kMain[] =
    "[Mokta软件安装配置]\r\n"
    "Mokta软件名称=演示软件\r\n"
    "软件版本=1.2\r\n"
    "公司名称=示例公司\r\n"
    "压缩包文件名=payload.7z\r\n"
    "包内的程序名=demo.exe\r\n"
    "安装位置=C:\\Program Files\\演示软件\r\n"
    "选择框_优先二次路径=假\r\n"
    "浏览目录自动添加=Demo\r\n"
    "自动添加路径=真\r\n"
    "同意条款k=真\r\n"
    "安装密码=5ebe2294ecd0e0f08eab7690d2a6ee69\r\n"
    "safe=archive-pw\r\n"
    "是否生成卸载程序=1\r\n"
    "卸载模式=ask\r\n"
    "I_reg=真\r\n"
    "任务栏进度=真\r\n"
    "安装过程_列表=1\r\n"
    "安装模式=直接安装\r\n"
    "安装后是否显示完成界面=假\r\n"
    "基本组件勾选=真，假，真\r\n"
    "[ml]\r\nch=真\r\nzwj=真,bin\r\nfb=s\r\n";

// A wizard whose configuration is `dataIni`.
struct Configured : WizardRun {
  explicit Configured(const std::string& dataIni) { session.run.config.dataIni = dataIni; }
};

TEST(WizardConfiguration, ReadsTheValuesTheInstallNeeds) {
  Configured r(kMain);
  r.form.SetText("编辑框_版权4", "版权 Mokta公司版权所有 2024");
  LoadWizardConfiguration(r.session);
  const WizardState& w = r.session.wizard;
  EXPECT_EQ(w.productName, "演示软件");
  EXPECT_EQ(w.version, "1.2");
  EXPECT_EQ(w.company, "示例公司");
  EXPECT_EQ(w.archiveFileName, "payload.7z");
  EXPECT_EQ(w.mainProgram, "demo.exe");
  EXPECT_EQ(w.pathRules.ch, "真");
  EXPECT_EQ(w.pathRules.zwj, "真,bin");
  EXPECT_EQ(w.pathRules.fb, "s");
  EXPECT_EQ(w.browseAppend, "Demo");
  EXPECT_TRUE(w.autoAppend);
  EXPECT_TRUE(w.autoAccept);
  EXPECT_EQ(w.installPasswordDigest, "5ebe2294ecd0e0f08eab7690d2a6ee69");
  EXPECT_EQ(w.safe, "archive-pw");
  EXPECT_EQ(w.makeUninstaller, 1);
  EXPECT_EQ(w.uninstallMode, "ask");
  EXPECT_EQ(w.uninstallKeyView, "真");
  EXPECT_TRUE(w.taskbarProgress);
  EXPECT_EQ(w.detailListMode, 1);
  EXPECT_EQ(w.defaultTicks, (std::array<std::string, 3>{"真", "假", "真"}));
  EXPECT_EQ(r.session.run.startup.installMode, "直接安装");
  EXPECT_EQ(r.session.run.startup.hideEnd, -1);

  // The controls it fills.
  EXPECT_EQ(r.session.run.installPath, "C:\\Program Files\\演示软件");
  EXPECT_EQ(r.form.Text("安装路径_编辑框"), "C:\\Program Files\\演示软件");
  EXPECT_TRUE(r.form.Enabled("安装路径_编辑框"));  // "s" without a previous install
  EXPECT_FALSE(r.form.Visible("选择框_条款"));
  EXPECT_EQ(r.form.Text("编辑框_安装1"), "“演示软件”正在安装，请稍后…");
  for (int page = 1; page <= 6; ++page)
    EXPECT_EQ(r.form.Text("编辑框_版权" + std::to_string(page)), "版权 示例公司 2024") << page;
  EXPECT_EQ(r.form.Text("备用_编辑框版权"), "示例公司");
}

TEST(WizardConfiguration, TheCommandLineDecidesFirst) {
  struct Case {
    std::string modeSet, modeKey;
    int hideEndSet;
    std::string finishKey;
    std::string mode;
    int hideEnd;
  } cases[] = {
      {"", "直接安装", 0, "真", "直接安装", 1},
      {"后台安装", "直接安装", -1, "真", "后台安装", -1},
      {"", "", 0, "", "", -1},  // anything but "真" hides the finish page
      {"", "正常安装", 0, "1", "正常安装", -1},
  };
  for (const Case& c : cases) {
    Configured r("[Mokta软件安装配置]\r\n安装模式=" + c.modeKey + "\r\n安装后是否显示完成界面=" +
                 c.finishKey + "\r\n");
    r.session.run.startup.installMode = c.modeSet;
    r.session.run.startup.hideEnd = c.hideEndSet;
    LoadWizardConfiguration(r.session);
    EXPECT_EQ(r.session.run.startup.installMode, c.mode) << c.modeKey;
    EXPECT_EQ(r.session.run.startup.hideEnd, c.hideEnd) << c.finishKey;
  }
}

TEST(WizardConfiguration, SmallValueRules) {
  // "是否生成卸载程序": the packer writes "真" or "1".
  for (auto [value, expected] : std::vector<std::pair<std::string, int>>{
           {"真", 1}, {"1", 1}, {"假", 0}, {"", 0}, {"2", 0}}) {
    Configured r("[Mokta软件安装配置]\r\n是否生成卸载程序=" + value + "\r\n");
    LoadWizardConfiguration(r.session);
    EXPECT_EQ(r.session.wizard.makeUninstaller, expected) << value;
  }
  // "基本组件勾选": exactly three entries at the full-width comma.
  for (auto [value, expected] : std::vector<std::pair<std::string, std::array<std::string, 3>>>{
           {"真，真", {"真", "真", ""}},
           {"真，真，假，真", {"真", "真", "假"}},
           {"真,真,真", {"真,真,真", "", ""}}}) {
    Configured r("[Mokta软件安装配置]\r\n基本组件勾选=" + value + "\r\n");
    LoadWizardConfiguration(r.session);
    EXPECT_EQ(r.session.wizard.defaultTicks, expected) << value;
  }
  // "fb" = "e" always locks the destination; the terms box shows without auto-accept.
  Configured locked("[Mokta软件安装配置]\r\n选择框_优先二次路径=假\r\n[ml]\r\nfb=e\r\n");
  LoadWizardConfiguration(locked.session);
  EXPECT_FALSE(locked.form.Enabled("安装路径_编辑框"));
  EXPECT_FALSE(locked.form.Enabled("浏览目录"));
  EXPECT_TRUE(locked.form.Visible("选择框_条款"));
}

TEST(WizardConfiguration, CaptionsComeFromThePageTexts) {
  const std::array<std::string, 6> builtIn = {"上一步(&P)", "我接受(&I)", "下一步(&N)",
                                               "安装(&I)",   "取消(&C)",   "完成(&F)"};
  Bytes keyed;
  AppendKeyedItem(keyed, "按钮", "后退,接受,继续,开始,退出,结束", true);
  AppendKeyedItem(keyed, "安装3", "解压 %Default%,快捷 %Default%,运行 %Default%,卸载 %Default%",
                  true);
  struct Case {
    const char* what;
    Bytes gui;
    std::array<std::string, 6> buttons;
    std::vector<std::string> steps;
  } cases[] = {
      {"none", "", builtIn, {}},
      {"keyed items", keyed,
       {"后退", "接受", "继续", "开始", "退出", "结束"},
       {"解压 %Default%", "快捷 %Default%", "运行 %Default%", "卸载 %Default%"}},
      {"INI text, four captions", "[文字]\r\n按钮=后退,接受,继续,开始\r\n安装3=解压 %Default%\r\n",
       {"后退", "接受", "继续", "开始", "", ""},
       {"解压 %Default%"}},
      {"empty values keep the built-in ones", "[文字]\r\n按钮=\r\n安装3=\r\n", builtIn, {}},
  };
  for (const Case& c : cases) {
    Configured r("[Mokta软件安装配置]\r\n");
    r.session.run.config.guiText = c.gui;
    const std::vector<std::string> builtInSteps = r.session.wizard.stepCaptions;
    LoadWizardConfiguration(r.session);
    EXPECT_EQ(r.session.wizard.buttonCaptions, c.buttons) << c.what;
    EXPECT_EQ(r.session.wizard.stepCaptions, c.steps.empty() ? builtInSteps : c.steps) << c.what;
    EXPECT_EQ(r.form.Text("取消按钮_主窗口"), c.buttons[4]) << c.what;
  }
}

TEST(PageTable, LicenceAndPageVisibility) {
  struct Case {
    std::string licence, components, folder;
    std::array<int, 6> flags;
  } cases[] = {
      {"许可协议正文", "真", "真", {1, 1, 1, 1, 1, 1}},
      {"", "真", "假", {1, 0, 1, 0, 1, 1}},
      {"", "", "", {1, 0, 0, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    Bytes data = "[界面_可视]\r\n选择组件可视=" + c.components + "\r\n浏览目录可视=" + c.folder + "\r\n";
    if (!c.licence.empty()) AppendKeyedItem(data, "自述文本_开始", c.licence, true);
    Configured r(data);
    LoadPageTable(r.session);
    EXPECT_EQ(r.session.wizard.visibleFlags, c.flags) << c.licence << c.components << c.folder;
    for (int p = 0; p < kPageCount; ++p) {
      EXPECT_EQ(r.session.wizard.pageTable[p].index, p);
      EXPECT_EQ(r.session.wizard.pageTable[p].visible, c.flags[p] == 1);
    }
    EXPECT_EQ(r.session.wizard.licenceText, c.licence);
    EXPECT_EQ(r.form.Text("编辑框4"), c.licence);
    EXPECT_EQ(r.form.Text("选择夹1"), "备用_选择夹窗口");
  }
}

TEST(FinishOptions, ListedOptionsTakeRowsOnlyWhenVisible) {
  Configured r(
      "[完成后选项_列表]\r\n次数=4\r\ny=140\r\n"
      "标题1=运行演示\r\n可视1=真\r\n选中1=真\r\n程序1=**%InstallPath%\\demo.exe**\r\n"
      "标题2=静默配置\r\n可视2=假\r\n选中2=真\r\n程序2=cfg.exe\r\n"
      "标题3=阅读说明\r\n可视3=真\r\n选中3=假\r\n程序3=readme.txt\r\n"
      "标题4=访问网站\r\n可视4=真\r\n选中4=真\r\n程序4=http://example.com\r\n"
      "[完成后选项_访问网络]\r\n网页地址=ignored.example.com\r\n");
  LoadWizardConfiguration(r.session);
  const auto& options = r.session.finishOptions;
  ASSERT_EQ(options.size(), 4u);
  struct Row {
    std::string caption;
    bool visible, ticked;
    int top;
  } rows[] = {{"运行演示", true, true, 140},
              {"静默配置", false, true, 140},
              {"阅读说明", true, false, 166},
              {"访问网站", true, true, 192}};
  for (size_t k = 0; k < 4; ++k) {
    const std::string& box = options[k].control;
    ASSERT_TRUE(r.form.Has(box)) << k;
    EXPECT_EQ(options[k].caption, rows[k].caption);
    EXPECT_EQ(r.form.Text(box), rows[k].caption);
    EXPECT_EQ(r.form.Visible(box), rows[k].visible) << k;
    EXPECT_EQ(r.form.Checked(box), rows[k].ticked) << k;
    EXPECT_EQ(r.form.GetBounds(box).top, rows[k].top) << k;
    EXPECT_EQ(r.form.GetBounds(box).left, 32) << k;
  }
  EXPECT_EQ(options[0].command, "**%InstallPath%\\demo.exe**");

  Configured noTop("[完成后选项_列表]\r\n次数=1\r\n标题1=a\r\n可视1=真\r\n");
  LoadWizardConfiguration(noTop.session);
  EXPECT_EQ(noTop.form.GetBounds(noTop.session.finishOptions[0].control).top, 132);
}

TEST(FinishOptions, TheThreeFixedOptions) {
  struct Expected {
    std::string caption, command;
    bool visible, ticked;
  };
  const std::string head = "[Mokta软件安装配置]\r\nMokta软件名称=演示软件\r\n软件版本=1.2\r\n";
  struct Case {
    const char* what;
    std::string ini;
    std::vector<Expected> expected;
  } cases[] = {
      {"all three",
       head + "包内的程序名=demo.exe\r\n[完成后选项_主运行程序]\r\n显示=真\r\n"
              "[完成后选项_执行程序]\r\n文件路径=tools\\cfg.exe\r\n选项标题=配置\r\n显示=假\r\n"
              "[完成后选项_访问网络]\r\n网页地址=www.example.com\r\n选项标题=主页\r\n显示=真\r\n",
       {{"运行 演示软件 1.2", "\"%InstallPath%\\demo.exe\"", true, true},
        {"配置", "\"%InstallPath%\\tools\\cfg.exe\"", false, true},
        {"主页", "http://www.example.com", true, true}}},
      {"main program not shown without its name",
       head + "[完成后选项_主运行程序]\r\n显示=真\r\n", {}},
      {"main program not shown without its flag", head + "包内的程序名=demo.exe\r\n", {}},
      {"an address starting with http is kept",
       head + "[完成后选项_访问网络]\r\n网页地址=https://example.com\r\n选项标题=主页\r\n",
       {{"主页", "https://example.com", false, true}}},
      {"a listed count of 0 falls back",
       head + "[完成后选项_列表]\r\n次数=0\r\n[完成后选项_访问网络]\r\n网页地址=httpd.example\r\n",
       {{"", "httpd.example", false, true}}},
  };
  for (const Case& c : cases) {
    Configured r(c.ini);
    LoadWizardConfiguration(r.session);
    const auto& got = r.session.finishOptions;
    ASSERT_EQ(got.size(), c.expected.size()) << c.what;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].caption, c.expected[i].caption) << c.what;
      EXPECT_EQ(got[i].command, c.expected[i].command) << c.what;
      EXPECT_EQ(got[i].visible, c.expected[i].visible) << c.what;
      EXPECT_EQ(got[i].ticked, c.expected[i].ticked) << c.what;
      EXPECT_EQ(r.form.Visible(got[i].control), c.expected[i].visible) << c.what;
    }
  }
}

TEST(ConfigurationLists, ShortcutsAndRunLists) {
  Configured r(
      "[新建快捷方式参数]\r\n欲运行的次数=2\r\n"
      "参数快捷方式名1=演示\r\n参数文件名1=demo.exe\r\n参数命令行1=-x\r\n参数生成位置1=%Desktop%\r\n"
      "参数是否卸载1=真\r\n快捷方式图标1=demo.ico\r\n快捷方式描述1=演示程序\r\n"
      "参数快捷方式名2=卸载\r\n参数文件名2=%Uninst.exe%\r\n"
      "[解压后运行的参数]\r\n欲运行的次数=3\r\n"
      "是否外部运行1=真\r\n参数运行文件名1=C:\\pre.exe\r\n是否隐藏窗口1=真\r\n是否等待返回1=真\r\n作用方案1=解压前运行\r\n"
      "是否外部运行2=假\r\n参数运行文件名2=setup\\post.exe\r\n是否等待返回2=真\r\n作用方案2=解压后运行\r\n"
      "参数运行文件名3=other.exe\r\n");
  LoadWizardConfiguration(r.session);
  ASSERT_EQ(r.session.shortcuts.size(), 2u);
  const ShortcutRecord& s = r.session.shortcuts[0];
  EXPECT_EQ(s.name, "演示");
  EXPECT_EQ(s.file, "demo.exe");
  EXPECT_EQ(s.arguments, "-x");
  EXPECT_EQ(s.locations, "%Desktop%");
  EXPECT_TRUE(s.removeOnUninstall);
  EXPECT_EQ(s.icon, "demo.ico");
  EXPECT_EQ(s.description, "演示程序");
  EXPECT_EQ(r.session.shortcuts[1].file, "%Uninst.exe%");
  EXPECT_FALSE(r.session.shortcuts[1].removeOnUninstall);

  const auto& pre = r.session.preInstallCommands;
  const auto& post = r.session.postUnpackCommands;
  ASSERT_EQ(pre.size(), 2u);  // anything but "解压后运行" runs before the install
  ASSERT_EQ(post.size(), 1u);
  EXPECT_EQ(pre[0].external, "真");
  EXPECT_EQ(pre[0].file, "C:\\pre.exe");
  EXPECT_TRUE(pre[0].hide);
  EXPECT_TRUE(pre[0].wait);
  EXPECT_EQ(pre[1].file, "other.exe");
  EXPECT_FALSE(pre[1].wait);
  EXPECT_EQ(post[0].external, "假");
  EXPECT_EQ(post[0].file, "setup\\post.exe");
  EXPECT_FALSE(post[0].hide);
  EXPECT_TRUE(post[0].wait);
}

// A count read from the package bounds nothing by itself: a list ends at the first entry of
// which the section holds no key, so a count of two thousand million over two entries reads
// the two (and neither hangs nor exhausts memory).
TEST(ConfigurationLists, AHugeCountReadsTheEntriesTheSectionHolds) {
  Configured r(
      "[完成后选项_列表]\r\n次数=2000000000\r\n"
      "标题1=一\r\n可视1=真\r\n程序1=a.exe\r\n标题2=二\r\n选中2=真\r\n"
      "[新建快捷方式参数]\r\n欲运行的次数=2000000000\r\n"
      "参数快捷方式名1=演示\r\n参数文件名1=demo.exe\r\n参数生成位置2=%Desktop%\r\n"
      "[解压后运行的参数]\r\n欲运行的次数=2000000000\r\n"
      "参数运行文件名1=pre.exe\r\n作用方案2=解压后运行\r\n是否外部运行2=真\r\n"
      // An entry after a gap is not reached: the list is read as far as it runs unbroken.
      "参数运行文件名4=late.exe\r\n");
  LoadWizardConfiguration(r.session);
  ASSERT_EQ(r.session.finishOptions.size(), 2u);
  EXPECT_EQ(r.session.finishOptions[0].command, "a.exe");
  EXPECT_TRUE(r.session.finishOptions[1].ticked);
  ASSERT_EQ(r.session.shortcuts.size(), 2u);
  EXPECT_EQ(r.session.shortcuts[0].file, "demo.exe");
  EXPECT_EQ(r.session.shortcuts[1].locations, "%Desktop%");
  ASSERT_EQ(r.session.preInstallCommands.size(), 1u);
  EXPECT_EQ(r.session.preInstallCommands[0].file, "pre.exe");
  ASSERT_EQ(r.session.postUnpackCommands.size(), 1u);
  EXPECT_EQ(r.session.postUnpackCommands[0].external, "真");

  // A count below what the section holds still ends the list.
  Configured fewer("[完成后选项_列表]\r\n次数=1\r\n标题1=一\r\n标题2=二\r\n");
  LoadWizardConfiguration(fewer.session);
  EXPECT_EQ(fewer.session.finishOptions.size(), 1u);
}

}  // namespace
