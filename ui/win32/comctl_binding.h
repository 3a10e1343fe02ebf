// The common controls' functions, bound at run time from the system folder's comctl32.dll.
// comctl32.dll is not a KnownDLL: imported, a copy beside setup.exe would be loaded (and its
// DllMain run) before the program's first line. The window classes it registers are reached
// by name as before; only these entry points need the table.
#pragma once

#include "platform/win32/windows_api.h"

#include <commctrl.h>

struct ComctlApi {
  decltype(&::InitCommonControlsEx) InitCommonControlsEx = nullptr;
  decltype(&::SetWindowSubclass) SetWindowSubclass = nullptr;
  decltype(&::RemoveWindowSubclass) RemoveWindowSubclass = nullptr;
  decltype(&::DefSubclassProc) DefSubclassProc = nullptr;
};

// Bound on first use. Every entry is set: without the system's comctl32.dll (or one lacking an
// entry) the calls go to stand-ins that fail, and subclass messages go to DefWindowProcW.
const ComctlApi& Comctl();
