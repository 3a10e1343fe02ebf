// The registry through the W APIs, with the 32/64-bit view chosen per call.
//
// Text values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) cross this boundary as GBK: written bytes
// are converted to UTF-16 as they are (so a terminating zero byte becomes a terminating zero
// character), and on reading, the UTF-16 text comes back as GBK with exactly one terminating
// zero when the stored text had one or more, and none when it had none. Every other type is
// stored and returned byte for byte.
#include "platform/win32/win32_internal.h"

namespace plat {

using win::UniqueKey;
using win::Wide;

namespace {

HKEY RootKey(int root) {
  switch (root) {
    case kClassesRoot: return HKEY_CLASSES_ROOT;
    case kCurrentConfig: return HKEY_CURRENT_CONFIG;
    case kCurrentUser: return HKEY_CURRENT_USER;
    case kLocalMachine: return HKEY_LOCAL_MACHINE;
    case kUsers: return HKEY_USERS;
    default: return nullptr;
  }
}

REGSAM ViewFlag(RegView view) {
  switch (view) {
    case RegView::k64: return KEY_WOW64_64KEY;
    case RegView::k32: return KEY_WOW64_32KEY;
    default: return 0;
  }
}

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Callers write "Software\App\" for a key's default value; the registry wants no trailing "\".
std::wstring SubkeyName(const std::string& subkey) {
  return win::StripTrailingSeparators(Wide(subkey));
}

LONG OpenKey(int root, const std::wstring& subkey, RegView view, REGSAM access, UniqueKey& key) {
  HKEY base = RootKey(root);
  if (!base) return ERROR_INVALID_PARAMETER;
  return ::RegOpenKeyExW(base, subkey.c_str(), 0, access | ViewFlag(view), key.Receive());
}

// Registry calls report their error as the result, not through GetLastError; LastError()
// reads the latter, so the result is copied there.
bool Check(LONG result) {
  ::SetLastError(static_cast<DWORD>(result));
  return result == ERROR_SUCCESS;
}

// Deletes `name` below `parent` with all its subkeys. Done by hand rather than with
// RegDeleteTreeW, whose inner opens carry no view flag: every open and delete here names the
// view, so a 32-bit process deleting in the 64-bit view never strays into the other one.
LONG DeleteTree(HKEY parent, const std::wstring& name, REGSAM viewFlag) {
  UniqueKey key;
  LONG r = ::RegOpenKeyExW(parent, name.c_str(), 0,
                           KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | viewFlag, key.Receive());
  if (r != ERROR_SUCCESS) return r;
  wchar_t child[256];
  for (;;) {
    DWORD size = 256;
    // Always index 0: each deleted child moves the next one to the front.
    r = ::RegEnumKeyExW(key.Get(), 0, child, &size, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS) return r;
    r = DeleteTree(key.Get(), std::wstring(child, size), viewFlag);
    if (r != ERROR_SUCCESS) return r;
  }
  key.Reset();
  return ::RegDeleteKeyExW(parent, name.c_str(), viewFlag, 0);
}

}  // namespace

bool RegReadValue(int root, const std::string& subkey, const std::string& name, RegView view,
                  RegValue& out) {
  out = RegValue();
  UniqueKey key;
  if (!Check(OpenKey(root, SubkeyName(subkey), view, KEY_QUERY_VALUE, key))) return false;
  std::wstring valueName = Wide(name);
  DWORD type = 0;
  DWORD size = 0;
  if (!Check(::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size)))
    return false;
  Bytes raw;
  LONG r;
  // The value may grow between the two calls; ask again until it fits.
  do {
    raw.resize(size);
    r = ::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(raw.data()), &size);
  } while (r == ERROR_MORE_DATA);
  if (!Check(r)) return false;
  raw.resize(size);
  out.type = type;
  if (IsTextType(type)) {
    std::wstring text(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
    bool terminated = false;
    if (type != REG_MULTI_SZ) {
      while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
        terminated = true;
      }
    }
    out.data = win::Narrow(text);
    if (terminated) out.data.push_back('\0');
  } else {
    out.data = std::move(raw);
  }
  return true;
}

bool RegWriteValue(int root, const std::string& subkey, const std::string& name, RegView view,
                   uint32_t type, BytesView data) {
  HKEY base = RootKey(root);
  if (!base) return Check(ERROR_INVALID_PARAMETER);
  UniqueKey key;
  if (!Check(::RegCreateKeyExW(base, SubkeyName(subkey).c_str(), 0, nullptr, 0,
                               KEY_SET_VALUE | ViewFlag(view), nullptr, key.Receive(), nullptr)))
    return false;
  std::wstring wideText;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(data.data());
  size_t size = data.size();
  if (IsTextType(type)) {
    wideText = Wide(data);
    bytes = reinterpret_cast<const BYTE*>(wideText.data());
    size = wideText.size() * sizeof(wchar_t);
  }
  if (size > 0xFFFFFFFFu) return Check(ERROR_INVALID_PARAMETER);
  return Check(::RegSetValueExW(key.Get(), Wide(name).c_str(), 0, type, bytes,
                                static_cast<DWORD>(size)));
}

bool RegKeyExists(int root, const std::string& subkey, RegView view) {
  UniqueKey key;
  LONG r = OpenKey(root, SubkeyName(subkey), view, KEY_QUERY_VALUE, key);
  // A key we may not read is still there.
  Check(r);
  return r == ERROR_SUCCESS || r == ERROR_ACCESS_DENIED;
}

bool RegDeleteValue(int root, const std::string& subkey, const std::string& name, RegView view) {
  UniqueKey key;
  if (!Check(OpenKey(root, SubkeyName(subkey), view, KEY_SET_VALUE, key))) return false;
  return Check(::RegDeleteValueW(key.Get(), Wide(name).c_str()));
}

bool RegDeleteKeyTree(int root, const std::string& subkey, RegView view) {
  HKEY base = RootKey(root);
  std::wstring path = SubkeyName(subkey);
  // An empty subkey would name the whole root; that is never what an installer means.
  if (!base || path.empty()) return Check(ERROR_INVALID_PARAMETER);
  return Check(DeleteTree(base, path, ViewFlag(view)));
}

std::vector<std::string> RegListSubkeys(int root, const std::string& subkey, RegView view) {
  std::vector<std::string> names;
  UniqueKey key;
  if (!Check(OpenKey(root, SubkeyName(subkey), view, KEY_ENUMERATE_SUB_KEYS, key))) return names;
  wchar_t name[256];  // key names are at most 255 characters
  for (DWORD i = 0;; ++i) {
    DWORD size = 256;
    LONG r = ::RegEnumKeyExW(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    names.push_back(win::Narrow(std::wstring_view(name, size)));
  }
  return names;
}

std::vector<std::string> RegListValueNames(int root, const std::string& subkey, RegView view) {
  std::vector<std::string> names;
  UniqueKey key;
  if (!Check(OpenKey(root, SubkeyName(subkey), view, KEY_QUERY_VALUE, key))) return names;
  std::wstring name(16384, L'\0');  // value names are at most 16383 characters
  for (DWORD i = 0;; ++i) {
    DWORD size = static_cast<DWORD>(name.size());
    LONG r = ::RegEnumValueW(key.Get(), i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    names.push_back(win::Narrow(std::wstring_view(name.data(), size)));
  }
  return names;
}

}  // namespace plat
