// The Windows link writer: the script host's shortcut properties (hotkey text, "path,index"
// icon location) turned into what the shell's link object stores, written through
// platform/shell_link.h; the taskbar pin through the shell verbs of the link file.
#include "system/shortcut_file.h"

#include "common/text.h"
#include "platform/platform.h"

#include "platform/shell_link.h"

namespace {

// Shell32.dll's strings with the captions of the pin and unpin verbs.
constexpr int kPinToTaskbarCaption = 5386;
constexpr int kUnpinFromTaskbarCaption = 5387;

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

// The script host's hotkey text ("CTRL+ALT+A", "SHIFT+F5") as the link's packed hotkey
// (virtual key in the low byte, modifiers in the high byte); 0 for none or unknown.
uint16_t ParseHotkey(const std::string& text) {
  uint16_t modifiers = 0;
  uint16_t key = 0;
  size_t start = 0;
  const std::string upper = Upper(text);
  while (start <= upper.size()) {
    size_t end = upper.find('+', start);
    if (end == std::string::npos) end = upper.size();
    const std::string part = upper.substr(start, end - start);
    if (part == "ALT") modifiers |= plat::kHotkeyAlt;
    else if (part == "CTRL") modifiers |= plat::kHotkeyControl;
    else if (part == "SHIFT") modifiers |= plat::kHotkeyShift;
    else if (part == "EXT") modifiers |= plat::kHotkeyExtended;
    else if (part.size() == 1 && ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= '0' && part[0] <= '9')))
      key = uint16_t(part[0]);
    else if (part.size() >= 2 && part[0] == 'F') {
      const int n = text::ToInt(part.substr(1));
      if (n >= 1 && n <= 24) key = uint16_t(plat::kVirtualKeyF1 + n - 1);
    }
    start = end + 1;
  }
  return key ? uint16_t(key | (modifiers << 8)) : 0;
}

// "path,index" as the script host's IconLocation takes it.
void SplitIconLocation(const std::string& location, std::string& path, int& index) {
  path = location;
  index = 0;
  const size_t comma = location.rfind(',');
  if (comma == std::string::npos) return;
  const std::string tail = location.substr(comma + 1);
  if (tail.empty() || tail.find_first_not_of("-0123456789") != std::string::npos) return;
  path = location.substr(0, comma);
  index = text::ToInt(tail);
}

}  // namespace

bool WriteShortcutLink(const ShortcutLink& shortcut) {
  plat::ShellLink link;
  link.linkPath = shortcut.linkPath;
  link.targetPath = shortcut.targetPath;
  link.workingFolder = shortcut.workingFolder;
  link.arguments = shortcut.arguments;
  SplitIconLocation(shortcut.iconLocation, link.iconPath, link.iconIndex);
  link.showCommand = shortcut.windowStyle;
  link.description = shortcut.description;
  link.hotkey = ParseHotkey(shortcut.hotkey);
  return plat::SaveShellLink(link);
}

void SetTaskbarPin(const std::string& folder, const std::string& fileName, bool pin) {
  plat::InvokeShellVerb(folder, fileName, pin ? kPinToTaskbarCaption : kUnpinFromTaskbarCaption);
}
