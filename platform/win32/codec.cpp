// Code page 936 conversions, pinned to 936 rather than the ANSI code page so that the runtime
// reads its GBK texts the same way on a Windows set up for another language.
#include "platform/win32/win32_internal.h"

namespace plat {
namespace {

constexpr UINT kGbk = 936;

// Converts one run of bytes in `codePage`, or fails when any of them is not valid there.
bool DecodeStrict(UINT codePage, const char* data, int size, std::wstring& out) {
  if (size == 0) return true;
  int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, size, nullptr, 0);
  if (n <= 0) return false;
  size_t at = out.size();
  out.resize(at + n);
  ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, size, out.data() + at, n);
  return true;
}

// The fast path converts everything at once; only input with bad bytes goes character by
// character, so that each bad byte (or broken pair) becomes exactly one U+FFFD instead of
// whatever default character the code page tables would pick.
std::wstring DecodeGbk(BytesView gbk) {
  std::wstring out;
  if (gbk.size() > 0x7FFFFFFF) return out;
  if (DecodeStrict(kGbk, gbk.data(), static_cast<int>(gbk.size()), out)) return out;
  out.clear();
  size_t i = 0;
  while (i < gbk.size()) {
    auto byte = static_cast<BYTE>(gbk[i]);
    if (::IsDBCSLeadByteEx(kGbk, byte) && i + 1 < gbk.size() &&
        DecodeStrict(kGbk, gbk.data() + i, 2, out)) {
      i += 2;
    } else if (!::IsDBCSLeadByteEx(kGbk, byte) && DecodeStrict(kGbk, gbk.data() + i, 1, out)) {
      i += 1;
    } else {
      out.push_back(L'\xFFFD');
      i += 1;
    }
  }
  return out;
}

std::string EncodeGbk(std::wstring_view wide, bool* ok) {
  if (ok) *ok = true;
  if (wide.empty() || wide.size() > 0x7FFFFFFF) return {};
  int size = static_cast<int>(wide.size());
  // No best-fit mapping: a character GBK lacks must become "?" and be reported, not turn
  // silently into a look-alike that names a different file.
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  int n = ::WideCharToMultiByte(kGbk, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) {
    if (ok) *ok = false;
    return {};
  }
  std::string out(n, '\0');
  BOOL usedDefault = FALSE;
  ::WideCharToMultiByte(kGbk, flags, wide.data(), size, out.data(), n, "?", &usedDefault);
  if (usedDefault && ok) *ok = false;
  return out;
}

}  // namespace

namespace win {
std::wstring Wide(BytesView gbk) { return DecodeGbk(gbk); }
std::string Narrow(std::wstring_view wide) { return EncodeGbk(wide, nullptr); }
}  // namespace win

std::u16string GbkToUtf16(BytesView gbk) {
  std::wstring wide = DecodeGbk(gbk);
  return std::u16string(wide.begin(), wide.end());
}

std::string Utf16ToGbk(std::u16string_view utf16, bool* ok) {
  return EncodeGbk(std::wstring_view(reinterpret_cast<const wchar_t*>(utf16.data()), utf16.size()),
                   ok);
}

std::string GbkToUtf8(BytesView gbk) {
  std::wstring wide = DecodeGbk(gbk);
  if (wide.empty()) return {};
  int size = static_cast<int>(wide.size());
  int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

std::string Utf8ToGbk(std::string_view utf8, bool* ok) {
  std::wstring wide;
  if (utf8.size() > 0x7FFFFFFF) {
    if (ok) *ok = false;
    return {};
  }
  int size = static_cast<int>(utf8.size());
  if (!DecodeStrict(CP_UTF8, utf8.data(), size, wide)) {
    // Malformed UTF-8 still converts (U+FFFD for the bad parts), but is reported.
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    wide.assign(n > 0 ? n : 0, L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    std::string out = EncodeGbk(wide, nullptr);
    if (ok) *ok = false;
    return out;
  }
  return EncodeGbk(wide, ok);
}

}  // namespace plat
