#include "wizard/win32/win32_unpack_window.h"

#include "platform/win32/windows_api.h"

#include <string>

namespace {

constexpr char kTimer[] = "时钟1_upacking";
constexpr char kTitlePrefix[] = "unpacking data: ";

// A popup without caption bar (popup, clip siblings, modal frame, 3-D look, set-font, centred)
// with a dialog frame, a window edge and keyboard navigation into its children.
constexpr uint32_t kStyle = 0x940008C4;
constexpr uint32_t kExStyle = 0x10101;

}  // namespace

Win32UnpackWindow::~Win32UnpackWindow() {
  form_.reset();
  if (icon_) DestroyIcon(reinterpret_cast<HICON>(icon_));
}

void Win32UnpackWindow::Build() {
  form_ = std::make_unique<Win32Form>(UnpackWindowDesc(), Win32FormStyle{kStyle, kExStyle});
  form_->SetBounds("", {GetSystemMetrics(SM_CXSCREEN) / 2 - 129,
                        GetSystemMetrics(SM_CYSCREEN) / 2 - 35, 257, 70});
  form_->SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs&) {
    if (event == FormEvent::kTimer && control == kTimer) Refresh();
    return true;
  });
  // The picture is the setup program's own file icon as the shell shows it.
  HWND picture = reinterpret_cast<HWND>(form_->Handle("图片框1"));
  if (!picture) return;
  if (!icon_) {
    wchar_t path[MAX_PATH] = {};
    SHFILEINFOW info{};
    if (GetModuleFileNameW(nullptr, path, MAX_PATH) &&
        SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_LARGEICON))
      icon_ = reinterpret_cast<intptr_t>(info.hIcon);
  }
  if (icon_) {
    SetWindowLongPtrW(picture, GWL_STYLE,
                      (GetWindowLongPtrW(picture, GWL_STYLE) & ~SS_TYPEMASK) | SS_ICON);
    SendMessageW(picture, STM_SETICON, static_cast<WPARAM>(icon_), 0);
  }
}

void Win32UnpackWindow::Render() {
  if (!IsOpen()) {
    form_.reset();  // closed for good: the window goes with its timer
    return;
  }
  if (!form_) Build();
  Win32Form& form = *form_;
  form.SetText("标签2", Label());
  // Open() clears the title; the window keeps its design caption until the first refresh.
  const std::string& title = Title();
  if (!title.empty()) {
    form.SetText("", title);
    // The hidden label holds the percentage the title shows.
    const std::string prefix = kTitlePrefix;
    if (title.size() > prefix.size() && title.compare(0, prefix.size(), prefix) == 0 &&
        title.back() == '%')
      form.SetText("标签1", title.substr(prefix.size(), title.size() - prefix.size() - 1));
  }
  if (form.TimerInterval(kTimer) != TimerInterval()) form.SetTimerInterval(kTimer, TimerInterval());
  if (form.Visible("") != Visible()) form.SetVisible("", Visible());
  // The copier pumps only between chunks: paint the new texts now.
  if (Visible() && form.Handle("")) UpdateWindow(reinterpret_cast<HWND>(form.Handle("")));
}
