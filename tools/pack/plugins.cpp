#include "tools/pack/plugins.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/compressed_block.h"
#include "common/keyed_store.h"
#include "common/text.h"
#include "package/plugin_files.h"
#include "platform/platform.h"
#include "tools/pack/project_text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSeparator = plugin_files::kEntrySeparator;
constexpr const char* kParamLine = plugin_files::kLineSeparator;
constexpr const char* kField = plugin_files::kFieldSeparator;
const char* const kTypes[] = {plugin_files::kTextType, plugin_files::kBytesType,
                              plugin_files::kIntegerType};
constexpr const char* kParamEnd = plugin_files::kParamEnd;

bool KnownType(const std::string& type) {
  for (const char* t : kTypes)
    if (type == t) return true;
  return false;
}

// The number behind "param", or 0 when the key is no parameter key.
int ParamNumber(const std::string& key) {
  if (!text::StartsWith(key, "param") || key.size() == 5) return 0;
  const std::string n = key.substr(5);
  if (n.find_first_not_of("0123456789") != std::string::npos || n[0] == '0' || n.size() > 4) return 0;
  return std::stoi(n);
}

}  // namespace

std::string CompilePlugins(const std::string& projectDir, PluginFiles& out) {
  out = PluginFiles();
  ProjectText file;
  if (std::string error = ReadProjectText((fs::path(projectDir) / "plugins.ini").string(), file);
      !error.empty())
    return error;
  if (!file.exists) return "";
  std::vector<IniSection> sections;
  if (std::string error = ParseProjectIni(file, sections); !error.empty()) return error;
  std::vector<std::string> settings, images;
  for (const IniSection& s : sections) {
    if (s.name.empty()) return Where(file.path, s.line, "a key before the first [plug-in] section");
    std::string function, mode, dll;
    std::vector<std::pair<int, std::string>> params;  // number, wire line
    int fileLine = 0;
    for (const IniEntry& e : s.entries) {
      if (e.key == "file") {
        dll = e.value;
        fileLine = e.line;
      } else if (e.key == "function") {
        function = e.value;
      } else if (e.key == "run") {
        if (e.value == "installer" || e.value == "0") mode = "0";
        else if (e.value == "uninstaller" || e.value == "1") mode = "1";
        else if (e.value == "both" || e.value == "2") mode = "2";
        else return Where(file.path, e.line, "run takes installer, uninstaller or both");
      } else if (const int n = ParamNumber(e.key); n > 0) {
        if (n > kMaxPluginParameters)
          return Where(file.path, e.line, e.key + ": more than " + std::to_string(kMaxPluginParameters) +
                                              " parameters (a plug-in function is called with 15)");
        const size_t comma = e.value.find(',');
        const std::string type = e.value.substr(0, comma);
        const std::string value = comma == std::string::npos ? "" : e.value.substr(comma + 1);
        if (!KnownType(type))
          return Where(file.path, e.line, "parameter type \"" + type +
                                              "\": 文本型, 字节集 or 整数型 followed by \",value\"");
        if (type == "整数型" && !IsDecimal(value))
          return Where(file.path, e.line, "整数型 needs a decimal integer, not \"" + value + "\"");
        if (text::Contains(value, "\\n") || text::Contains(value, kField))
          return Where(file.path, e.line, "a parameter value cannot hold a line break or \"$参数，\"");
        for (const auto& [number, line] : params)
          if (number == n) return Where(file.path, e.line, e.key + " again");
        params.emplace_back(n, kField + type + kField + value);
      } else {
        return Where(file.path, e.line, "unknown plug-in key \"" + e.key + "\"");
      }
    }
    if (dll.empty()) return Where(file.path, s.line, "plug-in without file=");
    if (function.empty()) return Where(file.path, s.line, "plug-in without function=");
    if (mode.empty()) return Where(file.path, s.line, "plug-in without run=");
    std::sort(params.begin(), params.end());
    std::vector<std::string> wire;
    for (const auto& [number, line] : params) {
      if (size_t(number) != wire.size() + 1)
        return Where(file.path, s.line, "param" + std::to_string(number) + " without param" +
                                            std::to_string(wire.size() + 1) + " (line k is argument k)");
      wire.push_back(line);
    }
    std::ifstream in(fs::path(projectDir) / plat::GbkToUtf8(dll), std::ios::binary);
    if (!in) return Where(file.path, fileLine, "plug-in file " + dll + " missing");
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text::Contains(image, kSeparator))
      return Where(file.path, fileLine, "the plug-in image holds the entry separator and cannot be stored");
    settings.push_back("DLLname" + function + "DLLname_end" + "DLLmd" + mode + "DLLmd_end" +
                       "DLLparam" + text::Join(wire, kParamLine) + kParamEnd);
    images.push_back(kParamEnd + image);
  }
  if (settings.empty()) return "";
  out.settings = text::Join(settings, kSeparator);
  out.images = block::Deflate(text::Join(images, kSeparator));
  return "";
}

std::string CheckStoredPluginList(const std::string& path, BytesView gbk) {
  size_t entryAt = 0;
  for (const std::string& entry : text::Split(gbk, kSeparator)) {
    const size_t open = text::Find(entry, "DLLparam");
    const size_t close = open == text::npos ? text::npos : text::Find(entry, kParamEnd, open + 8);
    if (open != text::npos && close != text::npos) {
      size_t at = open + 8;
      for (int line = 1; (at = text::Find(entry, kParamLine, at)) != text::npos && at < close; ++line) {
        at += std::string(kParamLine).size();
        if (line + 1 > kMaxPluginParameters) {
          const size_t absolute = entryAt + at;
          const int number = 1 + int(std::count(gbk.begin(), gbk.begin() + absolute, '\n'));
          return Where(path, number, "more than " + std::to_string(kMaxPluginParameters) +
                                         " parameters (a plug-in function is called with 15)");
        }
      }
    }
    entryAt += entry.size() + std::string(kSeparator).size();
  }
  return "";
}

bool DecodePlugins(BytesView settingsView, BytesView imagesView, DecodedPlugins& out) {
  out = DecodedPlugins();
  Bytes images(imagesView);
  if (!images.empty() && !text::StartsWith(images, "DLLname")) images = block::Inflate(images);
  if (settingsView.empty() && images.empty()) return true;
  const auto settings = text::Split(settingsView, kSeparator);
  const auto entries = text::Split(images, kSeparator);
  if (settings.size() != entries.size()) return false;
  for (size_t k = 0; k < settings.size(); ++k) {
    const std::string& s = settings[k];
    const std::string function = BytesBetween(s, "DLLname", "DLLname_end");
    const std::string mode = BytesBetween(s, "DLLmd", "DLLmd_end");
    const std::string params = BytesBetween(s, "DLLparam", kParamEnd);
    const char* run = mode == "0" ? "installer" : mode == "1" ? "uninstaller" : mode == "2" ? "both" : nullptr;
    if (!run || function.empty()) return false;
    const size_t imageAt = text::Find(entries[k], kParamEnd);
    if (imageAt == text::npos) return false;
    out.images.push_back(entries[k].substr(imageAt + std::string(kParamEnd).size()));
    out.ini += "[" + std::to_string(k + 1) + "]\nfile=plugins/" + std::to_string(k + 1) +
               ".dll\nfunction=" + function + "\nrun=" + run + "\n";
    if (params.empty()) continue;
    int n = 0;
    for (const std::string& line : text::Split(params, kParamLine)) {
      const auto fields = text::Split(line, kField);
      if (fields.size() != 3 || !fields[0].empty() || !KnownType(fields[1])) return false;
      out.ini += "param" + std::to_string(++n) + "=" + fields[1] + "," + fields[2] + "\n";
    }
  }
  return true;
}
