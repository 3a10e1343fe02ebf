// The dressed wizard on real windows: the page texts as the windows hold them (WM_GETTEXT,
// WM_GETFONT), and the folder browser behind 浏览目录 driven as a user would.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/keyed_store.h"
#include "tests/support/win_display.h"
#include "ui/win32/win32_form.h"
#include "script/component_tree.h"
#include "wizard/component_view.h"
#include "wizard/control_names.h"
#include "wizard/page_flow.h"
#include "wizard/page_texts.h"
#include "wizard/window_tables.h"

namespace {

using test_support::Wide;

std::wstring WindowTextOf(HWND hwnd) {
  wchar_t buffer[1024] = {};
  SendMessageW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

struct ShownFont {
  std::wstring face;
  int pixels = 0;
  bool bold = false;
};

ShownFont FontOf(HWND hwnd) {
  ShownFont shown;
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font && GetObjectW(font, sizeof lf, &lf)) {
    shown.face = lf.lfFaceName;
    shown.pixels = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    shown.bold = lf.lfWeight >= FW_BOLD;
  }
  return shown;
}

int PixelsOf(int points) {
  HDC screen = GetDC(nullptr);
  const int pixels = MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return pixels;
}

class DressedWizard : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_support::CanCreateWindows()) GTEST_SKIP() << "no display";
    form = std::make_unique<Win32Form>(WizardWindowDesc());
    session.form = form.get();
    form->SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs& a) {
      return HandleWizardEvent(session, control, event, a);
    });
  }
  HWND H(const std::string& control) { return reinterpret_cast<HWND>(form->Handle(control)); }

  std::unique_ptr<Win32Form> form;
  InstallSession session;
};

TEST_F(DressedWizard, WindowsHoldThePageTextsAndTheirFonts) {
  Bytes& gui = session.run.config.guiText;
  AppendKeyedItem(gui, "窗口标题", "演示 安装向导", true);
  AppendKeyedItem(gui, "欢迎0", "<fontSimSun,14,真,9109504,16777215/>欢迎安装", true);
  AppendKeyedItem(gui, "欢迎1", "第一行\r\n第二行", true);
  AppendKeyedItem(gui, "目录4", "选择...", true);
  AppendKeyedItem(gui, "组件4", "<font,12,,255,15790320/>说明", true);
  AppendKeyedItem(gui, "按钮", "后退,接受,继续,开始,退出,结束", true);
  ApplyPageTexts(session);

  EXPECT_EQ(WindowTextOf(reinterpret_cast<HWND>(form->Handle(""))), Wide("演示 安装向导"));
  EXPECT_EQ(WindowTextOf(H("编辑框_欢迎0")), Wide("欢迎安装"));
  EXPECT_EQ(WindowTextOf(H("编辑框_欢迎1")), Wide("第一行\r\n第二行"));
  EXPECT_EQ(WindowTextOf(H("浏览目录")), Wide("选择..."));
  EXPECT_EQ(WindowTextOf(H("取消按钮_主窗口")), Wide("退出"));

  const ShownFont title = FontOf(H("编辑框_欢迎0"));
  EXPECT_EQ(title.face, L"SimSun");
  EXPECT_EQ(title.pixels, PixelsOf(14));
  EXPECT_TRUE(title.bold);
  const ShownFont body = FontOf(H("编辑框_欢迎1"));  // no markup: the standard font
  EXPECT_EQ(body.pixels, PixelsOf(9));
  EXPECT_FALSE(body.bold);
  EXPECT_EQ(FontOf(H("编辑框_组件4")).pixels, PixelsOf(12));
  // Controls never styled keep the standard font too.
  EXPECT_EQ(FontOf(H("编辑框_协议0")).pixels, PixelsOf(9));
}

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM out) {
  wchar_t cls[32] = {};
  GetClassNameW(hwnd, cls, 32);
  if (IsWindowVisible(hwnd) && lstrcmpW(cls, L"#32770") == 0) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The browser dialog of this thread, once it is shown.
HWND BrowserDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

// What the "user" does in the browser: choose `folder` and press OK, or Cancel when empty.
std::wstring g_choice;
bool g_dialogSeen = false;

void CALLBACK DriveBrowser(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = BrowserDialog();
  if (!dialog) return;
  KillTimer(nullptr, id);
  g_dialogSeen = true;
  if (g_choice.empty()) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(g_choice.c_str()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(DressedWizard, BrowseButtonOpensTheBrowserAndTakesItsChoice) {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::string chosen = plat::Utf16ToGbk(std::u16string(windows, windows + lstrlenW(windows)));
  form->SetText(wizard_names::kPathEdit, "C:\\Before");
  session.run.installPath = "C:\\Before";
  session.wizard.autoAppend = true;
  session.wizard.browseAppend = "演示";

  struct Case {
    std::wstring choice;
    std::string shown;
  } cases[] = {
      {L"", "C:\\Before"},                       // Cancel changes nothing
      {windows, chosen + "\\演示"},              // the folder plus the append name
  };
  for (const Case& c : cases) {
    g_choice = c.choice;
    g_dialogSeen = false;
    SetTimer(nullptr, 0, 50, DriveBrowser);
    // A click on the button, as the user makes it.
    SendMessageW(H(wizard_names::kBrowse), BM_CLICK, 0, 0);
    EXPECT_TRUE(g_dialogSeen);
    EXPECT_EQ(form->Text(wizard_names::kPathEdit), c.shown);
    EXPECT_EQ(WindowTextOf(H(wizard_names::kPathEdit)), Wide(c.shown));
    EXPECT_EQ(session.run.installPath, c.shown);
  }
  // Browsing also tells the free space of the chosen drive.
  EXPECT_EQ(form->Text(wizard_names::kSpaceFree).rfind("可用空间: ", 0), 0u);
  EXPECT_EQ(form->Text(wizard_names::kSpaceFree).find("%Default%"), std::string::npos);
}

// The mouse over the tree as the window system reports it: each item hovered becomes the
// selection and its description shows; the page outside the tree clears the description.
TEST_F(DressedWizard, HoverSelectsTheItemUnderTheMouseAndShowsItsDescription) {
  session.tree = DefaultComponentTree();
  ShowComponentTree(session);
  form->SetVisible("", true);
  form->SetCurrentPage(kPageComponents);
  HWND tree = H(wizard_names::kTree);
  auto pump = [&] {
    for (int i = 0; i < 5; ++i) {
      form->PumpEvents();
      Sleep(5);
    }
  };
  // The cursor itself goes there too: the window system reports where the real cursor is, and
  // a cursor left over another item would win.
  auto hover = [&](HWND window, POINT at) {
    POINT screen = at;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    pump();
  };
  struct Case {
    int index;  // in tree order: 基本组件, then its three options
    const char* description;
  } cases[] = {
      {1, "安装完该软件后将应用主程序增加至桌面快捷方式"},
      {3, "在快速运行烂里增加启动主程序的快捷方式"},
  };
  for (const Case& c : cases) {
    HTREEITEM item = TreeView_GetRoot(tree);
    for (int i = 0; i < c.index && item; ++i) item = TreeView_GetNextVisible(tree, item);
    ASSERT_NE(item, nullptr) << c.index;
    RECT box{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, item, &box, TRUE)) << c.index;
    hover(tree, {(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    EXPECT_EQ(TreeView_GetSelection(tree), item) << c.index;
    EXPECT_EQ(session.tree.selected, c.index);
    EXPECT_EQ(WindowTextOf(H(wizard_names::kHint)), Wide(c.description)) << c.index;
  }
  // Below the last item nothing is hit: the selection stays.
  RECT client{};
  GetClientRect(tree, &client);
  HTREEITEM before = TreeView_GetSelection(tree);
  hover(tree, {client.right / 2, client.bottom - 2});
  EXPECT_EQ(TreeView_GetSelection(tree), before);
  // Off the tree, over the page body.
  HWND page = GetParent(tree);
  hover(page, {2, 2});
  EXPECT_EQ(WindowTextOf(H(wizard_names::kHint)), L"");
}

TEST_F(DressedWizard, TaskbarProgressFollowsTheBarOrStaysInert) {
  form->SetVisible("", true);
  form->MirrorProgressOnTaskbar(wizard_names::kProgressBar);
  EXPECT_EQ(form->MirroredProgress(), wizard_names::kProgressBar);
  for (int percent = 0; percent <= 100; percent += 20) {
    form->SetProgress(wizard_names::kProgressBar, percent);
    const DWORD until = GetTickCount() + 100;  // more than one 80 ms tick
    while (GetTickCount() < until) {
      form->PumpEvents();
      Sleep(5);
    }
  }
  form->MirrorProgressOnTaskbar("");
  EXPECT_EQ(form->MirroredProgress(), "");
  EXPECT_EQ(form->Progress(wizard_names::kProgressBar), 100);
  form->MirrorProgressOnTaskbar("");  // ending twice is harmless
}

}  // namespace
