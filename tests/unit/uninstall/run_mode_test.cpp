// ChooseRunMode over the record's switch texts and its uninstall mode: which runs start by
// themselves, which hide the window and which end without waiting on the finish page.
#include <gtest/gtest.h>

#include "uninstall/uninstall_engine.h"

namespace {

struct Case {
  const char* label;
  const char* arguments;
  UninstallSwitches switches;
  const char* mode;
  int flags;
  bool hidden;
  bool pressed;
};

const UninstallSwitches kUsual{"-jp", "-hideend", "-hp"};

TEST(ChooseRunMode, Table) {
  const Case cases[] = {
      {"hp", "-hp", kUsual, "", 4, true, true},
      {"hp wins over jp and hideend", "-jp -hideend -hp", kUsual, "", 4, true, true},
      {"后台卸载", "", kUsual, "后台卸载", 4, true, true},
      {"jp", "-jp", kUsual, "", 1, false, true},
      {"直接卸载", "", kUsual, "直接卸载", 1, false, true},
      {"jp + hideend", "-jp -hideend", kUsual, "", 3, false, true},
      {"hideend alone waits for the click", "-hideend", kUsual, "", 2, false, false},
      {"none", "", kUsual, "", 0, false, false},
      {"an unknown mode", "", kUsual, "普通卸载", 0, false, false},
      {"empty switch texts match nothing", "-jp -hp", {"", "", ""}, "", 0, false, false},
      {"renamed switches", "/quiet", {"/direct", "/noend", "/quiet"}, "", 4, true, true},
  };
  for (const Case& c : cases) {
    const RunModeChoice choice = ChooseRunMode(c.arguments, c.switches, c.mode);
    EXPECT_EQ(choice.flags, c.flags) << c.label;
    EXPECT_EQ(choice.hideWindow, c.hidden) << c.label;
    EXPECT_EQ(choice.pressUninstall, c.pressed) << c.label;
  }
}

}  // namespace
