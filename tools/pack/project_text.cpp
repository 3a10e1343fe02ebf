#include "tools/pack/project_text.h"

#include <fstream>
#include <iterator>

#include "common/text.h"
#include "platform/platform.h"

std::string ProjectText::Gbk() const {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    out += lines[i].text;
  }
  return out;
}

std::string Where(const std::string& path, int line, const std::string& what) {
  return path + ":" + std::to_string(line) + ": " + plat::GbkToUtf8(what);
}

std::string ReadProjectText(const std::string& path, ProjectText& out) {
  out = ProjectText();
  out.path = path;
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  out.exists = true;
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int number = 0;
  for (std::string line : text::Split(utf8, "\n")) {
    ++number;
    if (number == 1 && text::StartsWith(line, "\xEF\xBB\xBF")) line.erase(0, 3);
    if (text::EndsWith(line, "\r")) line.pop_back();
    bool ok = true;
    std::string gbk = plat::Utf8ToGbk(line, &ok);
    if (!ok) return Where(path, number, "text that GBK cannot represent");
    out.lines.push_back({number, gbk});
  }
  return "";
}

const IniEntry* IniSection::Find(const std::string& key) const {
  for (const IniEntry& e : entries)
    if (e.key == key) return &e;
  return nullptr;
}

std::string ParseProjectIni(const ProjectText& file, std::vector<IniSection>& out) {
  out.clear();
  for (const TextLine& raw : file.lines) {
    const std::string line = text::TrimWhitespace(raw.text);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      if (close == std::string::npos)
        return Where(file.path, raw.number, "section name without \"]\"");
      out.push_back({line.substr(1, close - 1), raw.number, {}});
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
      return Where(file.path, raw.number, "a line that is neither [section] nor key=value");
    if (out.empty()) out.push_back({"", raw.number, {}});
    out.back().entries.push_back({text::TrimWhitespace(line.substr(0, equals)),
                                  text::TrimWhitespace(line.substr(equals + 1)), raw.number});
  }
  return "";
}

bool IsDecimal(const std::string& s) {
  const size_t digits = !s.empty() && s[0] == '-' ? 1 : 0;
  return s.size() > digits && s.find_first_not_of("0123456789", digits) == std::string::npos;
}
