// Why the undo sits beside the install sequence: only the sequence knows when a run has failed
// for good, and only it may tell the user; the record itself (system/) knows nothing of
// windows or exit codes.
#include "wizard/install_rollback.h"

#include "platform/platform.h"
#include "script/unpack_progress.h"
#include "system/registry.h"
#include "system/shortcuts.h"
#include "wizard/install_sequence.h"
#include "wizard/run_end.h"

const char kRestoredText[] = "已撤销本次安装所做的更改，系统已恢复到安装前的状态。";
const char kNotRestoredText[] = "安装所做的更改未能全部撤销，备份及其记录保留在: ";
const char kNotRestoredTitle[] = "安装失败";
const char kFileInUseText[] = "文件正在被其他程序使用，无法替换: ";
const char kFileInUseQuestion[] =
    "请关闭正在使用它的程序后点击“重试”；点击“取消”将撤销本次安装。";
const char kFileInUseTitle[] = "文件被占用";
const char kEarlierRunRestoredText[] = "已撤销上次未完成的安装所做的更改。";

namespace {

intptr_t OwnerOf(const InstallSession& session) {
  return session.form ? session.form->Handle("") : 0;
}

void SayNotRestored(InstallSession& session, const std::string& folder,
                    const std::vector<std::string>& items) {
  ShowStatusLine(session, kNotRestoredText + folder);
  for (const std::string& item : items) ShowStatusLine(session, kNotRestoredText + item);
  if (!IsBackgroundInstall(session))
    plat::MessageBox(OwnerOf(session), kNotRestoredText + folder, kNotRestoredTitle,
                     plat::kMbOk | plat::kMbIconError);
}

// True when the file may be written; false stops the extraction.
bool BeforeExtractedFile(InstallSession& session, InstallUndo& undo, const std::string& path) {
  for (;;) {
    switch (undo.journal.BeforeWrite(path)) {
      case InstallJournal::FileStep::kReady:
        return true;
      case InstallJournal::FileStep::kFailed:
        undo.recordFailed = true;
        return false;
      case InstallJournal::FileStep::kInUse:
        break;
    }
    if (IsBackgroundInstall(session)) {
      undo.fileInUse = path;
      return false;
    }
    const int answer = plat::MessageBox(OwnerOf(session),
                                        kFileInUseText + path + "\r\n\r\n" + kFileInUseQuestion,
                                        kFileInUseTitle, plat::kMbRetryCancel | plat::kMbIconWarning);
    if (answer != plat::kIdRetry) {
      undo.fileInUse = path;
      return false;
    }
  }
}

}  // namespace

bool StartInstallUndo(InstallSession& session, InstallUndo& undo) {
  const std::string& folder = session.run.installPath;
  std::string product;
  std::vector<std::string> unrestored;
  switch (RecoverUnfinished(folder, product, unrestored)) {
    case RecoveryResult::kNothing:
      break;
    case RecoveryResult::kRestored:
      ShowStatusLine(session, kEarlierRunRestoredText);
      break;
    case RecoveryResult::kHeld:
      ShowStatusLine(session, kFileInUseText + BackupFolderOf(folder));
      EndRun(session, kExitFileInUse);
      return false;
    case RecoveryResult::kFailed:
      SayNotRestored(session, BackupFolderOf(folder), unrestored);
      EndRun(session, kExitNotRestored);
      return false;
  }
  if (undo.journal.Begin(folder, session.wizard.productName)) return true;
  if (!IsBackgroundInstall(session))
    plat::MessageBox(OwnerOf(session), kExtractionFailedText, kExtractionFailedTitle,
                     plat::kMbOk | plat::kMbIconError);
  EndRun(session, kExitExtractionFailed);
  return false;
}

void WireInstallUndo(InstallSession& session, InstallUndo& undo) {
  UnpackProgress& progress = TheUnpackProgress();
  progress.beforeExtraction = [&undo](const std::string& root) {
    if (undo.journal.NoteRoot(root)) return true;
    undo.recordFailed = true;
    return false;
  };
  progress.beforeFile = [&session, &undo](const std::string& path) {
    return BeforeExtractedFile(session, undo, path);
  };
}

void UnwireInstallUndo() {
  UnpackProgress& progress = TheUnpackProgress();
  progress.beforeExtraction = nullptr;
  progress.beforeFile = nullptr;
}

void AddUndoHooks(InstallUndo& undo, ShortcutInputs& inputs) {
  inputs.beforeFolder = [&undo](const std::string& folder) {
    if (!undo.journal.BeforeCreateFolder(folder)) undo.recordFailed = true;
  };
  // A shortcut held open by another program is left as it is rather than asked about: the
  // earlier install's link still works.
  inputs.beforeLink = [&undo](const std::string& link) {
    const InstallJournal::FileStep step = undo.journal.BeforeWrite(link);
    if (step == InstallJournal::FileStep::kFailed) undo.recordFailed = true;
    return step == InstallJournal::FileStep::kReady;
  };
}

void AddUndoHooks(InstallUndo& undo, RegistryListInput& input) {
  input.beforeWrite = [&undo](int root, const std::string& subkey, const std::string& name,
                              plat::RegView view) {
    if (undo.journal.BeforeRegistryWrite(root, subkey, name, view)) return true;
    undo.recordFailed = true;
    return false;
  };
}

void RollBackAndEnd(InstallSession& session, InstallUndo& undo, ExitCode code,
                    const std::string& message, const std::string& title) {
  UnwireInstallUndo();
  if (!undo.journal.RollBack()) {
    SayNotRestored(session, undo.journal.BackupFolder(), undo.journal.Unrestored());
    EndRun(session, kExitNotRestored);
    return;
  }
  ShowStatusLine(session, kRestoredText);
  if (!message.empty() && !IsBackgroundInstall(session))
    plat::MessageBox(OwnerOf(session), message + "\r\n" + kRestoredText, title,
                     plat::kMbOk | plat::kMbIconError);
  EndRun(session, code);
}

void CommitInstallUndo(InstallUndo& undo) {
  UnwireInstallUndo();
  (void)undo.journal.Commit();
}
