// Start-up of an install run, in the order the wizard depends on: the configuration must be in
// the session before the page table, the tree before the default ticks, the texts before the
// first page, and the work folder may only go once everything has been read.
#include "wizard/installer_startup.h"

#include "platform/platform.h"
#include "script/component_tree.h"
#include "startup/package.h"
#include "startup/startup.h"
#include "wizard/component_view.h"
#include "wizard/page_flow.h"
#include "wizard/run_end.h"
#include "package/data_keys.h"
#include "wizard/control_names.h"
#include "wizard/tree_ticks.h"
#include "wizard/wizard_config.h"


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

bool StartInstallerRun(InstallSession& session, const InstallerHooks& hooks,
                       ExitCode& exitCode) {
  Form& form = *session.form;
  form.SetHandler([&session](const std::string& control, FormEvent event,
                             const FormEventArgs& args) {
    return HandleWizardEvent(session, control, event, args);
  });

  const int runMode = session.run.startup.runMode;
  if (hooks.createHostCallbackWindow) hooks.createHostCallbackWindow(session);
  session.run.startup.mainWindowVisible = 1;

  if (runMode == kRunModeInstaller) {
    LoadWizardContent(session);
    if (hooks.startPlugins) hooks.startPlugins(session);

    const std::string& mode = session.run.startup.installMode;
    if (mode == keys::kModeDirect) {
      form.SetTimerInterval(kTimer, 1);
    } else if (mode == keys::kModeBackground) {
      form.SetVisible("", false);
      const bool started = StartInstall(session, "", false);
      // A hidden wizard that refused its folder would wait for a user who cannot see it.
      if (!started && !RunEnded(session)) EndRun(session, kExitInstallCheckFailed);
      if (RunEnded(session)) {
        exitCode = *session.outcome;
        return false;
      }
    }
    form.SetVisible(kBack, false);
  }

  ShowFirstPage(session);
  CleanUpWorkFiles(session.run, false);
  return true;
}
