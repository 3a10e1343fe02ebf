#include "tools/pack/launcher_name.h"

#include "common/compressed_block.h"
#include "package/package_types.h"
#include "tools/pack/pe_resource.h"

namespace {

// The launcher resource and the launcher image it holds (inflated when it is a block).
struct Launcher {
  pe::ResourceLocation resource;
  bool compressed = false;
  Bytes image;
  LauncherNameField field;  // offsets in `image`
};

bool IsBlock(BytesView data) {
  if (data.size() < 4) return false;
  uint32_t magic = 0;
  for (size_t i = 0; i < 4; ++i) magic |= uint32_t(uint8_t(data[i])) << (8 * i);
  return magic == block::kCompressedMagic;
}

Launcher LoadLauncher(BytesView setupImage) {
  Launcher launcher;
  LauncherNameField& field = launcher.field;
  launcher.resource = pe::FindNamedTypeResource(setupImage, package::kLauncherResourceType,
                                                package::kLauncherResourceId);
  if (!launcher.resource.found) {
    field.error = "no launcher (\"UNINST_DAT\" 100): " + launcher.resource.error;
    return launcher;
  }
  const BytesView stored =
      setupImage.substr(size_t(launcher.resource.fileOffset), launcher.resource.size);
  launcher.compressed = IsBlock(stored);
  field.compressed = launcher.compressed;
  launcher.image = launcher.compressed ? block::Inflate(stored) : Bytes(stored);
  if (launcher.compressed && launcher.image.empty()) {
    field.error = "the launcher (\"UNINST_DAT\" 100) is a damaged compressed block";
    return launcher;
  }
  const pe::ResourceLocation name = pe::FindNamedTypeResource(
      launcher.image, package::kLauncherNameResourceType, package::kLauncherNameResourceId);
  if (!name.found) {
    field.error = "the launcher has no \"NAME\" 100 resource: " + name.error;
    return launcher;
  }
  field.found = true;
  field.fileOffset = name.fileOffset;
  field.size = name.size;
  return launcher;
}

}  // namespace

LauncherNameField FindLauncherName(BytesView setupImage) {
  const Launcher launcher = LoadLauncher(setupImage);
  LauncherNameField field = launcher.field;
  field.fileOffset =
      field.found && !field.compressed ? launcher.resource.fileOffset + field.fileOffset : 0;
  return field;
}

std::string WriteLauncherName(std::string& setupImage, BytesView gbkName) {
  Launcher launcher = LoadLauncher(setupImage);
  const LauncherNameField& field = launcher.field;
  if (!field.found) return field.error;
  // One NUL must always end the name: the launcher reads up to it.
  if (gbkName.size() >= field.size)
    return "the product name is " + std::to_string(gbkName.size()) +
           " bytes in GBK; the launcher's name field holds " + std::to_string(field.size - 1);
  std::string value(gbkName);
  value.resize(field.size, '\0');
  launcher.image.replace(size_t(field.fileOffset), value.size(), value);

  Bytes stored = launcher.image;
  if (launcher.compressed) {
    stored = block::Deflate(launcher.image);
    if (stored.empty()) return "the launcher cannot be compressed again";
    if (stored.size() > launcher.resource.size)
      return "the launcher with the product name compresses to " + std::to_string(stored.size()) +
             " bytes; its resource holds " + std::to_string(launcher.resource.size);
    // The rest of the resource is spare room: NUL bytes, which the block's reader never reaches.
    stored.resize(launcher.resource.size, '\0');
  }
  setupImage.replace(size_t(launcher.resource.fileOffset), stored.size(), stored);
  return "";
}

bool ReadLauncherName(BytesView setupImage, std::string& gbkName) {
  const Launcher launcher = LoadLauncher(setupImage);
  if (!launcher.field.found) return false;
  const BytesView value =
      BytesView(launcher.image).substr(size_t(launcher.field.fileOffset), launcher.field.size);
  gbkName = std::string(value.substr(0, value.find('\0')));
  return true;
}
