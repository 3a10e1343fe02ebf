#include "archiver/command_line.h"

#include "common/text.h"

namespace archiver {
namespace {

// Components of an archive path or a wildcard, split by GBK characters so that a trail byte
// equal to "\" never separates; empty and "." components name nothing.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  for (std::string& part : text::SplitPath(path, text::PathSeparators::kBothSlashes))
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
  return parts;
}

// The characters of `s`: a GBK character is one, so a trail byte equal to "*" is never read
// as a wildcard.
std::vector<std::string> Chars(const std::string& s) {
  std::vector<std::string> chars;
  for (size_t i = 0; i < s.size();) {
    size_t n = text::GbkCharLength(s, i);
    chars.push_back(s.substr(i, n));
    i += n;
  }
  return chars;
}

bool SameChar(const std::string& a, const std::string& b) {
  return a.size() == b.size() && text::EqualsIgnoreCaseAscii(a, b);
}

// Wildcard match within one component; "*" backtracks to its last position only, which is
// enough because every "*" can absorb what a later one would.
bool MatchComponent(const std::string& pattern, const std::string& name) {
  std::vector<std::string> p = Chars(pattern), n = Chars(name);
  size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == "*") {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() && (p[pi] == "?" || SameChar(p[pi], n[ni]))) {
      ++pi;
      ++ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// Switch names a "/" may introduce; anything else starting with "/" is a (Linux) path.
bool KnownSwitch(const std::string& s) {
  std::string lower = text::ToLowerAscii(s);
  if (lower == "hide" || lower == "y" || lower == "r" || lower == "r-" || lower == "r0") return true;
  if (lower.empty()) return false;
  return lower[0] == 'p' || lower[0] == 'o' || lower.rfind("x!", 0) == 0 ||
         lower.rfind("xr", 0) == 0 || lower.rfind("i!", 0) == 0 || lower.rfind("ir", 0) == 0;
}

// "-x!name", "-xr!name", "-xr-!name", "-xr0!name" (and the same with "i"). `mode` is -1 when
// no recursion type is given (the global one then applies), else 0 off, 1 on, 2 wildcards.
bool ParseListSwitch(const std::string& body, int* mode, std::string* name) {
  size_t i = 1;
  *mode = -1;
  if (i < body.size() && (body[i] == 'r' || body[i] == 'R')) {
    *mode = 1;
    ++i;
    if (i < body.size() && body[i] == '-') {
      *mode = 0;
      ++i;
    } else if (i < body.size() && body[i] == '0') {
      *mode = 2;
      ++i;
    }
  }
  if (i >= body.size() || body[i] != '!') return false;  // list files (@) are not supported
  *name = body.substr(i + 1);
  return true;
}

bool Recursive(int mode, const std::string& name) {
  return mode == 1 || (mode == 2 && HasWildcard(name));
}

}  // namespace

std::vector<std::string> SplitArguments(const std::string& line, std::vector<bool>* quoted) {
  std::vector<std::string> args;
  std::vector<bool> quotes;
  std::string current;
  bool inArg = false, inQuotes = false, hadQuote = false;
  for (size_t i = 0; i < line.size();) {
    size_t n = text::GbkCharLength(line, i);
    char c = line[i];
    if (n == 1 && c == '"') {
      inQuotes = !inQuotes;
      inArg = hadQuote = true;
    } else if (n == 1 && (c == ' ' || c == '\t') && !inQuotes) {
      if (inArg) {
        args.push_back(current);
        quotes.push_back(hadQuote);
      }
      current.clear();
      inArg = hadQuote = false;
    } else {
      current.append(line, i, n);
      inArg = true;
    }
    i += n;
  }
  if (inArg) {
    args.push_back(current);
    quotes.push_back(hadQuote);
  }
  if (quoted) *quoted = quotes;
  return args;
}

bool ParseCommand(const std::string& line, Command* out, std::string* error) {
  *out = Command();
  std::vector<bool> quoted;
  std::vector<std::string> args = SplitArguments(line, &quoted);
  bool switchesEnded = false;
  int recurse = 0;
  std::vector<std::string> names;
  struct Listed {
    std::string name;
    int mode;
    bool exclude;
  };
  std::vector<Listed> listed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool isSwitch = !switchesEnded && !arg.empty() &&
                    (arg[0] == '-' || (arg[0] == '/' && !quoted[i] && KnownSwitch(arg.substr(1))));
    if (isSwitch) {
      std::string body = arg.substr(1);
      std::string lower = text::ToLowerAscii(body);
      if (body == "-") {
        switchesEnded = true;
      } else if (lower == "hide") {
        out->hide = true;
      } else if (lower == "y") {
        out->yes = true;
      } else if (lower == "r") {
        recurse = 1;
      } else if (lower == "r-") {
        recurse = 0;
      } else if (lower == "r0") {
        recurse = 2;
      } else if (!lower.empty() && lower[0] == 'p') {
        out->password = body.substr(1);
      } else if (!lower.empty() && lower[0] == 'o') {
        out->destination = body.substr(1);
      } else if (!lower.empty() && (lower[0] == 'x' || lower[0] == 'i')) {
        Listed l;
        if (!ParseListSwitch(body, &l.mode, &l.name) || l.name.empty()) {
          *error = "unsupported switch: " + arg;
          return false;
        }
        l.exclude = lower[0] == 'x';
        listed.push_back(l);
      } else if (lower == "ao" || lower.rfind("ao", 0) == 0 || lower == "bd") {
        // overwrite modes and progress display: we always overwrite and show nothing
      } else {
        *error = "unknown switch: " + arg;
        return false;
      }
      continue;
    }
    if (out->command == 0) {
      std::string lower = text::ToLowerAscii(arg);
      if (lower != "x" && lower != "e") {
        *error = "unknown command: " + arg;
        return false;
      }
      out->command = lower[0];
      continue;
    }
    bool endsWithSeparator = text::EndsWithSeparator(arg, text::PathSeparators::kBothSlashes);
    if (endsWithSeparator && arg[0] != '-' && !out->archive.empty()) {
      out->destination = arg;  // the base folder of the job
    } else if (out->archive.empty()) {
      out->archive = arg;
    } else if (!arg.empty()) {
      names.push_back(arg);
    }
  }
  if (out->command == 0) {
    *error = "no command";
    return false;
  }
  if (out->archive.empty()) {
    *error = "no archive name";
    return false;
  }
  for (const std::string& n : names) out->includes.push_back({n, Recursive(recurse, n)});
  for (const Listed& l : listed) {
    Pattern p{l.name, Recursive(l.mode < 0 ? recurse : l.mode, l.name)};
    (l.exclude ? out->excludes : out->includes).push_back(p);
  }
  return true;
}

bool MatchesPattern(const Pattern& pattern, const std::string& path) {
  std::vector<std::string> p = Components(pattern.text), e = Components(path);
  if (p.empty() || p.size() > e.size()) return false;
  size_t lastStart = pattern.recursive ? e.size() - p.size() : 0;
  for (size_t start = 0; start <= lastStart; ++start) {
    bool all = true;
    for (size_t i = 0; i < p.size() && all; ++i) all = MatchComponent(p[i], e[start + i]);
    if (all) return true;
  }
  return false;
}

bool IsSelected(const Command& command, const std::string& path) {
  bool included = command.includes.empty();
  for (const Pattern& p : command.includes) {
    if (included) break;
    included = MatchesPattern(p, path);
  }
  if (!included) return false;
  for (const Pattern& p : command.excludes)
    if (MatchesPattern(p, path)) return false;
  return true;
}

}  // namespace archiver
