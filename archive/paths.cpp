// Turning stored entry names into relative Windows paths that stay inside the destination.
#include <string>
#include <vector>

#include "archive/archive.h"
#include "common/text.h"
#include "platform/platform.h"

namespace archive {
namespace {

bool ForbiddenChar(char16_t c) {
  return c < 0x20 || c == u':' || c == u'*' || c == u'?' || c == u'<' || c == u'>' ||
         c == u'|' || c == u'"';
}

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with an extension ("nul.txt") or trailing blanks,
// name devices on Windows whatever folder they are opened in.
bool ReservedDeviceName(const std::u16string& name) {
  std::u16string stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  for (char16_t& c : stem) c = Upper(c);
  if (stem == u"CON" || stem == u"PRN" || stem == u"AUX" || stem == u"NUL") return true;
  if (stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0))
    return stem[3] >= u'1' && stem[3] <= u'9';
  return false;
}

// UTF-16 to GBK, one character at a time when the whole does not convert, so that only the
// characters GBK lacks become "_".
std::string ToGbk(const std::u16string& component) {
  bool ok = true;
  std::string whole = plat::Utf16ToGbk(component, &ok);
  if (ok) return whole;
  std::string out;
  for (size_t i = 0; i < component.size(); ++i) {
    size_t n = 1;
    if (component[i] >= 0xD800 && component[i] < 0xDC00 && i + 1 < component.size() &&
        component[i + 1] >= 0xDC00 && component[i + 1] < 0xE000)
      n = 2;
    bool one = true;
    std::string piece = plat::Utf16ToGbk(std::u16string_view(component).substr(i, n), &one);
    out += one ? piece : std::string("_");
    i += n - 1;
  }
  return out;
}

}  // namespace

std::string SanitizePath(std::u16string_view name) {
  std::vector<std::u16string> parts;
  std::u16string current;
  auto flush = [&] {
    if (!current.empty() && current != u"." && current != u"..") parts.push_back(current);
    current.clear();
  };
  for (char16_t c : name) {
    if (c == u'/' || c == u'\\') {
      flush();
    } else {
      current.push_back(c);
    }
  }
  flush();
  std::string path;
  for (std::u16string& part : parts) {
    for (char16_t& c : part)
      if (ForbiddenChar(c)) c = u'_';
    // Windows drops trailing dots and blanks, which would make "a." and "a" one file.
    if (part.back() == u'.' || part.back() == u' ') part.back() = u'_';
    if (ReservedDeviceName(part)) part.insert(part.begin(), u'_');
    if (!path.empty()) path += '\\';
    path += ToGbk(part);
  }
  return path;
}

std::string ArchiveItemName(const std::string& archivePath) {
  const size_t slash = text::FindLastSeparator(archivePath, text::PathSeparators::kBothSlashes);
  std::string name = slash == text::npos ? archivePath : archivePath.substr(slash + 1);
  // The volume set is one archive named without the number; "." is never a trail byte.
  if (text::EndsWith(name, ".001")) name.resize(name.size() - 4);
  const size_t dot = name.rfind('.');
  if (name.size() > 3 && text::EqualsIgnoreCaseAscii(name.substr(name.size() - 3), ".7z")) {
    name.resize(name.size() - 3);
  } else if (dot != std::string::npos && dot > 0) {
    name.resize(dot);
  } else {
    name += '~';
  }
  return SanitizePath(plat::GbkToUtf16(name));
}

}  // namespace archive
