// The setup command line: arguments, the raw tail after the program path, and the switches
// whose texts the package may rename in data.ini section "安装包命令行".
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"
#include "startup/state.h"

// Arguments after the program path. Blanks separate arguments; double quotes group blanks
// into an argument and are removed.
std::vector<std::string> ParseCommandArgs(const std::string& commandLine);

// The text after the program path, blanks trimmed. A quoted program path ends at its closing
// quote; an unquoted one at the first blank.
std::string CommandTailOf(const std::string& commandLine);
// CommandTailOf the own process's command line.
std::string GetOwnCommandTail();

struct SwitchTexts {
  std::string direct = "-jp";
  std::string background = "-hp";
  std::string hideEnd = "-hideend";
  std::string installFolder;  // empty: the feature is off
};

// The switch texts of a data.ini (its "安装包命令行" section); empty keys keep the defaults.
SwitchTexts ReadSwitchTexts(const std::string& dataIniPath);
// The same over data.ini held in memory.
SwitchTexts SwitchTextsOf(BytesView dataIni);

// Sets installMode, hideEnd and installPathOverride from `state.commandTail`. Containment is a
// case-sensitive substring test, so a switch also matches inside a longer word; the background
// switch is tested after the direct one and wins when both are present.
void ApplySwitches(const SwitchTexts& switches, StartupState& state);

// The install-folder value after the switch: a quoted value loses its quotes (everything
// before the last quote is kept); an unquoted one ends at the first blank.
std::string InstallFolderValue(const std::string& tail, const std::string& switchText);

// The two test modes, which differ on purpose. Start-up's: the first argument is "test" (the
// package step then reads the configuration beside the program when the file has none).
// The install's: the command line is exactly the one argument "test" (the install sequence and
// ExtractToFolders then extract nothing).
bool FirstArgumentIsTest(const StartupState& state);
bool OnlyArgumentIsTest(const StartupState& state);
