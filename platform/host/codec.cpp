// Code page 936 conversions on the host, through glibc's iconv ("CP936" is the Windows table:
// 0x80 is the euro sign, which plain "GBK" in some libraries lacks). UTF-8 <-> UTF-16 is done
// here by hand so that invalid sequences are handled the way the callers expect.
#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "platform/host/state.h"

namespace plat {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

iconv_t GbkToUtf16Descriptor() {
  thread_local Converter converter("UTF-16LE", "CP936");
  return converter.get();
}

iconv_t Utf16ToGbkDescriptor() {
  thread_local Converter converter("CP936", "UTF-16LE");
  return converter.get();
}

// Decodes GBK; `exact` makes any invalid byte a failure instead of a U+FFFD.
std::optional<std::u16string> DecodeGbk(BytesView gbk, bool exact) {
  std::u16string out;
  iconv_t cd = GbkToUtf16Descriptor();
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(gbk.data());
  size_t inLeft = gbk.size();
  char buffer[512];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    for (char* p = buffer; p + 1 < outPtr; p += 2) {
      out.push_back(static_cast<char16_t>(static_cast<uint8_t>(p[0]) |
                                          (static_cast<uint8_t>(p[1]) << 8)));
    }
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // An invalid or cut-off sequence: drop its first byte only, so that an ASCII byte that
      // followed a stray lead byte survives, as MultiByteToWideChar does.
      if (exact) return std::nullopt;
      out.push_back(kReplacement);
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

// Encodes to GBK; characters without a GBK form become "?" and clear `ok`.
std::string EncodeGbk(std::u16string_view utf16, bool& ok) {
  ok = true;
  std::string out;
  iconv_t cd = Utf16ToGbkDescriptor();
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    ok = false;
    return out;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string input;
  input.reserve(utf16.size() * 2);
  for (char16_t c : utf16) {
    input.push_back(static_cast<char>(c & 0xFF));
    input.push_back(static_cast<char>(c >> 8));
  }
  char* in = input.data();
  size_t inLeft = input.size();
  char buffer[512];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      out.push_back('?');
      // A whole surrogate pair is one character and gives one "?".
      size_t skip = 2;
      if (inLeft >= 4) {
        char16_t first = static_cast<char16_t>(static_cast<uint8_t>(in[0]) |
                                               (static_cast<uint8_t>(in[1]) << 8));
        char16_t second = static_cast<char16_t>(static_cast<uint8_t>(in[2]) |
                                                (static_cast<uint8_t>(in[3]) << 8));
        if (first >= 0xD800 && first < 0xDC00 && second >= 0xDC00 && second < 0xE000) skip = 4;
      }
      skip = std::min(skip, inLeft);
      in += skip;
      inLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::string EncodeUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (size_t i = 0; i < utf16.size(); ++i) {
    uint32_t c = utf16[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;  // a lone surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// Decodes UTF-8 strictly (no overlongs, no surrogates, nothing above U+10FFFF); each bad
// sequence becomes U+FFFD and clears `valid`.
std::u16string DecodeUtf8(std::string_view utf8, bool& valid) {
  valid = true;
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    uint8_t b = static_cast<uint8_t>(utf8[i]);
    uint32_t c = 0;
    size_t extra = 0;
    uint32_t minimum = 0;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F, extra = 1, minimum = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F, extra = 2, minimum = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07, extra = 3, minimum = 0x10000;
    } else {
      valid = false;
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    size_t j = 1;
    for (; j <= extra && i + j < utf8.size(); ++j) {
      uint8_t t = static_cast<uint8_t>(utf8[i + j]);
      if ((t & 0xC0) != 0x80) break;
      c = (c << 6) | (t & 0x3F);
    }
    if (j != extra + 1 || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      valid = false;
      out.push_back(kReplacement);
      i += j;
      continue;
    }
    i += j;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

}  // namespace

std::u16string GbkToUtf16(BytesView gbk) {
  std::optional<std::u16string> out = DecodeGbk(gbk, false);
  return out ? *out : std::u16string();
}

std::string Utf16ToGbk(std::u16string_view utf16, bool* ok) {
  bool representable = true;
  std::string out = EncodeGbk(utf16, representable);
  if (ok) *ok = representable;
  return out;
}

std::string GbkToUtf8(BytesView gbk) { return EncodeUtf8(GbkToUtf16(gbk)); }

std::string Utf8ToGbk(std::string_view utf8, bool* ok) {
  bool valid = true;
  std::u16string wide = DecodeUtf8(utf8, valid);
  bool representable = true;
  std::string out = EncodeGbk(wide, representable);
  if (ok) *ok = valid && representable;
  return out;
}

namespace host::detail {

std::optional<std::string> GbkToUtf8Exact(std::string_view gbk) {
  std::optional<std::u16string> wide = DecodeGbk(gbk, true);
  if (!wide) return std::nullopt;
  return EncodeUtf8(*wide);
}

std::optional<std::string> Utf8ToGbkExact(std::string_view utf8) {
  bool valid = true;
  std::u16string wide = DecodeUtf8(utf8, valid);
  if (!valid) return std::nullopt;
  bool representable = true;
  std::string out = EncodeGbk(wide, representable);
  if (!representable) return std::nullopt;
  return out;
}

}  // namespace host::detail
}  // namespace plat
