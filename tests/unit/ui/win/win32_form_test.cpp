// The wizard window built for real: every Form method is driven and read back through the form
// and through the raw windows, and the user is played with window messages (clicks, ticks,
// Enter, the close box). Wine without an X display cannot create windows; these tests then
// skip. Run them with one: tests/e2e/lib/xvfb.sh build/winform-prefix ctest --test-dir
// build/winform -R wizard
#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/win_display.h"
#include "ui/win32/win32_form.h"
#include "wizard/component_view.h"
#include "wizard/win32/win32_unpack_window.h"

namespace {

using test_support::CanCreateWindows;

std::wstring W(const std::string& gbk) { return test_support::Wide(gbk); }

std::wstring RawText(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

HWND Hwnd(const Form& form, const std::string& control) {
  return reinterpret_cast<HWND>(form.Handle(control));
}

RECT RectInParent(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Pumps the form until `done` holds or about two seconds have passed.
bool PumpUntil(Win32Form& form, const std::function<bool()>& done, int milliseconds = 2000) {
  for (int waited = 0; waited < milliseconds; waited += 10) {
    form.PumpEvents();
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  form.PumpEvents();
  return done();
}

struct Event {
  std::string control;
  FormEvent event;
  FormEventArgs args;
};

class WinForm : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanCreateWindows()) GTEST_SKIP() << "no display (run under tests/e2e/lib/xvfb.sh)";
    form = std::make_unique<Win32Form>(WizardWindowDesc());
    ASSERT_TRUE(form->Valid());
    form->SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs& a) {
      events.push_back({control, event, a});
      if (onEvent) onEvent(control, event);
      return allowClose;
    });
  }

  int Count(const std::string& control, FormEvent event) const {
    int n = 0;
    for (const Event& e : events) n += e.control == control && e.event == event;
    return n;
  }
  const Event* Last(FormEvent event) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->event == event) return &*it;
    return nullptr;
  }

  std::unique_ptr<Win32Form> form;
  std::vector<Event> events;
  std::function<void(const std::string&, FormEvent)> onEvent;
  bool allowClose = true;
};

TEST_F(WinForm, BuildsEveryControlOfTheTableHiddenWithItsClassParentPlaceAndCaption) {
  HWND window = Hwnd(*form, "");
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(RawText(window), W("Mokta软件版本-安装向导"));
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, 503);
  EXPECT_EQ(outer.bottom - outer.top, 399);

  auto classOf = [](ControlKind kind) -> const wchar_t* {
    switch (kind) {
      case ControlKind::kButton:
      case ControlKind::kCheckBox: return L"Button";
      case ControlKind::kLabel:
      case ControlKind::kPicture: return L"Static";
      case ControlKind::kEdit:
      case ControlKind::kMultiEdit: return L"Edit";
      case ControlKind::kTree: return L"SysTreeView32";
      case ControlKind::kList: return L"SysListView32";
      case ControlKind::kProgress: return L"msctls_progress32";
      default: return L"InstallerForm";  // the hosts
    }
  };
  for (const ControlDesc& c : WizardWindowDesc().controls) {
    SCOPED_TRACE(c.name);
    HWND hwnd = Hwnd(*form, c.name);
    if (c.kind == ControlKind::kTimer) {
      EXPECT_EQ(hwnd, nullptr);
      continue;
    }
    ASSERT_NE(hwnd, nullptr);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    EXPECT_EQ(lstrcmpiW(cls, classOf(c.kind)), 0) << "class " << plat::Utf16ToGbk(
        std::u16string(cls, cls + lstrlenW(cls)));
    EXPECT_EQ(GetParent(hwnd), c.parent.empty() ? window : Hwnd(*form, c.parent));
    RECT r = RectInParent(hwnd);
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_EQ(r.bottom - r.top, c.height);
    if (c.kind != ControlKind::kTree && c.kind != ControlKind::kList) {
      EXPECT_EQ(RawText(hwnd), W(c.caption));
      EXPECT_EQ(form->Text(c.name), c.caption);
    }
    EXPECT_EQ(form->Visible(c.name), c.visible);
    // On screen: its own flag, and for a page body the first page being current.
    bool shown = c.visible && (c.page < 0 || c.page == 0);
    EXPECT_EQ((GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0, shown);
  }
  EXPECT_EQ(GetWindowLongPtrW(Hwnd(*form, "选择框_条款"), GWL_STYLE) & BS_TYPEMASK,
            BS_AUTOCHECKBOX);
  EXPECT_TRUE(GetWindowLongPtrW(Hwnd(*form, "树型框1"), GWL_STYLE) & TVS_CHECKBOXES);
  EXPECT_TRUE(GetWindowLongPtrW(Hwnd(*form, "编辑框4"), GWL_STYLE) & ES_READONLY);

  // The button row overlaps the page container and must lie above it.
  int next = -1, container = -1, at = 0;
  for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT), ++at) {
    if (h == Hwnd(*form, "下一步_按钮")) next = at;
    if (h == Hwnd(*form, "选择夹1")) container = at;
  }
  EXPECT_LT(next, container);
}

TEST_F(WinForm, TextsReachTheWindowsAsUtf16AndReadBackAsGbk) {
  const struct {
    const char* control;
    std::string text;
  } cases[] = {
      {"", "Mokta软件 2.0 安装"},
      {"选择夹1", "解压界面"},
      {"解压_标签", "正在复制：C:\\A&B\\文件.txt"},
      {"编辑框4", "第一行\r\n第二行\r\n"},
      {"安装路径_编辑框", "D:\\程序\\Mokta"},
      {"下一步_按钮", "安装(&I)"},
      {"选择框_条款", "同意本协议的条款"},
      {"分组框_目标文件夹", "目标文件夹"},
      {"编辑框4", std::string(40000, 'x')},  // a licence past the edit box's 32K default
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    form->SetText(c.control, c.text);
    EXPECT_EQ(form->Text(c.control), c.text);
    HWND hwnd = Hwnd(*form, c.control);
    std::wstring raw(size_t(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    raw.resize(size_t(GetWindowTextW(hwnd, raw.data(), int(raw.size()))));
    EXPECT_EQ(raw, W(c.text));
  }
}

TEST_F(WinForm, OnlyTheCurrentPageBodyIsOnScreenAndEverySwitchIsAnnounced) {
  form->SetVisible("", true);
  EXPECT_TRUE(IsWindowVisible(Hwnd(*form, "")));
  EXPECT_TRUE(form->Visible(""));
  auto onScreen = [&](const std::string& c) { return IsWindowVisible(Hwnd(*form, c)) != FALSE; };

  form->SetCurrentPage(kPageInstalling);
  EXPECT_EQ(form->CurrentPage(), kPageInstalling);
  for (int page = 0; page < kPageCount; ++page) {
    std::string body = "外形框I_" + std::to_string(page + 1);
    EXPECT_EQ(onScreen(body), page == kPageInstalling) << body;
    EXPECT_TRUE(form->Visible(body)) << body;
  }
  EXPECT_TRUE(onScreen("进度条1"));
  EXPECT_FALSE(onScreen("树型框1"));
  EXPECT_TRUE(form->Visible("树型框1"));  // its own flag is untouched
  ASSERT_EQ(Count("选择夹1", FormEvent::kPageChanged), 1);
  EXPECT_EQ(Last(FormEvent::kPageChanged)->args.index, kPageInstalling);

  form->SetCurrentPage(kPageInstalling);  // the same page is announced again (a refresh)
  EXPECT_EQ(Count("选择夹1", FormEvent::kPageChanged), 2);
  form->SetCurrentPage(kPageCount);  // no such page
  EXPECT_EQ(form->CurrentPage(), kPageInstalling);
  EXPECT_EQ(Count("选择夹1", FormEvent::kPageChanged), 2);

  // A hidden body stays hidden when its page comes back; shown again, it waits for its page.
  form->SetVisible("外形框I_1", false);
  form->SetCurrentPage(kPageWelcome);
  EXPECT_FALSE(onScreen("外形框I_1"));
  form->SetCurrentPage(kPageFinish);
  form->SetVisible("外形框I_1", true);
  EXPECT_FALSE(onScreen("外形框I_1"));
  form->SetCurrentPage(kPageWelcome);
  EXPECT_TRUE(onScreen("外形框I_1"));

  form->SetVisible("", false);
  EXPECT_FALSE(IsWindowVisible(Hwnd(*form, "")));
}

TEST_F(WinForm, EnabledVisibleAndBoundsReachTheWindows) {
  for (const char* control : {"下一步_按钮", "安装路径_编辑框", "树型框1", "超级列表框", "分组框1"}) {
    SCOPED_TRACE(control);
    HWND hwnd = Hwnd(*form, control);
    form->SetEnabled(control, false);
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_FALSE(form->Enabled(control));
    form->SetEnabled(control, true);
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    form->SetVisible(control, false);
    EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(form->Visible(control));
    form->SetVisible(control, true);
    EXPECT_TRUE(form->Visible(control));
    form->SetBounds(control, {5, 7, 111, 33});
    RECT r = RectInParent(hwnd);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(r.right - r.left, 111);
    EXPECT_EQ(r.bottom - r.top, 33);
    Bounds b = form->GetBounds(control);
    EXPECT_EQ(b.width, 111);
    EXPECT_EQ(b.height, 33);
  }
  form->SetBounds("", {40, 30, 503, 363});
  RECT outer{};
  GetWindowRect(Hwnd(*form, ""), &outer);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.bottom - outer.top, 363);
  EXPECT_EQ(form->GetBounds("").height, 363);
  EXPECT_FALSE(form->Has("没有这个控件"));
  EXPECT_EQ(form->Handle("没有这个控件"), 0);
}

TEST_F(WinForm, ClicksReachTheHandlerFromEveryLevelAndCheckBoxesToggleFirst) {
  form->SetVisible("", true);
  form->SetCurrentPage(kPageLicence);
  form->SetChecked("选择框_条款", true);
  EXPECT_EQ(SendMessageW(Hwnd(*form, "选择框_条款"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(form->Checked("选择框_条款"));
  EXPECT_EQ(Count("选择框_条款", FormEvent::kClick), 0);  // setting is not clicking

  std::vector<bool> checkedInHandler;
  onEvent = [&](const std::string& control, FormEvent event) {
    if (event == FormEvent::kClick && control == "选择框_条款")
      checkedInHandler.push_back(form->Checked("选择框_条款"));
  };
  SendMessageW(Hwnd(*form, "选择框_条款"), BM_CLICK, 0, 0);
  ASSERT_EQ(checkedInHandler.size(), 1u);
  EXPECT_FALSE(checkedInHandler[0]);
  EXPECT_FALSE(form->Checked("选择框_条款"));

  // A button on the window, one in a page body and one in a group box inside a page body.
  form->SetCurrentPage(kPageFolder);
  for (const char* button : {"下一步_按钮", "浏览目录"}) {
    SendMessageW(Hwnd(*form, button), BM_CLICK, 0, 0);
    EXPECT_EQ(Count(button, FormEvent::kClick), 1) << button;
  }
}

TEST_F(WinForm, ACloneIsARealControlOfItsOwn) {
  EXPECT_TRUE(form->CloneControl("初始化的选择框", "完成选项1"));
  EXPECT_FALSE(form->CloneControl("初始化的选择框", "完成选项1"));  // name taken
  EXPECT_FALSE(form->CloneControl("没有这个控件", "完成选项2"));
  EXPECT_FALSE(form->CloneControl("", "完成选项2"));
  EXPECT_FALSE(form->Has("完成选项2"));

  HWND clone = Hwnd(*form, "完成选项1");
  HWND model = Hwnd(*form, "初始化的选择框");
  ASSERT_NE(clone, nullptr);
  EXPECT_NE(clone, model);
  EXPECT_EQ(GetParent(clone), GetParent(model));
  RECT a = RectInParent(clone), b = RectInParent(model);
  EXPECT_TRUE(EqualRect(&a, &b));
  EXPECT_EQ(RawText(clone), W("立即运行 Mokta软件"));
  EXPECT_FALSE(form->Visible("完成选项1"));
  EXPECT_FALSE(GetWindowLongPtrW(clone, GWL_STYLE) & WS_VISIBLE);
  EXPECT_NE(GetDlgCtrlID(clone), GetDlgCtrlID(model));
  EXPECT_EQ(form->NameOf(reinterpret_cast<intptr_t>(clone)), "完成选项1");

  form->SetVisible("", true);
  form->SetCurrentPage(kPageFinish);
  form->SetVisible("完成选项1", true);
  EXPECT_TRUE(IsWindowVisible(clone));
  SendMessageW(clone, BM_CLICK, 0, 0);
  EXPECT_EQ(Count("完成选项1", FormEvent::kClick), 1);
  EXPECT_EQ(Count("初始化的选择框", FormEvent::kClick), 0);
  EXPECT_TRUE(form->Checked("完成选项1"));
  EXPECT_FALSE(form->Checked("初始化的选择框"));
}

TEST_F(WinForm, ProgressIsClampedAndReadBackFromTheBar) {
  const struct {
    int set, expected;
  } cases[] = {{40, 40}, {-5, 0}, {100, 100}, {150, 100}, {7, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    EXPECT_EQ(form->SetProgress("进度条1", c.set), c.expected);
    EXPECT_EQ(form->Progress("进度条1"), c.expected);
    EXPECT_EQ(SendMessageW(Hwnd(*form, "进度条1"), PBM_GETPOS, 0, 0), c.expected);
  }
}

TEST_F(WinForm, ListRowsAreAppendedSelectedAndScrolledIntoView) {
  HWND list = Hwnd(*form, "超级列表框");
  std::vector<std::string> rows = {"创建文件夹：C:\\Mokta", "解压：主程序.exe", "写注册表"};
  for (const std::string& row : rows) form->AddListRow("超级列表框", row);
  EXPECT_EQ(form->ListRows("超级列表框"), rows);
  form->PumpEvents();  // rows added within one frame reach the window together
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 2);

  for (int i = 0; i < 40; ++i) form->AddListRow("超级列表框", "第" + std::to_string(i) + "步");
  form->PumpEvents();
  int last = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) - 1;
  EXPECT_EQ(last, 42);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), last);
  int top = int(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  int perPage = int(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(top, 0);
  EXPECT_LE(last, top + perPage);
  // One column across the list, without a horizontal scroll bar.
  RECT client{};
  GetClientRect(list, &client);
  int width = int(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_LE(width, client.right);
  EXPECT_GE(width, client.right - GetSystemMetrics(SM_CXVSCROLL) - 2);
  EXPECT_EQ(form->ListRows("超级列表框")[42], "第39步");
}

// Rows and status texts that come faster than the screen refreshes are kept back for the
// next frame; the form's own state has them at once, and the frame timer brings the last ones
// to the windows even when the caller never pumps again (the wizard's message loop runs on).
TEST_F(WinForm, ChangesWithinAFrameReachTheWindowsWithTheNextFrame) {
  form->SetVisible("", true);
  form->SetCurrentPage(kPageInstalling);  // the list and the bar on screen
  HWND list = Hwnd(*form, "超级列表框");
  HWND label = Hwnd(*form, "解压_标签");
  HWND bar = Hwnd(*form, "进度条1");
  std::vector<std::string> rows;
  for (int i = 0; i < 500; ++i) {
    rows.push_back("解压：文件" + std::to_string(i) + ".txt");
    form->AddListRow("超级列表框", rows.back());
    form->SetTextPerFrame("解压_标签", rows.back());
    EXPECT_EQ(form->SetProgressPerFrame("进度条1", i / 5 + 1), i / 5 + 1);
  }
  EXPECT_EQ(form->ListRows("超级列表框"), rows);
  EXPECT_EQ(form->Text("解压_标签"), rows.back());
  EXPECT_EQ(form->Progress("进度条1"), 100);
  // Only the message queue runs from here on, as in the wizard's own loop.
  for (int waited = 0; waited < 2000 && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 500;
       waited += 10) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 500);
  EXPECT_EQ(RawText(label), W(rows.back()));
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);
  // Redrawing was switched off only around the changes: every control is still on screen.
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_TRUE(IsWindowVisible(label));
  EXPECT_TRUE(IsWindowVisible(bar));
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 499);
  // The list draws its rows from the form's copy.
  for (int i : {0, 250, 499}) {
    wchar_t buffer[128] = {};
    LVITEMW item{};
    item.pszText = buffer;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(buffer), W(rows[size_t(i)])) << i;
  }
  // Other controls, and a label's plain SetText, reach the window at once.
  form->SetText("解压_标签", "完成");
  EXPECT_EQ(RawText(label), W("完成"));
}

// A hidden window (the background install's) is given nothing per frame, however long the
// run pumps: the changes wait in the form, and showing the window brings them all at once. A
// list hidden on a shown window (detail-list mode 1) gets its rows and stays hidden.
TEST_F(WinForm, AHiddenWindowGetsItsChangesWhenShown) {
  form->SetCurrentPage(kPageInstalling);
  form->SetVisible("超级列表框", false);
  HWND list = Hwnd(*form, "超级列表框");
  HWND label = Hwnd(*form, "解压_标签");
  HWND bar = Hwnd(*form, "进度条1");
  for (int i = 0; i < 50; ++i) {
    form->AddListRow("超级列表框", "第" + std::to_string(i) + "步");
    form->SetTextPerFrame("解压_标签", "第" + std::to_string(i) + "步");
    form->SetProgressPerFrame("进度条1", i * 2);
    form->PumpEventsPerFrame();
  }
  PumpUntil(*form, [] { return false; }, 100);
  // PumpUntil pumps fully, which shows the frame: only per-frame pumping leaves it back.
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 50);
  for (int i = 50; i < 60; ++i) {
    form->AddListRow("超级列表框", "第" + std::to_string(i) + "步");
    form->SetTextPerFrame("解压_标签", "第" + std::to_string(i) + "步");
    form->SetProgressPerFrame("进度条1", i + 40);
    Sleep(20);
    form->PumpEventsPerFrame();
  }
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 50);
  EXPECT_EQ(form->ListRows("超级列表框").size(), 60u);
  EXPECT_EQ(form->Text("解压_标签"), "第59步");
  EXPECT_EQ(form->Progress("进度条1"), 99);

  form->SetVisible("", true);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 60);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 59);
  EXPECT_EQ(RawText(label), W("第59步"));
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 99);
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_TRUE(IsWindowVisible(label));
}

ComponentTree SampleTree() {
  ComponentTree tree;
  tree.items = {
      {"基本组件", -1, 1, 0, true},
      {"主程序", 0, 1, 0, false},
      {"帮助文档", 0, 0, 0, false},
      {"桌面快捷方式", -1, 0, 1, false},
  };
  return tree;
}

HTREEITEM TreeItem(HWND tree, int index) {
  // Depth-first order is the model's order for this tree.
  HTREEITEM item = TreeView_GetRoot(tree);
  for (int i = 0; i < index && item; ++i) {
    HTREEITEM next = TreeView_GetChild(tree, item);
    if (!next) next = TreeView_GetNextSibling(tree, item);
    if (!next) next = TreeView_GetNextSibling(tree, TreeView_GetParent(tree, item));
    item = next;
  }
  return item;
}

TEST_F(WinForm, TheTreeShowsTheModelWithParentsAndTicks) {
  HWND tree = Hwnd(*form, "树型框1");
  form->ShowTree("树型框1", TreeModelOf(SampleTree()));
  form->ShowTree("树型框1", TreeModelOf(SampleTree()));  // shown anew, not appended
  EXPECT_EQ(TreeView_GetCount(tree), 4u);
  EXPECT_EQ(TreeView_GetParent(tree, TreeItem(tree, 1)), TreeItem(tree, 0));
  EXPECT_EQ(TreeView_GetParent(tree, TreeItem(tree, 2)), TreeItem(tree, 0));
  EXPECT_EQ(TreeView_GetParent(tree, TreeItem(tree, 3)), nullptr);
  EXPECT_TRUE(TreeView_GetItemState(tree, TreeItem(tree, 0), TVIS_EXPANDED) & TVIS_EXPANDED);
  const bool ticks[] = {true, true, false, false};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(TreeView_GetCheckState(tree, TreeItem(tree, i)) == 1, ticks[i]) << i;
    EXPECT_EQ(form->TreeCheck("树型框1", i), ticks[i]) << i;
  }
  form->SetTreeCheck("树型框1", 2, true);
  form->SetTreeCheck("树型框1", 0, false);
  EXPECT_EQ(TreeView_GetCheckState(tree, TreeItem(tree, 2)), 1u);
  EXPECT_EQ(TreeView_GetCheckState(tree, TreeItem(tree, 0)), 0u);
  EXPECT_FALSE(form->TreeCheck("树型框1", 9));
  form->PumpEvents();
  EXPECT_EQ(Count("树型框1", FormEvent::kTickChanged), 0);  // the program's ticks are not news
  EXPECT_EQ(Count("树型框1", FormEvent::kSelectionChanged), 0);
}

TEST_F(WinForm, TheUsersTicksAndSelectionsAreReportedWithTheItemIndex) {
  HWND tree = Hwnd(*form, "树型框1");
  form->ShowTree("树型框1", TreeModelOf(SampleTree()));
  form->SetVisible("", true);
  form->SetCurrentPage(kPageComponents);
  form->PumpEvents();

  // A click on the check box of item 2 (left of its text), then Space on the selected item 3.
  RECT text{};
  // TVM_GETITEMRECT takes the item handle in the RECT it fills.
  const HTREEITEM item = TreeItem(tree, 2);
  std::memcpy(&text, &item, sizeof item);
  ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
  LPARAM at = MAKELPARAM(text.left - 8, (text.top + text.bottom) / 2);
  TVHITTESTINFO hit{{text.left - 8, (text.top + text.bottom) / 2}, 0, nullptr};
  SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  ASSERT_TRUE(hit.flags & TVHT_ONITEMSTATEICON);
  PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(tree, WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(PumpUntil(*form, [&] { return Last(FormEvent::kTickChanged) != nullptr; }));
  EXPECT_EQ(Last(FormEvent::kTickChanged)->control, "树型框1");
  EXPECT_EQ(Last(FormEvent::kTickChanged)->args.index, 2);
  EXPECT_EQ(Last(FormEvent::kTickChanged)->args.state, 1);
  EXPECT_TRUE(form->TreeCheck("树型框1", 2));

  TreeView_SelectItem(tree, TreeItem(tree, 3));
  ASSERT_NE(Last(FormEvent::kSelectionChanged), nullptr);
  EXPECT_EQ(Last(FormEvent::kSelectionChanged)->args.index, 3);
  SetFocus(tree);
  PostMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(tree, WM_CHAR, L' ', 0);
  PostMessageW(tree, WM_KEYUP, VK_SPACE, 0);
  ASSERT_TRUE(PumpUntil(*form, [&] { return Count("树型框1", FormEvent::kTickChanged) >= 2; }));
  EXPECT_EQ(Last(FormEvent::kTickChanged)->args.index, 3);
  EXPECT_EQ(Last(FormEvent::kTickChanged)->args.state, 1);
  form->PumpEvents();
  EXPECT_EQ(Count("树型框1", FormEvent::kTickChanged), 2);  // one report per tick
}

TEST_F(WinForm, TimersTickUntilStopped) {
  int ticks = 0;
  onEvent = [&](const std::string& control, FormEvent event) {
    if (event == FormEvent::kTimer && control == "时钟1") ++ticks;
  };
  form->SetTimerInterval("时钟1", 5);
  EXPECT_EQ(form->TimerInterval("时钟1"), 5);
  ASSERT_TRUE(PumpUntil(*form, [&] { return ticks >= 3; }));
  form->SetTimerInterval("时钟1", 0);
  EXPECT_EQ(form->TimerInterval("时钟1"), 0);
  int stoppedAt = ticks;
  PumpUntil(*form, [] { return false; }, 100);
  EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(WinForm, AHandlerMayReplaceItselfCloneAndPumpWhileItRuns) {
  form->SetVisible("", true);
  std::vector<std::string> seen;
  form->SetHandler([&](const std::string& control, FormEvent event, const FormEventArgs&) {
    if (event != FormEvent::kClick) return true;
    seen.push_back("first:" + control);
    std::string mine = control;  // the captures of this handler must outlive its replacement
    form->SetHandler([&](const std::string& c, FormEvent e, const FormEventArgs&) {
      if (e == FormEvent::kClick) seen.push_back("second:" + c);
      return true;
    });
    EXPECT_TRUE(form->CloneControl("初始化的选择框", "完成选项1"));
    PostMessageW(Hwnd(*form, "取消按钮_主窗口"), BM_CLICK, 0, 0);
    form->PumpEvents();
    seen.push_back("after:" + mine);
    return true;
  });
  SendMessageW(Hwnd(*form, "下一步_按钮"), BM_CLICK, 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"first:下一步_按钮", "second:取消按钮_主窗口",
                                            "after:下一步_按钮"}));
  EXPECT_NE(Hwnd(*form, "完成选项1"), nullptr);
}

TEST_F(WinForm, TheDefaultButtonAnswersEnter) {
  form->SetVisible("", true);
  form->SetCurrentPage(kPageFolder);
  form->SetDefaultButton("取消按钮_主窗口");
  form->SetDefaultButton("下一步_按钮");
  HWND next = Hwnd(*form, "下一步_按钮");
  EXPECT_EQ(GetWindowLongPtrW(next, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtrW(Hwnd(*form, "取消按钮_主窗口"), GWL_STYLE) & BS_TYPEMASK,
            BS_PUSHBUTTON);
  LRESULT def = SendMessageW(Hwnd(*form, ""), DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(def), DC_HASDEFID);
  EXPECT_EQ(LOWORD(def), GetDlgCtrlID(next));

  HWND edit = Hwnd(*form, "安装路径_编辑框");
  SetForegroundWindow(Hwnd(*form, ""));
  SetFocus(edit);
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(edit, WM_KEYUP, VK_RETURN, 0);
  EXPECT_TRUE(PumpUntil(*form, [&] { return Count("下一步_按钮", FormEvent::kClick) == 1; }));
}

TEST_F(WinForm, MovesAndPlacementsAreReported) {
  form->SetVisible("", true);
  form->PumpEvents();
  const struct {
    int show, placement;
  } cases[] = {{SW_MINIMIZE, 2}, {SW_RESTORE, 0}, {SW_MAXIMIZE, 3}, {SW_RESTORE, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.show);
    events.clear();
    ShowWindow(Hwnd(*form, ""), c.show);
    form->PumpEvents();
    ASSERT_NE(Last(FormEvent::kMoved), nullptr);
    EXPECT_EQ(Last(FormEvent::kMoved)->control, "");
    EXPECT_EQ(Last(FormEvent::kMoved)->args.state, c.placement);
  }
  events.clear();
  form->SetBounds("", {10, 10, 503, 363});
  ASSERT_NE(Last(FormEvent::kMoved), nullptr);
  EXPECT_EQ(Last(FormEvent::kMoved)->args.state, 0);
}

TEST_F(WinForm, CloseRequestsAskTheHandlerAndTheStateOutlivesTheWindow) {
  HWND window = Hwnd(*form, "");
  form->SetText("解压_标签", "最后一步");
  form->SetChecked("选择框_条款", true);
  form->SetProgress("进度条1", 60);
  form->AddListRow("超级列表框", "第一步");

  allowClose = false;
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(Count("", FormEvent::kMayClose), 1);
  EXPECT_TRUE(IsWindow(window));

  allowClose = true;
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(form->RunMessageLoop(), 0);  // ends once the window is gone
  EXPECT_EQ(Count("", FormEvent::kMayClose), 2);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(form->Valid());
  EXPECT_EQ(form->Handle(""), 0);
  EXPECT_EQ(form->Handle("解压_标签"), 0);

  // Without windows the form keeps working on what they last showed.
  EXPECT_EQ(form->Text("解压_标签"), "最后一步");
  EXPECT_TRUE(form->Checked("选择框_条款"));
  EXPECT_EQ(form->Progress("进度条1"), 60);
  form->AddListRow("超级列表框", "第二步");
  EXPECT_EQ(form->ListRows("超级列表框"), (std::vector<std::string>{"第一步", "第二步"}));
  form->SetText("", "新标题");
  EXPECT_EQ(form->Text(""), "新标题");
  form->PumpEvents();
}

TEST_F(WinForm, CloseEndsTheWindowWithoutAsking) {
  HWND window = Hwnd(*form, "");
  form->Close();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Count("", FormEvent::kMayClose), 0);
  EXPECT_EQ(form->RunMessageLoop(), 0);  // nothing left to wait for
}

TEST(WinUnpackWindow, ShowsThePercentageRefreshesOnItsTimerAndGoesAwayOnClose) {
  if (!CanCreateWindows()) GTEST_SKIP() << "no display (run under tests/e2e/lib/xvfb.sh)";
  Win32UnpackWindow unpack;
  unpack.ShowProgress(5);  // before Open: nothing
  EXPECT_EQ(unpack.form(), nullptr);

  unpack.Open();
  ASSERT_NE(unpack.form(), nullptr);
  Win32Form& form = *unpack.form();
  HWND window = Hwnd(form, "");
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(RawText(window), L"unpacking data: 0%");
  EXPECT_EQ(RawText(Hwnd(form, "标签2")), L"Please wait while Setup is\r\n\r\n   upacking data: 0%");
  LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_NE(style & WS_CAPTION, LONG_PTR(WS_CAPTION));  // no caption bar
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 129);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 35);
  EXPECT_EQ(r.right - r.left, 257);
  EXPECT_EQ(r.bottom - r.top, 70);

  unpack.ShowProgress(0);
  EXPECT_FALSE(IsWindowVisible(window));
  unpack.ShowProgress(37);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(RawText(window), L"unpacking data: 37%");
  EXPECT_EQ(RawText(Hwnd(form, "标签2")), L"Please wait while Setup is\r\n\r\n   upacking data: 37%");
  EXPECT_EQ(form.Text("标签1"), "37");
  EXPECT_EQ(form.TimerInterval("时钟1_upacking"), 200);

  // The timer's tick rewrites the texts from the stored percentage.
  SetWindowTextW(Hwnd(form, "标签2"), L"scribbled");
  EXPECT_TRUE(PumpUntil(form, [&] { return RawText(Hwnd(form, "标签2")) != L"scribbled"; }));
  EXPECT_EQ(RawText(Hwnd(form, "标签2")), L"Please wait while Setup is\r\n\r\n   upacking data: 37%");

  unpack.ShowJoining();
  EXPECT_EQ(RawText(window), L"unpacking data: unzipped");
  unpack.Close();
  EXPECT_EQ(unpack.form(), nullptr);
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
