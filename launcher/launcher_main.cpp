// uninst.exe: the uninstaller launcher. The order of its run is in launch.*; this entry reads
// the program's own resources and icon, and starts and waits for the engine (the hand-off of
// package/uninstall_handoff.h), the parts that need Win32 itself.
#include "platform/win32/windows_api.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "launcher/launch.h"
#include "package/package_types.h"
#include "package/uninstall_handoff.h"
#include "platform/platform.h"

namespace {

// One Win32 handle owned for the scope; null and INVALID_HANDLE_VALUE both mean none.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE Raw() const { return handle_; }
  explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::wstring Wide(const std::string& gbk) {
  const std::u16string text = plat::GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

std::vector<std::string> OwnArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return arguments;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view argument(argv[i]);
    arguments.push_back(plat::Utf16ToGbk(std::u16string(argument.begin(), argument.end())));
  }
  LocalFree(argv);
  return arguments;
}

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  *reinterpret_cast<LPWSTR*>(found) = name;
  return FALSE;
}

// The first icon group of the program as the bytes of an .ico file: the group's directory
// with each entry's resource id replaced by the offset of its image, then the images.
Bytes OwnIconFile() {
  LPWSTR group = nullptr;
  EnumResourceNamesW(nullptr, RT_GROUP_ICON, TakeFirstName, LONG_PTR(&group));
  if (!group) return {};
  HRSRC found = FindResourceW(nullptr, group, RT_GROUP_ICON);
  const auto* directory = found ? static_cast<const uint8_t*>(LockResource(
                                      LoadResource(nullptr, found)))
                                : nullptr;
  const DWORD directorySize = found ? SizeofResource(nullptr, found) : 0;
  if (!directory || directorySize < 6) return {};
  const unsigned count = directory[4] | directory[5] << 8;
  if (directorySize < 6 + 14u * count) return {};

  Bytes head(reinterpret_cast<const char*>(directory), 6);
  Bytes images;
  const uint32_t firstImage = 6 + 16 * count;
  for (unsigned i = 0; i < count; ++i) {
    const uint8_t* entry = directory + 6 + 14 * i;
    const unsigned id = entry[12] | entry[13] << 8;
    HRSRC icon = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_ICON);
    const void* data = icon ? LockResource(LoadResource(nullptr, icon)) : nullptr;
    if (!data) return {};
    const DWORD size = SizeofResource(nullptr, icon);
    const uint32_t offset = firstImage + uint32_t(images.size());
    head.append(reinterpret_cast<const char*>(entry), 8);
    for (uint32_t value : {uint32_t(size), offset})
      for (int shift = 0; shift < 32; shift += 8) head.push_back(char(value >> shift));
    images.append(static_cast<const char*>(data), size);
  }
  return head + images;
}

// The wait of the hand-off: the engine's event says its removal is over and its result file
// holds the code; an engine that ends first gives its exit code.
bool StartAndWait(const std::string& engine, const std::string& parameters,
                  const std::string& engineFolder, ExitCode& outcome) {
  const std::wstring eventName =
      Wide(package::kResultEventPrefix + std::to_string(GetCurrentProcessId()));
  OwnedHandle done(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));

  const std::wstring file = Wide(engine);
  const std::wstring arguments = Wide(parameters);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = file.c_str();
  info.lpParameters = arguments.c_str();
  // Not the launcher's current folder, which is often the install folder: a folder that is a
  // process's current folder cannot be removed, and the engine must remove that one.
  const std::wstring folder = Wide(engineFolder);
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return false;
  OwnedHandle process(info.hProcess);
  if (!process) {
    outcome = kExitSuccess;  // started, but the shell gave no process to wait for
    return true;
  }

  HANDLE waitFor[2] = {process.Raw(), done.Raw()};
  const DWORD woken = WaitForMultipleObjects(done ? 2 : 1, waitFor, FALSE, INFINITE);
  if (woken == WAIT_OBJECT_0 + 1) {
    Bytes result;
    if (plat::ReadFileBytes(engineFolder + "\\" + package::kResultFileName, result) &&
        !result.empty()) {
      outcome = ExitCode(text::ToInt(result));
      return true;
    }
    // Signalled without a readable result: the process's own end tells.
    WaitForSingleObject(process.Raw(), INFINITE);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.Raw(), &code);
  outcome = ExitCode(code);
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // First of all, as in setup.exe: nothing beside the program or in the current folder loads.
  plat::win::RestrictLibrarySearch();

  LauncherRun run;
  run.ownPath = plat::ModulePath();
  run.arguments = OwnArguments();
  plat::LoadOwnResource(package::kLauncherNameResourceType, package::kLauncherNameResourceId,
                        run.nameResource);
  plat::LoadOwnResource("uninst_dat", 103, run.engineData);
  run.icon = OwnIconFile();
  run.tempFolder = plat::TempFolder();
  run.processId = GetCurrentProcessId();
  run.startAndWait = StartAndWait;
  return int(RunLauncher(run));
}
