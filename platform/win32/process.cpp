// Starting programs (CreateProcessW, ShellExecuteExW) and ending the own process.
#include "platform/win32/win32_internal.h"

#include <algorithm>
#include <vector>

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

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsAbsoluteFolder(const std::wstring& folder) {
  return (folder.size() > 2 && folder[1] == L':' && folder[2] == L'\\') ||
         (folder.size() > 1 && folder[0] == L'\\' && folder[1] == L'\\');
}

// A command line's program given without a folder ("regedit", "notepad.exe"), looked up in
// the system folder, the Windows folder and the PATH's absolute folders. CreateProcess would
// look beside setup.exe and in the current folder first, both of them places a download can
// fill. Empty when the program names a folder (then it is used as written) or is found nowhere.
std::wstring FindBareProgram(const std::wstring& command, bool& bare) {
  size_t start = 0;
  while (start < command.size() && (command[start] == L' ' || command[start] == L'\t')) ++start;
  std::wstring program;
  if (start < command.size() && command[start] == L'"') {
    const size_t close = command.find(L'"', start + 1);
    program = command.substr(start + 1, close == std::wstring::npos ? std::wstring::npos
                                                                    : close - start - 1);
  } else {
    program = command.substr(start, command.find_first_of(L" \t", start) - start);
  }
  bare = !program.empty() && program.find_first_of(L"\\/:") == std::wstring::npos;
  if (!bare) return {};
  // As CreateProcess does: a name without an extension means the .exe.
  const size_t dot = program.rfind(L'.');
  if (dot == std::wstring::npos) program += L".exe";

  std::vector<std::wstring> folders;
  wchar_t buffer[MAX_PATH];
  UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
  if (n > 0 && n < MAX_PATH) folders.emplace_back(buffer, n);
  n = ::GetWindowsDirectoryW(buffer, MAX_PATH);
  if (n > 0 && n < MAX_PATH) folders.emplace_back(buffer, n);
  const DWORD pathSize = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (pathSize > 0) {
    std::wstring path(pathSize, L'\0');
    path.resize(::GetEnvironmentVariableW(L"PATH", path.data(), pathSize));
    for (size_t at = 0; at <= path.size();) {
      size_t end = path.find(L';', at);
      if (end == std::wstring::npos) end = path.size();
      std::wstring folder = path.substr(at, end - at);
      folder.erase(std::remove(folder.begin(), folder.end(), L'"'), folder.end());
      // "." and other relative entries mean the current folder: left out.
      if (IsAbsoluteFolder(folder)) folders.push_back(win::StripTrailingSeparators(folder));
      at = end + 1;
    }
  }
  for (const std::wstring& folder : folders) {
    const std::wstring candidate = folder + L"\\" + program;
    if (IsFile(candidate)) return candidate;
  }
  return {};
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
  bool bare = false;
  const std::wstring program = FindBareProgram(command, bare);
  if (bare && program.empty()) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), command.data(), nullptr,
                        nullptr, FALSE, 0, nullptr, folder.empty() ? nullptr : folder.c_str(),
                        &startup, &info))
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


bool SignalNamedEvent(const std::string& name) {
  UniqueHandle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, Wide(name).c_str()));
  return event.Valid() && ::SetEvent(event.Get());
}

bool WaitForProcessEnd(uint32_t processId, uint32_t milliseconds) {
  UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  // No such process (any more): nothing to wait for.
  if (!process.Valid()) return true;
  HANDLE handle = process.Get();
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= milliseconds) return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    const DWORD r =
        ::MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds - spent, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    PumpMessages();
  }
}

}  // namespace plat

namespace plat {
namespace {

// The 8.3 form of an existing path when it is plain ASCII: the command interpreter reads its
// script in the console's code page, which cannot be relied on to hold the product's name.
// Otherwise the path itself, when that code page can write it; empty when neither works.
std::string ScriptPath(const std::wstring& path) {
  wchar_t shortPath[MAX_PATH];
  const DWORD n = ::GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  std::wstring chosen = (n > 0 && n < MAX_PATH) ? std::wstring(shortPath, n) : path;
  const bool ascii = std::all_of(chosen.begin(), chosen.end(),
                                 [](wchar_t c) { return c > 0x1F && c < 0x7F && c != L'%'; });
  if (!ascii) chosen = path;
  BOOL lossy = FALSE;
  const int size = ::WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, chosen.c_str(),
                                         int(chosen.size()), nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string out(size_t(size), '\0');
  ::WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, chosen.c_str(), int(chosen.size()),
                        out.data(), size, nullptr, nullptr);
  if (out.find_first_of("%\"&|<>^") != std::string::npos) return {};
  return out;
}

}  // namespace

bool RemoveFolderAfterExit(const std::string& folder) {
  const std::wstring target = win::StripTrailingSeparators(Wide(folder));
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  const size_t slash = target.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash == 0) return false;
  const std::string targetInScript = ScriptPath(target);
  if (targetInScript.empty()) return false;

  wchar_t system[MAX_PATH];
  const UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
  if (systemLength == 0 || systemLength >= MAX_PATH) return false;
  const std::wstring systemFolder(system, systemLength);

  // Up to 60 tries a second apart: the process ends within moments, but a virus scanner or an
  // indexer may hold one of its files a little longer.
  const std::string script =
      "@echo off\r\nset n=0\r\n:again\r\nrd /s /q \"" + targetInScript +
      "\" 2>nul\r\nif not exist \"" + targetInScript +
      "\" goto done\r\nset /a n=n+1\r\nif %n% geq 60 goto done\r\n"
      "ping -n 2 127.0.0.1 >nul\r\ngoto again\r\n:done\r\ndel \"%~f0\"\r\n";
  // The digits widened by hand: std::to_wstring formats through the wide printf, which would
  // bring its whole floating-point formatter into every program of ours.
  const std::string pid = std::to_string(::GetCurrentProcessId());
  const std::wstring scriptFile = target.substr(0, slash) + L"\\~rm" +
                                  std::wstring(pid.begin(), pid.end()) + L".cmd";
  {
    win::UniqueHandle file(::CreateFileW(scriptFile.c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.Valid() ||
        !::WriteFile(file.Get(), script.data(), DWORD(script.size()), &written, nullptr) ||
        written != script.size())
      return false;
  }
  const std::string scriptInCommand = ScriptPath(scriptFile);
  if (scriptInCommand.empty()) {
    ::DeleteFileW(scriptFile.c_str());
    return false;
  }
  std::wstring command = L"\"" + systemFolder + L"\\cmd.exe\" /c " +
                         std::wstring(scriptInCommand.begin(), scriptInCommand.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  // The system folder as the current folder: the script's programs are found there first,
  // never in a folder a download could fill.
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, systemFolder.c_str(),
                        &startup, &info)) {
    ::DeleteFileW(scriptFile.c_str());
    return false;
  }
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}

}  // namespace plat
