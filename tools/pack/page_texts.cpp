#include "tools/pack/page_texts.h"

#include <vector>

#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "common/text.h"

namespace {

enum class Kind {
  kPlain,    // used as it is: no markup allowed
  kStyled,   // one optional font markup
  kColours,  // up to twelve decimal colours
  kButtons,  // up to six captions
  kList,     // comma-separated captions
};

struct PageKey {
  const char* name;
  Kind kind;
};

// In the order the runtime applies them.
const PageKey kKeys[] = {
    {"窗口标题", Kind::kPlain},  {"欢迎0", Kind::kStyled}, {"欢迎1", Kind::kStyled},
    {"协议0", Kind::kStyled},    {"协议1", Kind::kStyled}, {"协议2", Kind::kStyled},
    {"协议3", Kind::kStyled},    {"组件0", Kind::kStyled}, {"组件1", Kind::kStyled},
    {"组件2", Kind::kStyled},    {"组件3", Kind::kStyled}, {"目录0", Kind::kStyled},
    {"目录1", Kind::kStyled},    {"目录2", Kind::kStyled}, {"安装0", Kind::kStyled},
    {"安装1", Kind::kStyled},    {"完成0", Kind::kStyled}, {"完成1", Kind::kStyled},
    {"组件4", Kind::kStyled},    {"目录3", Kind::kStyled}, {"背景", Kind::kColours},
    {"树框", Kind::kStyled},     {"组件5", Kind::kStyled}, {"目录4", Kind::kPlain},
    {"协议4", Kind::kPlain},     {"目录5", Kind::kStyled}, {"安装2", Kind::kPlain},
    {"安装3", Kind::kList},      {"安装s", Kind::kStyled}, {"按钮", Kind::kButtons},
};

const PageKey* FindKey(const std::string& name) {
  for (const PageKey& k : kKeys)
    if (name == k.name) return &k;
  return nullptr;
}

constexpr char kMarkupStart[] = "<font";
constexpr char kMarkupEnd[] = "/>";

// "" or what is wrong with the value's font markup.
std::string CheckMarkup(const std::string& value) {
  const size_t at = value.find(kMarkupStart);
  if (at == std::string::npos) return "";
  const size_t close = value.find(kMarkupEnd, at);
  if (close == std::string::npos) return "font markup without \"/>\"";
  if (value.find(kMarkupStart, close) != std::string::npos)
    return "a second font markup (only the first is applied, the second would show as text)";
  const auto fields = text::Split(value.substr(at + 5, close - at - 5), ",");
  if (fields.size() != 5)
    return "font markup needs five fields (face,size,bold,colour,background), found " +
           std::to_string(fields.size());
  if (!fields[1].empty() && !IsDecimal(fields[1])) return "font size \"" + fields[1] + "\" is no number";
  if (!fields[2].empty() && fields[2] != "真" && fields[2] != "假")
    return "bold takes 真 or 假, not \"" + fields[2] + "\"";
  for (int i : {3, 4})
    if (!fields[i].empty() && !IsDecimal(fields[i]))
      return "colour \"" + fields[i] + "\" is no decimal number";
  return "";
}

std::string Unescape(const std::string& value) { return text::ReplaceAll(value, "\\n", "\r\n"); }

}  // namespace

std::string CheckPageTexts(const ProjectText& file) {
  std::vector<IniSection> sections;
  if (std::string error = ParseProjectIni(file, sections); !error.empty()) return error;
  for (const IniSection& section : sections) {
    if (!section.name.empty())
      return Where(file.path, section.line, "page texts take no sections, only key=value lines");
    std::vector<std::string> seen;
    for (const IniEntry& e : section.entries) {
      const std::string at = file.path;
      const PageKey* key = FindKey(e.key);
      if (!key) return Where(at, e.line, "unknown page text key \"" + e.key + "\"");
      for (const std::string& s : seen)
        if (s == e.key) return Where(at, e.line, "key \"" + e.key + "\" again");
      seen.push_back(e.key);
      const bool markup = e.value.find(kMarkupStart) != std::string::npos;
      switch (key->kind) {
        case Kind::kStyled:
          if (std::string why = CheckMarkup(e.value); !why.empty()) return Where(at, e.line, why);
          break;
        case Kind::kColours: {
          const auto colours = text::Split(e.value, ",");
          if (colours.size() > 12) return Where(at, e.line, "背景 takes twelve colours, found " +
                                                                std::to_string(colours.size()));
          for (const std::string& c : colours)
            if (!c.empty() && !IsDecimal(c))
              return Where(at, e.line, "colour \"" + c + "\" is no decimal number");
          break;
        }
        case Kind::kButtons:
          if (text::Split(e.value, ",").size() > 6)
            return Where(at, e.line, "按钮 takes six captions at most");
          [[fallthrough]];
        case Kind::kPlain:
        case Kind::kList:
          if (markup) return Where(at, e.line, "\"" + e.key + "\" is used as it is: no font markup");
          break;
      }
    }
  }
  return "";
}

Bytes StorePageTexts(const ProjectText& file, const std::map<std::string, std::string>& names) {
  std::vector<IniSection> sections;
  ParseProjectIni(file, sections);
  Bytes store;
  for (const PageKey& key : kKeys) {
    for (const IniSection& section : sections) {
      const IniEntry* e = section.Find(key.name);
      if (!e || e->value.empty()) continue;
      std::string value = Unescape(e->value);
      for (const auto& [name, replacement] : names) value = text::ReplaceAll(value, name, replacement);
      AppendKeyedItem(store, key.name, value, true);
    }
  }
  return cipher::Encipher(store, cipher::PassPhrase::kGuiText);
}

std::string ReadStoredPageTexts(BytesView stored) {
  const Bytes store = cipher::Decipher(stored, cipher::PassPhrase::kGuiText);
  std::string out;
  for (const PageKey& key : kKeys) {
    Bytes value;
    if (ReadKeyedItem(store, key.name, true, value))
      out += std::string(key.name) + "=" + text::ReplaceAll(value, "\r\n", "\\n") + "\n";
  }
  return out;
}
