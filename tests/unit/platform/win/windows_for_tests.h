// <windows.h> for the Win32-only tests. Its A/W macros (DeleteFile -> DeleteFileW and so on)
// would rename the plat:: functions of the same names at every call, so they go.
#pragma once

#include <windows.h>

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
