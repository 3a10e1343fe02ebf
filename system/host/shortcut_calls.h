// What the host link writer was asked to do, for native tests.
#pragma once

#include "system/shortcut_file.h"

#include <optional>
#include <string>
#include <vector>

// A recorded link is exactly what the writer was asked to store.
using RecordedShortcut = ShortcutLink;

struct RecordedPin {
  std::string folder;
  std::string fileName;
  bool pin = false;
};

// Every shortcut written and pin asked for since the last clear, in call order.
std::vector<RecordedShortcut>& RecordedShortcuts();
std::vector<RecordedPin>& RecordedPins();
void ClearShortcutRecords();
