// Starting programs (CreateProcessW, ShellExecuteExW) and ending the own process.
#include "platform/win32/win32_internal.h"

namespace plat {

using win::UniqueHandle;
using win::Wide;

namespace {

// Waits (keeping the windows of this thread alive) and collects the exit code.
bool WaitForExit(HANDLE process, uint32_t* exitCode) {
  if (!win::WaitPumping(process)) return false;
  DWORD code = 0;
  if (!::GetExitCodeProcess(process, &code)) return false;
  if (exitCode) *exitCode = code;
  return true;
}

}  // namespace

bool StartProcess(const std::string& commandLine, const ProcessOptions& options,
                  uint32_t* exitCode) {
  // CreateProcessW may write into the command line, so it gets a private copy.
  std::wstring command = Wide(commandLine);
  std::wstring folder = Wide(options.workingDirectory);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  // Always an explicit show command: a program started by an installer that was itself
  // started minimised or hidden would otherwise inherit that state.
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = options.hidden ? SW_HIDE : SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
    return false;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  if (!options.wait) {
    // Lets a program that opens a window get that far before the caller goes on (and perhaps
    // ends its own process). Its result does not matter: a console program has no input queue
    // and ends the wait at once, a slow one is simply left running.
    if (options.waitIdleMs != 0) ::WaitForInputIdle(process.Get(), options.waitIdleMs);
    return true;
  }
  return WaitForExit(process.Get(), exitCode);
}

bool ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& directory, const ProcessOptions& options,
                  uint32_t* exitCode) {
  std::wstring wideVerb = Wide(verb);
  std::wstring wideFile = Wide(file);
  std::wstring wideParameters = Wide(parameters);
  std::wstring wideDirectory = Wide(directory);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  // NOASYNC: the runtime may end its process right after the call; the execution must have
  // been handed over by then.
  // FLAG_NO_UI: a file that cannot be opened must not leave a shell error dialog behind a
  // silent install; the caller sees the failure instead. INVOKEIDLIST is left out on purpose:
  // Wine then refuses to open a .bat at all (error 87), and plain verbs need no item list.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = wideVerb.empty() ? nullptr : wideVerb.c_str();
  info.lpFile = wideFile.c_str();
  info.lpParameters = wideParameters.empty() ? nullptr : wideParameters.c_str();
  info.lpDirectory = wideDirectory.empty() ? nullptr : wideDirectory.c_str();
  info.nShow = options.hidden ? SW_HIDE : SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return false;
  UniqueHandle process(info.hProcess);
  if (!options.wait) return true;
  // A document handed to an already running program (DDE) gives no process to wait for.
  if (!process.Valid()) {
    if (exitCode) *exitCode = 0;
    return true;
  }
  return WaitForExit(process.Get(), exitCode);
}


}  // namespace plat
