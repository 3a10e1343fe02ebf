// GBK conversions with iconv.
#include "platform/platform.h"

namespace plat {

std::u16string GbkToUtf16(BytesView) { return {}; }
std::string Utf16ToGbk(std::u16string_view, bool* ok) {
  if (ok) *ok = false;
  return {};
}
std::string GbkToUtf8(BytesView) { return {}; }
std::string Utf8ToGbk(std::string_view, bool* ok) {
  if (ok) *ok = false;
  return {};
}

}  // namespace plat
