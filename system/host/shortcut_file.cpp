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

bool WriteShortcutLink(const ShortcutLink& link) {
  if (!plat::WriteFileBytes(link.linkPath, BytesView(link.targetPath))) return false;
  RecordedShortcuts().push_back(link);
  return true;
}

void SetTaskbarPin(const std::string& folder, const std::string& fileName, bool pin) {
  RecordedPins().push_back({folder, fileName, pin});
}
