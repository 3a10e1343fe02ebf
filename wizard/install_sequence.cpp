// The install sequence and the installing page's status line and bar. The sequence is the
// only place where the payload lands on disk, so it is also where a failed extraction must stop
// the run before anything is registered: shortcuts, registry entries and an uninstall record
// that point at missing files would be worse than no install at all.
#include "wizard/install_sequence.h"

#include "common/text.h"
#include "platform/platform.h"
#include "plugins/host_messages.h"
#include "script/unpack_progress.h"
#include "startup/archiver_driver.h"
#include "startup/command_line.h"
#include "package/blocks.h"
#include "startup/config.h"
#include "startup/exit_codes.h"
#include "startup/package.h"
#include "system/folders.h"
#include "system/registry.h"
#include "package/data_keys.h"
#include "package/uninst_dat.h"
#include "wizard/control_names.h"
#include "wizard/install_rollback.h"
#include "wizard/run_end.h"

const char kExtractionFailedText[] =
    "安装文件解压失败，安装包可能已损坏或不完整，安装已中止。";
const char kExtractionFailedTitle[] = "安装失败";

namespace {

using namespace wizard_names;

// Where the repair writes the 7z signature when a payload lacks it.
constexpr uint64_t kPayloadSignatureOffset = 19;

std::string StepCaption(const InstallSession& session, size_t index) {
  const auto& captions = session.wizard.stepCaptions;
  return index < captions.size() ? captions[index] : std::string("%Default%");
}



// Routes the archiver's per-file reports of this install to the installing page.
void WireUnpackProgress(InstallSession& session) {
  UnpackProgress& progress = TheUnpackProgress();
  progress.installPath = session.run.installPath;
  progress.statusTemplate = StepCaption(session, 0);
  progress.showStatusLine = [&session](const std::string& text) {
    ShowStatusLine(session, text);
  };
  progress.setBar = [&session](int position) {
    SetInstallProgress(session, position);
    return session.progressValue;
  };
  progress.stopRequested = [&session] { return session.cancelRequested; };
}

// Extraction failed: nothing may be registered, and what came is undone. The user hears why in
// the wizard modes, and the run ends with its own code so that a silent caller sees the
// failure too. A file held by another program is named on the status line.
void StopAfterFailedExtraction(InstallSession& session, InstallUndo& undo) {
  if (!undo.fileInUse.empty()) {
    ShowStatusLine(session, kFileInUseText + undo.fileInUse);
    RollBackAndEnd(session, undo, kExitFileInUse, "", "");
    return;
  }
  RollBackAndEnd(session, undo, kExitExtractionFailed, kExtractionFailedText,
                 kExtractionFailedTitle);
}

// A Cancel confirmed while the sequence ran: no later step runs, and what the run changed is
// undone.
bool StopIfCancelled(InstallSession& session, InstallUndo& undo) {
  if (!session.cancelRequested) return false;
  RollBackAndEnd(session, undo, kExitCancelled, "", "");
  return true;
}

bool ExtractPayload(InstallSession& session, const std::string& password) {
  const std::string& payload = session.run.package.payloadArchivePath;
  const UnpackProgressFn progress = OnUnpackProgress;
  const std::string assignments(session.run.config.assignments);
  std::string& excludeList = session.lists.excludeList;
  // Made here rather than by the extraction, so that a per-machine install folder outside
  // Program Files is protected before the first file lands in it.
  (void)PrepareInstallFolder(session.run.installPath);
  bool ok = true;
  if (!assignments.empty()) {
    // The group step appends "entry," without a separator of its own; an exclude list that an
    // "Install" section left without a trailing "," would otherwise fuse two entries.
    if (!excludeList.empty() && excludeList.back() != ',') excludeList += ',';
    ok = ExtractAssignedFiles(assignments, session.run.installPath, payload, password, progress,
                              excludeList);
  }
  // The main extraction is the last of groupCount + 1 parts of the bar; left at the last
  // group's index it could never take the bar past that group's share.
  UnpackProgress& state = TheUnpackProgress();
  if (state.groupCount > 0) state.groupIndex = state.groupCount + 1;
  if (session.cancelRequested) return false;
  // The main extraction runs even after a failed group: the user then sees which files came,
  // and the failure is still reported once both are done.
  const bool mainOk = ExtractArchive(payload, session.run.installPath, password, progress,
                                     session.lists.includeList, excludeList);
  return ok && mainOk;
}

void CreateInstallShortcuts(InstallSession& session, InstallUndo& undo) {
  std::vector<ShortcutTreeItem> items;
  items.reserve(session.tree.items.size());
  for (const ComponentItem& item : session.tree.items)
    items.push_back({item.text, item.value, item.checked});
  ShortcutInputs inputs;
  inputs.installFolder = session.run.installPath;
  inputs.softwareName = session.wizard.productName;
  inputs.mainProgram = session.wizard.mainProgram;
  inputs.makeUninstaller = session.wizard.makeUninstaller == 1;
  inputs.programGroupOverride = session.programGroupOverride;
  inputs.optionOverride = session.shortcutOptionOverride;
  inputs.treeOptions = ShortcutOptionsFromTree(items);
  inputs.statusText = StepCaption(session, 1);
  inputs.showStatus = [&session](const std::string& text) { ShowStatusLine(session, text); };
  AddUndoHooks(undo, inputs);
  CreateShortcuts(session.shortcuts, inputs);
}

void ApplyInstallRegistry(InstallSession& session, InstallUndo& undo) {
  RegistryListInput input;
  input.registryList = session.run.config.registryList;
  input.installPath = session.run.installPath;
  input.productName = session.wizard.productName;
  input.version = session.wizard.version;
  input.company = session.wizard.company;
  input.mainProgram = session.wizard.mainProgram;
  input.makeUninstaller = session.wizard.makeUninstaller == 1;
  input.uninstallKey64 = IsTrueText(session.wizard.uninstallKeyView);
  input.quietSwitch = SwitchTextsOf(session.run.config.dataIni).background;
  input.installedFileList = TheUnpackProgress().installedFileList;
  AddUndoHooks(undo, input);
  session.uninstallRegistryList = ApplyRegistryList(input);
}

void RunUnzipSections(InstallSession& session, ScriptContext& context) {
  // Copied first: a section may change item values while the loop walks the tree.
  std::vector<std::string> names;
  for (const ComponentItem& item : session.tree.items) names.push_back(item.text);
  for (const std::string& name : names) {
    std::string content;
    GetScriptSection(session.wizard.scriptDocument, name, "Unzip", content);
    if (!content.empty()) RunScriptSection(context, content, name, 0, false);
  }
}

}  // namespace

bool IsBackgroundInstall(const InstallSession& session) {
  return session.run.startup.installMode == keys::kModeBackground;
}

ScriptContext MakeScriptContext(InstallSession& session) {
  ScriptContext context;
  context.tree = &session.tree;
  context.lists = &session.lists;
  context.installPath = session.run.installPath;
  context.statusTemplate = StepCaption(session, 2);
  context.showStatusLine = [&session](const std::string& text) { ShowStatusLine(session, text); };
  return context;
}

void ShowStatusLine(InstallSession& session, const std::string& text) {
  Form* form = session.form;
  if (!form) return;
  form->PumpEventsPerFrame();
  if (!form->Has(kDetailList)) return;
  form->SetTextPerFrame(kStatusLabel, text);
  if (session.wizard.detailListMode != 2) form->AddListRow(kDetailList, text);
  if (session.plugins.stepCallback) {
    const intptr_t argument = reinterpret_cast<intptr_t>(text.c_str());
    (void)plat::CallForeignFunction(session.plugins.stepCallback, &argument, 1);
  }
}

void SetInstallProgress(InstallSession& session, int percent) {
  if (percent > 100) percent = 100;
  if (percent <= session.progressValue) return;
  session.progressValue =
      session.form ? session.form->SetProgressPerFrame(kProgressBar, percent) : percent;
  if (session.plugins.progressCallback) {
    const intptr_t argument = percent;
    (void)plat::CallForeignFunction(session.plugins.progressCallback, &argument, 1);
  }
}

namespace {

// The uninstall record's files: the writer reads the earlier uninst.dat before it replaces
// it, so the earlier pair is copied into the backup rather than moved; its partial files are
// the run's own.
bool NoteUninstallRecordFiles(InstallSession& session, InstallUndo& undo) {
  const std::string folder = session.run.installPath + "\\";
  for (const char* name : {package::kUninstExeFile, package::kUninstDatFile}) {
    if (undo.journal.BeforeRewrite(folder + name) != InstallJournal::FileStep::kReady ||
        undo.journal.BeforeWrite(folder + name + package::kRecordPartialSuffix) != InstallJournal::FileStep::kReady)
      return false;
  }
  return true;
}

void RunSequenceSteps(InstallSession& session, const std::string& password, bool noEnd,
                      InstallUndo& undo) {
  if (session.form) session.form->PumpEvents();
  if (session.cancelRequested) {
    EndRun(session, kExitCancelled);
    return;
  }
  if (session.TestMode()) {
    EndInstall(session);
    return;
  }
  if (!StartInstallUndo(session, undo)) return;

  // Only the payload copy that start-up made in the temp folder is ours to patch. Written into
  // the setup file itself or into a volume beside it, the two bytes would change the
  // distributed package (a volume's 7z header, the setup file's DOS header).
  const std::string& payload = session.run.package.payloadArchivePath;
  if (payload == session.run.package.payloadCopyPath && text::EndsWith(payload, ".7zsha"))
    blocks::RepairArchiveSignature(payload, kPayloadSignatureOffset);
  if (!session.alternativePayloadPath.empty())
    session.run.package.payloadArchivePath = session.alternativePayloadPath;

  WireUnpackProgress(session);
  WireInstallUndo(session, undo);
  const bool extracted = ExtractPayload(session, password);
  UnwireInstallUndo();
  if (StopIfCancelled(session, undo)) return;
  if (!extracted || undo.recordFailed) {
    StopAfterFailedExtraction(session, undo);
    return;
  }
  CleanUpWorkFiles(session.run, true);

  CreateInstallShortcuts(session, undo);
  if (StopIfCancelled(session, undo)) return;
  ApplyInstallRegistry(session, undo);
  if (StopIfCancelled(session, undo)) return;
  if (session.wizard.makeUninstaller == 1 && session.writeUninstallRecord) {
    if (!NoteUninstallRecordFiles(session, undo) || !session.writeUninstallRecord(session))
      session.uninstallRecordFailed = true;
  }
  if (StopIfCancelled(session, undo)) return;

  ScriptContext context = MakeScriptContext(session);
  RunPostUnpackCommands(context, session.postUnpackCommands);
  if (StopIfCancelled(session, undo)) return;
  RunUnzipSections(session, context);
  if (StopIfCancelled(session, undo)) return;

  // The install is complete from here on: the finish page and its options change nothing the
  // undo would know of.
  CommitInstallUndo(undo);
  if (!noEnd) EndInstall(session);
}

}  // namespace

void RunInstallSequence(InstallSession& session, const std::string& password, bool noEnd) {
  session.installing = true;
  InstallUndo undo;
  RunSequenceSteps(session, password, noEnd, undo);
  session.installing = false;
  TheUnpackProgress().stopRequested = nullptr;
}

void EndInstall(InstallSession& session) {
  if (Form* form = session.form) {
    form->SetText(kNext, session.wizard.buttonCaptions[5]);
    form->SetVisible(kBack, false);
  }
  if (session.plugins.broadcast) session.plugins.broadcast(InstallEndMessage());
  if (IsBackgroundInstall(session) || session.run.startup.hideEnd == -1)
    EndRun(session, kExitSuccess);
}
