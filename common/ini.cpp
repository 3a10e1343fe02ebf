// The INI reader and writer. One pass over the bytes builds the sections; lookups are linear,
// which is fine for configuration files and keeps "first match wins" obvious.
#include "common/ini.h"

#include "common/text.h"

namespace ini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

BytesView Trim(BytesView s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool NameMatches(BytesView stored, BytesView wanted) {
  return text::EqualsIgnoreCaseAscii(stored, wanted);
}

// What a caller of the profile API would see in its buffer.
std::string ProfileValue(BytesView value) {
  size_t nul = value.find('\0');
  if (nul != BytesView::npos) value = value.substr(0, nul);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  if (value.size() > kMaxValue) value = value.substr(0, kMaxValue);
  return std::string(value);
}

// The default of the profile API loses its trailing blanks (the documented behaviour) but
// keeps any quotes.
std::string FallbackValue(BytesView fallback) {
  size_t nul = fallback.find('\0');
  if (nul != BytesView::npos) fallback = fallback.substr(0, nul);
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
  if (fallback.size() > kMaxValue) fallback = fallback.substr(0, kMaxValue);
  return std::string(fallback);
}

}  // namespace

Document Document::Parse(BytesView content) {
  Document doc;
  doc.sections_.push_back(Section{false, {}, {}});
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find_first_of("\r\n", pos);
    if (end == BytesView::npos) end = content.size();
    BytesView line = Trim(content.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;

    Section& current = doc.sections_.back();
    if (line.front() == ';') {
      current.entries.push_back(Entry{Kind::kComment, std::string(line), {}});
      continue;
    }
    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close != BytesView::npos) {
        doc.sections_.push_back(Section{true, std::string(Trim(line.substr(1, close - 1))), {}});
        continue;
      }
    }
    size_t equals = line.find('=');
    if (equals == BytesView::npos) {
      current.entries.push_back(Entry{Kind::kBareKey, std::string(line), {}});
      continue;
    }
    BytesView key = Trim(line.substr(0, equals));
    if (key.empty()) continue;  // unreachable by name; dropped as Windows drops it
    current.entries.push_back(
        Entry{Kind::kKeyValue, std::string(key), std::string(Trim(line.substr(equals + 1)))});
  }
  return doc;
}

const Document::Section* Document::FindSection(BytesView name) const {
  BytesView wanted = Trim(name);
  for (const Section& section : sections_)
    if (section.has_header && NameMatches(section.name, wanted)) return &section;
  return nullptr;
}

std::string Document::Get(BytesView section, BytesView key, BytesView fallback) const {
  const Section* found = FindSection(section);
  if (found) {
    BytesView wanted = Trim(key);
    for (const Entry& entry : found->entries)
      if (entry.kind != Kind::kComment && NameMatches(entry.key, wanted))
        return ProfileValue(entry.value);
  }
  return FallbackValue(fallback);
}

bool Document::HasSection(BytesView section) const { return FindSection(section) != nullptr; }

std::vector<std::string> Document::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& section : sections_)
    if (section.has_header && !section.name.empty()) names.push_back(section.name);
  return names;
}

std::vector<std::string> Document::KeyNames(BytesView section) const {
  std::vector<std::string> names;
  if (const Section* found = FindSection(section))
    for (const Entry& entry : found->entries)
      if (entry.kind != Kind::kComment) names.push_back(entry.key);
  return names;
}

void Document::Set(BytesView section, BytesView key, BytesView value) {
  Section* target = const_cast<Section*>(FindSection(section));
  if (!target) {
    if (sections_.empty()) sections_.push_back(Section{false, {}, {}});
    sections_.push_back(Section{true, std::string(Trim(section)), {}});
    target = &sections_.back();
  }
  BytesView wanted = Trim(key);
  for (Entry& entry : target->entries) {
    if (entry.kind != Kind::kComment && NameMatches(entry.key, wanted)) {
      entry.kind = Kind::kKeyValue;
      entry.value = std::string(value);
      return;
    }
  }
  target->entries.push_back(Entry{Kind::kKeyValue, std::string(wanted), std::string(value)});
}

Bytes Document::Serialize() const {
  Bytes out;
  bool first_header = true;
  for (const Section& section : sections_) {
    if (section.has_header) {
      if (!first_header) out += "\r\n";
      first_header = false;
      out += "[";
      out += section.name;
      out += "]\r\n";
    }
    for (const Entry& entry : section.entries) {
      out += entry.key;
      if (entry.kind == Kind::kKeyValue) {
        out += "=";
        out += entry.value;
      }
      out += "\r\n";
    }
  }
  return out;
}

}  // namespace ini
