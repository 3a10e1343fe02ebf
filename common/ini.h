// INI files with the profile-string semantics of GetPrivateProfileString, implemented once
// and used on every platform (the runtime's behaviour must not depend on the OS's parser).
//
// Reading rules (as Windows does them):
// - section and key names match case-insensitively (ASCII letters), after trimming blanks;
// - the first section of a name and the first key of a name within it win;
// - a value is trimmed of blanks; one pair of matching surrounding quotes is removed;
// - values are cut at kMaxValue bytes (the runtime reads through a 10240-byte buffer);
// - a line whose first non-blank byte is ";" is a comment; a line without "=" is a key with an
//   empty value; a key line with nothing before "=" and lines before the first section are
//   unreachable by name;
// - a section line is "[" ... "]": the name runs to the LAST "]" of the line (a GBK trail byte
//   can be "]"), text after it is ignored; a "[" line without "]" is an ordinary key line;
// - a value ends at its first NUL byte, as it would in the runtime's C buffer;
// - binary garbage never breaks parsing: lines end at CR, LF or CRLF.
// Blanks are spaces, tabs, VT, FF and the DOS end-of-file byte 0x1A; none of them can be a GBK
// trail byte, so trimming never splits a character.
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

  // The value, or `fallback` (without trailing blanks, quotes kept) when the section or key is
  // missing. Never longer than kMaxValue.
  std::string Get(BytesView section, BytesView key, BytesView fallback = "") const;
  bool HasSection(BytesView section) const;
  // In file order, duplicates included, empty names left out (the Windows list of names is
  // NUL-separated, so an empty name would end it).
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(BytesView section) const;  // of the first such section

  // Writing keeps the order of sections and keys; a new key goes at the end of the first
  // section of that name, a new section at the end of the document.
  void Set(BytesView section, BytesView key, BytesView value);
  Bytes Serialize() const;  // CRLF line ends

 private:
  // Comments and bare key lines are kept so that a document written back keeps them.
  enum class Kind { kKeyValue, kBareKey, kComment };
  struct Entry {
    Kind kind = Kind::kKeyValue;
    std::string key;    // trimmed; the whole line for a comment
    std::string value;  // trimmed, quotes kept
  };
  struct Section {
    bool has_header = true;  // false only for the lines before the first section
    std::string name;
    std::vector<Entry> entries;
  };
  const Section* FindSection(BytesView name) const;
  std::vector<Section> sections_;
};

}  // namespace ini
