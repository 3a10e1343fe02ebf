// The uninstall window built for real from its description, with the engine started over a
// small product in the temp folder: every control where the table puts it, the texts the
// engine sets, and 取消 played as a click. Skips without an X display (run it under
// tests/e2e/lib/xvfb.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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

// The engine started with a real window over `fixture`'s record written to r\uninst.dat, as
// uninst.exe's copy starts it; the window waits on its confirmation page.
void StartEngine(Win32Form& form, UninstallSession& session, const RecordFixture& fixture,
                 const std::string& r, const std::string& t) {
  ASSERT_TRUE(
      plat::WriteFileBytes(r + "\\uninst.dat", BuildUninstDat(BuildRecord(fixture, r), "演示公司")));
  ASSERT_TRUE(form.Valid());
  session.arguments = {r, t, "卸载"};
  session.ownFileName = "uninst.exe";
  session.form = &form;
  StartUninstallWizard(session);
  ASSERT_FALSE(session.outcome);
  form.PumpEvents();
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

  Win32Form form(UninstallWindowDesc());
  UninstallSession session;
  StartEngine(form, session, fixture, r, t);
  if (HasFatalFailure()) return;
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

// A product of a few thousand files removed with the window on screen: the step list holds a
// row for every removed file, in the record's order, ends on its last row (current and in
// view), the bar stands at 100 and the label on the last step, although rows, label and bar
// reach the windows only a frame at a time.
TEST(UninstallWindow, TheStepListHoldsEveryRemovedFileInOrderAndEndsOnTheLast) {
  if (!test_support::CanCreateWindows()) GTEST_SKIP() << "no display";
  constexpr int kFiles = 1500;
  const std::string r = plat::TempFolder() + "uninstall-window-rows\\演示软件";
  const std::string t = plat::TempFolder() + "Uninstall\\uninstall-window-rows";
  ASSERT_TRUE(plat::CreateDirectories(r + "\\data"));
  ASSERT_TRUE(plat::CreateDirectories(t));
  RecordFixture fixture;
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "\\data\\f%04d.txt", i);
    fixture.files.push_back(r + name);
    ASSERT_TRUE(plat::WriteFileBytes(fixture.files.back(), "x"));
  }

  Win32Form form(UninstallWindowDesc());
  UninstallSession session;
  StartEngine(form, session, fixture, r, t);
  if (HasFatalFailure()) return;
  SendMessageW(Hwnd(form, c::kUninstallButton), BM_CLICK, 0, 0);
  ASSERT_TRUE(session.removalDone);
  EXPECT_EQ(session.removalResult, kExitSuccess);

  const std::vector<std::string> rows = form.ListRows(c::kSteps);
  std::vector<std::string> fileRows;
  for (const std::string& path : fixture.files) fileRows.push_back("删除文件: " + path);
  const auto first = std::search(rows.begin(), rows.end(), fileRows.begin(), fileRows.end());
  ASSERT_NE(first, rows.end()) << "the file rows, in order and one each";
  const int at = int(first - rows.begin());

  HWND list = Hwnd(form, c::kSteps);
  const int count = int(rows.size());
  ASSERT_TRUE(IsWindowVisible(list));
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), count);
  for (int i : {at, at + kFiles / 2, at + kFiles - 1, count - 1})
    EXPECT_EQ(test_support::ListItemText(list, i), test_support::Wide(rows[size_t(i)])) << i;
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), count - 1);
  const int top = int(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  const int perPage = int(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(perPage, 0);
  EXPECT_GE(count - 1, top);
  EXPECT_LT(count - 1, top + perPage);
  EXPECT_EQ(RawText(Hwnd(form, c::kStep)), test_support::Wide(rows.back()));
  EXPECT_EQ(SendMessageW(Hwnd(form, c::kProgress), PBM_GETPOS, 0, 0), 100);
  EXPECT_FALSE(plat::FileExists(fixture.files.back()));

  SendMessageW(Hwnd(form, c::kUninstallButton), BM_CLICK, 0, 0);  // 完成
  EXPECT_EQ(session.outcome, kExitSuccess);
  (void)plat::RemoveDirectoryTree(plat::TempFolder() + "uninstall-window-rows");
}

}  // namespace
