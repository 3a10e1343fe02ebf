// The install sequence: extraction, shortcuts, registry, uninstall record, after-unpack
// commands and "Unzip" sections, then the end step; plus the installing page's status line and
// progress bar that every step reports through.
#pragma once

#include <string>

#include "wizard/session.h"

// The message shown (wizard modes) when the payload cannot be extracted; the run then ends
// with kExitExtractionFailed and nothing is registered.
extern const char kExtractionFailedText[];
extern const char kExtractionFailedTitle[];

// True in the background mode ("后台安装"): nothing is shown, nothing is asked.
bool IsBackgroundInstall(const InstallSession& session);

// Status line of the installing page: 解压_标签, a row of 超级列表框 (unless the detail-list
// mode is 2). Pending window events are processed first.
void ShowStatusLine(InstallSession& session, const std::string& text);

// The context the script interpreter runs in for this session: its tree, lists, install
// folder, and the status line with the command-step caption.
ScriptContext MakeScriptContext(InstallSession& session);

// 进度条1, forward only.
void SetInstallProgress(InstallSession& session, int percent);

// Steps 1 to 12, recorded for undo (wizard/install_rollback.h). A failed extraction ends the
// run: no shortcuts, no registry, no uninstall record, everything extracted undone, message
// (wizard modes), outcome kExitExtractionFailed. A Cancel confirmed while it runs
// (session.cancelRequested) stops the extraction at its next file and every later step; what
// the run changed is undone and it ends with kExitCancelled. A file to be replaced that another
// program holds ends it, undone, with kExitFileInUse; an undo that leaves something behind
// with kExitNotRestored. Either way the temp payload copy is deleted.
void RunInstallSequence(InstallSession& session, const std::string& password, bool noEnd);

// The end step: Next's finish caption, Back hidden, message 1005, and the end of the run
// (kExitSuccess) in the background mode or when the finish page is not to be shown.
void EndInstall(InstallSession& session);
