// For the Windows test programs that need real windows. Wine without an X display cannot
// create top-level windows; those tests then skip (run them under tests/e2e/lib/xvfb.sh).
#pragma once

#include "platform/win32/windows_api.h"

#include <commctrl.h>

#include <string>

#include "platform/platform.h"

namespace test_support {

inline bool CanCreateWindows() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

// A GBK text as the W APIs take it.
inline std::wstring Wide(const std::string& gbk) {
  const std::u16string u = plat::GbkToUtf16(gbk);
  return std::wstring(u.begin(), u.end());
}

// The text of row `index` of a report list, as the list gives it (owner-data lists ask their
// owner for it).
inline std::wstring ListItemText(HWND list, int index) {
  wchar_t buffer[512] = {};
  LVITEMW item{};
  item.pszText = buffer;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(index), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

}  // namespace test_support
