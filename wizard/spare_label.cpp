// Decisions worth knowing:
// - Code 1004 adds its page after the last one, whatever position it is given: the six wizard
//   pages keep their indices, which the page table, the host messages and Back/Next rely on.
// - Code 1000 puts the header picture at the right end of the 501 x 53 header band (the spare
//   picture's own place would lie below the band, where nothing shows).
// - Codes that write into a plug-in's slot (1011, 1013) write a whole pointer: 4 bytes on
//   i686, 8 on x86_64.
#include "wizard/spare_label.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/text.h"
#include "package/data_keys.h"
#include "platform/platform.h"
#include "wizard/control_names.h"
#include "wizard/host_variables.h"
#include "wizard/page_flow.h"

const char kSpareLabel[] = "备用_主标题";

namespace {

using namespace wizard_names;

constexpr char kSparePanel[] = "备用_外形框1";
constexpr char kSpareSubtitle[] = "备用_备注标题";
constexpr char kSpareCompany[] = "备用_编辑框版权";
constexpr char kSparePicture[] = "备用_图片框";
constexpr char kFolderPageCompany[] = "编辑框_版权4";
constexpr char kFieldSeparator[] = PLUGIN_FIELD_SEPARATOR;
constexpr char kNoHeader[] = "NO";

std::string TextAt(intptr_t address) {
  return address ? std::string(reinterpret_cast<const char*>(address)) : std::string();
}

intptr_t Address(const void* p) { return reinterpret_cast<intptr_t>(p); }

// Fields of a composite value; missing ones are empty.
std::vector<std::string> Fields(intptr_t address, size_t count) {
  std::vector<std::string> fields = text::Split(TextAt(address), kFieldSeparator);
  if (fields.size() < count) fields.resize(count);
  return fields;
}

void WriteSlot(intptr_t slot, intptr_t value) {
  if (slot) std::memcpy(reinterpret_cast<void*>(slot), &value, sizeof value);
}

bool CloneInto(Form& form, const char* templateControl, const std::string& name,
               const std::string& parent, const Bounds& bounds) {
  CloneTarget target;
  target.parent = parent;
  target.withChildren = false;
  if (!form.CloneControlInto(templateControl, name, target)) return false;
  form.SetBounds(name, bounds);
  form.SetVisible(name, true);
  return true;
}

intptr_t MakeHeaderPage(InstallSession& session, intptr_t value) {
  Form& form = *session.form;
  std::vector<std::string> fields = Fields(value, 2);
  const std::string& title = fields[0];
  const std::string& subtitle = fields[1];
  const std::string base = std::string(kSparePanel) + "_" +
                           text::FromInt(++session.plugins.headerPanels);
  const std::string outer = base + "_外";
  const std::string inner = base + "_内";
  if (!CloneInto(form, kSparePanel, outer, kPages, {0, 0, 999, 999})) return 0;
  CloneInto(form, kSparePanel, inner, outer, {0, 0, 501, 53});
  CloneInto(form, kSpareLabel, base + "_标题", inner, {15, 5, 90, 23});
  form.SetText(base + "_标题", title);
  CloneInto(form, kSpareSubtitle, base + "_备注", inner, {16, 23, 347, 24});
  form.SetText(base + "_备注", subtitle);
  form.SetText(kSpareCompany, session.wizard.company);
  CloneInto(form, kSpareCompany, base + "_版权", outer, {12, 280, 476, 19});
  form.SetText(base + "_版权", form.Text(kFolderPageCompany));
  CloneInto(form, kSparePicture, base + "_图片", inner, {367, 0, 134, 53});
  form.SetPicture(base + "_图片", session.wizard.skin.header);
  if (title == kNoHeader && subtitle == kNoHeader) form.SetVisible(inner, false);
  return form.Handle(outer);
}

intptr_t AddPlaceholderPage(InstallSession& session) {
  session.plugins.suppressPageNotify = true;
  const int page = session.form->AddPage();
  session.plugins.suppressPageNotify = false;
  return page;
}

intptr_t DescribePageFrames(InstallSession& session) {
  HostVariables& h = session.plugins.variables;
  for (int i = 0; i < PLUGIN_PAGE_COUNT; ++i) {
    const intptr_t frame = session.form->Handle("外形框I_" + text::FromInt(i + 1));
    h.frameChildren[i] = plat::ChildWindows(frame);
    h.frames.frames[i].frame = frame;
    h.frames.frames[i].children = h.frameChildren[i].data();
    h.frames.frames[i].childCount = int32_t(h.frameChildren[i].size());
  }
  h.frameWorkFolder = session.run.package.workFolder;
  h.frames.workFolder = h.frameWorkFolder.c_str();
  return Address(&h.frames);
}

void SetPageCallback(InstallSession& session, intptr_t function) {
  session.plugins.pageChangeCallback = nullptr;
  if (function == 0) return;
  session.plugins.pageChangeCallback = [function](int page) {
    const intptr_t argument = page;
    (void)plat::CallForeignFunction(function, &argument, 1);
  };
}

intptr_t ExternalStart(InstallSession& session, intptr_t value) {
  const std::vector<std::string> fields = Fields(value, 3);
  session.plugins.progressCallback = intptr_t(text::ToInt64(fields[1]));
  session.plugins.stepCallback = intptr_t(text::ToInt64(fields[2]));
  if (fields.size() >= 4) session.plugins.keepPage = text::IsTrueText(fields[3]);
  return StartInstall(session, fields[0], true) ? 0 : -1;
}

void SetInstallPath(InstallSession& session, intptr_t value) {
  if (!value) return;
  session.run.installPath = TextAt(value);
  session.form->SetText(kPathEdit, session.run.installPath);
}

void HandOutLists(InstallSession& session, intptr_t value) {
  HostVariables& h = session.plugins.variables;
  const std::vector<std::string> fields = Fields(value, 2);
  WriteSlot(intptr_t(text::ToInt64(fields[0])), Address(&h.excludeList.slot));
  WriteSlot(intptr_t(text::ToInt64(fields[1])), Address(&h.includeList.slot));
}

intptr_t VariableList(InstallSession& session) {
  HostVariables& h = session.plugins.variables;
  h.variableList.shortcutStep = &h.shortcutStep.slot;
  h.variableList.installPath = &h.installPath.slot;
  h.variableList.folderPage = &h.folderPage.slot;
  return Address(&h.variableList);
}

intptr_t Answer(InstallSession& session, int code, intptr_t value) {
  HostVariables& h = session.plugins.variables;
  Form& form = *session.form;
  switch (code) {
    case PLUGIN_LABEL_HEADER_PAGE:
      return MakeHeaderPage(session, value);
    case PLUGIN_LABEL_PAGE_TABLE:
      return Address(&h.pageTable);
    case PLUGIN_LABEL_VISIBLE_FLAGS:
      return Address(h.visibleFlags);
    case PLUGIN_LABEL_PAGE_COUNT:
      return form.PageCount();
    case PLUGIN_LABEL_ADD_PAGE:
      return AddPlaceholderPage(session);
    case PLUGIN_LABEL_FRAMES:
      return DescribePageFrames(session);
    case PLUGIN_LABEL_PAGE_CALLBACK:
      SetPageCallback(session, value);
      return 0;
    case PLUGIN_LABEL_CURRENT_PAGE:
      return form.CurrentPage();
    case PLUGIN_LABEL_SET_PAGE:
      form.SetCurrentPage(int(value));
      return 0;
    case PLUGIN_LABEL_START_INSTALL:
      return ExternalStart(session, value);
    case PLUGIN_LABEL_SET_PATH:
      SetInstallPath(session, value);
      return 0;
    case PLUGIN_LABEL_GET_PATH:
      WriteSlot(value, Address(h.installPath.slot));
      return 0;
    case PLUGIN_LABEL_LISTS:
      HandOutLists(session, value);
      return 0;
    case PLUGIN_LABEL_VARIABLES:
      return VariableList(session);
  }
  return 0;
}

}  // namespace

intptr_t OnHostMessage(InstallSession& session, int code, intptr_t value) {
  if (!session.form) return 0;
  // What the plug-in wrote before it called counts; what the code changed is published
  // before the answer goes back.
  SyncHostVariables(session);
  const intptr_t answer = Answer(session, code, value);
  SyncHostVariables(session);
  return answer;
}
