// INI files with the profile-string semantics of GetPrivateProfileString, implemented once
// and used on every platform (the runtime's behaviour must not depend on the OS's parser).
//
// Reading rules (as Windows does them):
// - section and key names match case-insensitively (ASCII letters), after trimming blanks;
// - the first section of a name and the first key of a name within it win;
// - a value is trimmed of blanks; one pair of matching surrounding quotes is removed;
// - values are cut at kMaxValue bytes (the runtime reads through a 10240-byte buffer);
// - lines without "=" inside a section are keys with an empty value... (see ini.cpp);
// - binary garbage never breaks parsing: lines end at CR, LF or CRLF.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"

namespace ini {

inline constexpr size_t kMaxValue = 10239;

class Document {
 public:
  Document() = default;
  static Document Parse(BytesView content);

  // The value, or `fallback` when the section or key is missing.
  std::string Get(BytesView section, BytesView key, BytesView fallback = "") const;
  bool HasSection(BytesView section) const;
  std::vector<std::string> SectionNames() const;  // in file order
  std::vector<std::string> KeyNames(BytesView section) const;

  // Writing keeps the order of sections and keys; a new section goes at the end.
  void Set(BytesView section, BytesView key, BytesView value);
  Bytes Serialize() const;  // CRLF line ends

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Section* FindSection(BytesView name) const;
  std::vector<Section> sections_;
};

}  // namespace ini
