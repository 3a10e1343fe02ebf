// The wizard's page flow: Back/Next/Cancel, the page switch, the checks before an install
// starts and the hand-over to the install sequence. Everything works on the session's Form,
// so native tests drive it through a headless form.
#pragma once

#include <string>

#include "wizard/session.h"

// Messages of the install checks.
extern const char kEmptyPathText[];        // "请先填写好完整的安装路径后再执行下一步操作！"
extern const char kChinesePathText[];      // "选择的路径含有中文字符，请重新选择"
extern const char kWrongPathText[];        // "选择的路径有误，请重新选择"
extern const char kInstallPasswordPrompt[];  // "请输入安装程序的密码才可继续安装"

// Back (-1) or Next (+1): the target page, the plug-ins' veto (message 1002), GoToPage.
void StepPage(InstallSession& session, int direction);

// Buttons for `target`, the install when the target is the installing page, the page switch.
// On the finish page it runs the finish actions (the process ends).
void GoToPage(InstallSession& session, int target);

// The checks (path, rules, install password), every component's "Install" section, the
// pre-install commands and the install sequence. False when a check failed (the wizard stays
// where it was). A wrong password in the background mode ends the run (kExitPasswordFailed)
// unless the user retries. When the run ended meanwhile (RunEnded), its outcome says how.
bool StartInstall(InstallSession& session, const std::string& password, bool passwordGiven);

// The [ml] path rules; shows their message and returns false when `path` breaks one.
bool ValidatePath(InstallSession& session, const std::string& path);

// The Yes/No cancel question; true when the run is to end.
bool ConfirmCancel(InstallSession& session);

// Cancel button and window close: the question, message 1003, and the end of the run
// (kExitCancelled) unless a plug-in vetoes; while the install sequence runs, a cancel request
// that the sequence honours. Returns false: the window stays, or EndRun closed it already.
bool HandleClose(InstallSession& session);

// The page container's page-changed event.
void OnPageChanged(InstallSession& session);

// Binds every event of the wizard window to its handler; install as the Form's handler. The
// result is the form's (kMayClose: whether the window may close; kFeedback: the spare label's
// answer to the plug-in).
intptr_t HandleWizardEvent(InstallSession& session, const std::string& control,
                           FormEvent event, const FormEventArgs& args);
