// A window described as data: every control with its name, kind, parent, geometry,
// design-time caption and visibility. A `Form` builds its window from one such description, so
// the wizard, the uninstall window and the unpack window are tables that native tests can read.
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
