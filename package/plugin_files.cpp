#include "package/plugin_files.h"

#include "common/compressed_block.h"
#include "common/keyed_store.h"
#include "common/text.h"

namespace plugin_files {

std::vector<PluginEntry> ReadPluginEntries(BytesView imagesFile, BytesView settingsFile) {
  std::vector<PluginEntry> entries;
  if (imagesFile.empty()) return entries;
  Bytes images(imagesFile);
  if (!text::StartsWith(images, kNameStart)) images = block::Inflate(images);
  if (images.empty()) return entries;
  const std::vector<std::string> imageEntries = text::Split(images, kEntrySeparator);
  const std::vector<std::string> settings = text::Split(settingsFile, kEntrySeparator);
  for (size_t k = 0; k < imageEntries.size() && k < settings.size(); ++k) {
    PluginEntry entry;
    const std::string& s = settings[k];
    entry.functionName = BytesBetween(s, kNameStart, kNameEnd);
    entry.runMode = text::ToInt(BytesBetween(s, kModeStart, kModeEnd));
    entry.parameters = BytesBetween(s, kParamStart, kParamEnd);
    const size_t at = text::Find(imageEntries[k], kParamEnd);
    if (at != text::npos) entry.image = imageEntries[k].substr(at + sizeof(kParamEnd) - 1);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace plugin_files
