// The host variables that plug-ins reach by address (plugins/plugin_api.h, section 4), kept in
// plain memory a C plug-in can use, and their exchange with the install session: what a
// plug-in wrote is taken into the session, then the session's values are published again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "plugins/plugin_api.h"

struct InstallSession;

// A text variable: `slot` is the variable plug-ins see; it points at `buffer` unless a plug-in
// stored a pointer of its own.
struct PublishedText {
  char* slot = nullptr;
  std::string buffer;
  std::string published;  // the text at the last publication (the buffer may be overwritten)
};

struct HostVariables {
  PublishedText installPath;
  PublishedText excludeList;
  PublishedText includeList;
  PublishedText shortcutStep;
  PublishedText folderPage;
  PluginPageTable pageTable{};
  PluginPageTable publishedPageTable{};
  int32_t visibleFlags[PLUGIN_PAGE_COUNT] = {};
  int32_t publishedVisibleFlags[PLUGIN_PAGE_COUNT] = {};
  PluginVariableList variableList{};
  PluginFrameDescription frames{};
  std::array<std::vector<intptr_t>, PLUGIN_PAGE_COUNT> frameChildren;
  std::string frameWorkFolder;
};

// Takes into the session what plug-ins changed since the last call (a text whose slot or
// content differs from what was published, a page-table field or flag that differs), then
// publishes the session's current values. A changed InstallPath is also put into the
// install-path edit box, which the install reads. Cheap; called whenever control comes back
// from a plug-in and before the host uses one of the variables.
void SyncHostVariables(InstallSession& session);
