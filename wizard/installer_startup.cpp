// Start-up of an install run, in the order the wizard depends on: the configuration must be in
// the session before the page table, the tree before the default ticks, the texts before the
// first page, and the work folder may only go once everything has been read.
#include "wizard/installer_startup.h"

#include "common/text.h"
#include "platform/platform.h"
#include "script/component_tree.h"
#include "startup/package.h"
#include "startup/startup.h"
#include "wizard/page_flow.h"
#include "startup/data_keys.h"
#include "wizard/control_names.h"
#include "wizard/wizard_config.h"

const char kHostCallbackCaptionPrefix[] = "备用的传递消息I_";
const char kNoPackageText[] = "安装包数据缺失或已损坏，无法继续安装。";
const char kNoPackageTitle[] = "运行失败";

namespace {

using namespace wizard_names;

constexpr int kWizardHeight = 363;
constexpr int kPageContainerSize = 600;

// Steps 7.1 to 7.4: what the wizard shows before its first page.
void LoadWizardContent(InstallSession& session) {
  Form& form = *session.form;
  Bounds window = form.GetBounds("");
  window.height = kWizardHeight;
  form.SetBounds("", window);

  LoadWizardConfiguration(session);
  LoadPageTable(session);

  if (!LoadComponentTree(session.wizard.scriptDocument, session.tree)) {
    // The script may place the tree without listing its items; the default tree goes there.
    const auto geometry = session.tree.geometry;
    session.tree = DefaultComponentTree();
    session.tree.geometry = geometry;
    ApplyDefaultTicks(session);
  }
  ShowComponentTree(session);

  form.SetText("安装路径_编辑框", session.run.installPath);
  form.SetText(kCancel, session.wizard.buttonCaptions[4]);
  form.SetText("编辑框4", session.wizard.licenceText);
}

// Step 8: the first visible page, the headerless page container, the window shown.
void ShowFirstPage(InstallSession& session) {
  Form& form = *session.form;
  for (int i = 0; i < kPageCount; ++i) {
    if (!session.wizard.pageTable[i].visible) continue;
    GoToPage(session, i);
    if (i != kPageWelcome) form.SetVisible("外形框I_1", false);
    break;
  }
  Bounds container = form.GetBounds(kPages);
  container.width = kPageContainerSize;
  container.height = kPageContainerSize;
  form.SetBounds(kPages, container);
  if (session.run.startup.installMode != keys::kModeBackground)
    form.SetVisible("", session.run.startup.mainWindowVisible != 0);
}

}  // namespace

std::string HostCallbackCaption(intptr_t entryAddress) {
  return std::string(kHostCallbackCaptionPrefix) + text::FromInt(int64_t(entryAddress));
}

bool StartInstallerRun(InstallSession& session, const InstallerHooks& hooks,
                       ExitCode& exitCode) {
  Form& form = *session.form;
  form.SetHandler([&session](const std::string& control, FormEvent event,
                             const FormEventArgs& args) {
    return HandleWizardEvent(session, control, event, args);
  });

  const int runMode = RunPackageStep(session.run);
  if (hooks.createHostCallbackWindow) hooks.createHostCallbackWindow(session);
  session.run.startup.mainWindowVisible = 1;

  // The uninstaller copy hands over to its own window, except with exactly one argument, which
  // shows the wizard window as the installer does.
  const bool uninstallerCopy = runMode == kRunModeUninstaller;
  const bool uninstallWindow =
      uninstallerCopy && session.run.startup.commandArgs.size() != 1;
  if (uninstallWindow && hooks.openUninstallWindow && hooks.openUninstallWindow(session))
    return true;

  // A run that cannot install would show an empty wizard; it says why and ends with its own
  // code instead, so that it never looks like a run that may install.
  if (runMode == kRunModeNone || session.run.package.configUnpackFailed || uninstallWindow) {
    CleanUpWorkFiles(session.run, false);
    if (session.run.startup.installMode != keys::kModeBackground)
      plat::MessageBox(form.Handle(""), kNoPackageText, kNoPackageTitle,
                       plat::kMbOk | plat::kMbIconError);
    exitCode = kExitNoPackage;
    return false;
  }

  if (runMode == kRunModeInstaller) {
    LoadWizardContent(session);
    if (hooks.startPlugins) hooks.startPlugins(session);

    const std::string& mode = session.run.startup.installMode;
    if (mode == keys::kModeDirect) {
      form.SetTimerInterval(kTimer, 1);
    } else if (mode == keys::kModeBackground) {
      form.SetVisible("", false);
      if (!StartInstall(session, "", false)) {
        // A hidden wizard that refused its folder would wait for a user who cannot see it.
        CleanUpWorkFiles(session.run, true);
        exitCode = kExitInstallCheckFailed;
        return false;
      }
    }
    form.SetVisible(kBack, false);
  }

  ShowFirstPage(session);
  CleanUpWorkFiles(session.run, false);
  return true;
}
