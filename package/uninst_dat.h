// The layout of uninst.dat, the uninstaller copy: the setup program's own image, "{", then three
// marked blocks (the configuration bundle, the uninstall record, the skin store) and a closing
// type block with the uninstaller type. The install writes it, the uninstall engine reads its own
// file back, and setup-pack inspect shows it; all three take the names and the bundle's order
// from here.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"

namespace package {

// The byte between the own image and the first uninstall block.
inline constexpr char kImageTerminator = '{';

// Separator after each file of the configuration bundle, "#！★！#" (8 bytes GBK).
extern const char kBundleSeparator[];

// The bundle's files, in the order they are stored.
struct ConfigurationBundle {
  Bytes pluginSettings;  // QZRDLL_s.ini
  Bytes pluginData;      // QZRDLL.db
  Bytes varData;         // var_data.ini
  Bytes variableIni;     // variable.ini
};

// Each file followed by the separator.
Bytes BuildConfigurationBundle(const ConfigurationBundle& files);
// The four files back; false when the bytes are not exactly four separated parts.
bool SplitConfigurationBundle(BytesView bundle, ConfigurationBundle& out);

// Keyed items appended to uninst.ini inside the record block.
extern const char kRecordFilesItem[];     // "卸载路径": the installed-file list
extern const char kRecordRegistryItem[];  // "卸载注册表": the uninstall-registry list

// Keys of the skin store.
extern const char kSkinSmallPicture[];  // "界面小图片"
extern const char kSkinLargePicture[];  // "界面大图片"
extern const char kSkinCopyright[];     // "版权"
extern const char kSkinData[];          // "x皮肤"

}  // namespace package
