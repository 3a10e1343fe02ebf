// Shell links through the shell's link object (IShellLinkW saved through IPersistFile; it
// stores the same properties as the script host's shortcut object without needing
// wshom.ocx), and shell verbs through the "Shell.Application" object.
#include "platform/shell_link.h"

#include "platform/platform.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shldisp.h>
#include <shobjidl.h>

namespace plat {
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
  const std::u16string u = GbkToUtf16(gbk);
  return std::wstring(u.begin(), u.end());
}

}  // namespace

bool SaveShellLink(const ShellLink& shortcut) {
  ComScope com;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.put_void())))
    return false;
  if (FAILED(link->SetPath(W(shortcut.targetPath).c_str()))) return false;
  link->SetWorkingDirectory(W(shortcut.workingFolder).c_str());
  link->SetIconLocation(W(shortcut.iconPath).c_str(), shortcut.iconIndex);
  link->SetShowCmd(shortcut.showCommand);
  link->SetDescription(W(shortcut.description).c_str());
  link->SetArguments(W(shortcut.arguments).c_str());
  link->SetHotkey(shortcut.hotkey);

  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
  return SUCCEEDED(file->Save(W(shortcut.linkPath).c_str(), TRUE));
}

void InvokeShellVerb(const std::string& folder, const std::string& fileName, int shell32StringId) {
  wchar_t caption[256] = {};
  if (HMODULE shell32 = LoadLibraryW(L"Shell32.dll")) {
    LoadStringW(shell32, UINT(shell32StringId), caption, 256);
    FreeLibrary(shell32);
  }
  // Without a caption nothing can match; an empty verb name must not be taken for it.
  if (caption[0] == 0) return;

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

}  // namespace plat
