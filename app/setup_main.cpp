// setup.exe: the installer runtime's entry. The libraries hold every step; this file builds the
// wizard's window, runs the package step, dispatches on the run's role (installer, uninstaller
// copy, nothing to run), hands the run the Win32 pieces that no Form covers (the hidden
// host-callback window), keeps the window thread's message loop turning until the run ends, and
// is, with uninst.exe, the only code that ends the process: it returns the run's outcome.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/windows_api.h"
#include "startup/archiver_driver.h"
#include "startup/package.h"
#include "startup/startup.h"
#include "package/uninst_dat.h"
#include "system/temp_names.h"
#include "plugins/host_query.h"
#include "plugins/plugin_host.h"
#include "wizard/host_query.h"
#include "uninstall/install_record.h"
#include "uninstall/uninstall_run.h"
#include "uninstall/uninstall_window.h"
#include "wizard/installer_startup.h"
#include "wizard/plugin_hooks.h"
#include "wizard/window_tables.h"
#ifdef SETUP_HAS_WIN32_FORM
#include "ui/win32/win32_form.h"
#include "wizard/win32/win32_unpack_window.h"
#else
#include "ui/headless_form.h"
#endif

namespace {

// The one run of the process; the host query entry reaches it without a parameter because a
// plug-in calls that entry by bare address.
InstallSession* g_session = nullptr;

intptr_t PLUGIN_CALL HostQueryEntry(intptr_t request, intptr_t parameter, intptr_t value) {
  return g_session ? HostQuery(*g_session, int(request), parameter, value) : 0;
}

// A child of the wizard window that plug-ins find by its caption prefix. Without a wizard
// window (no display) it cannot exist; plug-ins then go without the direct callback.
void CreateHostCallbackWindow(InstallSession& session) {
  const HWND parent = HWND(session.form->Handle(""));
  if (!parent) return;
  const HostQueryEntryFn entry = &HostQueryEntry;
  const std::u16string text =
      plat::GbkToUtf16(HostCallbackCaption(reinterpret_cast<intptr_t>(entry)));
  const std::wstring caption(text.begin(), text.end());
  CreateWindowExW(WS_EX_TRANSPARENT, L"Static", caption.c_str(),
                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, -999, -999, 0, 0, parent, nullptr,
                  GetModuleHandleW(nullptr), nullptr);
}


// The run itself; the entry below adds what brackets every run.
int RunSetup() {
  static InstallSession session;
  g_session = &session;
  UseRealArchiver(session.run);
#ifdef SETUP_HAS_WIN32_FORM
  Win32Form form(WizardWindowDesc());
  // Shown while a large payload is copied out of the setup file or volumes are joined.
  static Win32UnpackWindow unpackWindow;
  session.run.unpackWindow = &unpackWindow;
#else
  HeadlessForm form(WizardWindowDesc());
#endif
  session.form = &form;

  // Plug-ins stay loaded, and keep what they were handed, until the process ends.
  static PlatformPluginLoader pluginLoader;
  static PluginHost pluginHost;
  pluginHost.loader = &pluginLoader;

  RunPackageStep(session.run);
  // The folder the package step made this run's own (held, fresh): plug-ins are written and
  // loaded only there. Without one, none is loaded.
  pluginHost.folder = OwnTempFolder(package::kRecordWorkFolder);
  if (pluginHost.folder.empty()) pluginHost.loader = nullptr;
  const intptr_t owner = form.Handle("");
  switch (ChooseRunRole(session.run)) {
    case RunRole::kStop:
      CleanUpWorkFiles(session.run, true);
      return int(session.run.package.stop);
    case RunRole::kNoPackage:
      return int(ReportNoPackage(session.run, owner));
    case RunRole::kUninstaller: {
      // The uninstall window replaces the wizard; the wizard's window stays hidden and unused.
#ifdef SETUP_HAS_WIN32_FORM
      Win32Form uninstallForm(UninstallWindowDesc());
      return int(RunUninstallerCopy(session.run, uninstallForm, uninstallForm.Valid(),
                                    [&uninstallForm] { uninstallForm.RunMessageLoop(); },
                                    &pluginHost));
#else
      HeadlessForm uninstallForm(UninstallWindowDesc());
      return int(RunUninstallerCopy(session.run, uninstallForm, false, nullptr, &pluginHost));
#endif
    }
    case RunRole::kInstaller:
      break;
  }

  session.writeUninstallRecord = WriteInstallUninstallRecord;
  InstallerHooks hooks;
  hooks.createHostCallbackWindow = CreateHostCallbackWindow;
  hooks.startPlugins = [](InstallSession& s) { StartInstallerPlugins(s, pluginHost); };
  ExitCode code = kExitSuccess;
  if (!StartInstallerRun(session, hooks, code)) return int(code);

#ifdef SETUP_HAS_WIN32_FORM
  // Every regular end records its outcome and closes the window, which ends this loop; a
  // window that went away without one (no regular end) counts as cancelled.
  form.RunMessageLoop();
  CleanUpWorkFiles(session.run, true);
  return int(session.outcome.value_or(kExitCancelled));
#else
  // A build without real windows can only run installs that need none.
  return int(kExitNoWizard);
#endif
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before any DLL is loaded by name: the folder setup.exe was downloaded to is not trusted.
  plat::win::RestrictLibrarySearch();
  // Written out and made loadable before anything else, in every run mode.
  SetUpArchiverFromResource();
  const int code = RunSetup();
  // The library's own folder goes with the run; nothing extracts after this.
  ReleaseArchiver();
  return code;
}
