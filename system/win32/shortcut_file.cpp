// The Windows link writer: shortcut files through the shell's link object (IShellLinkW saved
// through IPersistFile; it stores the same properties as the script host's shortcut object
// without needing wshom.ocx), and the taskbar pin through the "Shell.Application" object's verbs.
#include "system/shortcut_file.h"

#include "common/text.h"
#include "platform/platform.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shldisp.h>
#include <shobjidl.h>

#include <vector>

namespace {

// Owns one COM interface pointer.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** put() { return &p_; }
  void** put_void() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& text) : s_(SysAllocStringLen(text.data(), UINT(text.size()))) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }
  BSTR* put() { return &s_; }
  std::wstring text() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

 private:
  BSTR s_ = nullptr;
};

// COM for the current thread, for as long as this lives; a thread that already has COM in
// another apartment model still works, it just is not uninitialised here.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

std::wstring W(const std::string& gbk) {
  const std::u16string u = plat::GbkToUtf16(gbk);
  return std::wstring(u.begin(), u.end());
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

// The script host's hotkey text ("CTRL+ALT+A", "SHIFT+F5") as IShellLink's packed WORD
// (virtual key in the low byte, HOTKEYF_ modifiers in the high byte); 0 for none or unknown.
WORD ParseHotkey(const std::string& text) {
  WORD modifiers = 0;
  WORD key = 0;
  size_t start = 0;
  const std::string upper = Upper(text);
  while (start <= upper.size()) {
    size_t end = upper.find('+', start);
    if (end == std::string::npos) end = upper.size();
    const std::string part = upper.substr(start, end - start);
    if (part == "ALT") modifiers |= HOTKEYF_ALT;
    else if (part == "CTRL") modifiers |= HOTKEYF_CONTROL;
    else if (part == "SHIFT") modifiers |= HOTKEYF_SHIFT;
    else if (part == "EXT") modifiers |= HOTKEYF_EXT;
    else if (part.size() == 1 && ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= '0' && part[0] <= '9')))
      key = WORD(part[0]);
    else if (part.size() >= 2 && part[0] == 'F') {
      const int n = text::ToInt(part.substr(1));
      if (n >= 1 && n <= 24) key = WORD(VK_F1 + n - 1);
    }
    start = end + 1;
  }
  return key ? WORD(key | (modifiers << 8)) : 0;
}

// "path,index" as the script host's IconLocation takes it.
void SplitIconLocation(const std::string& location, std::string& path, int& index) {
  path = location;
  index = 0;
  const size_t comma = location.rfind(',');
  if (comma == std::string::npos) return;
  const std::string tail = location.substr(comma + 1);
  if (tail.empty() || tail.find_first_not_of("-0123456789") != std::string::npos) return;
  path = location.substr(0, comma);
  index = text::ToInt(tail);
}

}  // namespace

bool WriteShortcutLink(const ShortcutLink& shortcut) {
  ComScope com;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.put_void())))
    return false;
  if (FAILED(link->SetPath(W(shortcut.targetPath).c_str()))) return false;
  link->SetWorkingDirectory(W(shortcut.workingFolder).c_str());
  std::string iconPath;
  int iconIndex = 0;
  SplitIconLocation(shortcut.iconLocation, iconPath, iconIndex);
  link->SetIconLocation(W(iconPath).c_str(), iconIndex);
  link->SetShowCmd(shortcut.windowStyle);
  link->SetDescription(W(shortcut.description).c_str());
  link->SetArguments(W(shortcut.arguments).c_str());
  link->SetHotkey(ParseHotkey(shortcut.hotkey));

  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
  return SUCCEEDED(file->Save(W(shortcut.linkPath).c_str(), TRUE));
}

void SetTaskbarPin(const std::string& folder, const std::string& fileName, bool pin) {
  ComScope com;
  ComPtr<IShellDispatch> shell;
  if (FAILED(CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch,
                              shell.put_void())))
    return;
  VARIANT where;
  VariantInit(&where);
  where.vt = VT_BSTR;
  where.bstrVal = SysAllocString(W(folder).c_str());
  ComPtr<Folder> space;
  const HRESULT found = shell->NameSpace(where, space.put());
  VariantClear(&where);
  if (FAILED(found) || !space.get()) return;
  ComPtr<FolderItem> item;
  Bstr name(W(fileName));
  if (FAILED(space->ParseName(name.get(), item.put())) || !item.get()) return;
  ComPtr<FolderItemVerbs> verbs;
  if (FAILED(item->Verbs(verbs.put())) || !verbs.get()) return;

  wchar_t caption[256] = {};
  if (HMODULE shell32 = LoadLibraryW(L"Shell32.dll")) {
    LoadStringW(shell32, pin ? 5386 : 5387, caption, 256);
    FreeLibrary(shell32);
  }
  // Without a caption nothing can match; an empty verb name must not be taken for it.
  if (caption[0] == 0) return;

  long count = 0;
  if (FAILED(verbs->get_Count(&count))) return;
  for (long i = 0; i < count; ++i) {
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = i;
    ComPtr<FolderItemVerb> verb;
    if (FAILED(verbs->Item(index, verb.put())) || !verb.get()) continue;
    Bstr verbName;
    if (FAILED(verb->get_Name(verbName.put()))) continue;
    if (verbName.text() == caption) verb->DoIt();
  }
}
