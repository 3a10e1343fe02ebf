// Parsing the command lines of the Common Archiver API and matching their file names against
// archive entries, the way 7-Zip reads them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace archiver {

// One name or wildcard of the command line ("dir\*.txt"). Non-recursive patterns match from
// the root of the archive; recursive ones (-r, -xr!) also at any depth. A pattern that matches
// a folder selects everything inside it.
struct Pattern {
  std::string text;
  bool recursive = false;
};

struct Command {
  char command = 0;  // 'x' (with paths) or 'e' (without)
  bool hide = false;  // "-hide": callbacks instead of the family's own progress window
  bool yes = false;
  std::optional<std::string> password;  // "-p" with an empty text is a given, empty password
  std::string archive;
  std::string destination;  // "" = the current folder
  std::vector<Pattern> includes;
  std::vector<Pattern> excludes;
};

// Splits at blanks; a double quote toggles quoting anywhere in an argument and is dropped
// (no escapes: "C:\dest\" is the folder C:\dest\). `quoted` tells which arguments had quotes.
std::vector<std::string> SplitArguments(const std::string& line, std::vector<bool>* quoted = nullptr);

// Parses a whole command line. False (with `error` set) for an unknown command or switch, or
// a missing archive name.
bool ParseCommand(const std::string& line, Command* out, std::string* error);

// Wildcard match of one path against a pattern: "*" and "?" within a component, ASCII letters
// compared without case, "/" and "\" alike, GBK double-byte characters kept whole.
bool MatchesPattern(const Pattern& pattern, const std::string& path);

// Whether an entry path is selected: it matches an include (or there are none) and no exclude.
bool IsSelected(const Command& command, const std::string& path);

}  // namespace archiver
