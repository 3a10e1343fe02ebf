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

// The record's files in the install folder, and the temp folder (below %TEMP%) in which the
// install assembles uninst.ini.
inline constexpr char kUninstIniFile[] = "uninst.ini";
inline constexpr char kUninstExeFile[] = "uninst.exe";
inline constexpr char kUninstDatFile[] = "uninst.dat";
inline constexpr char kRecordWorkFolder[] = "qzr_dll";
// uninst.exe and uninst.dat are written under this suffix first and renamed once complete.
inline constexpr char kRecordPartialSuffix[] = ".partial";

// uninst.ini: its main section and keys. The sections "安装包命令行" (keys "jp", "hideend", "hp")
// and "卸载时运行命令" (the keys of data.ini's list of that name) keep data.ini's names
// (package/data_keys.h).
inline constexpr char kRecordMainSection[] = "软件卸载配置";
inline constexpr char kRecordProductName[] = "软件名称";
inline constexpr char kRecordVersion[] = "软件版本";
inline constexpr char kRecordMainProgram[] = "主程序名";
inline constexpr char kRecordInstallFolder[] = "卸载路径";
inline constexpr char kRecordShortcutCount[] = "快捷方式个数";
inline constexpr char kRecordProgramGroup[] = "开始菜单栏名称";
inline constexpr char kRecordUninstallMode[] = "卸载模式";
inline constexpr char kRecordShortcutPrefix[] = "快捷方式";  // + entry number
// The command list (also data.ini's): its count and per-entry key prefixes.
inline constexpr char kCommandCount[] = "欲运行的次数";
inline constexpr char kCommandExternal[] = "是否外部运行";
inline constexpr char kCommandLine[] = "参数运行文件名";
inline constexpr char kCommandHidden[] = "是否隐藏窗口";
inline constexpr char kCommandWait[] = "是否等待返回";
// The options of the uninstall window (data.ini's "卸载选项_列表" has the same keys).
inline constexpr char kRecordOptionsSection[] = "卸载选项";
inline constexpr char kOptionCount[] = "次数";
inline constexpr char kOptionLayout[] = "y";
inline constexpr char kOptionCaption[] = "标题";
inline constexpr char kOptionVisible[] = "可视";
inline constexpr char kOptionChecked[] = "选中";
inline constexpr char kOptionCommand[] = "程序";

// Keys of the skin store.
extern const char kSkinSmallPicture[];  // "界面小图片"
extern const char kSkinLargePicture[];  // "界面大图片"
extern const char kSkinCopyright[];     // "版权"
extern const char kSkinData[];          // "x皮肤"

}  // namespace package
