#include "tools/pack/project_check.h"

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "common/text.h"
#include "platform/platform.h"
#include "package/data_keys.h"
#include "package/package_types.h"
#include "tools/pack/page_texts.h"
#include "tools/pack/plugins.h"
#include "tools/pack/project_text.h"

namespace fs = std::filesystem;

namespace {

std::string U(const std::string& gbk) { return plat::GbkToUtf8(gbk); }

// A list of numbered items: a count key, and per item i the keys prefix + i.
struct ItemList {
  std::string countKey;
  std::vector<std::string> required;  // prefixes every item 1..count needs
};

// How the keys of a section are checked.
struct SectionRule {
  std::set<std::string> fixed;     // keys allowed as they are
  std::set<std::string> numbered;  // keys allowed with a number 1, 2, ... behind them
  ItemList items;                  // when countKey is set: numbers beyond the count are errors
};

const std::map<std::string, SectionRule>& Rules() {
  static const std::map<std::string, SectionRule> rules = [] {
    std::map<std::string, SectionRule> r;
    r[keys::kMainSection].fixed = {
        keys::kProductName, keys::kVersion, keys::kCompany, keys::kMainProgram,
        keys::kPackingMode, keys::kVolumeCount, keys::kVolumeNames, keys::kVolumeSize,
        keys::kShowSpace, keys::kUncompressedSize, keys::kArchiveFileName,
        keys::kInstallLocation, keys::kBrowseAutoAppend, keys::kAutoAppendPath,
        keys::kPreferSecondPath, keys::kLicenceAccepted, keys::kInstallPassword,
        keys::kArchivePasswordText, keys::kMakeUninstaller, keys::kUninstallMode,
        keys::kUninstallKey64, keys::kTaskbarProgress, keys::kDetailListMode,
        keys::kInstallMode, keys::kShowFinishPage, keys::kBasicComponentTick};
    r[keys::kCommandLineSection].fixed = {"p", "jp", "hp", "hideend"};
    r[keys::kPathRulesSection].fixed = {"ch", "zwj", "fb"};
    r[keys::kPageVisibilitySection].fixed = {"选择组件可视", "浏览目录可视"};
    for (const char* list : {keys::kUninstallOptionsSection, keys::kFinishOptionsSection}) {
      r[list].fixed = {"y", "次数"};
      r[list].numbered = {"标题", "可视", "选中", "程序"};
      r[list].items = {"次数", {"标题"}};
    }
    r[keys::kFinishWebSection].fixed = {"显示", "网页地址", "选项标题"};
    r[keys::kFinishRunSection].fixed = {"显示", "文件路径", "选项标题"};
    r[keys::kFinishMainProgramSection].fixed = {"显示"};
    SectionRule& shortcuts = r[keys::kShortcutSection];
    shortcuts.fixed = {"欲运行的次数"};
    shortcuts.numbered = {"参数快捷方式名", "参数文件名", "参数命令行", "参数生成位置",
                          "参数是否卸载", "快捷方式图标", "快捷方式描述"};
    shortcuts.items = {"欲运行的次数", {"参数快捷方式名", "参数文件名", "参数生成位置"}};
    SectionRule& run = r[keys::kAfterUnpackSection];
    run.fixed = {"欲运行的次数"};
    run.numbered = {"是否外部运行", "参数运行文件名", "是否隐藏窗口", "是否等待返回", "作用方案"};
    run.items = {"欲运行的次数", {"参数运行文件名"}};
    SectionRule& uninstall = r[keys::kUninstallCommandsSection];
    uninstall.fixed = {"欲运行的次数"};
    uninstall.numbered = {"是否外部运行", "参数运行文件名", "是否隐藏窗口", "是否等待返回"};
    uninstall.items = {"欲运行的次数", {"参数运行文件名"}};
    return r;
  }();
  return rules;
}

// The number behind one of the rule's numbered prefixes: 0 when the key is not numbered.
int NumberedKey(const SectionRule& rule, const std::string& key, std::string* prefixOut = nullptr) {
  for (const std::string& prefix : rule.numbered) {
    if (key.size() <= prefix.size() || !text::StartsWith(key, prefix)) continue;
    const std::string number = key.substr(prefix.size());
    if (number.find_first_not_of("0123456789") == std::string::npos && number[0] != '0' &&
        number.size() < 6) {
      if (prefixOut) *prefixOut = prefix;
      return std::stoi(number);
    }
  }
  return 0;
}

std::string CheckItemList(const std::string& path, const IniSection& section, const SectionRule& rule) {
  if (rule.items.countKey.empty()) return "";
  const IniEntry* countEntry = section.Find(rule.items.countKey);
  int count = 0;
  if (countEntry) {
    if (!IsDecimal(countEntry->value) || countEntry->value[0] == '-')
      return Where(path, countEntry->line, rule.items.countKey + " needs a number, not \"" +
                                               countEntry->value + "\"");
    count = text::ToInt(countEntry->value);
  }
  for (const IniEntry& e : section.entries) {
    const int n = NumberedKey(rule, e.key);
    if (n > count)
      return Where(path, e.line, "\"" + e.key + "\" is item " + std::to_string(n) + " but " +
                                     rule.items.countKey + "=" + std::to_string(count) +
                                     " (the runtime reads only the first " + std::to_string(count) + ")");
  }
  for (int i = 1; i <= count; ++i)
    for (const std::string& prefix : rule.items.required)
      if (!section.Find(prefix + std::to_string(i)))
        return Where(path, countEntry->line, "item " + std::to_string(i) + " has no \"" +
                                                 prefix + std::to_string(i) + "\"");
  return "";
}

std::string CheckDataIniText(const ProjectText& file) {
  std::vector<IniSection> sections;
  if (std::string error = ParseProjectIni(file, sections); !error.empty()) return error;
  std::map<std::string, int> firstLine;
  for (const IniSection& section : sections) {
    if (section.name.empty() && !section.entries.empty())
      return Where(file.path, section.entries[0].line, "key before the first section");
    auto found = Rules().find(section.name);
    if (found == Rules().end())
      return Where(file.path, section.line, "unknown section [" + section.name + "]");
    // The runtime reads only the first of two sections with one name.
    if (const auto seen = firstLine.find(section.name); seen != firstLine.end())
      return Where(file.path, section.line, "section [" + section.name + "] again (first on line " +
                                                std::to_string(seen->second) + ")");
    firstLine[section.name] = section.line;
    const SectionRule& rule = found->second;
    std::set<std::string> keysSeen;
    for (const IniEntry& e : section.entries) {
      if (!rule.fixed.count(e.key) && NumberedKey(rule, e.key) == 0)
        return Where(file.path, e.line, "unknown key \"" + e.key + "\" in [" + section.name + "]");
      if (!keysSeen.insert(e.key).second)
        return Where(file.path, e.line, "key \"" + e.key + "\" again in [" + section.name + "]");
      // The product name becomes a folder name (Programs + name, the temp folder + name) that
      // the uninstaller deletes with its contents: ".." or "a\b" would widen that deletion.
      if (section.name == keys::kMainSection && e.key == keys::kProductName &&
          !text::IsPlainFolderName(e.value))
        return Where(file.path, e.line, "\"" + e.key + "\" must be one plain folder name (not "
                                        "empty, \".\" or \"..\", without \\ / : * ? \" < > | "
                                        "and without a trailing blank or dot), not \"" + e.value +
                                        "\"");
      // The launcher holds the name in a field of fixed length (set in place by the build).
      if (section.name == keys::kMainSection && e.key == keys::kProductName &&
          plat::Utf8ToGbk(e.value).size() > package::kLauncherNameMaxBytes)
        return Where(file.path, e.line, "\"" + e.key + "\" is " +
                                        std::to_string(plat::Utf8ToGbk(e.value).size()) +
                                        " bytes in GBK; the uninstaller's name field holds " +
                                        std::to_string(package::kLauncherNameMaxBytes));
    }
    if (std::string error = CheckItemList(file.path, section, rule); !error.empty()) return error;
  }
  return "";
}

// --- Except.ini: "folder,-1" opens a group, every other line names an archive entry of it.
std::string CheckAssignments(const ProjectText& file, const fs::path& payload) {
  bool group = false;
  for (size_t i = 0; i < file.lines.size(); ++i) {
    const TextLine& line = file.lines[i];
    if (line.text.empty()) {
      if (i + 1 == file.lines.size()) break;  // the file's last line end
      return Where(file.path, line.number, "empty line (it would name an entry without a name)");
    }
    const auto fields = text::Split(line.text, ",");
    if (fields.size() >= 2 && fields[1] == "-1") {
      if (fields[0].empty()) return Where(file.path, line.number, "a group without a destination folder");
      group = true;
      continue;
    }
    if (!group)
      return Where(file.path, line.number, "an entry before the first group (a line \"folder,-1\")");
    const std::string entry = fields[0];
    if (entry.find_first_of("*?") != std::string::npos) continue;
    const std::string relative = text::ReplaceAll(U(entry), "\\", "/");
    if (relative.empty() || !fs::exists(payload / relative))
      return Where(file.path, line.number, "\"" + entry + "\" is not in payload/ (entries are paths "
                                                              "inside the payload, folders joined with \\)");
  }
  return "";
}

// --- choosegment.ini: blocks of four sections, the block "Treelists" describing the tree.
constexpr char kTreeBlock[] = "Treelists";
constexpr char kOpenBrace[] = "｛";
constexpr char kCloseBrace[] = "｝";
const char* const kSections[] = {"Install", "Unzip", "finish", "describe"};

struct ScriptBlock {
  std::string name;
  int line = 0;
  std::map<std::string, std::vector<TextLine>> sections;  // content lines; the first is the
                                                          // text right after "(){"
};

bool IsMark(const std::string& line) {
  for (const char* mark : {"setdesktop()", "setstartmenu()", "setquicklaunch()"})
    if (text::Contains(line, mark)) return true;
  return false;
}

std::string CheckScriptLine(const std::string& path, const TextLine& line) {
  if (line.text.empty() || IsMark(line.text)) return "";
  if (!text::StartsWith(line.text, "[真]") && !text::StartsWith(line.text, "[假]"))
    return Where(path, line.number, "a script line reads [真]command or [假]command");
  return "";
}

std::string CheckTree(const std::string& path, const ScriptBlock& tree, std::vector<std::string>& items) {
  const auto install = tree.sections.find("Install");
  if (install != tree.sections.end()) {
    const auto& lines = install->second;
    if (lines.size() > 1 && lines[0].text.empty())
      return Where(path, lines[0].number, "the first tree line follows \"Install(){\" on the same line "
                                          "(an empty line would be an item without text)");
    for (const TextLine& line : lines) {
      const auto fields = text::Split(line.text, "$,");
      if (fields.size() < 4)
        return Where(path, line.number, "a tree line needs at least four fields separated by \"$,\": "
                                        "text$,parent$,ticked$,expanded");
      if (fields[0].empty()) return Where(path, line.number, "a tree item without text");
      if (!IsDecimal(fields[1])) return Where(path, line.number, "parent index \"" + fields[1] + "\" is no number");
      const int parent = text::ToInt(fields[1]);
      if (parent >= int(items.size()))
        return Where(path, line.number, "parent index " + fields[1] + " names no earlier item (-1: top level)");
      if (fields[2] != "0" && fields[2] != "1") return Where(path, line.number, "ticked is 0 or 1");
      if (fields.size() >= 6 && !fields[5].empty() && !IsDecimal(fields[5]))
        return Where(path, line.number, "item value \"" + fields[5] + "\" is no number");
      items.push_back(fields[0]);
    }
  }
  const auto unzip = tree.sections.find("Unzip");
  if (unzip != tree.sections.end()) {
    std::string geometry;
    for (const TextLine& line : unzip->second) geometry += line.text;
    const auto parts = text::Split(geometry, ",");
    bool numbers = parts.size() == 4;
    for (const std::string& p : parts) numbers = numbers && IsDecimal(text::TrimBlanks(p));
    if (!geometry.empty() && !numbers)
      return Where(path, unzip->second[0].number, "the tree geometry is left,top,width,height");
  }
  return "";
}

std::string CheckScript(const ProjectText& file) {
  std::vector<ScriptBlock> blocks;
  enum { kBetween, kBrace, kInBlock, kInSection } state = kBetween;
  std::string section;
  int sectionIndex = -1;
  int lastLine = 0;
  for (const TextLine& line : file.lines) {
    lastLine = line.number;
    const std::string& t = line.text;
    if (state != kInSection && text::Contains(t, kCloseBrace) && t != kCloseBrace)
      return Where(file.path, line.number, "\"｝\" stands alone on its line");
    switch (state) {
      case kBetween:
        if (t.empty()) break;
        if (text::Contains(t, kOpenBrace) || t == kCloseBrace)
          return Where(file.path, line.number, "a block starts with its name on a line of its own");
        for (const ScriptBlock& b : blocks)
          if (b.name == t)
            return Where(file.path, line.number, "block \"" + t + "\" again (first on line " +
                                                     std::to_string(b.line) + "; only the first is found)");
        blocks.push_back({t, line.number, {}});
        sectionIndex = -1;
        state = kBrace;
        break;
      case kBrace:
        if (t != kOpenBrace) return Where(file.path, line.number, "\"｛\" on the line after the block name");
        state = kInBlock;
        break;
      case kInBlock: {
        if (t.empty()) break;
        if (t == kCloseBrace) {
          state = kBetween;
          break;
        }
        const size_t open = t.find("(){");
        int index = -1;
        for (int i = 0; i < 4 && open != std::string::npos; ++i)
          if (t.substr(0, open) == kSections[i]) index = i;
        if (index < 0)
          return Where(file.path, line.number, "expected Install(){, Unzip(){, finish(){, describe(){ or \"｝\"");
        if (index <= sectionIndex)
          return Where(file.path, line.number, std::string(kSections[index]) +
                                                   " comes after the sections before it (Install, Unzip, finish, describe, each once)");
        sectionIndex = index;
        section = kSections[index];
        blocks.back().sections[section].push_back({line.number, t.substr(open + 3)});
        state = kInSection;
        if (text::EndsWith(t, "}") && t.size() > open + 3)
          return Where(file.path, line.number, "the closing \"}\" of a section stands on a line of its own");
        break;
      }
      case kInSection:
        if (t == "}") {
          state = kInBlock;
          break;
        }
        if (!t.empty() && t[0] == '}')
          return Where(file.path, line.number, "a content line cannot start with \"}\" (it would end the section)");
        if (text::Contains(t, kCloseBrace))
          return Where(file.path, line.number, "content cannot hold \"｝\" (it would end the block)");
        blocks.back().sections[section].push_back(line);
        break;
    }
  }
  if (state == kBrace || state == kInBlock || state == kInSection)
    return Where(file.path, lastLine, "the document ends inside block \"" + blocks.back().name + "\"");

  std::vector<std::string> items;
  const ScriptBlock* tree = nullptr;
  for (const ScriptBlock& b : blocks)
    if (b.name == kTreeBlock) tree = &b;
  if (tree) {
    if (std::string error = CheckTree(file.path, *tree, items); !error.empty()) return error;
  } else {
    items = {"基本组件", "桌面快捷方式", "开始菜单组件", "快速启动栏"};
  }
  for (size_t i = 0; i < blocks.size(); ++i) {
    const ScriptBlock& b = blocks[i];
    if (b.name == kTreeBlock) continue;
    bool named = false;
    for (const std::string& item : items) named = named || item == b.name;
    if (!named)
      return Where(file.path, b.line, "block \"" + b.name + "\" names no item of the component tree");
    // The runtime searches for name + line end + brace, so an earlier block whose name ends
    // with this one would be found instead.
    for (size_t j = 0; j < i; ++j)
      if (text::EndsWith(blocks[j].name, b.name))
        return Where(file.path, b.line, "block \"" + b.name + "\" would be found at block \"" +
                                            blocks[j].name + "\" (line " + std::to_string(blocks[j].line) +
                                            "), whose name ends the same way: put it first");
    for (const char* s : {"Install", "Unzip", "finish"}) {
      const auto found = b.sections.find(s);
      if (found == b.sections.end()) continue;
      for (const TextLine& line : found->second)
        if (std::string error = CheckScriptLine(file.path, line); !error.empty()) return error;
    }
  }
  return "";
}

// --- registry.ini
const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER",
                              "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

std::string CheckRegistry(const ProjectText& file, const fs::path& project) {
  std::vector<IniSection> sections;
  if (std::string error = ParseProjectIni(file, sections); !error.empty()) return error;
  int expected = 0;
  for (const IniSection& s : sections) {
    if (s.name != std::to_string(++expected))
      return Where(file.path, s.line, "entries are numbered [1], [2], ... in order; expected [" +
                                          std::to_string(expected) + "]");
    for (const IniEntry& e : s.entries) {
      static const std::set<std::string> known = {"path", "type", "data", "file", "remove", "name", "view"};
      if (!known.count(e.key)) return Where(file.path, e.line, "unknown registry key \"" + e.key + "\"");
    }
    const IniEntry* path = s.Find("path");
    const IniEntry* type = s.Find("type");
    if (!type) return Where(file.path, s.line, "entry without type= (REG_SZ, REG_BINARY, REG_DWORD or file)");
    const std::string t = type->value;
    if (t != "REG_SZ" && t != "REG_BINARY" && t != "REG_DWORD" && t != "file")
      return Where(file.path, type->line, "type \"" + t + "\": REG_SZ, REG_BINARY, REG_DWORD or file");
    if (t != "file") {
      if (!path) return Where(file.path, s.line, "entry without path=");
      bool rooted = false;
      for (const char* root : kRoots) rooted = rooted || text::StartsWith(path->value, std::string(root) + "\\");
      if (!rooted) return Where(file.path, path->line, "path starts with a root (HKEY_CURRENT_USER\\..., ...)");
    }
    const IniEntry* data = s.Find("data");
    const IniEntry* regFile = s.Find("file");
    if (t == "file") {
      if (!regFile) return Where(file.path, s.line, "a file entry names its .reg text with file=");
      if (data) return Where(file.path, data->line, "a file entry takes file=, not data=");
      ProjectText reg;
      const fs::path regPath = project / U(regFile->value);
      if (std::string error = ReadProjectText(regPath.string(), reg); !error.empty()) return error;
      if (!reg.exists) return Where(file.path, regFile->line, regFile->value + " missing");
    } else if (regFile) {
      return Where(file.path, regFile->line, "file= belongs to type=file entries");
    }
    if (t == "REG_DWORD" && data && !IsDecimal(data->value))
      return Where(file.path, data->line, "REG_DWORD data is a decimal number");
    if (t == "REG_BINARY" && data) {
      const std::string hex = text::ReplaceAll(data->value, " ", "");
      if (hex.size() % 2 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return Where(file.path, data->line, "REG_BINARY data is pairs of hexadecimal digits (AB CD 01)");
    }
    if (const IniEntry* remove = s.Find("remove"); remove && !remove->value.empty() &&
                                                    remove->value != "真" && remove->value != "假")
      return Where(file.path, remove->line, "remove takes 真 or 假");
    if (const IniEntry* view = s.Find("view"); view && !view->value.empty() && view->value != "64" &&
                                                view->value != "32")
      return Where(file.path, view->line, "view takes 64 or 32");
  }
  return "";
}

// --- variable.ini: one section per %Name%, key 数据.
std::string CheckVariables(const ProjectText& file, const fs::path& project) {
  std::vector<IniSection> sections;
  if (std::string error = ParseProjectIni(file, sections); !error.empty()) return error;
  for (const IniSection& s : sections) {
    if (s.name.size() < 3 || s.name.front() != '%' || s.name.back() != '%')
      return Where(file.path, s.line, "a variable section is named %Name%");
    for (const IniEntry& e : s.entries) {
      if (e.key != "数据") return Where(file.path, e.line, "a variable has only the key 数据");
      if (text::StartsWith(e.value, "#资源数据_") && !fs::exists(project / "var_data" / U(e.value)))
        return Where(file.path, e.line, "resource item var_data/" + e.value + " missing");
    }
  }
  return "";
}

// --- skin/: pictures the runtime reads by name.
const char* const kSkinPictures[] = {"界面图片.jpg", "界面小图片.jpg", "界面安装时图像.jpg",
                                     "界面大图片.jpg", "卸载程序图标.ico"};

std::string CheckSkin(const fs::path& folder) {
  if (!fs::is_directory(folder)) return "";
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (!IsSkinPictureName(name))
      return Where(entry.path().string(), 0, "not a picture the runtime reads (界面图片.jpg, 界面小图片.jpg, "
                                             "界面安装时图像.jpg, 界面大图片.jpg, 卸载程序图标.ico)");
    std::ifstream in(entry.path(), std::ios::binary);
    char head[4] = {};
    in.read(head, 4);
    const std::string h(head, 4);
    const bool icon = text::EndsWith(name, ".ico");
    const bool ok = icon ? h == std::string("\0\0\1\0", 4)
                         : (h.substr(0, 2) == "\xFF\xD8" || h == "\x89PNG" || h.substr(0, 2) == "BM" ||
                            h == "GIF8");
    if (!ok)
      return Where(entry.path().string(), 0, icon ? "not an icon file" : "not a JPEG, PNG, BMP or GIF picture");
  }
  return "";
}

}  // namespace

bool IsSkinPictureName(const std::string& utf8Name) {
  for (const char* name : kSkinPictures)
    if (utf8Name == U(name)) return true;
  return false;
}

std::string CheckDataIni(const std::string& path) {
  ProjectText file;
  if (std::string error = ReadProjectText(path, file); !error.empty()) return error;
  if (!file.exists) return Where(path, 0, "missing (a project needs its data.ini)");
  return CheckDataIniText(file);
}

std::string CheckProject(const std::string& projectDir) {
  const fs::path project(projectDir);
  if (std::string error = CheckDataIni((project / "data.ini").string()); !error.empty()) return error;
  struct TextCheck {
    const char* file;
    std::function<std::string(const ProjectText&)> check;
  } checks[] = {
      {"GUItext.ini", CheckPageTexts},
      {"Except.ini", [&](const ProjectText& f) { return CheckAssignments(f, project / "payload"); }},
      {"choosegment.ini", CheckScript},
      {"registry.ini", [&](const ProjectText& f) { return CheckRegistry(f, project); }},
      {"variable.ini", [&](const ProjectText& f) { return CheckVariables(f, project); }},
      {"QZRDLL_s.ini", [&](const ProjectText& f) { return CheckStoredPluginList(f.path, f.Gbk()); }},
  };
  for (const TextCheck& c : checks) {
    ProjectText file;
    if (std::string error = ReadProjectText((project / c.file).string(), file); !error.empty()) return error;
    if (!file.exists) continue;
    if (std::string error = c.check(file); !error.empty()) return error;
  }
  if (fs::exists(project / "plugins.ini") && (fs::exists(project / "QZRDLL_s.ini") || fs::exists(project / "QZRDLL.db")))
    return Where((project / "plugins.ini").string(), 0, "plugins.ini and QZRDLL_s.ini/QZRDLL.db together: keep one");
  PluginFiles plugins;
  if (std::string error = CompilePlugins(projectDir, plugins); !error.empty()) return error;
  return CheckSkin(project / "skin");
}
