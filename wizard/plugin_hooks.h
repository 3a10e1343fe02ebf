// Connects an install run to the process's plug-in host: start-up's plug-in calls, and the
// broadcast behind every host message the wizard and the install sequence send. Control comes
// back from plug-in code after each call, so the host variables are taken in right there.
#pragma once

#include "plugins/plugin_host.h"
#include "wizard/session.h"

// Sets `session.plugins.broadcast` to `host`'s BroadcastMessage, lets a skipped plug-in
// report on the status line, then calls the plug-ins of the installer run mode (the plug-in
// files come from the work folder's images and the configuration's settings). `host` must
// outlive the session.
void StartInstallerPlugins(InstallSession& session, PluginHost& host);
