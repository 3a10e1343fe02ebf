#include "tools/pack/project_check.h"

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "common/text.h"
#include "platform/platform.h"
#include "startup/data_keys.h"

namespace {

// How the keys of a section are checked.
struct SectionRule {
  std::set<std::string> fixed;     // keys allowed as they are
  std::set<std::string> numbered;  // keys allowed with a number 1, 2, ... behind them
  bool anyKey = false;             // per-item keys owned by other parts of the runtime
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
    r["安装包命令行"].fixed = {"p", "jp", "hp", "hideend"};
    r["ml"].fixed = {"ch", "zwj", "fb"};
    r["界面_可视"].fixed = {"选择组件可视", "浏览目录可视"};
    for (const char* list : {"卸载选项_列表", "完成后选项_列表"}) {
      r[list].fixed = {"y", "次数"};
      r[list].numbered = {"标题", "可视", "选中", "程序"};
    }
    r["完成后选项_访问网络"].fixed = {"显示", "网页地址", "选项标题"};
    r["完成后选项_执行程序"].fixed = {"显示", "文件路径", "选项标题"};
    r["完成后选项_主运行程序"].fixed = {"显示"};
    for (const char* items : {"新建快捷方式参数", "解压后运行的参数", "卸载时运行命令"})
      r[items].anyKey = true;
    return r;
  }();
  return rules;
}

bool KeyAllowed(const SectionRule& rule, const std::string& key) {
  if (rule.anyKey || rule.fixed.count(key)) return true;
  for (const std::string& prefix : rule.numbered) {
    if (key.size() <= prefix.size() || !text::StartsWith(key, prefix)) continue;
    const std::string number = key.substr(prefix.size());
    if (number.find_first_not_of("0123456789") == std::string::npos && number[0] != '0')
      return true;
  }
  return false;
}

}  // namespace

std::string CheckDataIni(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return path + ":0: missing (a project needs its data.ini)";
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const SectionRule* rule = nullptr;
  std::string section;
  std::map<std::string, int> firstLine;
  int lineNumber = 0;
  for (std::string line : text::Split(utf8, "\n")) {
    ++lineNumber;
    const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
    if (lineNumber == 1 && text::StartsWith(line, "\xEF\xBB\xBF")) line.erase(0, 3);
    bool ok = true;
    line = text::TrimWhitespace(plat::Utf8ToGbk(line, &ok));
    if (!ok) return where + "text that GBK cannot represent";
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      if (close == std::string::npos) return where + "section name without \"]\"";
      section = line.substr(1, close - 1);
      auto found = Rules().find(section);
      if (found == Rules().end())
        return where + "unknown section [" + plat::GbkToUtf8(section) + "]";
      // The runtime reads only the first of two sections with one name.
      if (const auto seen = firstLine.find(section); seen != firstLine.end())
        return where + "section [" + plat::GbkToUtf8(section) + "] again (first on line " +
               std::to_string(seen->second) + ")";
      firstLine[section] = lineNumber;
      rule = &found->second;
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return where + "a line that is neither [section] nor key=value";
    if (!rule) return where + "key before the first section";
    const std::string key = text::TrimWhitespace(line.substr(0, equals));
    if (!KeyAllowed(*rule, key))
      return where + "unknown key \"" + plat::GbkToUtf8(key) + "\" in [" +
             plat::GbkToUtf8(section) + "]";
  }
  return "";
}
