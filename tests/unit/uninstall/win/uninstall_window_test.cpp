// The uninstall window built for real from its description, with the engine started over a
// small product in the temp folder: every control where the table puts it, the texts the
// engine sets, and 取消 played as a click. Skips without an X display (run it under
// tests/e2e/lib/xvfb.sh).
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/windows_api.h"
#include "tests/support/win_display.h"
#include "tests/unit/uninstall/engine_fixture.h"
#include "ui/win32/win32_form.h"

namespace {

namespace c = uninstall_controls;

std::wstring RawText(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

HWND Hwnd(const Form& form, const std::string& control) {
  return reinterpret_cast<HWND>(form.Handle(control));
}

TEST(UninstallWindow, ControlsSitWhereTheTablePutsThem) {
  if (!test_support::CanCreateWindows()) GTEST_SKIP() << "no display";
  Win32Form form(UninstallWindowDesc());
  ASSERT_TRUE(form.Valid());
  for (const ControlDesc& d : UninstallWindowDesc().controls) {
    if (d.kind == ControlKind::kTimer) continue;
    HWND hwnd = Hwnd(form, d.name);
    ASSERT_NE(hwnd, nullptr) << d.name;
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, d.left) << d.name;
    EXPECT_EQ(r.top, d.top) << d.name;
    EXPECT_EQ(r.right - r.left, d.width) << d.name;
    EXPECT_EQ(r.bottom - r.top, d.height) << d.name;
    const HWND parent = d.parent.empty() ? Hwnd(form, "") : Hwnd(form, d.parent);
    EXPECT_EQ(GetParent(hwnd), parent) << d.name;
  }
  const Bounds window = form.GetBounds("");
  EXPECT_EQ(window.width, 507);
  EXPECT_EQ(window.height, 360);
}

TEST(UninstallWindow, EngineFillsTheWindowAndCancelEndsTheRun) {
  if (!test_support::CanCreateWindows()) GTEST_SKIP() << "no display";
  const std::string r = plat::TempFolder() + "uninstall-window-test\\演示软件";
  const std::string t = plat::TempFolder() + "Uninstall\\uninstall-window-test";
  ASSERT_TRUE(plat::CreateDirectories(r));
  ASSERT_TRUE(plat::CreateDirectories(t));
  RecordFixture fixture;
  fixture.files = {r + "\\readme.txt"};
  ASSERT_TRUE(plat::WriteFileBytes(r + "\\readme.txt", "x"));
  fixture.options = {{"删除配置文件", "真", "真", ""}};
  ASSERT_TRUE(
      plat::WriteFileBytes(r + "\\uninst.dat", BuildUninstDat(BuildRecord(fixture, r), "演示公司")));

  Win32Form form(UninstallWindowDesc());
  ASSERT_TRUE(form.Valid());
  UninstallSession session;
  session.arguments = {r, t, "卸载"};
  session.ownFileName = "uninst.exe";
  session.form = &form;
  StartUninstallWizard(session);
  ASSERT_FALSE(session.outcome);
  form.PumpEvents();
  EXPECT_TRUE(IsWindowVisible(Hwnd(form, "")));
  EXPECT_EQ(RawText(Hwnd(form, "")), test_support::Wide("演示软件1.0 卸载向导"));
  EXPECT_EQ(RawText(Hwnd(form, c::kTitle)), test_support::Wide("卸载 “演示软件1.0”"));
  EXPECT_EQ(RawText(Hwnd(form, c::kFolder)), test_support::Wide(r));
  EXPECT_EQ(RawText(Hwnd(form, c::kFolderLabel)), test_support::Wide("卸载目录:"));
  ASSERT_EQ(session.options.size(), 1u);
  const HWND box = Hwnd(form, session.options[0].control);
  EXPECT_EQ(RawText(box), test_support::Wide("删除配置文件"));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_FALSE(IsWindowVisible(Hwnd(form, c::kSteps)));
  EXPECT_FALSE(IsWindowEnabled(Hwnd(form, c::kRights)));

  SendMessageW(Hwnd(form, c::kCancelButton), BM_CLICK, 0, 0);
  form.PumpEvents();
  EXPECT_EQ(session.outcome, kExitCancelled);
  EXPECT_TRUE(plat::FileExists(r + "\\readme.txt"));
  (void)plat::RemoveDirectoryTree(plat::TempFolder() + "uninstall-window-test");
}

}  // namespace
