#include "wizard/host_variables.h"

#include <cstring>

#include "wizard/control_names.h"
#include "wizard/session.h"

namespace {

// True when a plug-in changed the variable; `value` then holds the new text.
bool TakeChange(PublishedText& v, std::string& value) {
  if (!v.slot) return false;  // never published
  const bool replaced = v.slot != v.buffer.data();
  if (!replaced && v.published == v.slot) return false;
  value = v.slot;
  return true;
}

void Publish(PublishedText& v, const std::string& value) {
  if (v.slot == v.buffer.data() && v.slot && v.published == value && v.buffer == value) return;
  v.buffer = value;
  v.published = value;
  v.slot = v.buffer.data();
}

void SyncText(PublishedText& v, std::string& value) {
  std::string changed;
  if (TakeChange(v, changed)) value = changed;
  Publish(v, value);
}

}  // namespace

void SyncHostVariables(InstallSession& session) {
  HostVariables& h = session.plugins.variables;
  std::string path;
  if (TakeChange(h.installPath, path)) {
    session.run.installPath = path;
    if (session.form) session.form->SetText(wizard_names::kPathEdit, path);
  }
  Publish(h.installPath, session.run.installPath);
  SyncText(h.excludeList, session.lists.excludeList);
  SyncText(h.includeList, session.lists.includeList);
  SyncText(h.shortcutStep, session.shortcutOptionOverride);
  SyncText(h.folderPage, session.wizard.browseAppend);

  auto& pages = session.wizard.pageTable;
  for (int i = 0; i < PLUGIN_PAGE_COUNT; ++i) {
    const PluginPageEntry& now = h.pageTable.pages[i];
    const PluginPageEntry& before = h.publishedPageTable.pages[i];
    if (now.index != before.index) pages[i].index = now.index;
    if (now.visible != before.visible) pages[i].visible = now.visible != 0;
    if (h.visibleFlags[i] != h.publishedVisibleFlags[i])
      session.wizard.visibleFlags[i] = h.visibleFlags[i];
    h.pageTable.pages[i] = {pages[i].index, pages[i].visible ? 1 : 0};
    h.visibleFlags[i] = session.wizard.visibleFlags[i];
  }
  h.publishedPageTable = h.pageTable;
  std::memcpy(h.publishedVisibleFlags, h.visibleFlags, sizeof h.visibleFlags);
}
