#include "tools/pack/config_writer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "common/compressed_block.h"
#include "common/ini.h"
#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "common/text.h"
#include "platform/platform.h"
#include "package/data_keys.h"
#include "tools/pack/page_texts.h"
#include "tools/pack/plugins.h"
#include "tools/pack/project_check.h"
#include "tools/pack/project_text.h"

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

Bytes HexBytes(const std::string& hex) {
  const std::string digits = text::ReplaceAll(hex, " ", "");
  Bytes out;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) out += char(std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}

// QZRREG.db: "num", then per entry REGpath, REGtype, REGdata, REGoff, REGname, REGws.
std::string StoreRegistry(const ProjectText& file, const fs::path& project, Bytes& stored) {
  std::vector<IniSection> entries;
  if (std::string error = ParseProjectIni(file, entries); !error.empty()) return error;
  Bytes store;
  AppendKeyedItem(store, "num", std::to_string(entries.size()), false);
  const Bytes empty = kEmptyItemMark;  // the runtime's mark for an empty field
  int index = 0;
  for (const IniSection& entry : entries) {
    const std::string i = std::to_string(++index);
    auto field = [&](const char* name) {
      const IniEntry* e = entry.Find(name);
      return e ? e->value : std::string();
    };
    std::string data = field("data");
    const std::string type = field("type");
    if (type == "REG_BINARY") data = HexBytes(data);
    if (type == "file") {
      ProjectText reg;
      if (std::string error = ReadProjectText((project / plat::GbkToUtf8(field("file"))).string(), reg);
          !error.empty())
        return error;
      data = reg.Gbk();
    }
    auto item = [&](const char* key, const std::string& value) {
      AppendKeyedItem(store, key + i, value.empty() ? empty : value, false);
    };
    item("REGpath", field("path"));
    item("REGtype", type);
    item("REGdata", data);
    item("REGoff", field("remove"));
    item("REGname", field("name"));
    item("REGws", field("view"));
  }
  stored = block::Deflate(store);
  return "";
}

}  // namespace

ConfigWriteResult WriteConfiguration(const std::string& sourceFolder,
                                     const std::string& targetFolder) {
  ConfigWriteResult result;
  const fs::path source(sourceFolder), target(targetFolder);
  std::error_code ec;
  fs::create_directories(target, ec);
  auto write = [&](const char* name, const Bytes& data) {
    if (WriteHostFile(target / name, data)) return true;
    result.error = (target / name).string() + ": cannot write";
    return false;
  };
  auto read = [&](const char* name, ProjectText& file) {
    result.error = ReadProjectText((source / name).string(), file);
    return result.error.empty();
  };

  ProjectText dataIni;
  if (!read(keys::kDataIni, dataIni)) return result;
  if (!dataIni.exists) {
    result.error = Where((source / keys::kDataIni).string(), 0, "missing");
    return result;
  }
  if (!write(keys::kDataIni, dataIni.Gbk())) return result;

  struct TextFile {
    const char* name;
    bool enciphered;
    cipher::PassPhrase phrase;
  } files[] = {
      {keys::kVariableIni, false, {}},
      {keys::kPluginIni, false, {}},
      {keys::kExceptIni, true, cipher::PassPhrase::kExcept},
      {keys::kScriptIni, true, cipher::PassPhrase::kScript},
  };
  for (const TextFile& file : files) {
    ProjectText text;
    if (!read(file.name, text)) return result;
    if (!text.exists) continue;
    const Bytes gbk = text.Gbk();
    if (!write(file.name, file.enciphered ? cipher::Encipher(gbk, file.phrase) : gbk)) return result;
  }

  // Page texts: names the packer already knows are filled in (see page_texts.h).
  ProjectText pageTexts;
  if (!read(keys::kGuiTextIni, pageTexts)) return result;
  if (pageTexts.exists) {
    const ini::Document data = ini::Document::Parse(dataIni.Gbk());
    const std::map<std::string, std::string> names = {
        {"%ProductName%", data.Get(keys::kMainSection, keys::kProductName)},
        {"%Version%", data.Get(keys::kMainSection, keys::kVersion)},
        {"%CompanyCopyright%", data.Get(keys::kMainSection, keys::kCompany)},
        {"%MainExe%", data.Get(keys::kMainSection, keys::kMainProgram)},
    };
    if (!write(keys::kGuiTextIni, StorePageTexts(pageTexts, names))) return result;
  }

  ProjectText registry;
  if (!read("registry.ini", registry)) return result;
  if (registry.exists) {
    Bytes stored;
    if ((result.error = StoreRegistry(registry, source, stored)) != "" ||
        !write(keys::kRegistryDb, stored))
      return result;
  }

  Bytes varData;
  if (fs::is_directory(source / "var_data")) {
    std::vector<fs::path> items;
    for (const auto& entry : fs::directory_iterator(source / "var_data")) items.push_back(entry.path());
    std::sort(items.begin(), items.end());  // the same project always gives the same bytes
    for (const fs::path& item : items) {
      std::string data;
      bool ok = true;
      const std::string key = plat::Utf8ToGbk(item.filename().string(), &ok);
      if (!ok) {
        result.error = Where(item.string(), 0, "a name that GBK cannot represent");
        return result;
      }
      if (!ReadHostFile(item, data)) {
        result.error = Where(item.string(), 0, "cannot read");
        return result;
      }
      AppendKeyedItem(varData, key, data, false);
    }
  }
  if (!write(keys::kVarDataIni, varData)) return result;

  // Plug-ins: plugins.ini, or the runtime's own two files carried as they are.
  PluginFiles plugins;
  if ((result.error = CompilePlugins(sourceFolder, plugins)) != "") return result;
  if (!plugins.settings.empty()) {
    if (!write(keys::kPluginIni, plugins.settings) || !write(keys::kPluginDb, plugins.images)) return result;
  } else if (std::string raw; ReadHostFile(source / keys::kPluginDb, raw)) {
    if (!write(keys::kPluginDb, raw)) return result;
  }

  if (fs::is_directory(source / "skin")) {
    for (const auto& entry : fs::directory_iterator(source / "skin")) {
      if (!IsSkinPictureName(entry.path().filename().string())) continue;
      fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::overwrite_existing, ec);
      if (ec) {
        result.error = (target / entry.path().filename()).string() + ": cannot write";
        return result;
      }
    }
  }
  result.ok = true;
  return result;
}
