// The host link writer: records each shortcut and leaves a stand-in file (the target path as
// its text) where the .lnk would be, so that folder tests see the shortcut.
#include "system/shortcut_file.h"

#include "platform/platform.h"
#include "system/host/shortcut_calls.h"

std::vector<RecordedShortcut>& RecordedShortcuts() {
  static std::vector<RecordedShortcut> calls;
  return calls;
}

std::vector<RecordedPin>& RecordedPins() {
  static std::vector<RecordedPin> calls;
  return calls;
}

void ClearShortcutRecords() {
  RecordedShortcuts().clear();
  RecordedPins().clear();
}

bool CreateShortcutFile(std::string& linkPath, std::string& targetPath,
                        const std::string& arguments, const std::optional<std::string>& icon,
                        std::optional<int> windowStyle, const std::string& description,
                        const std::optional<std::string>& hotkey) {
  linkPath = ShortcutLinkPath(linkPath);
  if (plat::FileExists(linkPath)) plat::DeleteFile(linkPath);
  const std::optional<std::string> workingFolder = ShortcutWorkingFolder(targetPath);
  if (!workingFolder) return false;
  if (!plat::WriteFileBytes(linkPath, BytesView(targetPath))) return false;
  RecordedShortcuts().push_back({linkPath, targetPath, *workingFolder, arguments,
                                 icon ? *icon : targetPath + ",0", windowStyle.value_or(0),
                                 description, hotkey.value_or("")});
  return true;
}

void SetTaskbarPin(const std::string& folder, const std::string& fileName, bool pin) {
  RecordedPins().push_back({folder, fileName, pin});
}
