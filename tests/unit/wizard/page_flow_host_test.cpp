// The page flow against a headless wizard window on the host platform: the user is played
// through the form's events, message boxes and input boxes answer from queues, and the end of
// the run is observed as the session's outcome.
#include <gtest/gtest.h>

#include "common/crypto.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "startup/exit_codes.h"
#include "tests/support/test_folder.h"
#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/page_flow.h"

namespace {

using plat::host::InputPrompts;
using plat::host::Messages;
using plat::host::ProcessStarts;
using plat::host::QueueInputAnswer;
using plat::host::QueueMessageAnswer;

constexpr char kNext[] = "下一步_按钮";
constexpr char kBack[] = "上一步_按钮";
constexpr char kWizardCaption[] = "Mokta软件版本-安装向导";

// The outcome the call ended the run with; -1 when the run goes on.
long ExitCodeOf(const InstallSession& session, const std::function<void()>& fn) {
  fn();
  return session.outcome ? long(*session.outcome) : -1;
}

std::string StepMessage(int page, int direction) {
  return "消息，整数型，1002\r\n参数一，整数型，" + std::to_string(page) + "\r\n参数二，整数型，" +
         std::to_string(direction) + "\r\n";
}

// A wizard ready for an install in test mode: destination filled in, all pages visible.
struct FlowTest : ::testing::Test {
  TestFolder folder;
  WizardRun run;
  void SetUp() override {
    run.SetVisiblePages({0, 1, 2, 3, 4, 5});
    run.UseTestMode();
    run.session.wizard.productName = "演示软件";
    run.session.wizard.version = "1.2";
    run.form.SetText("安装路径_编辑框", "C:\\App");
  }
  // Puts the wizard on `page` the way GoToPage does, and forgets the messages so far.
  void StartOn(int page) {
    GoToPage(run.session, page);
    run.sent.clear();
  }
};

TEST_F(FlowTest, BackAndNextFollowTheVisiblePages) {
  const std::string kAccept = "我接受(&I)", kPlain = "下一步(&N)", kInstall = "安装(&I)",
                    kFinish = "完成(&F)";
  struct Case {
    std::initializer_list<int> visible;
    int from;
    int direction;
    int to;
    bool backShown;
    std::string nextCaption;
    bool nextEnabled;
  } cases[] = {
      {{0, 1, 2, 3, 4, 5}, 0, +1, 1, true, kAccept, false},  // terms not ticked yet
      {{0, 1, 2, 3, 4, 5}, 1, +1, 2, true, kPlain, true},
      {{0, 1, 2, 3, 4, 5}, 2, +1, 3, true, kInstall, true},
      {{0, 1, 2, 3, 4, 5}, 3, +1, 5, false, kFinish, true},  // installs, then the finish page
      {{0, 4, 5}, 0, +1, 5, false, kFinish, true},           // Next on welcome installs
      {{0, 1, 4, 5}, 1, +1, 5, false, kFinish, true},
      {{0, 1, 3, 4, 5}, 1, +1, 3, true, kInstall, true},     // components hidden
      {{0, 1, 2, 3, 4, 5}, 3, -1, 2, true, kPlain, true},
      {{0, 1, 2, 3, 4, 5}, 1, -1, 0, false, kPlain, true},   // welcome hides Back again
      {{0, 3, 4, 5}, 3, -1, 0, false, kPlain, true},
      {{0, 1, 3, 4, 5}, 3, -1, 1, true, kAccept, false},
  };
  for (const Case& c : cases) {
    WizardRun r;
    r.SetVisiblePages(c.visible);
    r.UseTestMode();
    r.form.SetText("安装路径_编辑框", "C:\\App");
    GoToPage(r.session, c.from);
    r.sent.clear();
    const std::string what = "from " + std::to_string(c.from) + " dir " + std::to_string(c.direction);
    r.form.Fire(c.direction > 0 ? kNext : kBack, FormEvent::kClick);
    EXPECT_EQ(r.Page(), c.to) << what;
    EXPECT_EQ(r.form.Visible(kBack), c.backShown) << what;
    EXPECT_EQ(r.form.Text(kNext), c.nextCaption) << what;
    EXPECT_EQ(r.form.Enabled(kNext), c.nextEnabled) << what;
    ASSERT_FALSE(r.sent.empty()) << what;
    EXPECT_EQ(r.sent[0], StepMessage(c.from, c.direction)) << what;
    // The install announces itself as a step from the installing page.
    const bool installed = c.to == kPageFinish;
    EXPECT_EQ(std::count(r.sent.begin(), r.sent.end(), StepMessage(kPageInstalling, 1)),
              installed ? 1 : 0)
        << what;
  }
}

TEST_F(FlowTest, PluginAnsweringOneTo1002PinsThePage) {
  struct Case {
    const char* what;
    std::function<std::vector<int>(const std::string&)> plugins;
    bool moves;
  } cases[] = {
      {"no plug-in", nullptr, true},
      {"plug-ins answering other values", [](const std::string&) { return std::vector<int>{0, -1}; },
       true},
      {"one of two vetoes",
       [](const std::string& t) {
         return t.rfind("消息，整数型，1002", 0) == 0 ? std::vector<int>{0, 1} : std::vector<int>{};
       },
       false},
  };
  for (const Case& c : cases) {
    for (int direction : {+1, -1}) {
      WizardRun r;
      r.SetVisiblePages({0, 1, 2, 3, 4, 5});
      r.plugins = c.plugins;
      GoToPage(r.session, kPageComponents);
      r.form.Fire(direction > 0 ? kNext : kBack, FormEvent::kClick);
      EXPECT_EQ(r.Page(), c.moves ? kPageComponents + direction : kPageComponents) << c.what;
    }
  }
}

TEST_F(FlowTest, NextOnTheFinishPageAsksThePluginsThenFinishes) {
  StartOn(kPageFinish);
  run.plugins = [](const std::string&) { return std::vector<int>{1}; };
  run.Next();
  EXPECT_EQ(run.Page(), kPageFinish);  // vetoed

  run.plugins = nullptr;
  run.sent.clear();
  EXPECT_EQ(ExitCodeOf(run.session, [&] { run.Next(); }), long(kExitSuccess));
  EXPECT_EQ(run.sent, std::vector<std::string>{StepMessage(kPageFinish, 1)});
}

TEST_F(FlowTest, TheTermsBoxGatesNextOnTheLicencePage) {
  StartOn(kPageLicence);
  EXPECT_FALSE(run.form.Enabled(kNext));
  run.form.Fire("选择框_条款", FormEvent::kClick);
  EXPECT_TRUE(run.form.Enabled(kNext));
  run.form.Fire("选择框_条款", FormEvent::kClick);
  EXPECT_FALSE(run.form.Enabled(kNext));
  // A ticked box is still honoured when the page is reached again.
  run.form.Fire("选择框_条款", FormEvent::kClick);
  run.Back();
  run.Next();
  EXPECT_TRUE(run.form.Enabled(kNext));

  WizardRun accepted;
  accepted.SetVisiblePages({0, 1, 4, 5});
  accepted.session.wizard.autoAccept = true;
  GoToPage(accepted.session, kPageLicence);
  EXPECT_TRUE(accepted.form.Enabled(kNext));
}

TEST_F(FlowTest, CancelAsksAndEndsUnlessDeclinedOrVetoed) {
  const std::string question = "当前未完成安装 演示软件1.2，是否退出安装？";
  const std::string yes1003 = "，整数型，1003……，整数型，1", no1003 = "，整数型，1003……，整数型，0";
  struct Case {
    const char* what;
    int answer;
    std::vector<int> pluginAnswers;
    long exitCode;
    std::string message;
  } cases[] = {
      {"yes, no plug-in answers", plat::kIdYes, {}, long(kExitCancelled), yes1003},
      {"yes, plug-ins answer 0", plat::kIdYes, {0, 2}, long(kExitCancelled), yes1003},
      {"yes, a plug-in vetoes", plat::kIdYes, {0, 1}, -1, yes1003},
      {"no", plat::kIdNo, {1}, -1, no1003},
  };
  for (const Case& c : cases) {
    for (const char* control : {"取消按钮_主窗口", ""}) {
      TestFolder fresh;
      WizardRun r;
      r.session.wizard.productName = "演示软件";
      r.session.wizard.version = "1.2";
      r.plugins = [&c](const std::string&) { return c.pluginAnswers; };
      QueueMessageAnswer(c.answer);
      bool mayClose = true;
      const long code = ExitCodeOf(r.session, [&] {
        mayClose = r.form.Fire(control, *control ? FormEvent::kClick : FormEvent::kMayClose);
      });
      EXPECT_EQ(code, c.exitCode) << c.what << " / " << control;
      if (*control == '\0' && code == -1) {
        EXPECT_FALSE(mayClose) << c.what;
      }
      EXPECT_EQ(r.sent, std::vector<std::string>{c.message}) << c.what;
      ASSERT_EQ(Messages().size(), 1u);
      EXPECT_EQ(Messages()[0].text, question);
      EXPECT_EQ(Messages()[0].caption, kWizardCaption);
      EXPECT_EQ(Messages()[0].flags, 52u);
    }
  }
}

TEST_F(FlowTest, PathRulesRejectWithTheirMessages) {
  const std::string base = folder.Path() + "dest";
  ASSERT_TRUE(plat::CreateDirectories(base + "\\bin"));
  ASSERT_TRUE(plat::WriteFileBytes(base + "\\bin\\app.exe", "x"));
  struct Case {
    std::string ch, zwj, path;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {"真", "", "C:\\软件\\演示", kChinesePathText},
      {"真", "", "C:\\App", nullptr},
      {"真", "", "C:\\\x81\x40", nullptr},  // a trail byte below 0x81 is not caught
      {"假", "", "C:\\软件", nullptr},
      {"", "真,bin\\app.exe", base, nullptr},
      {"", "真,bin", base, nullptr},  // a folder counts too
      {"", "真,bin\\other.exe", base, kWrongPathText},
      {"", "假,bin\\other.exe", base, nullptr},
      {"真", "真,bin\\app.exe", "C:\\软件", kChinesePathText},  // the first rule speaks first
  };
  for (const Case& c : cases) {
    const size_t before = Messages().size();
    run.session.wizard.pathRules = {c.ch, c.zwj, ""};
    EXPECT_EQ(ValidatePath(run.session, c.path), c.message == nullptr) << c.path << " " << c.zwj;
    if (c.message) {
      ASSERT_EQ(Messages().size(), before + 1) << c.path;
      EXPECT_EQ(Messages().back().text, c.message);
      EXPECT_EQ(Messages().back().caption, "");
      EXPECT_EQ(Messages().back().flags, 16u);
    } else {
      EXPECT_EQ(Messages().size(), before) << c.path;
    }
  }
}

TEST_F(FlowTest, StartInstallTakesTheDestinationFromTheBoxOrTheCommandLine) {
  struct Case {
    std::string box, override_, installPath;
    bool installs;
  } cases[] = {
      {"c:\\", "", "C:", true},  // a drive root loses its backslash
      {"C:\\App\\", "", "C:\\App", true},
      {"C:\\App", "d:\\Elsewhere", "D:\\Elsewhere", true},
      {"", "", "", false},
  };
  for (const Case& c : cases) {
    TestFolder fresh;
    WizardRun r;
    r.SetVisiblePages({0, 3, 4, 5});
    r.UseTestMode();
    r.form.SetText("安装路径_编辑框", c.box);
    r.session.run.startup.installPathOverride = c.override_;
    GoToPage(r.session, kPageFolder);
    r.Next();
    EXPECT_EQ(r.session.run.installPath, c.installPath) << c.box;
    EXPECT_EQ(r.Page(), c.installs ? kPageFinish : kPageFolder) << c.box;
    if (!c.installs) {
      ASSERT_EQ(Messages().size(), 1u);
      EXPECT_EQ(Messages()[0].text, kEmptyPathText);
      EXPECT_EQ(Messages()[0].caption, kWizardCaption);
      EXPECT_EQ(Messages()[0].flags, 16u);
      // The buttons are back as the folder page had them.
      EXPECT_EQ(r.form.Text(kNext), "安装(&I)");
      EXPECT_TRUE(r.form.Enabled(kNext));
      EXPECT_TRUE(r.form.Enabled(kBack));
    }
  }
}

TEST_F(FlowTest, InstallPasswordInTheWizard) {
  struct Case {
    bool accepted;
    std::string typed;
    bool installs;
  } cases[] = {
      {true, "secret", true},
      {true, "Secret", false},
      {false, "secret", false},  // a cancelled box counts as an empty password
  };
  for (const Case& c : cases) {
    TestFolder fresh;
    WizardRun r;
    r.SetVisiblePages({0, 3, 4, 5});
    r.UseTestMode();
    r.form.SetText("安装路径_编辑框", "C:\\App");
    r.session.wizard.installPasswordDigest = crypto::Md5Hex("secret");
    GoToPage(r.session, kPageFolder);
    QueueInputAnswer(c.accepted, c.typed);
    r.Next();
    EXPECT_EQ(r.Page(), c.installs ? kPageFinish : kPageFolder) << c.typed;
    ASSERT_EQ(InputPrompts().size(), 1u);
    EXPECT_EQ(InputPrompts()[0].text, kInstallPasswordPrompt);
    EXPECT_EQ(InputPrompts()[0].caption, "");
    EXPECT_EQ(InputPrompts()[0].flags, 1u);  // characters hidden
    EXPECT_TRUE(Messages().empty());         // a wrong password is not announced
    if (!c.installs) {
      EXPECT_TRUE(r.form.Enabled(kNext));
    }
  }
}

TEST_F(FlowTest, InstallPasswordInTheBackground) {
  struct Answer {
    bool accepted;
    std::string text;
  };
  struct Case {
    const char* what;
    std::vector<Answer> answers;
    bool given;
    std::string password;
    long exitCode;
    size_t prompts;
  } cases[] = {
      {"right at once", {{true, "secret"}}, false, "", long(kExitSuccess), 1},
      {"wrong, then right", {{true, "nope"}, {true, "secret"}}, false, "", long(kExitSuccess), 2},
      {"cancelled", {{false, ""}}, false, "", long(kExitPasswordFailed), 1},
      {"wrong, then cancelled", {{true, "nope"}, {false, ""}}, false, "",
       long(kExitPasswordFailed), 2},
      {"given right", {}, true, "secret", long(kExitSuccess), 0},
      {"given wrong", {}, true, "nope", long(kExitPasswordFailed), 0},
  };
  for (const Case& c : cases) {
    TestFolder fresh;
    WizardRun r;
    r.UseTestMode();
    r.session.run.startup.installMode = "后台安装";
    r.form.SetText("安装路径_编辑框", "C:\\App");
    r.session.wizard.installPasswordDigest = crypto::Md5Hex("secret");
    for (const Answer& a : c.answers) QueueInputAnswer(a.accepted, a.text);
    EXPECT_EQ(ExitCodeOf(r.session, [&] { StartInstall(r.session, c.password, c.given); }), c.exitCode)
        << c.what;
    EXPECT_EQ(InputPrompts().size(), c.prompts) << c.what;
  }
}

TEST_F(FlowTest, InstallRunsEveryComponentSectionThenThePreInstallCommands) {
  WizardRun& r = run;
  r.session.tree.items[0].checked = 1;  // 基本组件 ticked, 桌面快捷方式 not
  auto block = [](const std::string& name, const std::string& install) {
    return name + "\r\n｛\r\nInstall(){" + install + "\r\n}\r\n｝\r\n";
  };
  r.session.wizard.scriptDocument =
      "\r\n" + block("基本组件", "\r\n[真]assignzip(main.dll)\r\n[假]removezip(main.cfg)\r\n"
                                 "[真]C:\\Tools\\first.exe") +
      block("桌面快捷方式", "\r\n[假]removezip(desk.lnk)\r\n[真]assignzip(desk.dll)");
  RunListEntry pre;
  pre.external = "真";
  pre.file = "C:\\Tools\\second.exe /q";
  pre.wait = true;
  r.session.preInstallCommands = {pre};
  StartOn(kPageFolder);
  r.Next();
  EXPECT_EQ(r.Page(), kPageFinish);
  EXPECT_EQ(r.session.lists.includeList, "main.dll");
  EXPECT_EQ(r.session.lists.excludeList, "desk.lnk");
  ASSERT_EQ(ProcessStarts().size(), 2u);
  EXPECT_EQ(ProcessStarts()[0].commandLine, "open|C:\\Tools\\first.exe|");
  EXPECT_EQ(ProcessStarts()[1].commandLine, "open|C:\\Tools\\second.exe|/q");
}

TEST_F(FlowTest, DetailListModes) {
  struct Case {
    int mode;
    bool list, button;
  } cases[] = {{0, true, false}, {1, false, true}, {2, false, false}};
  for (const Case& c : cases) {
    TestFolder fresh;
    WizardRun r;
    r.SetVisiblePages({0, 4, 5});
    r.UseTestMode();
    r.form.SetText("安装路径_编辑框", "C:\\App");
    r.session.wizard.detailListMode = c.mode;
    GoToPage(r.session, kPageWelcome);
    r.Next();
    EXPECT_EQ(r.form.Visible("超级列表框"), c.list) << c.mode;
    EXPECT_EQ(r.form.Visible("按钮_显示细节"), c.button) << c.mode;
    if (c.button) {
      r.form.Fire("按钮_显示细节", FormEvent::kClick);
      EXPECT_TRUE(r.form.Visible("超级列表框"));
      EXPECT_FALSE(r.form.Visible("按钮_显示细节"));
    }
  }
}

TEST_F(FlowTest, TheTimerStartsADirectInstallOnce) {
  StartOn(kPageWelcome);
  run.form.SetTimerInterval("时钟1", 1);
  run.form.TickTimers();
  EXPECT_EQ(run.form.TimerInterval("时钟1"), 0);
  EXPECT_EQ(run.Page(), kPageFinish);
  EXPECT_EQ(run.session.run.installPath, "C:\\App");
}

TEST_F(FlowTest, PageChangesAreAnnouncedOnce) {
  std::vector<int> callbacks;
  run.session.plugins.pageChangeCallback = [&](int page) { callbacks.push_back(page); };
  run.form.SetCurrentPage(kPageComponents);
  EXPECT_EQ(run.sent, std::vector<std::string>{"，整数型，1001\r\n，整数型，2\r\n"});
  EXPECT_EQ(callbacks, std::vector<int>{2});

  run.form.SetVisible("外形框I_1", false);  // start-up hides it when welcome is not first
  run.form.SetCurrentPage(kPageWelcome);
  EXPECT_TRUE(run.form.Visible("外形框I_1"));

  run.sent.clear();
  callbacks.clear();
  run.session.plugins.suppressPageNotify = true;
  run.form.SetCurrentPage(kPageFolder);
  EXPECT_TRUE(run.sent.empty());
  EXPECT_TRUE(callbacks.empty());
}

TEST_F(FlowTest, WindowPlacementIsAnnounced) {
  for (int placement : {0, 2, 3}) {
    run.sent.clear();
    run.form.Fire("", FormEvent::kMoved, {0, placement});
    EXPECT_EQ(run.sent, std::vector<std::string>{"，整数型，1004……，整数型，" +
                                                 std::to_string(placement)});
  }
}

TEST_F(FlowTest, TreeSelectionDescribesAndTheCallbackHearsOfIt) {
  std::vector<int> selected;
  run.session.plugins.selectionCallback = [&](int index, intptr_t) { selected.push_back(index); };
  run.session.wizard.scriptDocument = "\r\n基本组件\r\n｛\r\ndescribe(){主程序文件\r\n}\r\n｝\r\n";
  run.form.Fire("树型框1", FormEvent::kSelectionChanged, {1, 0});
  EXPECT_EQ(run.form.Text("提示"), "安装完该软件后将应用主程序增加至桌面快捷方式");
  EXPECT_EQ(selected, std::vector<int>{1});
  run.form.Fire("树型框1", FormEvent::kSelectionChanged, {0, 0});
  EXPECT_EQ(run.form.Text("提示"), "主程序文件");
  run.form.Fire("外形框I_3", FormEvent::kPageMouseMove);
  EXPECT_EQ(run.form.Text("提示"), "");
}

}  // namespace
