#include "tools/pack/inspector.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "archiver/archiver.h"
#include "common/compressed_block.h"
#include "common/crypto.h"
#include "common/keyed_store.h"
#include "common/package_cipher.h"
#include "common/text.h"
#include "platform/platform.h"
#include "package/blocks.h"
#include "package/data_ini.h"
#include "package/package_types.h"
#include "package/uninst_dat.h"
#include "package/data_keys.h"
#include "tools/pack/page_texts.h"
#include "tools/pack/launcher_name.h"
#include "tools/pack/pe_resource.h"
#include "tools/pack/plugins.h"
#include "tools/pack/project_check.h"

namespace fs = std::filesystem;

const char kLicenceItem[] = "自述文本_开始";

namespace {

struct BlockKind {
  const char* start;
  const char* end;
  const char* what;
};

bool ReadWhole(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

const Bytes kEmptyMark = kEmptyItemMark;

bool WriteHost(const fs::path& path, const std::string& data) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return bool(out << data);
}

// The items of a plain keyed store in file order: key, 0x01, data, key, "end".
std::vector<std::pair<Bytes, Bytes>> KeyedItems(BytesView store) {
  std::vector<std::pair<Bytes, Bytes>> items;
  size_t at = 0;
  while (at < store.size()) {
    const size_t mark = store.find('\1', at);
    if (mark == BytesView::npos || mark == at) break;
    const Bytes key(store.substr(at, mark - at));
    const size_t close = text::Find(store, key + "end", mark + 1);
    if (close == text::npos) break;
    items.emplace_back(key, Bytes(store.substr(mark + 1, close - mark - 1)));
    at = close + key.size() + 3;
  }
  return items;
}

// registry.ini of a project from the stored list ("num", then REGpath1, REGtype1, ...): binary
// data back as hexadecimal pairs, .reg texts as files of their own (`regFiles`: name, UTF-8).
std::string RegistryIni(const std::vector<std::pair<Bytes, Bytes>>& items,
                        std::vector<std::pair<std::string, std::string>>& regFiles) {
  const std::pair<const char*, const char*> fields[] = {
      {"REGpath", "path"}, {"REGtype", "type"}, {"REGdata", "data"},
      {"REGoff", "remove"}, {"REGname", "name"}, {"REGws", "view"}};
  std::string out;
  std::string current, type;
  for (const auto& [key, stored] : items) {
    for (const auto& [prefix, field] : fields) {
      if (!text::StartsWith(key, prefix)) continue;
      const std::string number = key.substr(std::string(prefix).size());
      if (number != current) out += "[" + (current = number) + "]\n";
      const Bytes data = stored == kEmptyMark ? Bytes() : stored;
      if (std::string(field) == "type") type = data;
      if (std::string(field) == "data" && type == "REG_BINARY") {
        std::string hex;
        for (size_t i = 0; i < data.size(); ++i) hex += (i ? " " : "") + text::HexLower(data.substr(i, 1));
        out += "data=" + hex + "\n";
      } else if (std::string(field) == "data" && type == "file") {
        const std::string name = "registry/" + number + ".reg";
        regFiles.emplace_back(name, text::ReplaceAll(plat::GbkToUtf8(data), "\r\n", "\n"));
        out += "file=" + name + "\n";
      } else {
        out += std::string(field) + "=" + plat::GbkToUtf8(data) + "\n";
      }
    }
  }
  return out;
}

// What the uninstall blocks of an uninstaller copy hold: the configuration bundle, the
// uninstall record (INI text plus the installed-file and registry lists) and the skin store.
std::string DescribeUninstallCopy(const std::string& path) {
  std::ostringstream out;
  auto show = [](BytesView gbk) {
    const std::string utf8 = text::ReplaceAll(plat::GbkToUtf8(gbk), "\r\n", "\n");
    return utf8 + (text::EndsWith(utf8, "\n") || utf8.empty() ? "" : "\n");
  };
  const Bytes bundle = blocks::FindBlockBackward(path, blocks::kUninstDataStart, blocks::kUninstDataEnd);
  package::ConfigurationBundle parts;
  out << "\n--- uninstall data: " << bundle.size() << " bytes";
  if (!package::SplitConfigurationBundle(bundle, parts)) {
    out << ", not the four files each followed by the separator\n";
  } else {
    out << "\n";
    out << keys::kPluginIni << ": " << parts.pluginSettings.size() << " bytes\n"
        << keys::kPluginDb << ": " << parts.pluginData.size() << " bytes\n"
        << keys::kVarDataIni << ": " << parts.varData.size() << " bytes\n"
        << keys::kVariableIni << ": " << parts.variableIni.size() << " bytes\n";
    DecodedPlugins plugins;
    if (DecodePlugins(parts.pluginSettings, parts.pluginData, plugins) && !plugins.ini.empty())
      out << "plug-ins:\n" << show(plugins.ini);
    for (const auto& [key, data] : KeyedItems(parts.varData))
      out << "resource item " << plat::GbkToUtf8(key) << ": " << data.size() << " bytes\n";
    if (!parts.variableIni.empty()) out << keys::kVariableIni << ":\n" << show(parts.variableIni);
  }

  const Bytes record = blocks::FindBlockBackward(path, blocks::kUninstIniStart, blocks::kUninstIniEnd);
  out << "\n--- uninstall record (uninst.ini): " << record.size() << " bytes\n";
  const std::string files = package::kRecordFilesItem, registry = package::kRecordRegistryItem;
  size_t iniEnd = record.size();
  for (const std::string& item : {files, registry}) {
    const size_t at = text::Find(record, item + '\1');
    if (at != text::npos && at < iniEnd) iniEnd = at;
  }
  out << show(BytesView(record).substr(0, iniEnd));
  for (const std::string& item : {files, registry}) {
    const Bytes value = BytesBetween(record, item + '\1', item + "end");
    out << "[" << plat::GbkToUtf8(item) << "] "
        << (value.empty() ? "(missing)\n" : value == kEmptyMark ? "(empty)\n" : "\n" + show(value));
  }

  const Bytes skin = blocks::FindBlockBackward(path, blocks::kSkinStart, blocks::kSkinEnd);
  out << "\n--- skin: " << skin.size() << " bytes\n";
  for (const auto& [key, data] : KeyedItems(skin)) {
    out << plat::GbkToUtf8(key) << ": ";
    if (key == package::kSkinCopyright) out << "\"" << plat::GbkToUtf8(data == kEmptyMark ? Bytes() : data) << "\"\n";
    else out << (data == kEmptyMark ? 0 : data.size()) << " bytes\n";
  }
  return out.str();
}

// Whole archive, full paths, through the project's own archiver library.
int Extract(const fs::path& archive, const fs::path& folder, const std::string& password,
            char* output, uint32_t outputSize) {
  const std::string command = "x \"" + archive.string() + "\" -hide -y \"" + folder.string() +
                              "/\" -p\"" + password + "\"";
  return SevenZip(nullptr, command.c_str(), output, outputSize);
}

}  // namespace

InspectResult InspectPackage(const std::string& path, const std::string& extractTo) {
  InspectResult result;
  std::string file;
  if (!ReadWhole(path, file)) {
    result.error = path + ": cannot read";
    return result;
  }
  std::ostringstream out;
  out << path << ": " << file.size() << " bytes\n";

  const BlockKind kinds[] = {
      {blocks::kTypeStart, blocks::kTypeEnd, "package type"},
      {blocks::kPayloadStart, blocks::kPayloadEnd, "payload archive"},
      {blocks::kConfigStart, blocks::kConfigEnd, "configuration package"},
      {blocks::kUninstDataStart, blocks::kUninstDataEnd, "uninstall data"},
      {blocks::kUninstIniStart, blocks::kUninstIniEnd, "uninstall record"},
      {blocks::kSkinStart, blocks::kSkinEnd, "window skin"},
  };
  out << "blocks:\n";
  for (const BlockKind& kind : kinds) {
    const std::string start = blocks::MarkerPattern(kind.start), end = blocks::MarkerPattern(kind.end);
    // A setup file's blocks start with 0x00; an uninstaller copy's follow the "{" after the
    // image or the 0x01 that ends the block before. Either lead keeps the program's own
    // copies of the marker texts (followed by 0x00 there) out of the list.
    size_t at = text::npos;
    for (size_t from = 0; (from = text::Find(file, start, from)) != text::npos; ++from) {
      const char lead = from > 0 ? file[from - 1] : '\0';
      if (from > 0 && (lead == '\0' || lead == '\1' || lead == package::kImageTerminator)) {
        at = from - 1;
        break;
      }
    }
    if (at == text::npos) continue;
    const size_t contentAt = at + 1 + start.size();
    const size_t endAt = text::Find(file, end, contentAt);
    if (endAt == text::npos) {
      out << "  " << kind.what << ": starts at " << at << ", no end marker\n";
      continue;
    }
    out << "  " << kind.what << ": block at " << at << ", content at " << contentAt << ", "
        << endAt - contentAt << " bytes\n";
  }
  const std::string type = blocks::ReadPackageType(path);
  out << "package type: " << (type.empty() ? "(none)" : type)
      << (type == package::kInstallerType     ? " (installer)"
          : type == package::kUninstallerType ? " (uninstaller copy)"
                                              : "")
      << "\n";

  const pe::ResourceLocation keyAt =
      pe::FindNamedTypeResource(file, package::kKeyResourceType, package::kKeyResourceId);
  std::string key;
  if (keyAt.found) {
    key = file.substr(keyAt.fileOffset, keyAt.size);
    out << "KEY 250: \"" << key << "\" at " << keyAt.fileOffset << "\n";
  } else {
    out << "KEY 250: none (" << keyAt.error << ")\n";
  }

  std::string launcherName;
  const pe::ResourceLocation ownName = pe::FindNamedTypeResource(
      file, package::kLauncherNameResourceType, package::kLauncherNameResourceId);
  if (ReadLauncherName(file, launcherName)) {
    out << "launcher product name (NAME 100): \"" << plat::GbkToUtf8(launcherName) << "\"\n";
  } else if (ownName.found) {
    // The launcher itself (an installed uninst.exe).
    const BytesView field = BytesView(file).substr(ownName.fileOffset, ownName.size);
    out << "product name (NAME 100, " << ownName.size << " bytes): \""
        << plat::GbkToUtf8(field.substr(0, field.find('\0'))) << "\"\n";
  } else {
    out << "launcher product name: none (" << FindLauncherName(file).error << ")\n";
  }

  if (type == package::kUninstallerType) {
    out << DescribeUninstallCopy(path);
    if (!extractTo.empty()) {
      result.error = "--extract writes out an installer's project; " + path + " is an uninstaller copy";
      result.report = out.str();
      return result;
    }
  }

  const Bytes config = blocks::FindBlockBackward(path, blocks::kConfigStart, blocks::kConfigEnd);
  if (config.empty()) {
    out << "configuration package: none\n";
    result.ok = true;
    result.report = out.str();
    return result;
  }
  std::string scratch = (fs::temp_directory_path() / "setup-pack-inspect-XXXXXX").string();
  if (!mkdtemp(scratch.data())) {
    result.error = "cannot create a temporary folder";
    return result;
  }
  const fs::path work(scratch);
  const fs::path archive = work / "data.7z";
  const fs::path target = work / "config";
  std::error_code ec;
  fs::create_directories(target, ec);
  Bytes repaired = config;
  if (repaired.size() > 2) repaired[1] = 'z';
  plat::WriteFileBytes(archive.string(), repaired);
  char archiverOutput[4096] = {};
  const int code = Extract(archive, target, crypto::Md5Hex(key), archiverOutput, sizeof archiverOutput);
  bool ok = code == 0;
  if (!ok) {
    out << "configuration package: the archiver failed with code " << code << ": "
        << archiverOutput << "\n";
  } else {
    out << "configuration package: " << config.size() << " bytes, unpacked with MD5(\"" << key
        << "\")\n";
    for (const auto& entry : fs::directory_iterator(target, ec))
      out << "  " << entry.path().filename().string() << " (" << entry.file_size(ec)
          << " bytes)\n";
    auto read = [&](const char* name) {
      Bytes data;
      plat::ReadFileBytes((target / name).string(), data);
      return data;
    };
    // data.ini carries the licence as an enciphered keyed item after its text.
    Bytes dataIni = read(keys::kDataIni), licence;
    ReadKeyedItem(dataIni, kLicenceItem, true, licence);
    const size_t licenceAt =
        text::Find(dataIni, cipher::Encipher(kLicenceItem, cipher::PassPhrase::kKeyedItem) + '\1');
    if (licenceAt != text::npos) dataIni.erase(text::EndsWith(dataIni.substr(0, licenceAt), "\r\n") ? licenceAt - 2 : licenceAt);
    // A project holds the install password plainly; the digest goes back marked as one.
    const std::string passwordLine = std::string(keys::kInstallPassword) + "=";
    for (size_t at = 0; (at = text::Find(dataIni, passwordLine, at)) != text::npos; at += passwordLine.size()) {
      const size_t valueAt = at + passwordLine.size();
      if ((at == 0 || dataIni[at - 1] == '\n') && valueAt < dataIni.size() && dataIni[valueAt] != '\r' &&
          dataIni[valueAt] != '\n')
        dataIni.insert(valueAt, "md5:");
    }
    // Plug-ins go back out as plugins.ini and plugins/<n>.dll when that says all of it.
    DecodedPlugins plugins;
    const bool pluginsDecoded = DecodePlugins(read(keys::kPluginIni), read(keys::kPluginDb), plugins);
    if (!pluginsDecoded) plugins = DecodedPlugins();
    // The project's text files, as a packager writes them (UTF-8, LF).
    const std::pair<const char*, Bytes> texts[] = {
        {keys::kDataIni, dataIni},
        {"licence.txt", licence},
        {keys::kVariableIni, read(keys::kVariableIni)},
        {keys::kPluginIni, plugins.ini.empty() ? read(keys::kPluginIni) : Bytes()},
        {"plugins.ini", plugins.ini},
        {keys::kGuiTextIni, ReadStoredPageTexts(read(keys::kGuiTextIni))},
        {keys::kExceptIni, cipher::Decipher(read(keys::kExceptIni), cipher::PassPhrase::kExcept)},
        {keys::kScriptIni, cipher::Decipher(read(keys::kScriptIni), cipher::PassPhrase::kScript)},
    };
    const fs::path project(extractTo);
    if (!extractTo.empty()) fs::create_directories(project / "payload", ec);
    for (const auto& [name, gbk] : texts) {
      if (gbk.empty()) continue;
      const std::string utf8 = text::ReplaceAll(plat::GbkToUtf8(gbk), "\r\n", "\n");
      out << "\n--- " << name << "\n" << utf8 << (text::EndsWith(utf8, "\n") ? "" : "\n");
      if (!extractTo.empty()) ok &= WriteHost(project / name, utf8);
    }

    const auto registry = KeyedItems(block::Inflate(read(keys::kRegistryDb)));
    if (!registry.empty()) out << "\n--- " << keys::kRegistryDb << " (registry list)\n";
    for (const auto& [itemKey, data] : registry)
      out << plat::GbkToUtf8(itemKey) << " = " << (data == kEmptyMark ? "(empty)" : plat::GbkToUtf8(data)) << "\n";
    if (!extractTo.empty() && !registry.empty()) {
      std::vector<std::pair<std::string, std::string>> regFiles;
      ok &= WriteHost(project / "registry.ini", RegistryIni(registry, regFiles));
      for (const auto& [name, utf8] : regFiles) ok &= WriteHost(project / name, utf8);
    }

    const auto items = KeyedItems(read(keys::kVarDataIni));
    if (!items.empty()) out << "\n--- " << keys::kVarDataIni << "\n";
    for (const auto& [itemKey, data] : items) {
      out << plat::GbkToUtf8(itemKey) << ": " << data.size() << " bytes\n";
      if (!extractTo.empty()) ok &= WriteHost(project / "var_data" / plat::GbkToUtf8(itemKey), data);
    }
    const Bytes pluginData = read(keys::kPluginDb);
    if (!plugins.images.empty()) out << "\n--- plug-ins: " << plugins.images.size() << "\n";
    for (size_t k = 0; k < plugins.images.size(); ++k) {
      out << "plugins/" << k + 1 << ".dll: " << plugins.images[k].size() << " bytes\n";
      if (!extractTo.empty())
        ok &= WriteHost(project / "plugins" / (std::to_string(k + 1) + ".dll"), plugins.images[k]);
    }
    if (!extractTo.empty() && !pluginData.empty() && plugins.ini.empty())
      ok &= WriteHost(project / keys::kPluginDb, pluginData);

    // Skin pictures travel under their own names.
    for (const auto& entry : fs::directory_iterator(target, ec)) {
      if (!IsSkinPictureName(entry.path().filename().string())) continue;
      if (!extractTo.empty()) {
        fs::create_directories(project / "skin", ec);
        fs::copy_file(entry.path(), project / "skin" / entry.path().filename(),
                      fs::copy_options::overwrite_existing, ec);
        ok &= !ec;
      }
    }
  }

  // The payload: its block, or the numbered volumes beside the file.
  if (ok && !extractTo.empty()) {
    const blocks::ForwardResult payload =
        blocks::FindBlockForward(path, blocks::kPayloadStart, blocks::kPayloadEnd);
    fs::path payloadArchive = work / "payload.7z";
    Bytes firstVolume;
    plat::ReadFileBytes((target / keys::kDataIni).string(), firstVolume);
    const std::string names = package::ReadMainKeyFrom(firstVolume, keys::kVolumeNames);
    if (payload.found) {
      plat::WriteFileBytes(payloadArchive.string(), payload.content);
    } else if (!names.empty()) {
      payloadArchive = fs::path(path).parent_path() / plat::GbkToUtf8(text::Split(names, "+")[0]);
    }
    if (payload.found || !names.empty()) {
      const int payloadCode = Extract(payloadArchive, fs::path(extractTo) / "payload", "",
                                      archiverOutput, sizeof archiverOutput);
      out << "\npayload: " << (payloadCode == 0 ? "extracted into " : "could not be extracted into ")
          << (fs::path(extractTo) / "payload").string() << "\n";
      ok = payloadCode == 0;
    }
  }
  fs::remove_all(work, ec);
  result.ok = ok;
  if (!ok) result.error = code == 0 ? "the project could not be written out completely"
                                    : "the configuration package could not be unpacked";
  result.report = out.str();
  return result;
}
