#include <gtest/gtest.h>

#include "ui/headless_form.h"
#include "wizard/window_tables.h"

namespace {

TEST(WindowTables, WizardHasEveryControlTheWizardAddresses) {
  const WindowDesc& w = WizardWindowDesc();
  EXPECT_EQ(w.width, 503);
  EXPECT_EQ(w.height, 399);
  for (const char* name :
       {"选择夹1", "上一步_按钮", "下一步_按钮", "取消按钮_主窗口", "时钟1", "外形框I_1", "外形框I_6",
        "选择框_条款", "编辑框4", "树型框1", "提示", "安装路径_编辑框", "浏览目录", "外形框_显示空间",
        "解压_标签", "进度条1", "超级列表框", "按钮_显示细节", "图片框_界面安装时图片",
        "初始化的选择框", "备用_主标题", "备用_编辑框版权", "编辑框_安装1"})
    EXPECT_NE(w.Find(name), nullptr) << name;
  // Every parent is a control of the table, declared before its children.
  std::vector<std::string> seen;
  for (const ControlDesc& c : w.controls) {
    if (!c.parent.empty()) {
      EXPECT_NE(std::find(seen.begin(), seen.end(), c.parent), seen.end()) << c.name;
    }
    seen.push_back(c.name);
  }
  const ControlDesc* back = w.Find("上一步_按钮");
  EXPECT_EQ(back->left, 232);
  EXPECT_EQ(back->top, 301);
  EXPECT_FALSE(back->visible);
  EXPECT_EQ(w.Find("超级列表框")->width, 450);
}

TEST(WindowTables, UnpackWindow) {
  const WindowDesc& w = UnpackWindowDesc();
  EXPECT_EQ(w.width, 258);
  EXPECT_EQ(w.height, 70);
  EXPECT_FALSE(w.Find("标签1")->visible);
  EXPECT_EQ(w.Find("标签2")->caption, "Please wait while Setup is\r\n\r\n   upacking data: 0%");
}

TEST(HeadlessForm, RecordsStatePlaysClicksAndClones) {
  HeadlessForm form(WizardWindowDesc());
  std::vector<std::string> events;
  form.SetHandler([&](const std::string& control, FormEvent, const FormEventArgs&) {
    events.push_back(control);
    return true;
  });
  EXPECT_FALSE(form.Visible(""));
  EXPECT_EQ(form.Text(""), "Mokta软件版本-安装向导");
  form.Fire("选择框_条款", FormEvent::kClick);
  EXPECT_TRUE(form.Checked("选择框_条款"));
  EXPECT_TRUE(form.CloneControl("初始化的选择框", "完成选项1"));
  EXPECT_FALSE(form.CloneControl("初始化的选择框", "完成选项1"));
  EXPECT_EQ(form.GetBounds("完成选项1").width, 288);
  form.SetCurrentPage(kPageFinish);
  EXPECT_EQ(form.CurrentPage(), kPageFinish);
  EXPECT_EQ(events, (std::vector<std::string>{"选择框_条款", "选择夹1"}));
  EXPECT_EQ(form.SetProgress("进度条1", 140), 100);
}

}  // namespace
