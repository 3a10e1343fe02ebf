// Message boxes and the input box. The input box is built in code (no resource script), so the
// platform library carries no resources that the programs linking it would have to merge.
#include "platform/win32/win32_internal.h"

namespace plat {

using win::Wide;

int MessageBox(intptr_t owner, const std::string& text, const std::string& caption,
               uint32_t flags) {
  return ::MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text).c_str(), Wide(caption).c_str(),
                       flags);
}

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<intptr_t>*>(list)->push_back(reinterpret_cast<intptr_t>(child));
  return TRUE;
}

}  // namespace

std::vector<intptr_t> ChildWindows(intptr_t window) {
  std::vector<intptr_t> children;
  if (window != 0)
    ::EnumChildWindows(reinterpret_cast<HWND>(window), CollectChild,
                       reinterpret_cast<LPARAM>(&children));
  return children;
}

namespace {

// The browser starts nowhere in particular: the wizard gives no initial folder.
int CALLBACK BrowseCallback(HWND, UINT, LPARAM, LPARAM) { return 0; }

}  // namespace

std::string BrowseForFolder(intptr_t owner, const std::string& title) {
  // The new dialog style hosts shell views and needs OLE on this thread.
  const HRESULT ole = ::OleInitialize(nullptr);
  std::wstring wideTitle = Wide(title);
  BROWSEINFOW info{};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  std::string folder;
  if (PIDLIST_ABSOLUTE list = ::SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH + 1] = {};
    if (::SHGetPathFromIDListW(list, path)) folder = win::Narrow(path);
    ::CoTaskMemFree(list);
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return folder;
}

namespace {

constexpr wchar_t kInputBoxClass[] = L"PlatInputBox";
constexpr int kEditId = 100;

// Geometry in pixels: the prompt above a one-line edit box, the buttons at the bottom right.
constexpr int kClientWidth = 360;
constexpr int kClientHeight = 130;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

struct InputBoxState {
  bool done = false;
  bool accepted = false;
  std::wstring text;
};

LRESULT CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<InputBoxState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (!state) break;
      if (LOWORD(wParam) == IDOK) {
        HWND edit = ::GetDlgItem(window, kEditId);
        int length = ::GetWindowTextLengthW(edit);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        int got = ::GetWindowTextW(edit, text.data(), length + 1);
        text.resize(got > 0 ? got : 0);
        state->text = std::move(text);
        state->accepted = true;
        state->done = true;
        return 0;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        state->done = true;
        return 0;
      }
      break;
    case WM_CLOSE:
      // The close box means Cancel; the window is destroyed by InputBox, not here.
      if (state) state->done = true;
      return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterInputBoxClass(HINSTANCE instance) {
  WNDCLASSEXW cls = {};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = InputBoxProc;
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = kInputBoxClass;
  return ::RegisterClassExW(&cls) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND AddControl(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style,
                DWORD exStyle, int x, int y, int width, int height, int id) {
  HWND control = ::CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                                   width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
  if (control)
    ::SendMessageW(control, WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

}  // namespace

bool InputBox(const std::string& prompt, const std::string& caption, bool hidden,
              std::string& out) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!RegisterInputBoxClass(instance)) return false;

  // The box is modal to whatever window of this thread is active (the wizard, usually).
  HWND owner = ::GetActiveWindow();
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = WS_EX_DLGMODALFRAME;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND window = ::CreateWindowExW(exStyle, kInputBoxClass, Wide(caption).c_str(), style, x, y,
                                  width, height, owner, nullptr, instance, nullptr);
  if (!window) return false;
  InputBoxState state;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

  const int inner = kClientWidth - 2 * kMargin;
  AddControl(window, L"STATIC", Wide(prompt), SS_LEFT, 0, kMargin, kMargin, inner, 36, -1);
  HWND edit = AddControl(window, L"EDIT", Wide(out),
                         WS_TABSTOP | ES_AUTOHSCROLL | (hidden ? ES_PASSWORD : 0),
                         WS_EX_CLIENTEDGE, kMargin, kMargin + 42, inner, 24, kEditId);
  int buttonY = kClientHeight - kMargin - kButtonHeight;
  AddControl(window, L"BUTTON", L"确定", WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
             kClientWidth - 2 * (kMargin + kButtonWidth) + kMargin / 2, buttonY, kButtonWidth,
             kButtonHeight, IDOK);
  AddControl(window, L"BUTTON", L"取消", WS_TABSTOP | BS_PUSHBUTTON, 0,
             kClientWidth - kMargin - kButtonWidth, buttonY, kButtonWidth, kButtonHeight,
             IDCANCEL);

  if (owner) ::EnableWindow(owner, FALSE);
  ::ShowWindow(window, SW_SHOW);
  ::SetForegroundWindow(window);
  ::SetFocus(edit);
  ::SendMessageW(edit, EM_SETSEL, 0, -1);

  MSG msg;
  bool quit = false;
  int quitCode = 0;
  while (!state.done) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (got < 0) break;
    // Gives Tab, Enter (IDOK) and Escape (IDCANCEL) their dialog meaning.
    if (!::IsDialogMessageW(window, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  // The owner is enabled again before this box goes, so that activation returns to it.
  if (owner) ::EnableWindow(owner, TRUE);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
  if (owner) ::SetActiveWindow(owner);
  if (quit) ::PostQuitMessage(quitCode);

  if (!state.accepted) return false;
  out = win::Narrow(state.text);
  return true;
}

}  // namespace plat
