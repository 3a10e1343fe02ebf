#include "startup/command_line.h"

#include "common/ini.h"
#include "common/text.h"
#include "platform/platform.h"
#include "startup/config.h"
#include "package/data_keys.h"

std::vector<std::string> ParseCommandArgs(const std::string& commandLine) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false;
  bool hasArg = false;
  for (char c : commandLine) {
    if (c == '"') {
      inQuotes = !inQuotes;
      hasArg = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (hasArg) args.push_back(current);
      current.clear();
      hasArg = false;
    } else {
      current.push_back(c);
      hasArg = true;
    }
  }
  if (hasArg) args.push_back(current);
  if (!args.empty()) args.erase(args.begin());  // the program path
  return args;
}

std::string CommandTailOf(const std::string& commandLine) {
  size_t tailStart = std::string::npos;
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t close = commandLine.find('"', 1);
    if (close != std::string::npos) tailStart = close + 1;
  } else {
    // An unquoted program path cannot hold blanks; a quote inside the arguments must not be
    // taken for the end of the path (that would lose every switch before it).
    size_t blank = commandLine.find(' ', 1);
    if (blank != std::string::npos) tailStart = blank;
  }
  if (tailStart == std::string::npos) return "";
  return text::TrimBlanks(commandLine.substr(tailStart));
}

std::string GetOwnCommandTail() { return CommandTailOf(plat::CommandLine()); }

SwitchTexts ReadSwitchTexts(const std::string& dataIniPath) {
  Bytes dataIni;
  if (dataIniPath.empty() || !plat::ReadFileBytes(dataIniPath, dataIni)) dataIni.clear();
  return SwitchTextsOf(dataIni);
}

SwitchTexts SwitchTextsOf(BytesView dataIni) {
  SwitchTexts switches;
  const ini::Document doc = ini::Document::Parse(dataIni);
  auto read = [&](const char* key, std::string& into) {
    std::string value = doc.Get(keys::kCommandLineSection, key);
    if (!value.empty()) into = value;
  };
  read(keys::kSwitchDirect, switches.direct);
  read(keys::kSwitchBackground, switches.background);
  read(keys::kSwitchHideEnd, switches.hideEnd);
  read(keys::kSwitchInstallFolder, switches.installFolder);
  return switches;
}

std::string InstallFolderValue(const std::string& tail, const std::string& switchText) {
  size_t at = text::Find(tail, switchText);
  if (at == text::npos) return "";
  const std::string rest = tail.substr(at + switchText.size());
  size_t lastQuote = rest.rfind('"');
  std::string value;
  if (lastQuote != std::string::npos) value = text::ReplaceAll(rest.substr(0, lastQuote), "\"", "");
  if (value.empty()) value = rest.substr(0, rest.find(' '));
  return value;
}

void ApplySwitches(const SwitchTexts& switches, StartupState& state) {
  const std::string& tail = state.commandTail;
  if (text::Contains(tail, switches.direct)) state.installMode = keys::kModeDirect;
  if (text::Contains(tail, switches.background)) state.installMode = keys::kModeBackground;
  if (text::Contains(tail, switches.hideEnd)) state.hideEnd = -1;
  if (!switches.installFolder.empty() && text::Contains(tail, switches.installFolder))
    state.installPathOverride = InstallFolderValue(tail, switches.installFolder);
}

namespace {
constexpr char kTestArgument[] = "test";
}  // namespace

bool FirstArgumentIsTest(const StartupState& state) {
  return !state.commandArgs.empty() && state.commandArgs[0] == kTestArgument;
}

bool OnlyArgumentIsTest(const StartupState& state) {
  return state.commandArgs.size() == 1 && state.commandArgs[0] == kTestArgument;
}
