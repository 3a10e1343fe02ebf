#include "ui/win32/comctl_binding.h"

namespace {

BOOL WINAPI NoInit(const INITCOMMONCONTROLSEX*) { return FALSE; }
BOOL WINAPI NoSetSubclass(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) { return FALSE; }
BOOL WINAPI NoRemoveSubclass(HWND, SUBCLASSPROC, UINT_PTR) { return FALSE; }
LRESULT WINAPI PlainDefProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

template <typename F>
void Bind(HMODULE module, const char* name, F& slot, F fallback) {
  void* entry = module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
  slot = entry ? reinterpret_cast<F>(entry) : fallback;
}

}  // namespace

const ComctlApi& Comctl() {
  static const ComctlApi api = [] {
    ComctlApi a;
    const HMODULE module = plat::win::LoadSystemLibrary(L"comctl32.dll");
    Bind(module, "InitCommonControlsEx", a.InitCommonControlsEx, &NoInit);
    Bind(module, "SetWindowSubclass", a.SetWindowSubclass, &NoSetSubclass);
    Bind(module, "RemoveWindowSubclass", a.RemoveWindowSubclass, &NoRemoveSubclass);
    Bind(module, "DefSubclassProc", a.DefSubclassProc, &PlainDefProc);
    return a;
  }();
  return api;
}
