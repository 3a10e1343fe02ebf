// The wizard's page flow over the session's Form: Back/Next/Cancel, the checks before an
// install, and the events of the wizard window.
//
// Decisions worth knowing:
// - The licence page: its Next carries caption slot 1 and is disabled while the terms box is
//   not ticked, unless the package accepts the licence by itself ("同意条款k").
// - Mouse over the tree selects the item under the cursor (the form's hit test names it), and
//   the selection change that follows shows its description. No mouse clicks are synthesised:
//   a right-button press would reach whatever window lies under the cursor.
#include "wizard/page_flow.h"

#include "common/crypto.h"
#include "common/text.h"
#include "platform/platform.h"
#include "plugins/host_messages.h"
#include "plugins/plugin_call.h"
#include "script/interpreter.h"
#include "package/data_keys.h"
#include "startup/exit_codes.h"
#include "system/folders.h"
#include "wizard/control_names.h"
#include "wizard/disk_space.h"
#include "wizard/run_end.h"
#include "wizard/finish_options.h"
#include "wizard/host_variables.h"
#include "wizard/install_sequence.h"
#include "wizard/skins.h"
#include "wizard/spare_label.h"
#include "wizard/tree_ticks.h"

const char kEmptyPathText[] = "请先填写好完整的安装路径后再执行下一步操作！";
const char kChinesePathText[] = "选择的路径含有中文字符，请重新选择";
const char kWrongPathText[] = "选择的路径有误，请重新选择";
const char kInstallPasswordPrompt[] = "请输入安装程序的密码才可继续安装";

namespace {

using namespace wizard_names;


// Sends a host message; no plug-ins, no answers.
std::vector<int> Broadcast(InstallSession& session, const std::string& message) {
  return session.plugins.broadcast ? session.plugins.broadcast(message) : std::vector<int>();
}

bool BackgroundMode(const InstallSession& session) {
  return session.run.startup.installMode == keys::kModeBackground;
}

// Two consecutive bytes of the double-byte range: what the classic rule's pattern
// "([\x81-\xFE]{2})+" finds.
bool HasDoubleByteCharacter(const std::string& path) {
  auto inRange = [](unsigned char c) { return c >= 0x81 && c <= 0xFE; };
  for (size_t i = 0; i + 1 < path.size(); ++i)
    if (inRange(path[i]) && inRange(path[i + 1])) return true;
  return false;
}

intptr_t Owner(const InstallSession& session) {
  return session.form ? session.form->Handle("") : 0;
}

// The taskbar button mirrors the installing page's bar while the install runs ("任务栏进度").
void TaskbarProgressStart(InstallSession& session) {
  session.form->MirrorProgressOnTaskbar(kProgressBar);
}
void TaskbarProgressEnd(InstallSession& session) { session.form->MirrorProgressOnTaskbar(""); }

// The install password: true when it matches (or none is set); `archivePassword` then holds
// the text the archive is opened with.
enum class PasswordResult { kMatch, kWrong, kAskedAgain };
PasswordResult CheckInstallPassword(InstallSession& session, const std::string& password,
                                    bool passwordGiven, std::string& archivePassword) {
  const std::string& digest = session.wizard.installPasswordDigest;
  if (digest.empty()) return PasswordResult::kMatch;
  std::string candidate = password;
  bool confirmed = false;
  if (!passwordGiven) {
    candidate.clear();
    confirmed = plat::InputBox(kInstallPasswordPrompt, "", true, candidate);
    if (!confirmed) candidate.clear();
  }
  if (crypto::Md5Hex(candidate) == digest) {
    archivePassword = candidate;
    return PasswordResult::kMatch;
  }
  if (!BackgroundMode(session)) return PasswordResult::kWrong;
  // Without a window nobody could try again except through the box itself; a password that
  // came with the start request, or a cancelled box, ends the run.
  if (!confirmed) {
    EndRun(session, kExitPasswordFailed);
    return PasswordResult::kWrong;
  }
  StartInstall(session, "", false);
  return PasswordResult::kAskedAgain;
}

void ShowDescription(InstallSession& session, int index) {
  session.tree.selected = index;
  Form* form = session.form;
  DescriptionTarget target;
  target.setText = [form](const std::string& t) {
    if (form) form->SetText(kHint, t);
  };
  if (session.plugins.selectionCallback) {
    target.pluginCallback = [&session, form](int selected) {
      session.plugins.selectionCallback(selected, form ? form->Handle(kHint) : 0);
    };
  }
  ShowComponentDescription(session.wizard.scriptDocument, session.tree, target);
}

}  // namespace

void StepPage(InstallSession& session, int direction) {
  const int current = session.form->CurrentPage();
  const auto& flags = session.wizard.visibleFlags;
  int target = 0;
  if (direction > 0) {
    for (int page = current + 1; page < kPageCount; ++page)
      if (flags[page]) {
        target = page;
        break;
      }
  } else {
    for (int page = current - 1; page >= 0; --page)
      if (flags[page]) {
        target = page;
        break;
      }
  }
  if (AnyAnswerEquals(Broadcast(session, NavigateMessage(current, direction)), 1)) return;
  GoToPage(session, target);
}

void GoToPage(InstallSession& session, int target) {
  Form& form = *session.form;
  const auto& captions = session.wizard.buttonCaptions;
  if (form.CurrentPage() == kPageFinish) RunFinishActions(session);
  if (RunEnded(session) || target < 0 || target >= kPageCount) return;

  form.SetVisible(kBack, true);
  form.SetVisible(kNext, true);
  form.SetText(kNext, captions[2]);
  form.SetText(kBack, captions[0]);
  form.SetEnabled(kBack, true);
  form.SetEnabled(kNext, true);
  form.SetDefaultButton(kNext);

  switch (target) {
    case kPageWelcome:
      form.SetVisible(kBack, false);
      break;
    case kPageLicence:
      form.SetText(kNext, captions[1]);
      if (!session.wizard.autoAccept) form.SetEnabled(kNext, form.Checked(kTerms));
      break;
    case kPageFolder:
      form.SetText(kNext, captions[3]);
      break;
    case kPageInstalling:
      form.SetEnabled(kBack, false);
      form.SetEnabled(kNext, false);
      if (!StartInstall(session, "", false)) {
        form.SetText(kNext, captions[3]);
        form.SetEnabled(kNext, true);
        form.SetEnabled(kBack, true);
        return;
      }
      if (RunEnded(session)) return;
      Broadcast(session, InstallStartedMessage(kPageInstalling));
      target = kPageFinish;
      [[fallthrough]];
    case kPageFinish:
      form.SetEnabled(kNext, true);
      break;
    default:
      break;
  }
  form.SetCurrentPage(target);
}

bool StartInstall(InstallSession& session, const std::string& password, bool passwordGiven) {
  Form& form = *session.form;
  form.PumpEvents();
  // A path a plug-in wrote into InstallPath goes into the edit box the path is read from.
  SyncHostVariables(session);

  std::string path = form.Text(kPathEdit);
  if (!session.run.startup.installPathOverride.empty())
    path = session.run.startup.installPathOverride;
  session.run.installPath = NormalizeFolder(path);
  if (session.run.installPath.empty()) {
    plat::MessageBox(Owner(session), kEmptyPathText, form.Text(""), plat::kMbIconError);
    return false;
  }
  if (!ValidatePath(session, session.run.installPath)) return false;

  std::string archivePassword = session.wizard.safe;
  if (CheckInstallPassword(session, password, passwordGiven, archivePassword) !=
      PasswordResult::kMatch)
    return false;

  const int mode = session.wizard.detailListMode;
  if (mode == 1 || mode == 2) form.SetVisible(kDetailList, false);
  if (mode == 1) form.SetVisible(kShowDetails, true);

  ShowInstallPicture(session);
  // A plug-in that started the install itself (spare-label code 1009) may keep its own page.
  if (!session.plugins.keepPage) form.SetCurrentPage(kPageInstalling);
  if (session.wizard.taskbarProgress) TaskbarProgressStart(session);

  ScriptContext context = MakeScriptContext(session);
  // Names first: an "Install" section may mark items while the loop walks the tree.
  std::vector<std::string> names;
  for (const ComponentItem& item : session.tree.items) names.push_back(item.text);
  for (const std::string& name : names) {
    std::string section;
    GetScriptSection(session.wizard.scriptDocument, name, "Install", section);
    RunScriptSection(context, section, name, 0, false);
  }

  RunPreInstallCommands(context, session.preInstallCommands);
  // The sections may have changed the extraction lists; plug-ins see them as they now are.
  SyncHostVariables(session);
  RunInstallSequence(session, archivePassword, false);
  if (session.wizard.taskbarProgress) TaskbarProgressEnd(session);
  return true;
}

bool ValidatePath(InstallSession& session, const std::string& path) {
  const PathRules& rules = session.wizard.pathRules;
  if (rules.ch == text::kTrueText && HasDoubleByteCharacter(path)) {
    plat::MessageBox(Owner(session), kChinesePathText, "", plat::kMbIconError);
    return false;
  }
  const size_t comma = rules.zwj.find(',');
  if (rules.zwj.substr(0, comma) == text::kTrueText) {
    const std::string entry = comma == std::string::npos ? "" : rules.zwj.substr(comma + 1);
    if (!plat::PathExists(path + "\\" + entry)) {
      plat::MessageBox(Owner(session), kWrongPathText, "", plat::kMbIconError);
      return false;
    }
  }
  return true;
}

bool ConfirmCancel(InstallSession& session) {
  const WizardState& w = session.wizard;
  const std::string question = "当前未完成安装 " + w.productName + w.version + "，是否退出安装？";
  const std::string title = session.form ? session.form->Text("") : std::string();
  return plat::MessageBox(Owner(session), question, title,
                          plat::kMbYesNo | plat::kMbIconWarning) == plat::kIdYes;
}

bool HandleClose(InstallSession& session) {
  if (!ConfirmCancel(session)) {
    Broadcast(session, CancelMessage(CancelChoice::kDeclined));
    return false;
  }
  if (AnyAnswerEquals(Broadcast(session, CancelMessage(CancelChoice::kConfirmed)), 1)) return false;
  // The install sequence is below us on the stack: it stops at its next pump point and ends
  // the run itself, so that no later step runs and its temp files go.
  if (session.installing) {
    session.cancelRequested = true;
    return false;
  }
  EndRun(session, kExitCancelled);
  return false;  // EndRun closed the window already
}

void OnPageChanged(InstallSession& session) {
  Form& form = *session.form;
  const int page = form.CurrentPage();
  if (page == kPageWelcome) form.SetVisible(kWelcomeBody, true);
  // The refresh writes the page back; the form announces that as another change, which must
  // not reach the plug-ins twice. The flag is the session's: a thread-local one would bring
  // the runtime's emulated TLS, and with it the whole pthread library, into setup.exe.
  if (session.refreshingPage) return;
  session.refreshingPage = true;
  form.SetCurrentPage(page);
  session.refreshingPage = false;
  if (session.plugins.suppressPageNotify) return;
  Broadcast(session, PageChangedMessage(page));
  if (session.plugins.pageChangeCallback) session.plugins.pageChangeCallback(page);
}

intptr_t HandleWizardEvent(InstallSession& session, const std::string& control,
                           FormEvent event, const FormEventArgs& args) {
  Form& form = *session.form;
  // Events still queued when the run ended (a click behind a message box) change nothing.
  if (RunEnded(session)) return true;
  // A plug-in may have written a host variable since it was last called (from a timer of its
  // own, say): the event sees what it wrote.
  SyncHostVariables(session);
  switch (event) {
    case FormEvent::kClick:
      if (control == kBack) StepPage(session, -1);
      else if (control == kNext) StepPage(session, +1);
      else if (control == kCancel) HandleClose(session);
      else if (control == kTerms) form.SetEnabled(kNext, form.Checked(kTerms));
      else if (control == kBrowse) OnBrowseClicked(session);
      else if (control == kShowDetails) {
        form.SetVisible(kShowDetails, false);
        form.SetVisible(kDetailList, true);
      }
      return true;
    case FormEvent::kMayClose:
      return HandleClose(session);
    case FormEvent::kTimer:
      if (control == kTimer) {
        form.SetTimerInterval(kTimer, 0);
        GoToPage(session, kPageInstalling);
      }
      return true;
    case FormEvent::kPageChanged:
      if (control == kPages) OnPageChanged(session);
      return true;
    case FormEvent::kTickChanged:
      if (control == kTree) OnTickChanged(session, args.index, args.state);
      return true;
    case FormEvent::kSelectionChanged:
      if (control == kTree) ShowDescription(session, args.index);
      return true;
    case FormEvent::kTreeMouseMove:
      // Hovering selects the item under the mouse, so its description shows.
      if (control == kTree && args.index >= 0) form.SelectTreeItem(kTree, args.index);
      return true;
    case FormEvent::kPageMouseMove:
      form.SetText(kHint, "");
      return true;
    case FormEvent::kMoved:
      Broadcast(session, WindowPlacementMessage(args.state));
      return true;
    case FormEvent::kFeedback:
      return control == kSpareLabel ? OnHostMessage(session, args.index, args.value) : 0;
  }
  return true;
}
