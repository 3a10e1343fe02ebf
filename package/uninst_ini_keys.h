// The sections and keys of uninst.ini, the uninstall record that the install writes into
// uninst.dat and the uninstall engine reads back. Both sides take the names from here.
#pragma once

namespace package::uninst_ini {

inline constexpr char kFileName[] = "uninst.ini";

// Section "软件卸载配置": the product and how it was installed.
inline constexpr char kMainSection[] = "软件卸载配置";
inline constexpr char kProductName[] = "软件名称";
inline constexpr char kVersion[] = "软件版本";
inline constexpr char kMainProgram[] = "主程序名";
inline constexpr char kInstallFolder[] = "卸载路径";
inline constexpr char kShortcutCount[] = "快捷方式个数";
inline constexpr char kProgramGroup[] = "开始菜单栏名称";
inline constexpr char kUninstallMode[] = "卸载模式";
inline constexpr char kShortcutPrefix[] = "快捷方式";  // + i: "path.lnk," per shortcut file

// The two uninstall modes that "卸载模式" can name.
inline constexpr char kModeBackground[] = "后台卸载";
inline constexpr char kModeDirect[] = "直接卸载";

// Section "安装包命令行": the package's switch texts.
inline constexpr char kSwitchSection[] = "安装包命令行";
inline constexpr char kSwitchDirect[] = "jp";
inline constexpr char kSwitchHideEnd[] = "hideend";
inline constexpr char kSwitchBackground[] = "hp";

// Section "卸载时运行命令": commands run before the removal.
inline constexpr char kCommandSection[] = "卸载时运行命令";
inline constexpr char kCommandCount[] = "欲运行的次数";
inline constexpr char kCommandExternal[] = "是否外部运行";  // + i
inline constexpr char kCommandLine[] = "参数运行文件名";     // + i
inline constexpr char kCommandHidden[] = "是否隐藏窗口";     // + i
inline constexpr char kCommandWait[] = "是否等待返回";       // + i

// Section "卸载选项": the option boxes of the uninstall window.
inline constexpr char kOptionSection[] = "卸载选项";
inline constexpr char kOptionCount[] = "次数";
inline constexpr char kOptionLayout[] = "y";
inline constexpr char kOptionCaption[] = "标题";  // + k
inline constexpr char kOptionVisible[] = "可视";  // + k
inline constexpr char kOptionTicked[] = "选中";   // + k
inline constexpr char kOptionCommand[] = "程序";  // + k

}  // namespace package::uninst_ini
