// The windows of the runtime described as data: every control with its name, kind, parent,
// geometry, design-time caption and visibility. Both form implementations build from these
// tables, so a native test sees the same controls as the real window.
#pragma once

#include <string>
#include <vector>

enum class ControlKind {
  kPageContainer,  // tab control without a visible tab strip
  kPanel,          // a frame that groups controls (the page bodies)
  kGroupBox,
  kButton,
  kCheckBox,
  kLabel,
  kEdit,       // one line
  kMultiEdit,  // several lines, read only, scrolls
  kTree,       // tree view with check boxes
  kList,       // report-style list view, one column
  kProgress,   // 0..100
  kPicture,
  kTimer,  // no window; interval 0 at design time
};

struct ControlDesc {
  std::string name;
  ControlKind kind;
  std::string parent;  // "" = the window; else a panel or group box
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::string caption;
  bool visible = true;
  int page = -1;  // for the page bodies: the page of the container they belong to
};

struct WindowDesc {
  std::string caption;
  int width = 0;
  int height = 0;
  std::vector<ControlDesc> controls;

  const ControlDesc* Find(const std::string& name) const;
};

// The six-page wizard window (503 x 399 at design time).
const WindowDesc& WizardWindowDesc();
// The small window shown while the payload is copied out (258 x 70).
const WindowDesc& UnpackWindowDesc();

// Page indexes of the wizard.
enum WizardPage : int {
  kPageWelcome = 0,
  kPageLicence = 1,
  kPageComponents = 2,
  kPageFolder = 3,
  kPageInstalling = 4,
  kPageFinish = 5,
  kPageCount = 6,
};
