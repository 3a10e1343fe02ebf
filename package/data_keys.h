// Sections and keys of data.ini, and the names of the configuration files, in one place.
// The texts are the package's own and are matched byte for byte (GBK in the binary).
#pragma once

namespace keys {

// Configuration files of the package (in the work folder).
inline constexpr const char kDataIni[] = "data.ini";
inline constexpr const char kVariableIni[] = "variable.ini";
inline constexpr const char kVarDataIni[] = "var_data.ini";
inline constexpr const char kRegistryDb[] = "QZRREG.db";
inline constexpr const char kPluginDb[] = "QZRDLL.db";
inline constexpr const char kPluginIni[] = "QZRDLL_s.ini";
inline constexpr const char kGuiTextIni[] = "GUItext.ini";
inline constexpr const char kExceptIni[] = "Except.ini";
inline constexpr const char kScriptIni[] = "choosegment.ini";
inline constexpr const char kConfigArchive[] = "data.7z";
// Pictures of the configuration package that the uninstall record carries (the wizard's skin
// pictures are read by the configuration step).
inline constexpr const char kSmallPictureFile[] = "界面小图片.jpg";
inline constexpr const char kLargePictureFile[] = "界面大图片.jpg";
inline constexpr const char kUninstallIconFile[] = "卸载程序图标.ico";

// variable.ini: one section per variable, its value under this key.
inline constexpr const char kVariableValue[] = "数据";

// The main section and its keys.
inline constexpr const char kMainSection[] = "Mokta软件安装配置";
inline constexpr const char kProductName[] = "Mokta软件名称";
inline constexpr const char kVersion[] = "软件版本";
inline constexpr const char kCompany[] = "公司名称";
inline constexpr const char kMainProgram[] = "包内的程序名";
inline constexpr const char kPackingMode[] = "安装包封装模式";
inline constexpr const char kVolumeCount[] = "压缩分卷数";
inline constexpr const char kVolumeNames[] = "压缩分卷文件名";
inline constexpr const char kVolumeSize[] = "分卷大小";
inline constexpr const char kShowSpace[] = "选择框_显示空间";
inline constexpr const char kUncompressedSize[] = "压缩原大小";
inline constexpr const char kArchiveFileName[] = "压缩包文件名";
inline constexpr const char kInstallLocation[] = "安装位置";
inline constexpr const char kBrowseAutoAppend[] = "浏览目录自动添加";
inline constexpr const char kAutoAppendPath[] = "自动添加路径";
inline constexpr const char kPreferSecondPath[] = "选择框_优先二次路径";
inline constexpr const char kLicenceAccepted[] = "同意条款k";
inline constexpr const char kInstallPassword[] = "安装密码";
inline constexpr const char kArchivePasswordText[] = "safe";
inline constexpr const char kMakeUninstaller[] = "是否生成卸载程序";
inline constexpr const char kUninstallMode[] = "卸载模式";
inline constexpr const char kUninstallKey64[] = "I_reg";
inline constexpr const char kTaskbarProgress[] = "任务栏进度";
inline constexpr const char kDetailListMode[] = "安装过程_列表";
inline constexpr const char kInstallMode[] = "安装模式";
inline constexpr const char kShowFinishPage[] = "安装后是否显示完成界面";
inline constexpr const char kBasicComponentTick[] = "基本组件勾选";

// Other sections.
inline constexpr const char kCommandLineSection[] = "安装包命令行";
inline constexpr const char kSwitchInstallFolder[] = "p";
inline constexpr const char kSwitchDirect[] = "jp";
inline constexpr const char kSwitchBackground[] = "hp";
inline constexpr const char kSwitchHideEnd[] = "hideend";

inline constexpr const char kPathRulesSection[] = "ml";
inline constexpr const char kPageVisibilitySection[] = "界面_可视";
inline constexpr const char kUninstallOptionsSection[] = "卸载选项_列表";
inline constexpr const char kFinishOptionsSection[] = "完成后选项_列表";
inline constexpr const char kFinishWebSection[] = "完成后选项_访问网络";
inline constexpr const char kFinishRunSection[] = "完成后选项_执行程序";
inline constexpr const char kFinishMainProgramSection[] = "完成后选项_主运行程序";
inline constexpr const char kShortcutSection[] = "新建快捷方式参数";
inline constexpr const char kAfterUnpackSection[] = "解压后运行的参数";
inline constexpr const char kUninstallCommandsSection[] = "卸载时运行命令";

// Install modes.
inline constexpr const char kModeNormal[] = "正常安装";
inline constexpr const char kModeDirect[] = "直接安装";
inline constexpr const char kModeBackground[] = "后台安装";

}  // namespace keys
