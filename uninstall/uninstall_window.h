// The uninstall window described as data (the types are in ui/window_desc.h), so the Win32
// form and the headless form build the same controls, and the names the engine addresses.
//
// One window with two looks: the confirmation (welcome body, install folder, option boxes)
// and the progress look (step text, progress bar, the list of steps), which the engine
// switches by visibility; the header band, the rights line and the two buttons stay.
#pragma once

#include "ui/window_desc.h"

// 507 x 360, every control of the uninstall window.
const WindowDesc& UninstallWindowDesc();

namespace uninstall_controls {

inline constexpr char kHeader[] = "外形框1";         // header band
inline constexpr char kTitle[] = "标签1";            // page title
inline constexpr char kSubtitle[] = "标签2";         // page subtitle
inline constexpr char kPicture[] = "图片框1";        // the small picture in the band
inline constexpr char kWelcome[] = "标签4";          // welcome body (confirmation)
inline constexpr char kStep[] = "标签5";             // step text (progress)
inline constexpr char kFolderLabel[] = "标签3";      // "卸载目录:"
inline constexpr char kFolder[] = "编辑框1";         // the install folder
inline constexpr char kProgress[] = "进度条1";
inline constexpr char kSteps[] = "列表框2";          // the list of removal steps
inline constexpr char kOptionModel[] = "选择框_备用"; // template of the option boxes
inline constexpr char kRights[] = "编辑框2";         // rights line
inline constexpr char kUninstallButton[] = "卸载按钮";
inline constexpr char kCancelButton[] = "取消按钮";
inline constexpr char kTimer[] = "时钟1";

}  // namespace uninstall_controls
