// Runs the real uninstall engine on the real uninstall window over a small product it installs
// into the temp folder, for screenshots (tests/e2e/uninstall_screenshots.sh). It talks to the
// script through marker files in the current folder: "confirm.ready" once the confirmation
// page is painted (then it presses Uninstall when "confirm.done" appears); the record's
// uninstall command is this program again with "--pause", which writes "progress.ready" while
// the engine shows its progress state and waits for "progress.done"; "finish.ready" once the
// finish page is painted, and after "finish.done" it presses 完成. It exits with the engine's
// outcome, or 20 + a step number when a step did not come; each wait gives up after a minute.
#include <string>

#include "platform/win32/windows_api.h"
#include "tests/unit/uninstall/engine_fixture.h"
#include "ui/win32/win32_form.h"

namespace {

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void Touch(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Paints, writes `ready`, and pumps until `done` appears; false after a minute.
bool ShowUntil(Form* form, const wchar_t* ready, const wchar_t* done) {
  if (form) {
    form->PumpEvents();
    UpdateWindow(reinterpret_cast<HWND>(form->Handle("")));
    form->PumpEvents();
  }
  Touch(ready);
  for (int waited = 0; waited < 60000; waited += 50) {
    if (Exists(done)) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    if (form) form->PumpEvents();
  }
  return false;
}

void Click(const Form& form, const char* button) {
  PostMessageW(reinterpret_cast<HWND>(form.Handle(button)), BM_CLICK, 0, 0);
}

void WriteFile(const std::string& path) { (void)plat::WriteFileBytes(path, "demo"); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // The uninstall command of the record: holds the engine in its progress state.
  // The shell starts it in its own folder; the markers live where the script looks.
  if (argc > 1 && std::wstring(argv[1]) == L"--pause") {
    wchar_t folder[1024] = {};
    if (GetEnvironmentVariableW(L"UNINSTALL_DEMO_MARKERS", folder, 1024))
      SetCurrentDirectoryW(folder);
    return ShowUntil(nullptr, L"progress.ready", L"progress.done") ? 0 : 1;
  }
  wchar_t here[1024] = {};
  GetCurrentDirectoryW(1024, here);
  SetEnvironmentVariableW(L"UNINSTALL_DEMO_MARKERS", here);

  const std::string product = "截图演示";
  const std::string r = plat::TempFolder() + "卸载截图\\" + product;
  const std::string t = plat::TempFolder() + "Uninstall\\" + product;
  (void)plat::RemoveDirectoryTree(plat::TempFolder() + "卸载截图");
  (void)plat::CreateDirectories(r + "\\bin");
  (void)plat::CreateDirectories(r + "\\文档");
  (void)plat::CreateDirectories(t);
  RecordFixture fixture;
  fixture.name = product;
  fixture.version = "2.1";
  fixture.mainProgram = "截图.exe";
  fixture.copyright = "演示公司版权所有";
  fixture.files = {r + "\\bin\\截图.exe", r + "\\文档\\说明.txt", r + "\\readme.txt",
                r + "\\uninst.exe", r + "\\uninst.dat"};
  for (const std::string& f : fixture.files) WriteFile(f);
  fixture.options = {{"删除保存的设置", "真", "真", ""}, {"删除下载的数据", "真", "假", ""}};
  fixture.commands = {{"真", "\"" + plat::ModulePath() + "\" --pause", "假", "真"}};
  (void)plat::WriteFileBytes(r + "\\uninst.dat",
                             BuildUninstDat(BuildRecord(fixture, r), fixture.copyright));

  Win32Form form(UninstallWindowDesc());
  if (!form.Valid()) return 2;
  UninstallSession session;
  session.arguments = {r, t, "卸载"};
  session.ownFileName = "uninst.exe";
  session.form = &form;
  StartUninstallWizard(session);
  if (session.outcome) return int(*session.outcome);
  if (!ShowUntil(&form, L"confirm.ready", L"confirm.done")) return 21;
  Click(form, uninstall_controls::kUninstallButton);
  // The click runs the removal inside this pump; it returns on the finish page.
  for (int waited = 0; waited < 60000 && !session.removalDone; waited += 50) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    form.PumpEvents();
  }
  if (!session.removalDone) return 22;
  if (!ShowUntil(&form, L"finish.ready", L"finish.done")) return 23;
  Click(form, uninstall_controls::kUninstallButton);
  form.RunMessageLoop();
  return int(session.outcome.value_or(kExitCancelled));
}
