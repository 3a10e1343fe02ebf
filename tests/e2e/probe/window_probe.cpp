// Reads what the wizard shows, from outside its process, as an accessibility tool would: for
// the widest visible top-level window of the form's class, every visible descendant window with
// its class, place (client coordinates of the top-level window), font (WM_GETFONT) and text
// (WM_GETTEXT), one line each, UTF-8:
//   class <TAB> left,top,width,height <TAB> face <TAB> points <TAB> bold(0/1) <TAB> text
// Line breaks in a text are written as the two characters \n. The first line is the
// top-level window itself. Exit code 1 when no such window is shown.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return "";
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring TextOf(HWND hwnd) {
  // WM_GETTEXT crosses the process boundary (the system copies the text); GetWindowText of a
  // control in another process would not ask it.
  LRESULT length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(size_t(length) + 1, L'\0');
  LRESULT got = SendMessageW(hwnd, WM_GETTEXT, WPARAM(length + 1), LPARAM(text.data()));
  text.resize(size_t(got));
  return text;
}

void PrintWindow(HWND hwnd, HWND top) {
  wchar_t cls[128] = {};
  GetClassNameW(hwnd, cls, 128);
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
  std::string face;
  int points = 0, bold = 0;
  if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0))) {
    LOGFONTW lf{};
    if (GetObjectW(font, sizeof(lf), &lf)) {
      face = Utf8(lf.lfFaceName);
      HDC screen = GetDC(nullptr);
      const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
      ReleaseDC(nullptr, screen);
      const int height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
      points = MulDiv(height, 72, dpi);
      bold = lf.lfWeight >= FW_BOLD ? 1 : 0;
    }
  }
  std::string text;
  for (char c : Utf8(TextOf(hwnd))) {
    if (c == '\r') continue;
    if (c == '\n') text += "\\n";
    else text += c;
  }
  std::printf("%s\t%ld,%ld,%ld,%ld\t%s\t%d\t%d\t%s\n", Utf8(cls).c_str(), r.left, r.top,
              r.right - r.left, r.bottom - r.top, face.c_str(), points, bold, text.c_str());
}

struct Search {
  HWND best = nullptr;
  int width = 0;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<Search*>(lParam);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  RECT r{};
  GetWindowRect(hwnd, &r);
  if (IsWindowVisible(hwnd) && lstrcmpW(cls, L"InstallerForm") == 0 && r.right - r.left > s->width) {
    s->best = hwnd;
    s->width = r.right - r.left;
  }
  return TRUE;
}

BOOL CALLBACK Collect(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

}  // namespace

int main() {
  Search s;
  EnumWindows(FindTop, LPARAM(&s));
  if (!s.best) {
    std::fprintf(stderr, "window_probe: no wizard window shown\n");
    return 1;
  }
  PrintWindow(s.best, s.best);
  std::vector<HWND> children;
  EnumChildWindows(s.best, Collect, LPARAM(&children));
  for (HWND child : children)
    if (IsWindowVisible(child)) PrintWindow(child, s.best);
  return 0;
}
