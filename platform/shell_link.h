// Shell links (.lnk files) and shell verbs: the shell's COM objects behind two calls, so that
// the shortcut rules of system/ need neither COM nor <windows.h>. Texts are GBK.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

// The modifier bits of ShellLink::hotkey's high byte, and the first function key.
inline constexpr uint16_t kHotkeyShift = 0x01;
inline constexpr uint16_t kHotkeyControl = 0x02;
inline constexpr uint16_t kHotkeyAlt = 0x04;
inline constexpr uint16_t kHotkeyExtended = 0x08;
inline constexpr uint16_t kVirtualKeyF1 = 0x70;

// What a link file stores, field by field as the shell's link object takes it.
struct ShellLink {
  std::string linkPath;  // the file written; an existing one is replaced
  std::string targetPath;
  std::string workingFolder;
  std::string arguments;
  std::string iconPath;
  int iconIndex = 0;
  int showCommand = 0;  // the window's show state (SW_ values)
  std::string description;
  uint16_t hotkey = 0;  // virtual key in the low byte, kHotkey* modifiers in the high byte; 0: none
};

// Writes the link file. False when the shell's link object cannot be made, refuses the target
// or cannot save the file.
bool SaveShellLink(const ShellLink& link);

// Invokes every verb of the shell item `folder`\`fileName` whose caption equals string
// `shell32StringId` of Shell32.dll's string table. Does nothing when the string, the folder
// or the item is missing, or no caption matches.
void InvokeShellVerb(const std::string& folder, const std::string& fileName, int shell32StringId);

}  // namespace plat
