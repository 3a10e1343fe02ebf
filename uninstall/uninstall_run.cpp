#include "uninstall/uninstall_run.h"

#include "common/text.h"
#include "package/data_keys.h"
#include "platform/platform.h"
#include "uninstall/uninstall_engine.h"
#include "uninstall/uninstall_window.h"

namespace {

std::string OwnFileName() {
  const std::string path = plat::ModulePath();
  const size_t at = text::FindLastSeparator(path);
  return at == text::npos ? path : path.substr(at + 1);
}

}  // namespace

ExitCode RunUninstallerCopy(RunContext& context, Form& form, bool canShowWindow,
                            const std::function<void()>& runLoop, PluginHost* plugins) {
  static UninstallSession session;  // the handler of the window refers to it until the end
  session = UninstallSession();
  session.arguments = context.startup.commandArgs;
  session.ownFileName = OwnFileName();
  session.form = &form;
  if (plugins) {
    session.startPlugins = [plugins, &context](UninstallSession& s) {
      plugins->showStatus = [&s](const std::string& text) { ShowUninstallStatus(s, text); };
      Bytes images, settings;
      (void)plat::ReadFileBytes(s.workFolder + keys::kPluginDb, images);
      (void)plat::ReadFileBytes(s.workFolder + keys::kPluginIni, settings);
      RunStartupPlugins(*plugins, images, settings, context.startup.runMode);
    };
    session.broadcast = [plugins](const std::string& text) {
      std::vector<int> answers;
      BroadcastMessage(*plugins, text, answers);
      return answers;
    };
  }
  StartUninstallWizard(session);
  if (!session.outcome && !canShowWindow) {
    if (form.TimerInterval(uninstall_controls::kTimer) != 0) {
      form.SetTimerInterval(uninstall_controls::kTimer, 0);
      RunUninstall(session);
    }
    if (!session.outcome) {
      if (session.removalDone) {
        FinishAndExit(session);
      } else {
        EndUninstall(session, kExitNoWizard);
      }
    }
  }
  if (!session.outcome && runLoop) runLoop();
  return session.outcome.value_or(kExitCancelled);
}
