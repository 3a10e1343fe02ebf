// The installing page on a real window: a few thousand files reported by the archiver, as its
// callback sends them, then the later steps' lines. The list draws its rows from the form's
// memory a frame at a time; what it ends up showing must still be every row, in order, with
// the last one current and in view, and the status label on the last file.
#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archiver/archiver.h"
#include "script/unpack_progress.h"
#include "tests/support/win_display.h"
#include "ui/win32/win32_form.h"
#include "wizard/control_names.h"
#include "wizard/install_sequence.h"
#include "wizard/page_flow.h"
#include "wizard/window_tables.h"

namespace {

using namespace wizard_names;

constexpr char kInstallPath[] = "C:\\Program Files\\Demo";
constexpr int kFiles = 3000;

std::string FileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "data\\f%04d.txt", i);
  return name;
}


std::wstring WindowTextOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

class InstallingPage : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!test_support::CanCreateWindows()) GTEST_SKIP() << "no display";
    form = std::make_unique<Win32Form>(WizardWindowDesc());
    session.form = form.get();
    session.wizard.detailListMode = GetParam();
    session.run.installPath = kInstallPath;
    form->SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs& a) {
      return HandleWizardEvent(session, control, event, a);
    });
    form->SetVisible("", true);
    if (GetParam() == 1) {  // as the wizard opens the page in this mode
      form->SetVisible(kDetailList, false);
      form->SetVisible(kShowDetails, true);
    }
    form->SetCurrentPage(kPageInstalling);
  }
  void TearDown() override {
    TheUnpackProgress() = UnpackProgress();
    if (form) form->Close();
  }

  // What the install sequence does for the extraction, with the library's per-file records.
  void ReportFiles() {
    UnpackProgress& progress = TheUnpackProgress();
    progress = UnpackProgress();
    progress.installPath = kInstallPath;
    progress.showStatusLine = [this](const std::string& text) { ShowStatusLine(session, text); };
    progress.setBar = [this](int position) {
      SetInstallProgress(session, position);
      return session.progressValue;
    };
    progress.callback = OnUnpackProgress;
    for (int i = 0; i < kFiles; ++i) {
      archiver::ExtractingInfoEx record{};
      const std::string dest = std::string(kInstallPath) + "\\" + FileName(i);
      std::strncpy(record.szDestFileName, dest.c_str(), sizeof record.szDestFileName - 1);
      record.dwFileSize = 10;
      record.dwWriteSize = 10;
      ASSERT_TRUE(ArchiverCallback(nullptr, 0, archiver::kStateInProcess, &record));
    }
    ArchiverCallback(nullptr, 0, archiver::kStateEnd, nullptr);
    progress.callback = nullptr;
  }

  // Lets the frame that holds the last changes reach the windows, as the wizard's own message
  // loop does once the sequence returns.
  void LetTheFrameShow(HWND list, int rows) {
    for (int waited = 0; waited < 2000; waited += 10) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == rows) return;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }

  InstallSession session;
  std::unique_ptr<Win32Form> form;
};

TEST_P(InstallingPage, TheListHoldsEveryFileAndStepInOrderAndEndsOnTheLast) {
  ReportFiles();
  const std::vector<std::string> steps = {"创建快捷方式：桌面", "写注册表", "运行：说明.txt"};
  for (const std::string& step : steps) ShowStatusLine(session, step);

  // The first file reported opens the list of installed files without a line of its own.
  std::vector<std::string> expected;
  for (int i = 1; i < kFiles; ++i) expected.push_back(FileName(i));
  expected.insert(expected.end(), steps.begin(), steps.end());
  EXPECT_EQ(form->ListRows(kDetailList), expected);  // at once, without waiting for a frame
  EXPECT_EQ(form->Text(kStatusLabel), steps.back());
  EXPECT_EQ(session.progressValue, 100);

  HWND list = reinterpret_cast<HWND>(form->Handle(kDetailList));
  const int rows = int(expected.size());
  LetTheFrameShow(list, rows);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), rows);
  for (int i : {0, 1, kFiles / 2, kFiles - 2, kFiles - 1, rows - 1})
    EXPECT_EQ(test_support::ListItemText(list, i), test_support::Wide(expected[size_t(i)])) << i;
  EXPECT_EQ(WindowTextOf(reinterpret_cast<HWND>(form->Handle(kStatusLabel))),
            test_support::Wide(steps.back()));

  if (GetParam() == 1) {
    EXPECT_FALSE(IsWindowVisible(list));
    HWND button = reinterpret_cast<HWND>(form->Handle(kShowDetails));
    ASSERT_TRUE(IsWindowVisible(button));
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_FALSE(IsWindowVisible(button));
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), rows);
  }
  // The last row is current and in view.
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), rows - 1);
  const int top = int(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  const int perPage = int(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(perPage, 0);
  EXPECT_GE(rows - 1, top);
  EXPECT_LT(rows - 1, top + perPage);
}

// 0: the list is shown; 1: a button reveals it.
INSTANTIATE_TEST_SUITE_P(DetailListModes, InstallingPage, ::testing::Values(0, 1));

}  // namespace
