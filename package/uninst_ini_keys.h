// The sections and keys of uninst.ini, the uninstall record that the install writes into
// uninst.dat and the uninstall engine reads back. The names are those the record writer uses
// (they belong beside the other record names of package/uninst_dat.h; until both sides meet
// there, the engine takes them from here). The sections "安装包命令行" and "卸载时运行命令" keep
// data.ini's names (package/data_keys.h).
#pragma once

#include "package/data_keys.h"

namespace package {

inline constexpr char kUninstIniFile[] = "uninst.ini";

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

}  // namespace package
