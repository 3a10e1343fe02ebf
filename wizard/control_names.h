// The names of the wizard window's controls that the logic addresses, each written once. The
// controls themselves are described in window_tables.cpp; the install-mode texts live in
// startup/data_keys.h.
#pragma once

namespace wizard_names {

inline constexpr char kPages[] = "选择夹1";
inline constexpr char kBack[] = "上一步_按钮";
inline constexpr char kNext[] = "下一步_按钮";
inline constexpr char kCancel[] = "取消按钮_主窗口";
inline constexpr char kTimer[] = "时钟1";
inline constexpr char kTerms[] = "选择框_条款";
inline constexpr char kShowDetails[] = "按钮_显示细节";
inline constexpr char kStatusLabel[] = "解压_标签";
inline constexpr char kProgressBar[] = "进度条1";
inline constexpr char kDetailList[] = "超级列表框";
inline constexpr char kTree[] = "树型框1";
inline constexpr char kHint[] = "提示";
inline constexpr char kPathEdit[] = "安装路径_编辑框";
inline constexpr char kWelcomeBody[] = "外形框I_1";
inline constexpr char kBrowse[] = "浏览目录";
inline constexpr char kFolderGroup[] = "分组框_目标文件夹";
inline constexpr char kSpacePanel[] = "外形框_显示空间";
inline constexpr char kSpaceNeeded[] = "标签_所需空间";
inline constexpr char kSpaceFree[] = "标签_可用空间";
inline constexpr char kInstallPicture[] = "图片框_界面安装时图片";

}  // namespace wizard_names
