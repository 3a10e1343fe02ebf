#include "tools/pack/launcher_name.h"

#include "package/package_types.h"
#include "tools/pack/pe_resource.h"

LauncherNameField FindLauncherName(BytesView setupImage) {
  LauncherNameField field;
  const pe::ResourceLocation launcher = pe::FindNamedTypeResource(
      setupImage, package::kLauncherResourceType, package::kLauncherResourceId);
  if (!launcher.found) {
    field.error = "no launcher (\"UNINST_DAT\" 100): " + launcher.error;
    return field;
  }
  const BytesView image = setupImage.substr(size_t(launcher.fileOffset), launcher.size);
  const pe::ResourceLocation name = pe::FindNamedTypeResource(
      image, package::kLauncherNameResourceType, package::kLauncherNameResourceId);
  if (!name.found) {
    field.error = "the launcher has no \"NAME\" 100 resource: " + name.error;
    return field;
  }
  field.found = true;
  field.fileOffset = launcher.fileOffset + name.fileOffset;
  field.size = name.size;
  return field;
}

std::string WriteLauncherName(std::string& setupImage, BytesView gbkName) {
  const LauncherNameField field = FindLauncherName(setupImage);
  if (!field.found) return field.error;
  // One NUL must always end the name: the launcher reads up to it.
  if (gbkName.size() >= field.size)
    return "the product name is " + std::to_string(gbkName.size()) +
           " bytes in GBK; the launcher's name field holds " + std::to_string(field.size - 1);
  std::string value(gbkName);
  value.resize(field.size, '\0');
  setupImage.replace(size_t(field.fileOffset), value.size(), value);
  return "";
}

bool ReadLauncherName(BytesView setupImage, std::string& gbkName) {
  const LauncherNameField field = FindLauncherName(setupImage);
  if (!field.found) return false;
  const BytesView value = setupImage.substr(size_t(field.fileOffset), field.size);
  gbkName = std::string(value.substr(0, value.find('\0')));
  return true;
}
