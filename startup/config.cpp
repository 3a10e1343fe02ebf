#include "startup/config.h"

#include "common/compressed_block.h"
#include "common/ini.h"
#include "common/package_cipher.h"
#include "platform/platform.h"
#include "package/data_keys.h"
#include "package/uninst_dat.h"

namespace {
Bytes ReadOrEmpty(const std::string& path) {
  Bytes data;
  if (!plat::ReadFileBytes(path, data)) data.clear();
  return data;
}
}  // namespace

std::string ReadIniKey(const std::string& file, const std::string& section,
                       const std::string& key) {
  Bytes content;
  if (file.empty() || !plat::ReadFileBytes(file, content)) return "";
  return ini::Document::Parse(content).Get(section, key);
}

std::vector<std::string> ReadIniSectionNames(const std::string& file) {
  Bytes content;
  if (file.empty() || !plat::ReadFileBytes(file, content)) return {};
  return ini::Document::Parse(content).SectionNames();
}

std::string ReadMainKey(const PackageState& package, const std::string& key) {
  if (package.workFolder.empty()) return "";
  return ReadIniKey(package.workFolder + keys::kDataIni, keys::kMainSection, key);
}

void ReadConfigurationFiles(const PackageState& package, Configuration& config) {
  const std::string& folder = package.workFolder;
  config.dataIni = ReadOrEmpty(folder + keys::kDataIni);
  config.registryList = block::Inflate(ReadOrEmpty(folder + keys::kRegistryDb));
  config.pluginSettings = ReadOrEmpty(folder + keys::kPluginIni);
  config.varData = ReadOrEmpty(folder + keys::kVarDataIni);
  config.uninstallBlob = package::BuildConfigurationBundle(
      {config.pluginSettings, ReadOrEmpty(folder + keys::kPluginDb), config.varData,
       ReadOrEmpty(folder + keys::kVariableIni)});
  config.smallPicture = ReadOrEmpty(folder + keys::kSmallPictureFile);
  config.largePicture = ReadOrEmpty(folder + keys::kLargePictureFile);
  config.uninstallIcon = ReadOrEmpty(folder + keys::kUninstallIconFile);
  config.guiText =
      cipher::Decipher(ReadOrEmpty(folder + keys::kGuiTextIni), cipher::PassPhrase::kGuiText);
  config.assignments =
      cipher::Decipher(ReadOrEmpty(folder + keys::kExceptIni), cipher::PassPhrase::kExcept);
}
