#include "tools/pack/config_writer.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/compressed_block.h"
#include "common/ini.h"
#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "common/text.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

bool ReadHostFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteHostFile(const fs::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return out && out.write(data.data(), std::streamsize(data.size()));
}

// UTF-8 to GBK, line by line so that an error names its line.
bool ToGbk(const std::string& utf8, const std::string& fileName, std::string& gbk,
           std::string& error) {
  gbk.clear();
  int lineNumber = 0;
  for (const std::string& line : text::Split(utf8, "\n")) {
    ++lineNumber;
    bool ok = true;
    std::string converted = plat::Utf8ToGbk(line, &ok);
    if (!ok) {
      error = fileName + ":" + std::to_string(lineNumber) + ": text that GBK cannot represent";
      return false;
    }
    if (lineNumber > 1) gbk += "\n";
    gbk += converted;
  }
  // The runtime's texts use CRLF line ends.
  gbk = text::ReplaceAll(text::ReplaceAll(gbk, "\r\n", "\n"), "\n", "\r\n");
  return true;
}

}  // namespace

ConfigWriteResult WriteConfiguration(const std::string& sourceFolder,
                                     const std::string& targetFolder) {
  ConfigWriteResult result;
  const fs::path source(sourceFolder), target(targetFolder);
  std::error_code ec;
  fs::create_directories(target, ec);

  struct TextFile {
    const char* name;
    bool enciphered;
    cipher::PassPhrase phrase;
  } files[] = {
      {"data.ini", false, {}},
      {"variable.ini", false, {}},
      {"QZRDLL_s.ini", false, {}},
      {"GUItext.ini", true, cipher::PassPhrase::kGuiText},
      {"Except.ini", true, cipher::PassPhrase::kExcept},
      {"choosegment.ini", true, cipher::PassPhrase::kScript},
  };
  for (const TextFile& file : files) {
    std::string utf8, gbk;
    if (!ReadHostFile(source / file.name, utf8)) {
      if (std::string(file.name) == "data.ini") {
        result.error = (source / file.name).string() + ": missing";
        return result;
      }
      continue;
    }
    if (!ToGbk(utf8, (source / file.name).string(), gbk, result.error)) return result;
    if (file.enciphered) gbk = cipher::Encipher(gbk, file.phrase);
    if (!WriteHostFile(target / file.name, gbk)) {
      result.error = (target / file.name).string() + ": cannot write";
      return result;
    }
  }

  std::string registryText;
  if (ReadHostFile(source / "registry.ini", registryText)) {
    std::string gbk;
    if (!ToGbk(registryText, (source / "registry.ini").string(), gbk, result.error)) return result;
    const ini::Document doc = ini::Document::Parse(gbk);
    Bytes store;
    const std::vector<std::string> entries = doc.SectionNames();
    AppendKeyedItem(store, "num", std::to_string(entries.size()), false);
    const Bytes empty = BytesOf({1, 2, 3});
    int index = 0;
    for (const std::string& section : entries) {
      const std::string i = std::to_string(++index);
      auto item = [&](const char* key, const char* field) {
        std::string value = doc.Get(section, field);
        AppendKeyedItem(store, key + i, value.empty() ? empty : value, false);
      };
      item("REGpath", "path");
      item("REGtype", "type");
      item("REGdata", "data");
      item("REGoff", "remove");
      item("REGname", "name");
      item("REGws", "view");
    }
    if (!WriteHostFile(target / "QZRREG.db", block::Deflate(store))) {
      result.error = (target / "QZRREG.db").string() + ": cannot write";
      return result;
    }
  }

  Bytes varData;
  if (fs::is_directory(source / "var_data")) {
    for (const auto& entry : fs::directory_iterator(source / "var_data")) {
      std::string data, key;
      if (!ReadHostFile(entry.path(), data) ||
          !ToGbk(entry.path().filename().string(), entry.path().string(), key, result.error))
        return result;
      AppendKeyedItem(varData, key, data, false);
    }
  }
  WriteHostFile(target / "var_data.ini", varData);

  std::string pluginData;
  if (ReadHostFile(source / "QZRDLL.db", pluginData)) WriteHostFile(target / "QZRDLL.db", pluginData);
  result.ok = true;
  return result;
}
