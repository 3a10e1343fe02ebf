#include "ui/win32/win32_form.h"

#include "ui/clone_plan.h"

#include "platform/win32/windows_api.h"

#include "ui/win32/comctl_binding.h"
#include "ui/win32/taskbar_progress.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "platform/platform.h"
#include "ui/image_bytes.h"
#include "ui/picture_fit.h"

namespace {

using K = ControlKind;

constexpr wchar_t kFormClass[] = L"InstallerForm";
// Posted by the tree's subclass after a click or a key: the tick has settled by then, whatever
// order the tree control itself uses for its toggle and its notifications.
constexpr UINT kScanTreeTicks = WM_APP + 0x21;

static_assert(kFeedbackMessage == WM_APP + 0x100, "the feedback message is WM_APP based");
static_assert(kSystemColour == CLR_NONE, "kSystemColour doubles as the common controls' none");

constexpr wchar_t kStandardFace[] = L"SimSun";
constexpr int kStandardPoints = 9;
constexpr UINT_PTR kTreeSubclassId = 1;
constexpr UINT_PTR kLabelSubclassId = 2;

HWND H(intptr_t h) { return reinterpret_cast<HWND>(h); }
intptr_t I(HWND h) { return reinterpret_cast<intptr_t>(h); }

std::wstring Wide(const std::string& gbk) {
  const std::u16string u = plat::GbkToUtf16(gbk);
  return std::wstring(u.begin(), u.end());
}

std::string Gbk(const wchar_t* text, size_t size) {
  return plat::Utf16ToGbk(std::u16string(text, text + size));
}

std::string WindowText(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return {};
  std::wstring buffer(size_t(n) + 1, L'\0');
  n = GetWindowTextW(hwnd, buffer.data(), n + 1);
  return Gbk(buffer.data(), size_t(std::max(n, 0)));
}

bool IsHost(ControlKind kind) {
  return kind == K::kPanel || kind == K::kGroupBox || kind == K::kPageContainer;
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form) {
    bool handled = false;
    LRESULT result = form->OnMessage(I(hwnd), message, wParam, lParam, handled);
    if (handled) return result;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The tree's own procedure knows nothing of the form; this subclass reports the mouse over it
// and asks for a tick scan after every input that may have toggled a check box.
LRESULT CALLBACK TreeSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
  auto* form = reinterpret_cast<Win32Form*>(data);
  if (message == WM_MOUSEMOVE) {
    bool handled = false;
    form->OnMessage(I(hwnd), message, wParam, lParam, handled);
    if (!IsWindow(hwnd)) return 0;
  }
  LRESULT result = Comctl().DefSubclassProc(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      if (IsWindow(hwnd))
        PostMessageW(GetParent(hwnd), kScanTreeTicks, GetDlgCtrlID(hwnd), 0);
      break;
    default:
      break;
  }
  return result;
}

// A label is a system static: this subclass lets it answer the feedback message.
LRESULT CALLBACK LabelSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR data) {
  if (message == kFeedbackMessage) {
    bool handled = false;
    LRESULT result = reinterpret_cast<Win32Form*>(data)->OnMessage(I(hwnd), message, wParam,
                                                                   lParam, handled);
    if (handled) return result;
  }
  return Comctl().DefSubclassProc(hwnd, message, wParam, lParam);
}

// Move-only owners of the GDI objects and icons the form creates.
template <typename Raw, BOOL(WINAPI* Close)(Raw)>
class UniqueGdi {
 public:
  UniqueGdi() = default;
  explicit UniqueGdi(Raw raw) : raw_(raw) {}
  ~UniqueGdi() { Reset(); }
  UniqueGdi(UniqueGdi&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
  UniqueGdi& operator=(UniqueGdi&& other) noexcept {
    if (this != &other) {
      Reset();
      raw_ = std::exchange(other.raw_, nullptr);
    }
    return *this;
  }
  UniqueGdi(const UniqueGdi&) = delete;
  UniqueGdi& operator=(const UniqueGdi&) = delete;
  bool Valid() const { return raw_ != nullptr; }
  Raw Get() const { return raw_; }
  void Reset() {
    if (raw_) Close(raw_);
    raw_ = nullptr;
  }

 private:
  Raw raw_ = nullptr;
};

using UniqueGdiObject = UniqueGdi<HGDIOBJ, DeleteObject>;
using UniqueIcon = UniqueGdi<HICON, DestroyIcon>;

void RegisterFormClass() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                            ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  Comctl().InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = FormProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);
  done = true;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// DEFAULT_CHARSET: with GB2312_CHARSET Wine's font replacement picks the CJK face but loses its
// Latin glyphs.
HFONT MakeFont(const std::wstring& face, int points, bool bold, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(points, dpi, 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

// An icon at `size` pixels from one image of an .ico file; null when the image is damaged.
HICON IconFromFile(BytesView file, const std::vector<IconImage>& images, int size) {
  int pick = PickIconImage(images, size);
  if (pick < 0) return nullptr;
  const IconImage& image = images[size_t(pick)];
  auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(file.data() + image.offset));
  return CreateIconFromResourceEx(bits, image.size, TRUE, 0x00030000, size, size,
                                  LR_DEFAULTCOLOR);
}

// The first column of a report list fills the client width, leaving room for the vertical
// scroll bar so that long lists do not grow a horizontal one as well.
void FitListColumn(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  int width = client.right - client.left;
  if (!(GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL)) width -= GetSystemMetrics(SM_CXVSCROLL);
  width = std::max(width, 16);
  // Setting the width repaints the whole list; with every frame of rows it would cost a
  // repaint each time the width stays.
  if (SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) != width)
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, width);
}

int TreeItemCheck(HWND tree, HTREEITEM item) {
  UINT state = UINT(SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                 TVIS_STATEIMAGEMASK));
  return (state >> 12) == 2 ? 1 : 0;
}

void SetTreeItemCheck(HWND tree, HTREEITEM item, bool checked) {
  TVITEMW tv{};
  tv.mask = TVIF_STATE | TVIF_HANDLE;
  tv.hItem = item;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  tv.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

}  // namespace

struct Win32Form::GdiResources {
  // Keyed by face (after "" became the standard face), points and weight.
  std::map<std::tuple<std::wstring, int, bool>, UniqueGdiObject> fonts;
  std::map<Rgb, UniqueGdiObject> brushes;
  UniqueIcon bigIcon;
  UniqueIcon smallIcon;
  int dpi = 96;

  // The font for `wanted`, made on first use; null when GDI refuses it.
  HFONT Font(const FontSpec& wanted) {
    std::wstring face = wanted.face.empty() ? std::wstring(kStandardFace) : Wide(wanted.face);
    int points = wanted.points < 1 ? kStandardPoints : wanted.points;
    auto key = std::make_tuple(face, points, wanted.bold);
    auto it = fonts.find(key);
    if (it == fonts.end()) {
      HFONT made = MakeFont(face, points, wanted.bold, dpi);
      if (!made) return nullptr;
      it = fonts.emplace(key, UniqueGdiObject(made)).first;
    }
    return static_cast<HFONT>(it->second.Get());
  }

  HBRUSH Brush(Rgb colour) {
    auto it = brushes.find(colour);
    if (it == brushes.end()) {
      HBRUSH made = CreateSolidBrush(colour);
      if (!made) return GetSysColorBrush(COLOR_BTNFACE);
      it = brushes.emplace(colour, UniqueGdiObject(made)).first;
    }
    return static_cast<HBRUSH>(it->second.Get());
  }
};

Win32Form::Win32Form(const WindowDesc& desc, const Win32FormStyle& style)
    : style_(style), gdi_(std::make_unique<GdiResources>()) {
  windowText_ = desc.caption;
  windowBounds_ = {0, 0, desc.width, desc.height};
  for (const ControlDesc& c : desc.controls) {
    AddFromDesc(c);
    if (c.kind == K::kPageContainer && pageContainer_.empty()) pageContainer_ = c.name;
    pageCount_ = std::max(pageCount_, c.page + 1);
  }
  if (pageContainer_.empty()) pageCount_ = 0;

  RegisterFormClass();
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  windowBounds_.left = work.left + (work.right - work.left - desc.width) / 2;
  windowBounds_.top = work.top + (work.bottom - work.top - desc.height) / 2;
  HWND window = CreateWindowExW(style_.exStyle, kFormClass, Wide(windowText_).c_str(),
                                style_.style & ~WS_VISIBLE, windowBounds_.left,
                                windowBounds_.top, desc.width, desc.height, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this);
  if (!window) return;
  window_ = I(window);
  gdi_->dpi = ScreenDpi();
  HFONT font = gdi_->Font(FontSpec{});
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));  // not ours to delete
  font_ = reinterpret_cast<intptr_t>(font);

  for (const std::string& name : order_) CreateControlWindow(*controls_[name]);
  LowerHosts(window_);
  for (const std::string& name : order_)
    if (IsHost(controls_[name]->kind) && controls_[name]->hwnd) LowerHosts(controls_[name]->hwnd);
  for (const std::string& name : order_) ApplyVisibility(*controls_[name]);
  ready_ = true;
}

Win32Form::~Win32Form() {
  if (window_) {
    // The windows must not call back into a form that is going away.
    SetWindowLongPtrW(H(window_), GWLP_USERDATA, 0);
    for (auto& [name, control] : controls_) {
      if (!control->hwnd) continue;
      if (IsHost(control->kind)) SetWindowLongPtrW(H(control->hwnd), GWLP_USERDATA, 0);
      if (control->kind == K::kTree)
        Comctl().RemoveWindowSubclass(H(control->hwnd), TreeSubclass, kTreeSubclassId);
      if (control->kind == K::kLabel)
        Comctl().RemoveWindowSubclass(H(control->hwnd), LabelSubclass, kLabelSubclassId);
    }
    DestroyWindow(H(window_));
  }
  // gdi_ goes after this body: the fonts, brushes and icons outlive the windows that used them.
}

Win32Form::Control* Win32Form::Find(const std::string& name) {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.get();
}

const Win32Form::Control* Win32Form::Find(const std::string& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.get();
}

Win32Form::Control* Win32Form::FindById(int id) {
  for (auto& [name, control] : controls_)
    if (control->id == id) return control.get();
  return nullptr;
}

Win32Form::Control* Win32Form::FindByHandle(intptr_t hwnd) {
  if (!hwnd) return nullptr;
  for (auto& [name, control] : controls_)
    if (control->hwnd == hwnd) return control.get();
  return nullptr;
}

std::string Win32Form::NameOf(intptr_t handle) const {
  for (const auto& [name, control] : controls_)
    if (handle && control->hwnd == handle) return name;
  return {};
}

bool Win32Form::CreateControlWindow(Control& c) {
  if (!window_ || c.kind == K::kTimer) return false;
  HWND parent = H(window_);
  if (const Control* p = Find(c.parent); p && p->hwnd) parent = H(p->hwnd);
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex = 0;
  switch (c.kind) {
    case K::kPageContainer:
    case K::kPanel:
    case K::kGroupBox:
      cls = kFormClass;
      style |= WS_CLIPCHILDREN;
      ex = WS_EX_CONTROLPARENT;
      break;
    case K::kButton:
      cls = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case K::kCheckBox:
      cls = L"BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case K::kLabel:
      // Status lines show paths and file names: an "&" in them is text, not a mnemonic.
      style |= SS_LEFT | SS_NOPREFIX;
      break;
    case K::kEdit:
      cls = L"EDIT";
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      break;
    case K::kMultiEdit:
      cls = L"EDIT";
      style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      break;
    case K::kTree:
      cls = WC_TREEVIEWW;
      style |= TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      break;
    case K::kList:
      cls = WC_LISTVIEWW;
      // Owner data: the rows live in the form and the list asks for the few it draws, so a row
      // costs a string in memory rather than an item the list keeps and repaints.
      style |= LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA |
               WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      break;
    case K::kProgress:
      cls = PROGRESS_CLASSW;
      break;
    case K::kPicture:
      style |= SS_OWNERDRAW;  // painted by the form from its own bitmap (WM_DRAWITEM)
      break;
    case K::kTimer:
      break;
  }
  HWND hwnd = CreateWindowExW(ex, cls, Wide(c.text).c_str(), style, c.bounds.left, c.bounds.top,
                              c.bounds.width, c.bounds.height, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(c.id)),
                              GetModuleHandleW(nullptr), IsHost(c.kind) ? this : nullptr);
  if (!hwnd) return false;
  c.hwnd = I(hwnd);
  ApplyFont(c);
  switch (c.kind) {
    case K::kEdit:
    case K::kMultiEdit:
      SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);  // licence texts pass the 32K default
      SetWindowTextW(hwnd, Wide(c.text).c_str());
      break;
    case K::kTree:
      // The check boxes are switched on after creation and before any item exists: set at
      // creation, the tree may show its first items unticked whatever their state.
      SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | TVS_CHECKBOXES);
      Comctl().SetWindowSubclass(hwnd, TreeSubclass, kTreeSubclassId,
                                 reinterpret_cast<DWORD_PTR>(this));
      break;
    case K::kLabel:
      Comctl().SetWindowSubclass(hwnd, LabelSubclass, kLabelSubclassId,
                                 reinterpret_cast<DWORD_PTR>(this));
      break;
    case K::kList: {
      SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                   LVS_EX_FULLROWSELECT);
      LVCOLUMNW column{};
      column.mask = LVCF_WIDTH;
      column.cx = c.bounds.width;
      SendMessageW(hwnd, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
      FitListColumn(hwnd);
      break;
    }
    case K::kProgress:
      SendMessageW(hwnd, PBM_SETRANGE32, 0, 100);
      SendMessageW(hwnd, PBM_SETPOS, c.progress, 0);
      break;
    case K::kCheckBox:
      SendMessageW(hwnd, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    default:
      break;
  }
  if (!c.enabled) EnableWindow(hwnd, FALSE);
  if (c.textColour != kSystemColour || c.backColour != kSystemColour) ApplyColours(c);
  SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

void Win32Form::ApplyFont(Control& c) {
  if (!c.hwnd) return;
  HFONT font = gdi_->Font(c.font);
  c.hfont = font ? reinterpret_cast<intptr_t>(font) : font_;
  SendMessageW(H(c.hwnd), WM_SETFONT, static_cast<WPARAM>(c.hfont), TRUE);
  if (c.kind == K::kGroupBox) InvalidateRect(H(c.hwnd), nullptr, TRUE);
}

void Win32Form::ApplyColours(const Control& c) {
  if (!c.hwnd) return;
  HWND hwnd = H(c.hwnd);
  switch (c.kind) {
    case K::kTree:
      // -1 is the tree's own "system colour".
      SendMessageW(hwnd, TVM_SETTEXTCOLOR, 0, LPARAM(c.textColour == kSystemColour
                                                         ? CLR_DEFAULT
                                                         : c.textColour));
      SendMessageW(hwnd, TVM_SETBKCOLOR, 0,
                   LPARAM(c.backColour == kSystemColour ? CLR_DEFAULT : c.backColour));
      break;
    case K::kList: {
      Rgb text = c.textColour == kSystemColour ? GetSysColor(COLOR_WINDOWTEXT) : c.textColour;
      Rgb back = c.backColour == kSystemColour ? GetSysColor(COLOR_WINDOW) : c.backColour;
      SendMessageW(hwnd, LVM_SETTEXTCOLOR, 0, LPARAM(text));
      SendMessageW(hwnd, LVM_SETTEXTBKCOLOR, 0, LPARAM(back));
      SendMessageW(hwnd, LVM_SETBKCOLOR, 0, LPARAM(back));
      break;
    }
    case K::kProgress:
      SendMessageW(hwnd, PBM_SETBARCOLOR, 0,
                   LPARAM(c.textColour == kSystemColour ? CLR_DEFAULT : c.textColour));
      SendMessageW(hwnd, PBM_SETBKCOLOR, 0,
                   LPARAM(c.backColour == kSystemColour ? CLR_DEFAULT : c.backColour));
      break;
    default:
      break;
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Win32Form::LowerHosts(intptr_t parent) {
  for (const std::string& name : order_) {
    const Control& c = *controls_[name];
    if (c.hwnd && IsHost(c.kind) && I(GetParent(H(c.hwnd))) == parent)
      SetWindowPos(H(c.hwnd), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

bool Win32Form::OnScreen(const Control& c) const {
  return c.visible && (c.page < 0 || c.page == currentPage_);
}

void Win32Form::ApplyVisibility(const Control& c) {
  if (c.hwnd) ShowWindow(H(c.hwnd), OnScreen(c) ? SW_SHOWNA : SW_HIDE);
}

bool Win32Form::Fire(const std::string& control, FormEvent event, const FormEventArgs& args,
                     intptr_t* result) {
  if (result) *result = event == FormEvent::kMayClose ? 1 : 0;
  if (!ready_ || !handler_) return true;
  std::weak_ptr<int> alive = life_;
  FormEventHandler handler = handler_;  // the call may replace handler_
  intptr_t answer = handler(control, event, args);
  if (alive.expired()) return false;
  if (result) *result = answer;
  return true;
}

bool Win32Form::Has(const std::string& control) const {
  return control.empty() || Find(control) != nullptr;
}

void Win32Form::SetText(const std::string& control, const std::string& text) {
  if (control.empty()) {
    windowText_ = text;
    if (window_) SetWindowTextW(H(window_), Wide(text).c_str());
    return;
  }
  Control* c = Find(control);
  if (!c) return;
  c->text = text;
  c->textPending = false;
  if (c->hwnd) {
    SetWindowTextW(H(c->hwnd), Wide(text).c_str());
    // A group box draws its caption itself.
    if (c->kind == K::kGroupBox) InvalidateRect(H(c->hwnd), nullptr, TRUE);
  }
}

void Win32Form::SetTextPerFrame(const std::string& control, const std::string& text) {
  Control* c = control.empty() ? nullptr : Find(control);
  if (!c || !c->hwnd || c->kind != K::kLabel) {
    SetText(control, text);
    return;
  }
  c->text = text;
  c->textPending = true;
  FrameChanged();
}

std::string Win32Form::Text(const std::string& control) const {
  if (control.empty()) return window_ ? WindowText(H(window_)) : windowText_;
  const Control* c = Find(control);
  if (!c) return {};
  return c->hwnd && !c->textPending ? WindowText(H(c->hwnd)) : c->text;
}

void Win32Form::SetVisible(const std::string& control, bool visible) {
  if (control.empty()) {
    windowVisible_ = visible;
    if (window_) ShowWindow(H(window_), visible ? SW_SHOW : SW_HIDE);
    if (visible) ShowFrame();  // what changed while it was hidden
    return;
  }
  if (Control* c = Find(control)) {
    c->visible = visible;
    ApplyVisibility(*c);
  }
}

bool Win32Form::Visible(const std::string& control) const {
  if (control.empty()) return windowVisible_;
  const Control* c = Find(control);
  return c && c->visible;
}

void Win32Form::SetEnabled(const std::string& control, bool enabled) {
  intptr_t hwnd = 0;
  if (control.empty()) {
    windowEnabled_ = enabled;
    hwnd = window_;
  } else if (Control* c = Find(control)) {
    c->enabled = enabled;
    hwnd = c->hwnd;
  }
  if (hwnd) EnableWindow(H(hwnd), enabled ? TRUE : FALSE);
}

bool Win32Form::Enabled(const std::string& control) const {
  if (control.empty()) return window_ ? IsWindowEnabled(H(window_)) != FALSE : windowEnabled_;
  const Control* c = Find(control);
  if (!c) return false;
  return c->hwnd ? IsWindowEnabled(H(c->hwnd)) != FALSE : c->enabled;
}

void Win32Form::SetChecked(const std::string& control, bool checked) {
  Control* c = Find(control);
  if (!c) return;
  c->checked = checked;
  if (c->hwnd) SendMessageW(H(c->hwnd), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Form::Checked(const std::string& control) const {
  const Control* c = Find(control);
  if (!c) return false;
  if (c->hwnd && c->kind == K::kCheckBox)
    return SendMessageW(H(c->hwnd), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return c->checked;
}

void Win32Form::SetBounds(const std::string& control, const Bounds& b) {
  intptr_t hwnd = 0;
  if (control.empty()) {
    windowBounds_ = b;
    hwnd = window_;
  } else if (Control* c = Find(control)) {
    c->bounds = b;
    hwnd = c->hwnd;
  }
  if (!hwnd) return;
  SetWindowPos(H(hwnd), nullptr, b.left, b.top, b.width, b.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  const Control* c = control.empty() ? nullptr : Find(control);
  if (c && c->kind == K::kList) FitListColumn(H(hwnd));
  if (c && c->kind == K::kGroupBox) InvalidateRect(H(hwnd), nullptr, TRUE);
}

Bounds Win32Form::GetBounds(const std::string& control) const {
  const Control* c = control.empty() ? nullptr : Find(control);
  if (!control.empty() && !c) return {};
  intptr_t hwnd = c ? c->hwnd : window_;
  if (!hwnd) return c ? c->bounds : windowBounds_;
  RECT r{};
  GetWindowRect(H(hwnd), &r);
  if (c) MapWindowPoints(nullptr, GetParent(H(hwnd)), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32Form::SetDefaultButton(const std::string& control) {
  if (const Control* old = Find(defaultButton_); old && old->hwnd && old->kind == K::kButton)
    SendMessageW(H(old->hwnd), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  defaultButton_ = control;
  if (const Control* now = Find(control); now && now->hwnd && now->kind == K::kButton)
    SendMessageW(H(now->hwnd), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void Win32Form::SetCurrentPage(int page) {
  if (page < 0 || page >= pageCount_) return;
  currentPage_ = page;
  // Show the new body before hiding the old one, so the container never flashes empty.
  for (const std::string& name : order_)
    if (controls_[name]->page == page) ApplyVisibility(*controls_[name]);
  for (const std::string& name : order_)
    if (controls_[name]->page >= 0 && controls_[name]->page != page)
      ApplyVisibility(*controls_[name]);
  Fire(pageContainer_, FormEvent::kPageChanged, {page, 0});
}

int Win32Form::CurrentPage() const { return currentPage_; }

int Win32Form::SetProgress(const std::string& control, int position) {
  Control* c = Find(control);
  if (!c) return 0;
  c->progress = std::clamp(position, 0, 100);
  c->progressPending = false;
  if (c->hwnd && c->kind == K::kProgress) {
    SendMessageW(H(c->hwnd), PBM_SETPOS, c->progress, 0);
    c->progress = int(SendMessageW(H(c->hwnd), PBM_GETPOS, 0, 0));
  }
  return c->progress;
}

int Win32Form::SetProgressPerFrame(const std::string& control, int position) {
  Control* c = Find(control);
  if (!c || !c->hwnd || c->kind != K::kProgress) return SetProgress(control, position);
  position = std::clamp(position, 0, 100);
  if (position == c->progress) return position;  // nothing to show: no frame for it
  c->progress = position;
  c->progressPending = true;
  FrameChanged();
  return position;
}

int Win32Form::Progress(const std::string& control) const {
  const Control* c = Find(control);
  if (!c) return 0;
  if (c->hwnd && c->kind == K::kProgress && !c->progressPending)
    return int(SendMessageW(H(c->hwnd), PBM_GETPOS, 0, 0));
  return c->progress;
}

void Win32Form::AddListRow(const std::string& control, const std::string& text) {
  Control* c = Find(control);
  if (!c) return;
  c->rows.push_back(text);
  if (!c->hwnd || c->kind != K::kList) return;
  c->rowsPending = true;
  FrameChanged();
}

std::vector<std::string> Win32Form::ListRows(const std::string& control) const {
  const Control* c = Find(control);
  return c ? c->rows : std::vector<std::string>{};
}

void Win32Form::FrameChanged() {
  framePending_ = true;
  // A hidden window (the background install's) shows nothing, and a frame for it would still
  // cost the round trips: its changes wait until it is shown.
  if (!windowVisible_) return;
  const uint32_t elapsed = GetTickCount() - frameShownAt_;
  if (elapsed >= frameGap_) {
    ShowFrame();
    return;
  }
  // Too soon after the last frame: the next pump or the frame timer shows it, whichever
  // comes first, so the last change is on screen even when no more follow.
  if (!frameTimer_ && window_) {
    SetTimer(H(window_), kFrameTimerId, frameGap_ - elapsed, nullptr);
    frameTimer_ = true;
  }
}

void Win32Form::ShowFrame() {
  if (frameTimer_) {
    if (window_) KillTimer(H(window_), kFrameTimerId);
    frameTimer_ = false;
  }
  if (!framePending_) return;
  framePending_ = false;
  const uint32_t start = GetTickCount();
  for (auto& [name, c] : controls_) {
    if (!c->hwnd) {
      c->textPending = c->rowsPending = c->progressPending = false;
      continue;
    }
    if (!c->textPending && !c->rowsPending && !c->progressPending) continue;
    HWND hwnd = H(c->hwnd);
    if (c->kind == K::kList) {
      ShowListRows(*c);
      c->rowsPending = false;
      continue;
    }
    // Under Wine a label's text and a bar's position each repaint the control at once; with
    // redrawing off they only change its state, and one paint from the queue shows the
    // result. Only for a control on screen: turning redrawing on again makes a window visible.
    const bool shown = IsWindowVisible(hwnd) != FALSE;
    if (shown) SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    if (c->textPending) SetWindowTextW(hwnd, Wide(c->text).c_str());
    if (c->progressPending) SendMessageW(hwnd, PBM_SETPOS, c->progress, 0);
    if (shown) SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    c->textPending = c->progressPending = false;
    if (shown) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
  // Under Wine a frame of the installing page (the list's count, scroll bar and selection)
  // costs several milliseconds; where frames cost that much they come less often, so that
  // showing the work never takes more than a small share of it.
  frameShownAt_ = GetTickCount();
  frameGap_ = std::max(kFrameMilliseconds, kFrameCostShare * (frameShownAt_ - start));
}

void Win32Form::ShowListRows(Control& c) {
  HWND hwnd = H(c.hwnd);
  const int count = int(c.rows.size());
  // Redrawing stays on: with it off, Wine's list neither scrolls nor keeps its scroll bar,
  // and turning it on again repaints the whole list, which the scroll then paints once more.
  // This way the count paints only the new rows that fall in view, and selecting the last
  // row scrolls to it (the scroll paints what it uncovers): one paint of the list a frame.
  SendMessageW(hwnd, LVM_SETITEMCOUNT, WPARAM(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  if (count == 0) return;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(hwnd, LVM_SETITEMSTATE, WPARAM(count - 1), reinterpret_cast<LPARAM>(&state));
  FitListColumn(hwnd);  // the first rows past the height bring the scroll bar
  // Where the focus does not scroll the list, this does; where it did, it costs nothing.
  SendMessageW(hwnd, LVM_ENSUREVISIBLE, WPARAM(count - 1), FALSE);
}

void Win32Form::ShowTree(const std::string& control, const TreeModel& tree) {
  Control* c = Find(control);
  if (!c) return;
  c->rows.clear();
  c->treeChecks.clear();
  c->treeItems.clear();
  for (const TreeNode& node : tree.nodes) {
    c->rows.push_back(node.text);
    c->treeChecks.push_back(node.checked);
  }
  if (!c->hwnd || c->kind != K::kTree) return;
  HWND hwnd = H(c->hwnd);
  ++quietTree_;
  SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
  SendMessageW(hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    const TreeNode& item = tree.nodes[i];
    std::wstring text = Wide(item.text);
    TVINSERTSTRUCTW insert{};
    // A parent must come earlier in the list; anything else is shown at the top level.
    insert.hParent = item.parent >= 0 && size_t(item.parent) < i
                         ? reinterpret_cast<HTREEITEM>(c->treeItems[item.parent])
                         : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.lParam = LPARAM(i);
    auto handle = reinterpret_cast<HTREEITEM>(
        SendMessageW(hwnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    c->treeItems.push_back(reinterpret_cast<intptr_t>(handle));
    if (handle) SetTreeItemCheck(hwnd, handle, item.checked);
  }
  for (size_t i = 0; i < tree.nodes.size(); ++i)
    if (tree.nodes[i].expanded && c->treeItems[i])
      SendMessageW(hwnd, TVM_EXPAND, TVE_EXPAND, c->treeItems[i]);
  if (tree.selected >= 0 && size_t(tree.selected) < c->treeItems.size())
    SendMessageW(hwnd, TVM_SELECTITEM, TVGN_CARET, c->treeItems[tree.selected]);
  SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd, nullptr, TRUE);
  --quietTree_;
}

void Win32Form::SetTreeCheck(const std::string& control, int index, bool checked) {
  Control* c = Find(control);
  if (!c || index < 0 || size_t(index) >= c->treeChecks.size()) return;
  c->treeChecks[index] = checked;
  if (c->hwnd && size_t(index) < c->treeItems.size() && c->treeItems[index]) {
    ++quietTree_;
    SetTreeItemCheck(H(c->hwnd), reinterpret_cast<HTREEITEM>(c->treeItems[index]), checked);
    --quietTree_;
  }
}

bool Win32Form::TreeCheck(const std::string& control, int index) const {
  const Control* c = Find(control);
  if (!c || index < 0 || size_t(index) >= c->treeChecks.size()) return false;
  if (c->hwnd && size_t(index) < c->treeItems.size() && c->treeItems[index])
    return TreeItemCheck(H(c->hwnd), reinterpret_cast<HTREEITEM>(c->treeItems[index])) == 1;
  return c->treeChecks[index];
}

void Win32Form::ScanTreeTicks(const std::string& control) {
  for (size_t i = 0;; ++i) {
    // Looked up afresh each round: a handler may have rebuilt the tree.
    Control* c = Find(control);
    if (!c || !c->hwnd || i >= c->treeItems.size() || i >= c->treeChecks.size()) return;
    if (!c->treeItems[i]) continue;
    bool now = TreeItemCheck(H(c->hwnd), reinterpret_cast<HTREEITEM>(c->treeItems[i])) == 1;
    if (now == c->treeChecks[i]) continue;
    c->treeChecks[i] = now;
    if (!Fire(control, FormEvent::kTickChanged, {int(i), now ? 1 : 0})) return;
  }
}

Win32Form::Control& Win32Form::AddCopy(const Control& t, const std::string& name,
                                       const std::string& parent, int page) {
  auto clone = std::make_unique<Control>();
  clone->name = name;
  clone->kind = t.kind;
  clone->parent = parent;
  clone->id = nextId_++;
  clone->page = page;
  clone->visible = t.visible;
  clone->enabled = t.enabled;
  clone->text = Text(t.name);
  clone->bounds = GetBounds(t.name);
  clone->font = t.font;
  clone->textColour = t.textColour;
  clone->backColour = t.backColour;
  clone->pictureBytes = t.pictureBytes;
  clone->fit = t.fit;
  if (t.picture.Valid()) clone->picture = GdiPicture::Decode(t.pictureBytes);
  clone->tag = t.tag;
  Control& c = *clone;
  controls_[name] = std::move(clone);
  order_.push_back(name);
  return c;
}

Win32Form::Control& Win32Form::AddFromDesc(const ControlDesc& d) {
  auto control = std::make_unique<Control>();
  control->name = d.name;
  control->kind = d.kind;
  control->parent = d.parent;
  control->id = nextId_++;
  control->page = d.page;
  control->visible = d.visible;
  control->text = d.caption;
  control->bounds = {d.left, d.top, d.width, d.height};
  Control& c = *control;
  controls_[d.name] = std::move(control);
  order_.push_back(d.name);
  return c;
}

void Win32Form::Realize(Control& c) {
  if (!CreateControlWindow(c)) return;
  const Control* parent = Find(c.parent);
  LowerHosts(parent && parent->hwnd ? parent->hwnd : window_);
  ApplyVisibility(c);
}

bool Win32Form::Inside(const std::string& control, const std::string& ancestor) const {
  for (const Control* c = Find(control); c; c = Find(c->parent))
    if (c->name == ancestor) return true;
  return false;
}

bool Win32Form::CanHold(const std::string& parent) const {
  if (parent.empty()) return true;
  const Control* p = Find(parent);
  return p && IsHost(p->kind);
}

bool Win32Form::CloneControl(const std::string& templateControl, const std::string& name) {
  const Control* t = templateControl.empty() ? nullptr : Find(templateControl);
  if (!t || name.empty() || Has(name)) return false;
  Realize(AddCopy(*t, name, t->parent, t->page));
  return true;
}

bool Win32Form::CloneControlInto(const std::string& templateControl, const std::string& name,
                                 const CloneTarget& target) {
  const Control* t = templateControl.empty() ? nullptr : Find(templateControl);
  if (!t || name.empty() || Has(name) || !CanHold(target.parent)) return false;
  if (Inside(target.parent, templateControl)) return false;
  if (target.page >= 0 && (target.page >= pageCount_ || target.parent != pageContainer_))
    return false;
  const auto copies = PlanSubtreeCopy(
      order_, templateControl, name, target,
      [this](const std::string& c, const std::string& a) { return Inside(c, a); },
      [this](const std::string& n) { return Has(n); });
  if (copies.empty()) return false;
  for (const auto& [from, to] : copies) {
    const Control& model = *controls_[from];
    std::string parent = target.parent;
    int page = target.page;
    if (from != templateControl) {
      page = -1;
      for (const auto& [oldName, newName] : copies)
        if (oldName == model.parent) parent = newName;
    }
    Control& copy = AddCopy(model, to, parent, page);
    // The bounds read from the template are relative to its own parent, which is the point.
    Realize(copy);
  }
  return true;
}

bool Win32Form::AddControl(const ControlDesc& d) {
  if (d.name.empty() || Has(d.name) || !CanHold(d.parent)) return false;
  if (d.page >= 0 && (d.page >= pageCount_ || d.parent != pageContainer_)) return false;
  Realize(AddFromDesc(d));
  return true;
}

int Win32Form::AddPage() {
  if (pageContainer_.empty()) return -1;
  return pageCount_++;
}

int Win32Form::PageCount() const { return pageCount_; }

void Win32Form::SetFont(const std::string& control, const FontSpec& font) {
  Control* c = control.empty() ? nullptr : Find(control);
  if (!c) return;
  c->font = font;
  ApplyFont(*c);
}

FontSpec Win32Form::Font(const std::string& control) const {
  const Control* c = control.empty() ? nullptr : Find(control);
  return c ? c->font : FontSpec{};
}

void Win32Form::SetTextColour(const std::string& control, Rgb colour) {
  if (control.empty()) {
    windowTextColour_ = colour;
    if (window_) InvalidateRect(H(window_), nullptr, TRUE);
  } else if (Control* c = Find(control)) {
    c->textColour = colour;
    ApplyColours(*c);
  }
}

void Win32Form::SetBackColour(const std::string& control, Rgb colour) {
  if (control.empty()) {
    windowBackColour_ = colour;
    if (window_) InvalidateRect(H(window_), nullptr, TRUE);
  } else if (Control* c = Find(control)) {
    c->backColour = colour;
    ApplyColours(*c);
  }
}

Rgb Win32Form::TextColour(const std::string& control) const {
  if (control.empty()) return windowTextColour_;
  const Control* c = Find(control);
  return c ? c->textColour : kSystemColour;
}

Rgb Win32Form::BackColour(const std::string& control) const {
  if (control.empty()) return windowBackColour_;
  const Control* c = Find(control);
  return c ? c->backColour : kSystemColour;
}

Rgb Win32Form::ButtonFaceColour() const { return GetSysColor(COLOR_BTNFACE); }

bool Win32Form::SetPicture(const std::string& control, BytesView bytes) {
  Control* c = control.empty() ? nullptr : Find(control);
  if (!c || c->kind != K::kPicture) return false;
  c->pictureBytes = Bytes(bytes);
  c->picture = PictureKindOf(bytes) == PictureKind::kNone ? GdiPicture()
                                                           : GdiPicture::Decode(bytes);
  if (c->hwnd) InvalidateRect(H(c->hwnd), nullptr, TRUE);
  return bytes.empty() || c->picture.Valid();
}

Bytes Win32Form::Picture(const std::string& control) const {
  const Control* c = control.empty() ? nullptr : Find(control);
  return c ? c->pictureBytes : Bytes();
}

void Win32Form::SetPictureFit(const std::string& control, PictureFit fit) {
  Control* c = control.empty() ? nullptr : Find(control);
  if (!c || c->kind != K::kPicture || c->fit == fit) return;
  c->fit = fit;
  if (c->hwnd) InvalidateRect(H(c->hwnd), nullptr, TRUE);
}

PictureFit Win32Form::GetPictureFit(const std::string& control) const {
  const Control* c = control.empty() ? nullptr : Find(control);
  return c ? c->fit : PictureFit::kNatural;
}

void Win32Form::MirrorProgressOnTaskbar(const std::string& progressControl) {
  const bool was = !mirrored_.empty();
  mirrored_ = progressControl;
  if (!window_) return;
  TaskbarProgress& taskbar = TaskbarProgress::Instance();
  if (!mirrored_.empty()) {
    if (taskbar.Available()) SetTimer(H(window_), kTaskbarTimerId, kTaskbarMilliseconds, nullptr);
    return;
  }
  if (!was) return;
  KillTimer(H(window_), kTaskbarTimerId);
  taskbar.SetValue(window_, 100, 100);
  taskbar.Clear(window_);
}

void Win32Form::SelectTreeItem(const std::string& control, int index) {
  Control* c = control.empty() ? nullptr : Find(control);
  if (!c || c->kind != K::kTree || !c->hwnd || index < 0 || size_t(index) >= c->treeItems.size())
    return;
  // The tree reports the change itself (TVN_SELCHANGED), as for a click.
  SendMessageW(H(c->hwnd), TVM_SELECTITEM, TVGN_CARET, c->treeItems[size_t(index)]);
}

bool Win32Form::SetWindowIcon(BytesView icoFile) {
  iconFile_ = Bytes(icoFile);
  UniqueIcon big, small;
  bool ok = icoFile.empty();
  if (!icoFile.empty()) {
    const std::vector<IconImage> images = ReadIconDirectory(iconFile_);
    big = UniqueIcon(IconFromFile(iconFile_, images, GetSystemMetrics(SM_CXICON)));
    small = UniqueIcon(IconFromFile(iconFile_, images, GetSystemMetrics(SM_CXSMICON)));
    ok = big.Valid() && small.Valid();
    if (!ok) big.Reset(), small.Reset();
  }
  // The window lets go of the old icons before they are destroyed.
  if (window_) {
    SendMessageW(H(window_), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
    SendMessageW(H(window_), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
  }
  gdi_->bigIcon = std::move(big);
  gdi_->smallIcon = std::move(small);
  return ok;
}

void Win32Form::SetTag(const std::string& control, const std::string& tag) {
  if (control.empty())
    windowTag_ = tag;
  else if (Control* c = Find(control))
    c->tag = tag;
}

std::string Win32Form::Tag(const std::string& control) const {
  if (control.empty()) return windowTag_;
  const Control* c = Find(control);
  return c ? c->tag : std::string();
}

void Win32Form::SetTimerInterval(const std::string& control, int milliseconds) {
  Control* c = Find(control);
  if (!c) return;
  c->interval = std::max(milliseconds, 0);
  if (!window_) return;
  if (c->interval == 0)
    KillTimer(H(window_), UINT_PTR(c->id));
  else
    SetTimer(H(window_), UINT_PTR(c->id), UINT(c->interval), nullptr);
}

int Win32Form::TimerInterval(const std::string& control) const {
  const Control* c = Find(control);
  return c ? c->interval : 0;
}

void Win32Form::OnTimer(uintptr_t id) {
  Control* c = FindById(int(id));
  if (!c || c->interval == 0 || c->timerBusy) return;
  std::string name = c->name;
  c->timerBusy = true;
  if (!Fire(name, FormEvent::kTimer, {})) return;
  if (Control* again = Find(name)) again->timerBusy = false;
}

intptr_t Win32Form::Handle(const std::string& control) const {
  if (control.empty()) return window_;
  const Control* c = Find(control);
  return c ? c->hwnd : 0;
}

void Win32Form::SetHandler(FormEventHandler handler) { handler_ = std::move(handler); }

bool Win32Form::Dispatch(void* raw) {
  MSG* msg = static_cast<MSG*>(raw);
  if (dragAnywhere_ && msg->message == WM_LBUTTONDOWN && window_) {
    // A press on the window's background, a panel, a picture or the page container moves the
    // window as a press on its caption would; the controls one works with keep their clicks.
    const Control* c = FindByHandle(I(msg->hwnd));
    const bool background = msg->hwnd == H(window_) ||
                            (c && (c->kind == K::kPanel || c->kind == K::kPicture ||
                                   c->kind == K::kPageContainer || c->kind == K::kLabel));
    if (background) {
      ReleaseCapture();
      SendMessageW(H(window_), WM_NCLBUTTONDOWN, HTCAPTION, 0);
      return true;
    }
  }
  // The dialog manager gives the window Tab navigation and Enter for the default button.
  if (window_ && IsDialogMessageW(H(window_), msg)) return true;
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return true;
}

void Win32Form::PumpEventsPerFrame() {
  const uint32_t now = GetTickCount();
  if (now - pumpedAt_ < pumpGap_) return;
  if (windowVisible_ && now - frameShownAt_ >= frameGap_) ShowFrame();
  const uint32_t start = GetTickCount();
  PumpQueue();
  pumpGap_ = std::max<uint32_t>(kFrameMilliseconds, kPumpCostShare * (GetTickCount() - start));
}

void Win32Form::PumpEvents() {
  ShowFrame();
  PumpQueue();
}

void Win32Form::PumpQueue() {
  pumpedAt_ = GetTickCount();
  std::weak_ptr<int> alive = life_;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Not ours to swallow: the loop that waits for it must still see it.
      PostQuitMessage(int(msg.wParam));
      return;
    }
    Dispatch(&msg);
    if (alive.expired()) return;
  }
}

int Win32Form::RunMessageLoop() {
  if (!window_) return 0;
  std::weak_ptr<int> alive = life_;
  ++loopDepth_;
  int code = 0;
  MSG msg;
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      code = int(msg.wParam);
      break;
    }
    if (got == -1) break;
    Dispatch(&msg);
    if (alive.expired()) return code;
  }
  --loopDepth_;
  return code;
}

void Win32Form::Close() {
  if (window_) DestroyWindow(H(window_));
}

void Win32Form::OnDestroyed() {
  // The windows go; what they showed stays readable through the form.
  if (frameTimer_) KillTimer(H(window_), kFrameTimerId);
  frameTimer_ = false;
  if (!mirrored_.empty()) KillTimer(H(window_), kTaskbarTimerId);
  for (auto& [name, c] : controls_) {
    if (!c->hwnd) continue;
    c->rowsPending = false;
    if (!c->textPending) c->text = WindowText(H(c->hwnd));
    c->textPending = false;
    if (c->kind == K::kCheckBox)
      c->checked = SendMessageW(H(c->hwnd), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (c->kind == K::kProgress && !c->progressPending)
      c->progress = int(SendMessageW(H(c->hwnd), PBM_GETPOS, 0, 0));
    c->progressPending = false;
    if (c->kind == K::kTree)
      for (size_t i = 0; i < c->treeItems.size() && i < c->treeChecks.size(); ++i)
        if (c->treeItems[i])
          c->treeChecks[i] =
              TreeItemCheck(H(c->hwnd), reinterpret_cast<HTREEITEM>(c->treeItems[i])) == 1;
    c->bounds = GetBounds(name);
  }
  windowText_ = WindowText(H(window_));
  windowBounds_ = GetBounds("");
  windowVisible_ = false;
  for (auto& [name, c] : controls_) {
    if (c->kind == K::kTree && c->hwnd)
      Comctl().RemoveWindowSubclass(H(c->hwnd), TreeSubclass, kTreeSubclassId);
    if (c->kind == K::kLabel && c->hwnd)
      Comctl().RemoveWindowSubclass(H(c->hwnd), LabelSubclass, kLabelSubclassId);
    c->hfont = 0;
    c->hwnd = 0;
    c->treeItems.clear();
  }
  window_ = 0;
  if (loopDepth_ > 0) PostQuitMessage(0);
}

intptr_t Win32Form::OnControlColour(unsigned message, intptr_t dc, intptr_t child,
                                    bool& handled) {
  const Control* c = FindByHandle(child);
  if (!c) return 0;
  // What the control shows without colours of its own: edit boxes that take input and the
  // read-only licence box (which reads better so than on grey) lie on the window colour.
  const bool onWindowColour =
      c->kind == K::kMultiEdit || (c->kind == K::kEdit && message == WM_CTLCOLOREDIT);
  // A label or check box without a background of its own lies on its host's colour: a rights
  // line or a finish option would otherwise show the system's grey on a coloured page.
  Rgb back = c->backColour;
  if (back == kSystemColour && !onWindowColour && c->kind != K::kButton) {
    for (const Control* host = Find(c->parent); host && back == kSystemColour;
         host = Find(host->parent))
      back = host->backColour;
  }
  if (c->textColour == kSystemColour && back == kSystemColour && !onWindowColour) return 0;
  handled = true;
  const int systemBack = onWindowColour ? COLOR_WINDOW : COLOR_BTNFACE;
  const int systemText = onWindowColour ? COLOR_WINDOWTEXT : COLOR_BTNTEXT;
  HDC hdc = reinterpret_cast<HDC>(dc);
  ::SetTextColor(hdc, c->textColour == kSystemColour ? GetSysColor(systemText) : c->textColour);
  if (back == kSystemColour) {
    ::SetBkColor(hdc, GetSysColor(systemBack));
    return reinterpret_cast<intptr_t>(GetSysColorBrush(systemBack));
  }
  ::SetBkColor(hdc, back);
  return reinterpret_cast<intptr_t>(gdi_->Brush(back));
}

intptr_t Win32Form::OnMessage(intptr_t hwnd, unsigned message, uintptr_t wParam, intptr_t lParam,
                              bool& handled) {
  const bool top = hwnd == window_;
  switch (message) {
    case WM_COMMAND: {
      if (HIWORD(wParam) != BN_CLICKED || lParam == 0) break;
      Control* c = FindById(LOWORD(wParam));
      if (!c || (c->kind != K::kButton && c->kind != K::kCheckBox)) break;
      handled = true;
      if (c->kind == K::kCheckBox && c->hwnd)
        c->checked = SendMessageW(H(c->hwnd), BM_GETCHECK, 0, 0) == BST_CHECKED;
      Fire(c->name, FormEvent::kClick, {});
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      Control* c = FindByHandle(I(header->hwndFrom));
      if (c && c->kind == K::kList && header->code == LVN_GETDISPINFOW) {
        handled = true;
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
          std::wstring text;
          if (item.iItem >= 0 && size_t(item.iItem) < c->rows.size())
            text = Wide(c->rows[size_t(item.iItem)]);
          const size_t n = std::min(text.size(), size_t(item.cchTextMax - 1));
          std::copy_n(text.data(), n, item.pszText);
          item.pszText[n] = L'\0';
        }
        return 0;
      }
      if (!c || c->kind != K::kTree) break;
      if (header->code == TVN_SELCHANGEDW && quietTree_ == 0) {
        auto* change = reinterpret_cast<NMTREEVIEWW*>(lParam);
        if (change->itemNew.hItem) {
          TVITEMW item{};
          item.mask = TVIF_PARAM | TVIF_HANDLE;
          item.hItem = change->itemNew.hItem;
          SendMessageW(H(c->hwnd), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
          Fire(c->name, FormEvent::kSelectionChanged, {int(item.lParam), 0});
        }
      } else if (header->code == NM_CLICK || header->code == TVN_ITEMCHANGEDW) {
        PostMessageW(H(hwnd), kScanTreeTicks, WPARAM(c->id), 0);
      }
      break;
    }
    case kScanTreeTicks:
      if (Control* c = FindById(int(wParam))) ScanTreeTicks(c->name);
      handled = true;
      return 0;
    case WM_MOUSEMOVE: {
      Control* c = FindByHandle(hwnd);
      if (!c) break;
      if (c->kind == K::kTree) {
        TVHITTESTINFO hit{};
        hit.pt = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageW(H(hwnd), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        int index = -1;
        for (size_t i = 0; item && i < c->treeItems.size(); ++i)
          if (c->treeItems[i] == reinterpret_cast<intptr_t>(item)) index = int(i);
        Fire(c->name, FormEvent::kTreeMouseMove, {index, 0});
        return 0;
      }
      // A page body, or a host inside one: the mouse is over the page outside any control
      // that takes the mouse itself.
      for (const Control* at = c; at; at = Find(at->parent)) {
        if (at->page >= 0) {
          Fire(at->name, FormEvent::kPageMouseMove, {at->page, 0});
          return 0;
        }
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return OnControlColour(message, intptr_t(wParam), lParam, handled);
    case WM_ERASEBKGND: {
      // A host, or the window, with a background colour of its own.
      const Control* c = FindByHandle(hwnd);
      Rgb back = top ? windowBackColour_ : c && IsHost(c->kind) ? c->backColour : kSystemColour;
      if (back == kSystemColour) break;
      handled = true;
      RECT client{};
      GetClientRect(H(hwnd), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, gdi_->Brush(back));
      return 1;
    }
    case WM_SETFONT:
    case WM_GETFONT: {
      // Our own class keeps no font; the hosts remember theirs so that WM_GETFONT tells it.
      Control* c = FindByHandle(hwnd);
      if (!c || !IsHost(c->kind)) break;
      handled = true;
      if (message == WM_GETFONT) return c->hfont;
      c->hfont = intptr_t(wParam);
      if (LOWORD(lParam)) InvalidateRect(H(hwnd), nullptr, TRUE);
      return 0;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      const Control* c = FindByHandle(I(item->hwndItem));
      if (!c || c->kind != K::kPicture) break;
      handled = true;
      Rgb back = c->backColour;
      FillRect(item->hDC, &item->rcItem,
               back == kSystemColour ? GetSysColorBrush(COLOR_BTNFACE) : gdi_->Brush(back));
      const Bounds at = PlacePicture(c->fit, c->picture.Width(), c->picture.Height(),
                                     item->rcItem.right - item->rcItem.left,
                                     item->rcItem.bottom - item->rcItem.top);
      c->picture.DrawScaled(reinterpret_cast<intptr_t>(item->hDC), item->rcItem.left + at.left,
                            item->rcItem.top + at.top, at.width, at.height);
      return TRUE;
    }
    case kFeedbackMessage: {
      const Control* c = FindByHandle(hwnd);
      if (!c || c->kind != K::kLabel) break;
      handled = true;
      intptr_t answer = 0;
      if (!Fire(c->name, FormEvent::kFeedback, {int(wParam), 0, lParam}, &answer)) return 0;
      return answer;
    }
    case WM_PAINT: {
      const Control* c = FindByHandle(hwnd);
      if (!c || c->kind != K::kGroupBox) break;
      handled = true;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(H(hwnd), &ps);
      HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(c->hfont ? c->hfont : font_));
      TEXTMETRICW tm{};
      GetTextMetricsW(dc, &tm);
      RECT frame{};
      GetClientRect(H(hwnd), &frame);
      frame.top += tm.tmHeight / 2;
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      std::wstring caption = Wide(WindowText(H(hwnd)));
      if (!caption.empty()) {
        ::SetBkColor(dc, c->backColour == kSystemColour ? GetSysColor(COLOR_BTNFACE)
                                                         : c->backColour);
        ::SetTextColor(dc, c->textColour == kSystemColour ? GetSysColor(COLOR_BTNTEXT)
                                                           : c->textColour);
        SetBkMode(dc, OPAQUE);
        TextOutW(dc, 8, 0, caption.c_str(), int(caption.size()));
      }
      SelectObject(dc, oldFont);
      EndPaint(H(hwnd), &ps);
      return 0;
    }
    case WM_TIMER:
      if (!top) break;
      handled = true;
      if (wParam == kFrameTimerId) ShowFrame();
      else if (wParam == kTaskbarTimerId)
        TaskbarProgress::Instance().SetValue(window_, Progress(mirrored_), 100);
      else OnTimer(wParam);
      return 0;
    case WM_CLOSE: {
      if (!top) break;
      handled = true;
      intptr_t allowed = 1;
      if (!Fire("", FormEvent::kMayClose, {}, &allowed)) return 0;
      if (allowed && window_) DestroyWindow(H(window_));
      return 0;
    }
    case WM_MOVE:
    case WM_SIZE: {
      if (!top || !ready_) break;
      int placement = IsIconic(H(hwnd)) ? 2 : IsZoomed(H(hwnd)) ? 3 : 0;
      if (message == WM_SIZE) {
        if (wParam == SIZE_MINIMIZED) placement = 2;
        if (wParam == SIZE_MAXIMIZED) placement = 3;
      }
      handled = true;
      Fire("", FormEvent::kMoved, {0, placement});
      return 0;
    }
    case DM_GETDEFID: {
      if (!top) break;
      const Control* c = Find(defaultButton_);
      if (!c || !c->hwnd) break;
      handled = true;
      return MAKELRESULT(c->id, DC_HASDEFID);
    }
    case WM_DESTROY:
      if (top) OnDestroyed();
      break;
    default:
      break;
  }
  return 0;
}
