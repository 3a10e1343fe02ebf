#include "startup/command_line.h"

#include <gtest/gtest.h>

#include "package/data_keys.h"

namespace {

TEST(CommandLine, ArgumentsLoseTheProgramPathAndTheirQuotes) {
  EXPECT_EQ(ParseCommandArgs("\"C:\\Setup Files\\setup.exe\" test -hp"),
            (std::vector<std::string>{"test", "-hp"}));
  EXPECT_EQ(ParseCommandArgs("setup.exe /D=\"C:\\Program Files\\App\"  -jp"),
            (std::vector<std::string>{"/D=C:\\Program Files\\App", "-jp"}));
  EXPECT_TRUE(ParseCommandArgs("\"C:\\setup.exe\"").empty());
  EXPECT_EQ(ParseCommandArgs("a \"\""), std::vector<std::string>{""});
}

TEST(CommandLine, TailFollowsTheProgramPath) {
  struct {
    const char* line;
    const char* tail;
  } cases[] = {
      {"\"C:\\My Setup\\setup.exe\"  -hp -hideend ", "-hp -hideend"},
      {"\"C:\\setup.exe\"", ""},
      {"setup.exe -jp", "-jp"},
      {"setup.exe", ""},
      // An unquoted program path followed by a quoted argument keeps every switch.
      {"setup.exe -hp /D=\"C:\\Program Files\\X\"", "-hp /D=\"C:\\Program Files\\X\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandTailOf(c.line), c.tail) << c.line;
}

TEST(CommandLine, SwitchesSetTheModesBySubstring) {
  struct {
    const char* tail;
    const char* mode;
    int hideEnd;
  } cases[] = {
      {"", "", 0},
      {"-jp", keys::kModeDirect, 0},
      {"-hp", keys::kModeBackground, 0},
      {"-jp -hp", keys::kModeBackground, 0},  // the background switch is tested last
      {"-hp -jp", keys::kModeBackground, 0},
      {"/x-hpq", keys::kModeBackground, 0},   // found inside a longer word
      {"-HP", "", 0},                         // case-sensitive
      {"-jp -hideend", keys::kModeDirect, -1},
  };
  for (const auto& c : cases) {
    StartupState state;
    state.commandTail = c.tail;
    ApplySwitches(SwitchTexts{}, state);
    EXPECT_EQ(state.installMode, c.mode) << c.tail;
    EXPECT_EQ(state.hideEnd, c.hideEnd) << c.tail;
    EXPECT_EQ(state.installPathOverride, "") << c.tail;
  }
}

TEST(CommandLine, RenamedSwitchesAndTheInstallFolderValue) {
  SwitchTexts switches;
  switches.direct = "/silent";
  switches.installFolder = "/D=";
  struct {
    const char* tail;
    const char* folder;
    const char* mode;
  } cases[] = {
      {"/D=\"C:\\Program Files\\App\" -jp", "C:\\Program Files\\App", ""},
      {"/D=C:\\App -jp", "C:\\App", ""},
      {"/silent /D=D:\\Games", "D:\\Games", keys::kModeDirect},
      {"/silent", "", keys::kModeDirect},
  };
  for (const auto& c : cases) {
    StartupState state;
    state.commandTail = c.tail;
    ApplySwitches(switches, state);
    EXPECT_EQ(state.installPathOverride, c.folder) << c.tail;
    EXPECT_EQ(state.installMode, c.mode) << c.tail;
  }
}

TEST(CommandLine, TheTwoTestModes) {
  struct Case {
    std::vector<std::string> args;
    bool first, only;
  } cases[] = {
      {{}, false, false},
      {{"test"}, true, true},
      {{"test", "-hp"}, true, false},
      {{"-jp", "test"}, false, false},
      {{"TEST"}, false, false},
  };
  for (const Case& c : cases) {
    StartupState state;
    state.commandArgs = c.args;
    EXPECT_EQ(FirstArgumentIsTest(state), c.first) << testing::PrintToString(c.args);
    EXPECT_EQ(OnlyArgumentIsTest(state), c.only) << testing::PrintToString(c.args);
  }
}

}  // namespace
