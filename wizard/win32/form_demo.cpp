// Shows the wizard window on its installing page and then on its finish page, filled the way
// an install leaves them, for screenshots (tests/e2e/form_screenshots.sh). It talks to the
// script through marker files in the current folder: it writes "page4.ready" once page 4 is
// painted, waits for "page4.done", then does the same for page 5; it gives up after a minute.
// With the argument "unpack" it shows the unpack window at 42 % instead ("unpack.ready",
// "unpack.done"), for setup-pack preview.
#include "platform/win32/windows_api.h"

#include <string>

#include "ui/win32/win32_form.h"
#include "wizard/win32/win32_unpack_window.h"
#include "wizard/window_tables.h"

namespace {

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void Touch(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Pumps until `marker` appears; false after the time is up.
bool ShowUntil(Win32Form& form, const wchar_t* ready, const wchar_t* done) {
  form.PumpEvents();
  UpdateWindow(reinterpret_cast<HWND>(form.Handle("")));
  form.PumpEvents();
  Touch(ready);
  for (int waited = 0; waited < 60000; waited += 50) {
    if (Exists(done)) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    form.PumpEvents();
  }
  return false;
}

}  // namespace

int ShowUnpackWindow() {
  Win32UnpackWindow window;
  window.Open();
  window.ShowProgress(42);
  if (!window.form() || !window.form()->Valid()) return 2;
  return ShowUntil(*window.form(), L"unpack.ready", L"unpack.done") ? 0 : 3;
}

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && lstrcmpW(argv[1], L"unpack") == 0) return ShowUnpackWindow();
  Win32Form form(WizardWindowDesc());
  if (!form.Valid()) return 2;
  // What start-up does to the window before the first page.
  Bounds window = form.GetBounds("");
  form.SetBounds("", {window.left, window.top, window.width, 363});
  form.SetBounds("选择夹1", {0, 0, 600, 600});

  form.SetText("解压_标签", "正在复制：C:\\Program Files\\Mokta软件\\帮助文档.chm");
  form.SetProgress("进度条1", 40);
  form.AddListRow("超级列表框", "创建文件夹：C:\\Program Files\\Mokta软件");
  form.AddListRow("超级列表框", "解压：Mokta软件.exe");
  form.AddListRow("超级列表框", "正在复制：C:\\Program Files\\Mokta软件\\帮助文档.chm");
  form.SetEnabled("上一步_按钮", false);
  form.SetEnabled("下一步_按钮", false);
  form.SetVisible("上一步_按钮", true);
  form.SetText("下一步_按钮", "安装(&I)");
  form.SetVisible("", true);
  form.SetCurrentPage(kPageInstalling);
  if (!ShowUntil(form, L"page4.ready", L"page4.done")) return 3;

  // The finish page: two options cloned from the hidden template, one under the other.
  const Bounds option = form.GetBounds("初始化的选择框");
  const char* options[][2] = {{"完成选项1", "立即运行 Mokta软件"}, {"完成选项2", "查看自述文件"}};
  for (int i = 0; i < 2; ++i) {
    form.CloneControl("初始化的选择框", options[i][0]);
    form.SetText(options[i][0], options[i][1]);
    form.SetBounds(options[i][0], {option.left, option.top + i * 28, option.width, option.height});
    form.SetChecked(options[i][0], i == 0);
    form.SetVisible(options[i][0], true);
  }
  form.SetVisible("上一步_按钮", false);
  form.SetEnabled("下一步_按钮", true);
  form.SetText("下一步_按钮", "完成(&F)");
  form.SetEnabled("取消按钮_主窗口", false);
  form.SetDefaultButton("下一步_按钮");
  form.SetCurrentPage(kPageFinish);
  if (!ShowUntil(form, L"page5.ready", L"page5.done")) return 3;
  return 0;
}
