#include "common/text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace text {

size_t Find(BytesView haystack, BytesView needle, size_t from) {
  if (needle.empty() || from > haystack.size()) return npos;
  return haystack.find(needle, from);
}

size_t FindLast(BytesView haystack, BytesView needle, size_t before) {
  if (needle.empty()) return npos;
  return haystack.rfind(needle, before);
}

bool Contains(BytesView haystack, BytesView needle) { return Find(haystack, needle) != npos; }

bool StartsWith(BytesView s, BytesView prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(BytesView s, BytesView suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::string> Split(BytesView s, BytesView separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    pieces.emplace_back(s);
    return pieces;
  }
  size_t start = 0;
  for (;;) {
    size_t at = s.find(separator, start);
    if (at == npos) break;
    pieces.emplace_back(s.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.emplace_back(s.substr(start));
  return pieces;
}

std::string Join(const std::vector<std::string>& pieces, BytesView separator) {
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) out.append(separator);
    out.append(pieces[i]);
  }
  return out;
}

std::string ReplaceAll(BytesView s, BytesView from, BytesView to) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  size_t start = 0;
  for (;;) {
    size_t at = s.find(from, start);
    if (at == npos) break;
    out.append(s.substr(start, at - start));
    out.append(to);
    start = at + from.size();
  }
  out.append(s.substr(start));
  return out;
}

namespace {
std::string TrimIf(BytesView s, const char* set) {
  size_t b = s.find_first_not_of(set);
  if (b == npos) return {};
  size_t e = s.find_last_not_of(set);
  return std::string(s.substr(b, e - b + 1));
}

template <typename T>
T ParseInteger(BytesView s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  // Accumulate as a negative number so that the minimum value parses without overflow.
  T value = 0;
  constexpr T lowest = std::numeric_limits<T>::min();
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    T digit = s[i] - '0';
    if (value < (lowest + digit) / 10) {
      value = lowest;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
      break;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == lowest ? std::numeric_limits<T>::max() : -value;
}
}  // namespace

std::string TrimBlanks(BytesView s) { return TrimIf(s, " "); }
std::string TrimWhitespace(BytesView s) { return TrimIf(s, " \t\r\n"); }

int32_t ToInt(BytesView s) { return ParseInteger<int32_t>(s); }
int64_t ToInt64(BytesView s) { return ParseInteger<int64_t>(s); }

std::string FromInt(int64_t value) { return std::to_string(value); }

std::string HexLower(BytesView data) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(data.size() * 2);
  for (unsigned char c : data) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string ToLowerAscii(BytesView s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

bool EqualsIgnoreCaseAscii(BytesView a, BytesView b) {
  return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

size_t FindIgnoreCaseAscii(BytesView haystack, BytesView needle, size_t from) {
  return Find(ToLowerAscii(haystack), ToLowerAscii(needle), from);
}

std::string PadNumber3(int value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return digits;
}

size_t GbkCharLength(BytesView s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  return b >= 0x81 && b <= 0xFE && i + 1 < s.size() ? 2 : 1;
}

bool IsPlainFolderName(BytesView name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.back() == ' ' || name.back() == '.') return false;
  for (size_t i = 0; i < name.size(); i += GbkCharLength(name, i)) {
    if (GbkCharLength(name, i) == 2) continue;
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (std::string_view("\\/:*?\"<>|").find(char(c)) != std::string_view::npos) return false;
  }
  return true;
}

namespace {
bool IsSeparator(char c, PathSeparators separators) {
  return c == '\\' || (separators == PathSeparators::kBothSlashes && c == '/');
}

// Calls `visit(position)` for every separator character in order; stops when it returns false.
template <typename Visit>
void ForEachSeparator(BytesView path, PathSeparators separators, Visit visit) {
  for (size_t i = 0; i < path.size(); i += GbkCharLength(path, i)) {
    if (IsSeparator(path[i], separators) && !visit(i)) return;
  }
}
}  // namespace

size_t FindSeparator(BytesView path, size_t from, PathSeparators separators) {
  size_t found = npos;
  ForEachSeparator(path, separators, [&](size_t at) {
    if (at < from) return true;
    found = at;
    return false;
  });
  return found;
}

size_t FindLastSeparator(BytesView path, PathSeparators separators) {
  size_t found = npos;
  ForEachSeparator(path, separators, [&](size_t at) {
    found = at;
    return true;
  });
  return found;
}

std::string WithSeparator(BytesView folder) {
  std::string out(folder);
  if (!EndsWithSeparator(out)) out += '\\';
  return out;
}

bool EndsWithSeparator(BytesView path, PathSeparators separators) {
  return !path.empty() && FindLastSeparator(path, separators) == path.size() - 1;
}

std::vector<std::string> SplitPath(BytesView path, PathSeparators separators) {
  std::vector<std::string> pieces;
  size_t start = 0;
  ForEachSeparator(path, separators, [&](size_t at) {
    pieces.emplace_back(path.substr(start, at - start));
    start = at + 1;
    return true;
  });
  pieces.emplace_back(path.substr(start));
  return pieces;
}

std::string StripTrailingSeparators(BytesView path, size_t keep, PathSeparators separators) {
  size_t end = 0;  // just after the last character that is not a separator
  for (size_t i = 0; i < path.size();) {
    const size_t n = GbkCharLength(path, i);
    if (n == 2 || !IsSeparator(path[i], separators)) end = i + n;
    i += n;
  }
  // The bytes from `end` on are all one-byte separators, so any cut among them is clean.
  return std::string(path.substr(0, std::max(end, std::min(keep, path.size()))));
}

}  // namespace text
