// The host query dispatcher. Plug-ins read the addresses it hands out after the call returns,
// so every answer points at state that outlives the call.
#include "wizard/host_query.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/platform.h"
#include "script/interpreter.h"
#include "startup/archiver_driver.h"
#include "wizard/component_view.h"
#include "wizard/control_names.h"
#include "wizard/disk_space.h"
#include "wizard/host_variables.h"

namespace {

// What 1010 hands out: a routine without arguments that rebuilds the tree of the session the
// query was made on (plug-ins call it with nothing).
InstallSession* treeSession = nullptr;
int RebuildComponentTree() {
  if (!treeSession) return 0;
  const bool ok = LoadComponentTree(treeSession->wizard.scriptDocument, treeSession->tree);
  ShowComponentTree(*treeSession);
  return ok ? 1 : 0;
}

std::string TextAt(intptr_t address) {
  return address ? std::string(reinterpret_cast<const char*>(address)) : std::string();
}

// A parameter as one of a request's sub-codes. A value beyond 32 bits is none of them (it
// would otherwise wrap onto one on x86_64); 0 is no sub-code either.
template <typename Code>
Code AsCode(intptr_t value) {
  return value == intptr_t(int32_t(value)) ? static_cast<Code>(value) : Code{};
}

intptr_t Address(const void* p) { return reinterpret_cast<intptr_t>(p); }

// A text handed in replaces `into`; no text leaves it as it was.
void StoreText(intptr_t address, std::string& into) {
  if (address) into = TextAt(address);
}

// A text handed in is appended to a comma-separated extraction list.
void AppendText(intptr_t address, std::string& list) {
  if (address) AppendToList(list, TextAt(address));
}

// Welcome and finish show the large left picture, the other pages their header picture.
intptr_t PagePicture(const Form* form, intptr_t page) {
  static const char* const kPictures[kPageCount] = {"图片框1", "图片框6", "图片框2",
                                                    "图片框3", "图片框5", "图片框4"};
  if (!form || page < 0 || page >= kPageCount) return 0;
  return form->Handle(kPictures[page]);
}

intptr_t ButtonWindow(const Form* form, intptr_t which) {
  if (!form) return 0;
  switch (AsCode<HostButton>(which)) {
    case HostButton::kBack:
      return form->Handle(wizard_names::kBack);
    case HostButton::kNext:
      return form->Handle(wizard_names::kNext);
    case HostButton::kCancel:
      return form->Handle(wizard_names::kCancel);
  }
  return 0;
}

intptr_t DiskSpace(const InstallSession& session, intptr_t which) {
  switch (AsCode<DiskSpaceQuery>(which)) {
    case DiskSpaceQuery::kShowSpace:
      return session.run.package.showSpace ? 1 : 0;
    case DiskSpaceQuery::kUncompressedSizeText: {
      // The text must outlive the call: the plug-in reads it afterwards.
      static std::string formatted;
      formatted = FormatSize(session.run.package.uncompressedSize, 0, false);
      return Address(formatted.c_str());
    }
  }
  return 0;
}

intptr_t TreeRebuilder(InstallSession& session) {
  treeSession = &session;
  return reinterpret_cast<intptr_t>(&RebuildComponentTree);
}

// "entries$-folders$-password": the two lists are walked in step, one extraction a pair.
void ExtractIntoFolders(InstallSession& session, intptr_t address) {
  if (!address) return;
  std::vector<std::string> parts = text::Split(TextAt(address), "$-");
  parts.resize(3);
  ExtractToFolders(parts[0], parts[1], parts[2], session.run.package.payloadArchivePath,
                   session.TestMode());
}

// A function of 0 takes the callback away.
void RegisterTreeCallback(InstallSession& session, intptr_t kind, intptr_t function) {
  switch (AsCode<TreeCallbackKind>(kind)) {
    case TreeCallbackKind::kSelection:
      session.plugins.selectionCallback = nullptr;
      if (function) {
        session.plugins.selectionCallback = [function](int index, intptr_t label) {
          const intptr_t arguments[] = {index, label};
          (void)plat::CallForeignFunction(function, arguments, 2);
        };
      }
      break;
    case TreeCallbackKind::kTick:
      session.plugins.tickCallback = nullptr;
      if (function) {
        session.plugins.tickCallback = [function](int index, int state) {
          const intptr_t arguments[] = {index, state};
          return int(plat::CallForeignFunction(function, arguments, 2));
        };
      }
      break;
  }
}

intptr_t Answer(InstallSession& session, int request, intptr_t parameter, intptr_t value) {
  switch (static_cast<HostRequest>(request)) {
    case HostRequest::kPagePicture:
      return PagePicture(session.form, parameter);
    case HostRequest::kButton:
      return ButtonWindow(session.form, parameter);
    case HostRequest::kDragAnywhere:
      if (session.form) session.form->SetDragAnywhere(parameter == 1);
      return 0;
    case HostRequest::kMainWindowVisible:
      session.run.startup.mainWindowVisible = parameter == 1 ? 1 : 0;
      return 0;
    case HostRequest::kFinishOptions:
      return Address(&session.finishOptions);
    case HostRequest::kInstallPath:
      return Address(session.run.installPath.c_str());
    case HostRequest::kDiskSpace:
      return DiskSpace(session, parameter);
    case HostRequest::kProgramGroup:
      StoreText(parameter, session.programGroupOverride);
      return 0;
    case HostRequest::kTreeRebuilder:
      return TreeRebuilder(session);
    case HostRequest::kScriptDocument:
      return Address(session.wizard.scriptDocument.c_str());
    case HostRequest::kReplaceScriptDocument:
      StoreText(parameter, session.wizard.scriptDocument);
      return 0;
    case HostRequest::kExtractToFolders:
      ExtractIntoFolders(session, parameter);
      return 0;
    case HostRequest::kAppendExcludeList:
      AppendText(parameter, session.lists.excludeList);
      return 0;
    case HostRequest::kAppendIncludeList:
      AppendText(parameter, session.lists.includeList);
      return 0;
    case HostRequest::kAlternativePayload:
      StoreText(parameter, session.alternativePayloadPath);
      return 0;
    case HostRequest::kTreeCallback:
      RegisterTreeCallback(session, parameter, value);
      return 0;
  }
  return 0;
}

}  // namespace

intptr_t HostQuery(InstallSession& session, int request, intptr_t parameter, intptr_t value) {
  // The lists a request appends to are host variables too: the plug-in reads them at once.
  SyncHostVariables(session);
  const intptr_t answer = Answer(session, request, parameter, value);
  SyncHostVariables(session);
  return answer;
}
