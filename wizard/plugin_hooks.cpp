#include "wizard/plugin_hooks.h"

#include "package/data_keys.h"
#include "platform/platform.h"
#include "wizard/host_variables.h"
#include "wizard/install_sequence.h"

void StartInstallerPlugins(InstallSession& session, PluginHost& host) {
  host.showStatus = [&session](const std::string& text) { ShowStatusLine(session, text); };
  session.plugins.broadcast = [&session, &host](const std::string& text) {
    std::vector<int> answers;
    SyncHostVariables(session);
    BroadcastMessage(host, text, answers);
    SyncHostVariables(session);
    return answers;
  };
  Bytes images;
  (void)plat::ReadFileBytes(session.run.package.workFolder + keys::kPluginDb, images);
  SyncHostVariables(session);
  RunStartupPlugins(host, images, session.run.config.pluginSettings,
                    session.run.startup.runMode);
  SyncHostVariables(session);
}
