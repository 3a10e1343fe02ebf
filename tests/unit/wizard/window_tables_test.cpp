#include <gtest/gtest.h>

#include <algorithm>

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

bool Overlap(const ControlDesc& a, const ControlDesc& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

// Controls that share a place on purpose and are never shown together: the detail list, the
// picture shown instead of it and the button that brings it back.
bool StackedOnPurpose(const std::string& a, const std::string& b) {
  const std::vector<std::string> stack = {"超级列表框", "图片框_界面安装时图片", "按钮_显示细节"};
  auto in = [&](const std::string& n) { return std::find(stack.begin(), stack.end(), n) != stack.end(); };
  return in(a) && in(b);
}

TEST(WindowTables, NoControlOverlapsASiblingOrLeavesItsParent) {
  const WindowDesc& w = WizardWindowDesc();
  for (const ControlDesc& a : w.controls) {
    if (a.kind == ControlKind::kTimer || a.parent.empty()) continue;
    const ControlDesc* parent = w.Find(a.parent);
    if (parent->kind != ControlKind::kPageContainer) {
      EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.left + a.width <= parent->width &&
                  a.top + a.height <= parent->height)
          << a.name << " leaves " << a.parent;
    }
    for (const ControlDesc& b : w.controls) {
      if (&b <= &a || b.parent != a.parent || b.kind == ControlKind::kTimer) continue;
      if (a.page >= 0 || b.page >= 0 || StackedOnPurpose(a.name, b.name)) continue;  // page bodies
      EXPECT_FALSE(Overlap(a, b)) << a.name << " overlaps " << b.name;
    }
  }
  // The space display's moves keep the folder page tidy too.
  ControlDesc group = *w.Find("分组框_目标文件夹"), panel = *w.Find("外形框_显示空间");
  group.top = 171;
  panel.top = 241;
  EXPECT_FALSE(Overlap(group, panel));
  EXPECT_LE(panel.top + panel.height, w.Find("编辑框_版权4")->top);
}

TEST(WindowTables, FolderPageAndSpareControlsAsDesigned) {
  const WindowDesc& w = WizardWindowDesc();
  struct Case {
    const char* name;
    int left, top;
    const char* caption;
  } cases[] = {
      {"分组框_目标文件夹", 24, 206, ""},
      {"外形框_显示空间", 15, 136, ""},
      {"浏览目录", -1, -1, "浏览目录..."},
      {"标签_所需空间", -1, -1, "所需空间: XXMB"},
      {"标签_可用空间", -1, -1, "可用空间: XXGB"},
      {"备用_外形框1", 368, 328, ""},
      {"备用_主标题", -1, -1, "备用的传递消息"},
      {"备用_备注标题", -1, -1, ""},
      {"选择框_条款", 18, 259, "同意本协议的条款"},
      {"编辑框4", 18, 86, ""},
      {"树型框1", 180, 130, ""},
      {"超级列表框", 22, 110, ""},
  };
  for (const Case& c : cases) {
    const ControlDesc* d = w.Find(c.name);
    ASSERT_NE(d, nullptr) << c.name;
    if (c.left >= 0) EXPECT_EQ(d->left, c.left) << c.name;
    if (c.top >= 0) EXPECT_EQ(d->top, c.top) << c.name;
    EXPECT_EQ(d->caption, c.caption) << c.name;
  }
  EXPECT_FALSE(w.Find("外形框_显示空间")->visible);
  EXPECT_EQ(w.Find("图片框1")->width, 164);
  EXPECT_EQ(w.Find("图片框1")->height, 288);
  EXPECT_EQ(w.Find("图片框2")->width, 134);
  EXPECT_EQ(w.Find("图片框2")->height, 53);
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
