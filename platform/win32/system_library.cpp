// System DLLs that Windows does not pin (everything outside KnownDLLs) are taken from the system
// folder by full path, and the process's DLL search is cut down to that folder before anything
// loads by name: a download folder full of files named like system DLLs must not get to run.
//
// Kept in the crypto library, the lowest one, because the CNG backend needs it as well.
#include "platform/win32/windows_api.h"

namespace plat::win {

namespace {

// Windows 8+ and Windows 7 with KB2533623 have these; older systems do not.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

bool HasSearchFlags() {
  static const bool has = [] {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel && ::GetProcAddress(kernel, "AddDllDirectory") != nullptr;
  }();
  return has;
}

}  // namespace

void RestrictLibrarySearch() {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                 ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                           : nullptr;
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Without the search flags the program's own folder stays in the search; the current
  // folder at least goes. The DLLs that matter are loaded by full path anyway.
  ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + ::lstrlenW(name) >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  ::lstrcpyW(path + length + 1, name);
  // The DLL's own imports then come from the system folder too.
  return ::LoadLibraryExW(path, nullptr,
                          HasSearchFlags() ? LOAD_LIBRARY_SEARCH_SYSTEM32
                                           : LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadLibraryByPath(const wchar_t* path) {
  // Imports of our own DLLs and of plug-ins resolve beside them and in the system folder, never
  // in the folder setup.exe was started from.
  return ::LoadLibraryExW(path, nullptr,
                          HasSearchFlags()
                              ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                              : LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace plat::win
