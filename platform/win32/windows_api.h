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
