#include "package/uninst_dat.h"

#include "common/text.h"

namespace package {

const char kBundleSeparator[] = "#！★！#";
const char kRecordFilesItem[] = "卸载路径";
const char kRecordRegistryItem[] = "卸载注册表";
const char kSkinSmallPicture[] = "界面小图片";
const char kSkinLargePicture[] = "界面大图片";
const char kSkinCopyright[] = "版权";
const char kSkinData[] = "x皮肤";

Bytes BuildConfigurationBundle(const ConfigurationBundle& files) {
  Bytes bundle;
  for (const Bytes* part : {&files.pluginSettings, &files.pluginData, &files.varData,
                            &files.variableIni}) {
    bundle.append(*part);
    bundle.append(kBundleSeparator);
  }
  return bundle;
}

bool SplitConfigurationBundle(BytesView bundle, ConfigurationBundle& out) {
  const std::vector<std::string> parts = text::Split(bundle, kBundleSeparator);
  if (parts.size() != 5 || !parts[4].empty()) return false;
  out = {parts[0], parts[1], parts[2], parts[3]};
  return true;
}

}  // namespace package
