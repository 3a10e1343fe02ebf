// The input box is a real window with its own message loop: these tests drive it from a second
// thread the way a user would (typing, Enter, Escape, the close box).
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "tests/support/win_display.h"

namespace {

using test_support::CanCreateWindows;

// Finds the box by its caption (waiting for it to appear) and hands it to `act`.
std::thread DriveInputBox(const wchar_t* caption, std::function<void(HWND box, HWND edit)> act) {
  return std::thread([caption, act] {
    for (int i = 0; i < 500; ++i) {
      HWND box = FindWindowW(L"PlatInputBox", caption);
      if (box && IsWindowVisible(box)) {
        act(box, GetDlgItem(box, 100));
        return;
      }
      Sleep(10);
    }
    ADD_FAILURE() << "the input box never appeared";
  });
}

TEST(WinInputBox, EnterAcceptsTheTypedTextAndPasswordStyleHidesIt) {
  if (!CanCreateWindows()) GTEST_SKIP() << "no display";
  LONG_PTR style = 0;
  std::thread driver = DriveInputBox(L"输入", [&](HWND, HWND edit) {
    style = GetWindowLongPtrW(edit, GWL_STYLE);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"密码123"));
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  });
  std::string out;
  bool accepted = plat::InputBox("请输入密码", "输入", true, out);
  driver.join();
  EXPECT_TRUE(accepted);
  EXPECT_EQ(out, "密码123");
  EXPECT_TRUE(style & ES_PASSWORD);
}

TEST(WinInputBox, EscapeAndTheCloseBoxCancelAndLeaveTheTextAlone) {
  if (!CanCreateWindows()) GTEST_SKIP() << "no display";
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool toEdit;
  };
  const Case cases[] = {
      {"escape", WM_KEYDOWN, VK_ESCAPE, true},
      {"close box", WM_CLOSE, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring initial;
    std::thread driver = DriveInputBox(L"取消测试", [&](HWND box, HWND edit) {
      wchar_t text[64] = {};
      GetWindowTextW(edit, text, 64);
      initial = text;
      SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
      PostMessageW(c.toEdit ? edit : box, c.message, c.wParam, 0);
    });
    std::string out = "旧值";
    bool accepted = plat::InputBox("prompt", "取消测试", false, out);
    driver.join();
    EXPECT_FALSE(accepted);
    EXPECT_EQ(out, "旧值");
    EXPECT_EQ(initial, L"旧值") << "the box starts with the caller's text";
    EXPECT_EQ(FindWindowW(L"PlatInputBox", nullptr), nullptr) << "the box is gone afterwards";
  }
}

}  // namespace
