#include "uninstall/uninstall_window.h"

namespace {

using K = ControlKind;
namespace c = uninstall_controls;

WindowDesc BuildUninstallWindow() {
  WindowDesc w;
  w.caption = "卸载向导";
  w.width = 507;
  w.height = 360;
  std::vector<ControlDesc>& t = w.controls;
  t.push_back({c::kHeader, K::kPanel, "", 0, 0, 501, 53, ""});
  t.push_back({c::kTitle, K::kLabel, c::kHeader, 15, 7, 330, 18, ""});
  t.push_back({c::kSubtitle, K::kLabel, c::kHeader, 28, 25, 320, 26, ""});
  t.push_back({c::kPicture, K::kPicture, c::kHeader, 355, 0, 147, 53, ""});
  // The confirmation look.
  t.push_back({c::kWelcome, K::kLabel, "", 34, 56, 430, 32, ""});
  t.push_back({c::kFolderLabel, K::kLabel, "", 24, 104, 96, 18, "卸载目录:"});
  t.push_back({c::kFolder, K::kEdit, "", 125, 106, 352, 18, ""});
  t.push_back({c::kOptionModel, K::kCheckBox, "", 80, 140, 256, 24, "", false});
  // The progress look, hidden until the removal starts.
  t.push_back({c::kStep, K::kLabel, "", 24, 53, 456, 24, "", false});
  t.push_back({c::kProgress, K::kProgress, "", 24, 80, 456, 16, "", false});
  t.push_back({c::kSteps, K::kList, "", 24, 105, 456, 160, "", false});
  // Always there.
  t.push_back({c::kRights, K::kEdit, "", 12, 272, 476, 19, ""});
  t.push_back({c::kUninstallButton, K::kButton, "", 320, 300, 80, 22, "卸载(&U)"});
  t.push_back({c::kCancelButton, K::kButton, "", 407, 300, 80, 22, "取消(&C)"});
  t.push_back({c::kTimer, K::kTimer, "", 0, 0, 0, 0, ""});
  return w;
}

}  // namespace

const WindowDesc& UninstallWindowDesc() {
  static const WindowDesc desc = BuildUninstallWindow();
  return desc;
}
