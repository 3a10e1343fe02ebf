// Reading the human-edited text files of a package project: UTF-8 on disk, GBK in memory,
// each line with its number so that every complaint can name the file and line.
#pragma once

#include <string>
#include <vector>

struct TextLine {
  int number = 0;
  std::string text;  // GBK, without its line end
};

struct ProjectText {
  bool exists = false;
  std::string path;  // as given, for messages
  std::vector<TextLine> lines;
  // The whole file as GBK with CRLF line ends, the form the runtime's texts use.
  std::string Gbk() const;
};

// "path:line: what" (line 0 when the whole file is meant): `path` is the host's (UTF-8) and
// `what` GBK like every text of the project, so that literals and values mix freely.
std::string Where(const std::string& path, int line, const std::string& what);

// Reads `path` (a missing file gives exists = false and no error). A leading byte-order mark is
// dropped and CR LF is taken as LF. Returns "" or the message naming the first line that GBK
// cannot represent.
std::string ReadProjectText(const std::string& path, ProjectText& out);

// key=value files with [sections] and ';' comment lines.
struct IniEntry {
  std::string key, value;  // GBK, blanks around both removed
  int line = 0;
};
struct IniSection {
  std::string name;  // GBK; "" for keys before the first section
  int line = 0;
  std::vector<IniEntry> entries;
  const IniEntry* Find(const std::string& key) const;
};
// Returns "" or the message naming the first line that is neither a section, a key nor a
// comment. Keys before the first section land in a section with an empty name.
std::string ParseProjectIni(const ProjectText& text, std::vector<IniSection>& out);

// Decimal integer with an optional leading '-', nothing else.
bool IsDecimal(const std::string& s);
