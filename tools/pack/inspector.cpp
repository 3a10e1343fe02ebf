#include "tools/pack/inspector.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "archiver/archiver.h"
#include "common/compressed_block.h"
#include "common/crypto.h"
#include "common/package_cipher.h"
#include "common/text.h"
#include "platform/platform.h"
#include "startup/blocks.h"
#include "startup/data_keys.h"
#include "tools/pack/pe_resource.h"

namespace fs = std::filesystem;

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

std::string Pattern(const char* marker) { return std::string(marker) + '\1'; }

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
    const std::string start = Pattern(kind.start), end = Pattern(kind.end);
    // The lead 0x00 keeps the program's own copies of the marker texts out of the list.
    const size_t at = text::Find(file, std::string(1, '\0') + start);
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
      << (type == "qzr-1" ? " (installer)" : type == "qzr-2" ? " (uninstaller copy)" : "") << "\n";

  const pe::ResourceLocation keyAt = pe::FindNamedTypeResource(file, "KEY", 250);
  std::string key;
  if (keyAt.found) {
    key = file.substr(keyAt.fileOffset, keyAt.size);
    out << "KEY 250: \"" << key << "\" at " << keyAt.fileOffset << "\n";
  } else {
    out << "KEY 250: none (" << keyAt.error << ")\n";
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
  const fs::path target = extractTo.empty() ? work / "config" : fs::path(extractTo);
  std::error_code ec;
  fs::create_directories(target, ec);
  Bytes repaired = config;
  if (repaired.size() > 2) repaired[1] = 'z';
  plat::WriteFileBytes(archive.string(), repaired);
  const std::string command = "x \"" + archive.string() + "\" -hide -y \"" + target.string() +
                              "/\" -p\"" + crypto::Md5Hex(key) + "\"";
  char archiverOutput[4096] = {};
  const int code = SevenZip(nullptr, command.c_str(), archiverOutput, sizeof archiverOutput);
  if (code != 0) {
    out << "configuration package: the archiver failed with code " << code << ": "
        << archiverOutput << "\n";
  } else {
    out << "configuration package: " << config.size() << " bytes, unpacked with MD5(\"" << key
        << "\")\n";
    for (const auto& entry : fs::directory_iterator(target, ec))
      out << "  " << entry.path().filename().string() << " (" << entry.file_size(ec)
          << " bytes)\n";
    auto show = [&](const char* name, const Bytes& gbk) {
      if (gbk.empty()) return;
      out << "\n--- " << name << "\n" << text::ReplaceAll(plat::GbkToUtf8(gbk), "\r\n", "\n");
      if (!text::EndsWith(gbk, "\n")) out << "\n";
    };
    auto read = [&](const char* name) {
      Bytes data;
      plat::ReadFileBytes((target / name).string(), data);
      return data;
    };
    show(keys::kDataIni, read(keys::kDataIni));
    show(keys::kVariableIni, read(keys::kVariableIni));
    show(keys::kPluginIni, read(keys::kPluginIni));
    show("GUItext.ini (deciphered)", cipher::Decipher(read(keys::kGuiTextIni), cipher::PassPhrase::kGuiText));
    show("Except.ini (deciphered)", cipher::Decipher(read(keys::kExceptIni), cipher::PassPhrase::kExcept));
    show("choosegment.ini (deciphered)", cipher::Decipher(read(keys::kScriptIni), cipher::PassPhrase::kScript));
    const Bytes registry = block::Inflate(read(keys::kRegistryDb));
    if (!registry.empty())
    {
      out << "\n--- QZRREG.db (inflated keyed store)\n";
      // Items are key, 0x01, data, key, "end"; the data is found by its closing key.
      size_t at = 0;
      while (at < registry.size()) {
        const size_t mark = registry.find('\1', at);
        if (mark == std::string::npos) break;
        const std::string itemKey = registry.substr(at, mark - at);
        const size_t close = text::Find(registry, itemKey + "end", mark + 1);
        if (itemKey.empty() || close == text::npos) break;
        const std::string data = registry.substr(mark + 1, close - mark - 1);
        out << plat::GbkToUtf8(itemKey) << " = "
            << (data == BytesOf({1, 2, 3}) ? "(empty)" : plat::GbkToUtf8(data)) << "\n";
        at = close + itemKey.size() + 3;
      }
    }
  }
  if (extractTo.empty()) fs::remove_all(work, ec);
  else fs::remove_all(archive, ec), fs::remove(work, ec);
  result.ok = code == 0;
  if (!result.ok) result.error = "the configuration package could not be unpacked";
  result.report = out.str();
  return result;
}
