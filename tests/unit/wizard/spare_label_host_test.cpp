// The spare label's feedback codes as a plug-in raises them, and the host variables a plug-in
// writes by address, on a headless wizard in test mode.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/crypto.h"
#include "plugins/host_messages.h"
#include "plugins/plugin_api.h"
#include "tests/support/test_folder.h"
#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/host_query.h"
#include "wizard/host_variables.h"
#include "wizard/install_sequence.h"
#include "wizard/spare_label.h"

namespace {

struct SpareLabelTest : ::testing::Test {
  TestFolder folder;
  WizardRun run;
  void SetUp() override {
    run.SetVisiblePages({0, 1, 2, 3, 4, 5});
    run.UseTestMode();
    run.form.SetText("安装路径_编辑框", "C:\\App");
    run.session.run.installPath = "C:\\App";
    GoToPage(run.session, kPageWelcome);
    run.sent.clear();
  }
  // As a plug-in raises it: the label's feedback event.
  intptr_t Send(int code, intptr_t value = 0) {
    return run.form.Fire(kSpareLabel, FormEvent::kFeedback, {code, 0, value});
  }
  intptr_t SendText(int code, const char* text) { return Send(code, intptr_t(text)); }
  bool Installed() const {
    for (const std::string& m : run.sent)
      if (m == InstallEndMessage()) return true;
    return false;
  }
};

TEST_F(SpareLabelTest, OnlyTheSpareLabelAnswers) {
  EXPECT_EQ(run.form.Fire("备用_备注标题", FormEvent::kFeedback, {1003, 0, 0}), 0);
  EXPECT_EQ(Send(PLUGIN_LABEL_PAGE_COUNT), 6);
  EXPECT_EQ(SendText(1012, "ignored"), 0);
  EXPECT_EQ(Send(4242), 0);
}

TEST_F(SpareLabelTest, PathIsSetThenHandedOutAsTheNewText) {
  SendText(PLUGIN_LABEL_SET_PATH, "D:\\新目录");
  EXPECT_EQ(run.form.Text("安装路径_编辑框"), "D:\\新目录");
  EXPECT_EQ(run.session.run.installPath, "D:\\新目录");
  const char* slot = nullptr;
  Send(PLUGIN_LABEL_GET_PATH, intptr_t(&slot));
  ASSERT_NE(slot, nullptr);
  EXPECT_STREQ(slot, "D:\\新目录");
  // The host query hands out the same text.
  EXPECT_STREQ(reinterpret_cast<const char*>(HostQuery(run.session, 1006, 0, 0)), "D:\\新目录");
}

TEST_F(SpareLabelTest, TextVariablesWrittenByAddressReachTheHost) {
  run.session.lists.excludeList = "a.txt";
  char** exclude = nullptr;
  char** include = nullptr;
  const std::string request = std::to_string(intptr_t(&exclude)) + "$，" +
                              std::to_string(intptr_t(&include));
  SendText(PLUGIN_LABEL_LISTS, request.c_str());
  ASSERT_NE(exclude, nullptr);
  ASSERT_NE(include, nullptr);
  EXPECT_STREQ(*exclude, "a.txt");
  static char replaced[] = "a.txt,b.txt";
  *exclude = replaced;
  static char included[] = "only.txt";
  *include = included;
  // Read back before the host next acts, and the slot points at the host's copy again.
  run.form.Fire("外形框I_1", FormEvent::kPageMouseMove);
  EXPECT_EQ(run.session.lists.excludeList, "a.txt,b.txt");
  EXPECT_EQ(run.session.lists.includeList, "only.txt");
  EXPECT_NE(*exclude, replaced);
  EXPECT_STREQ(*exclude, "a.txt,b.txt");

  // The list of 1014 holds the InstallPath variable among the three.
  auto* list = reinterpret_cast<PluginVariableList*>(Send(PLUGIN_LABEL_VARIABLES));
  ASSERT_NE(list, nullptr);
  static char path[] = "E:\\Other";
  *list->installPath = path;
  EXPECT_TRUE(StartInstall(run.session, "", false));
  EXPECT_EQ(run.session.run.installPath, "E:\\Other");
  EXPECT_EQ(run.form.Text("安装路径_编辑框"), "E:\\Other");
}

TEST_F(SpareLabelTest, PageTableAndFlagsAreThePlainArraysBackAndNextUse) {
  auto* table = reinterpret_cast<PluginPageTable*>(Send(PLUGIN_LABEL_PAGE_TABLE));
  auto* flags = reinterpret_cast<int32_t*>(Send(PLUGIN_LABEL_VISIBLE_FLAGS));
  ASSERT_NE(table, nullptr);
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(table->pages[1].index, 1);
  EXPECT_EQ(table->pages[1].visible, 1);
  EXPECT_EQ(flags[2], 1);
  flags[1] = 0;
  table->pages[1].visible = 0;
  run.Next();
  EXPECT_EQ(run.Page(), kPageComponents) << "the licence page was taken out";
  EXPECT_FALSE(run.session.wizard.pageTable[1].visible);
}

TEST_F(SpareLabelTest, PagesAreCountedAddedAndSwitched) {
  const intptr_t added = Send(PLUGIN_LABEL_ADD_PAGE, 2);
  EXPECT_EQ(added, 6) << "after the last page; the six keep their indices";
  EXPECT_EQ(Send(PLUGIN_LABEL_PAGE_COUNT), 7);
  EXPECT_TRUE(run.sent.empty()) << "adding a page announces nothing";
  Send(PLUGIN_LABEL_SET_PAGE, 3);
  EXPECT_EQ(Send(PLUGIN_LABEL_CURRENT_PAGE), 3);
  ASSERT_FALSE(run.sent.empty());
  EXPECT_EQ(run.sent.back(), PageChangedMessage(3));
}

int g_pageSeen = -1;
intptr_t PageCallback(intptr_t page) {
  g_pageSeen = int(page);
  return 0;
}

TEST_F(SpareLabelTest, ThePageChangeCallbackHearsEveryChange) {
  Send(PLUGIN_LABEL_PAGE_CALLBACK, intptr_t(&PageCallback));
  Send(PLUGIN_LABEL_SET_PAGE, 2);
  EXPECT_EQ(g_pageSeen, 2);
  Send(PLUGIN_LABEL_PAGE_CALLBACK, 0);
  Send(PLUGIN_LABEL_SET_PAGE, 3);
  EXPECT_EQ(g_pageSeen, 2);
}

TEST_F(SpareLabelTest, HeaderPanelsAreClonedIntoThePageContainer) {
  run.session.wizard.company = "示例公司";
  SendText(PLUGIN_LABEL_HEADER_PAGE, "标题$，副标题");
  EXPECT_TRUE(run.form.Has("备用_外形框1_1_外"));
  EXPECT_EQ(run.form.Text("备用_外形框1_1_标题"), "标题");
  EXPECT_EQ(run.form.Text("备用_外形框1_1_备注"), "副标题");
  EXPECT_EQ(run.form.Text("备用_编辑框版权"), "示例公司");
  EXPECT_EQ(run.form.GetBounds("备用_外形框1_1_外").width, 999);
  EXPECT_TRUE(run.form.Visible("备用_外形框1_1_内"));
  SendText(PLUGIN_LABEL_HEADER_PAGE, "NO$，NO");
  EXPECT_TRUE(run.form.Visible("备用_外形框1_2_外"));
  EXPECT_FALSE(run.form.Visible("备用_外形框1_2_内")) << "NO and NO: a page without header";
}

std::vector<std::string> g_steps;
intptr_t StepCallback(intptr_t text) {
  g_steps.push_back(reinterpret_cast<const char*>(text));
  return 0;
}
std::vector<int> g_progress;
intptr_t ProgressCallback(intptr_t percent) {
  g_progress.push_back(int(percent));
  return 0;
}

TEST_F(SpareLabelTest, ExternalStartChecksThePasswordAndKeepsItsCallbacks) {
  run.session.wizard.installPasswordDigest = crypto::Md5Hex("secret");
  const std::string callbacks = "$，" + std::to_string(intptr_t(&ProgressCallback)) + "$，" +
                                std::to_string(intptr_t(&StepCallback));
  EXPECT_EQ(SendText(PLUGIN_LABEL_START_INSTALL, ("wrong" + callbacks).c_str()), -1);
  EXPECT_FALSE(Installed());
  EXPECT_EQ(run.Page(), kPageWelcome);

  run.session.plugins.keepPage = true;
  EXPECT_EQ(SendText(PLUGIN_LABEL_START_INSTALL, ("secret" + callbacks).c_str()), 0);
  EXPECT_TRUE(Installed());
  EXPECT_TRUE(run.session.plugins.keepPage) << "three fields leave the flag as it was";
  EXPECT_EQ(run.Page(), kPageWelcome);
  ShowStatusLine(run.session, "正在解压 a.txt");
  SetInstallProgress(run.session, 40);
  EXPECT_EQ(g_steps, std::vector<std::string>{"正在解压 a.txt"});
  EXPECT_EQ(g_progress, std::vector<int>{40});

  EXPECT_EQ(SendText(PLUGIN_LABEL_START_INSTALL, ("secret" + callbacks + "$，假").c_str()), 0);
  EXPECT_FALSE(run.session.plugins.keepPage);
  EXPECT_EQ(run.Page(), kPageInstalling);
}

TEST_F(SpareLabelTest, HostQueryDragsAndAppendsWhereThePluginSeesIt) {
  HostQuery(run.session, 1003, 1, 0);
  EXPECT_TRUE(run.form.DragAnywhere());
  HostQuery(run.session, 1003, 0, 0);
  EXPECT_FALSE(run.form.DragAnywhere());
  char** exclude = nullptr;
  char** include = nullptr;
  const std::string request = std::to_string(intptr_t(&exclude)) + "$，" +
                              std::to_string(intptr_t(&include));
  SendText(PLUGIN_LABEL_LISTS, request.c_str());
  HostQuery(run.session, 1021, intptr_t("x.dat"), 0);
  ASSERT_NE(exclude, nullptr);
  EXPECT_STREQ(*exclude, "x.dat");
}

}  // namespace
