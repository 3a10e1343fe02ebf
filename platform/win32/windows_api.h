// <windows.h> (with the shell headers) for code that also calls platform.h: the Win32 files
// of this folder, the Win32 window code of wizard/ and uninstall/, and the Windows-only tests.
//
// With UNICODE defined, <windows.h> turns names like DeleteFile into macros for DeleteFileW.
// platform.h uses several of those names, so after <windows.h> every call and definition of
// plat::DeleteFile would silently become plat::DeleteFileW and fail to link. Include this
// header instead of <windows.h>; write the Win32 function with its W suffix when you mean it.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <aclapi.h>
#include <sddl.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef GetFileAttributes
#undef MessageBox
#undef MoveFile
#undef RegDeleteValue
#undef RemoveDirectory
#undef SetFileAttributes
#undef ShellExecute

namespace plat::win {

// The first call of setup.exe and uninst.exe: DLLs loaded by bare name come from the system
// folder only (where the system has the search flags), and never from the current folder.
void RestrictLibrarySearch();
// A system DLL by name ("bcrypt.dll") from the system folder by full path; null if missing.
HMODULE LoadSystemLibrary(const wchar_t* name);
// A DLL by absolute path; its own imports come from its folder and the system folder.
HMODULE LoadLibraryByPath(const wchar_t* path);

}  // namespace plat::win
