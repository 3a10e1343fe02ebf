// What the host link writer was asked to do, for native tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct RecordedShortcut {
  std::string linkPath;  // after ".lnk" was appended
  std::string targetPath;
  std::string workingFolder;
  std::string arguments;
  std::string iconLocation;
  int windowStyle = 0;
  std::string description;
  std::string hotkey;
};

struct RecordedPin {
  std::string folder;
  std::string fileName;
  bool pin = false;
};

// Every shortcut written and pin asked for since the last clear, in call order.
std::vector<RecordedShortcut>& RecordedShortcuts();
std::vector<RecordedPin>& RecordedPins();
void ClearShortcutRecords();
