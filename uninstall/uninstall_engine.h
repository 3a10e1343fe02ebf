// The uninstall engine: the copy of setup.exe that uninst.exe started from
// %TEMP%\Uninstall\<product>\ with the engine arguments R (the install folder), T (its own folder),
// "卸载" and the launcher's own arguments. It reads the uninstall record of R\uninst.dat, shows the
// uninstall window (uninstall_window.h), runs the option commands and the recorded uninstall
// commands, removes what the install recorded and cleans up after itself.
//
// The engine never ends the process: every end records the outcome in the session (once),
// cleans up and closes the window, and the program returns the outcome from its entry.
//
// Outcomes:
//   kExitSuccess               everything recorded was removed (or was already gone)
//   kExitCancelled             取消 pressed, or the window closed before the removal
//   kExitUninstallDataMissing  no engine arguments, or R\uninst.dat or its record block
//                              missing or empty
//   kExitNotAllRemoved         some recorded files, shortcuts, registry items or folders stayed;
//                              each is listed on the status line as "未能删除: " + item
//
// Beyond the removal order of the record, the engine keeps to removal_safety.h: nothing is
// deleted outside what was recorded and the product's own folders, links are removed as links,
// and a product name that is not one plain folder name builds no folder path.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/ini.h"
#include "platform/platform.h"
#include "script/interpreter.h"
#include "startup/exit_codes.h"
#include "ui/form.h"

// Status texts of the engine beyond the record's steps.
extern const char kNotRemovedPrefix[];          // "未能删除: " + the item that stayed
extern const char kNameSkippedText[];           // the product name builds no folder path
extern const char kFolderKeptText[];            // the install folder is a system folder: kept
extern const char kEngineFolderKeptText[];      // T lies outside %TEMP%\Uninstall\: not deleted
extern const char kUninstallDataMissingText[];  // the message of a copy without its record

// One box of "卸载选项".
struct UninstallOption {
  std::string caption;
  std::string command;  // "&&" already a line break, "**" a quotation mark
  bool visible = false;
  bool ticked = false;
  std::string control;  // the cloned check box
};

// One line of the uninstall-registry list: the full path (root name first) and its view.
struct RegistryRemoval {
  std::string path;
  std::string view;
};

// The switch texts of the record's "安装包命令行".
struct UninstallSwitches {
  std::string direct;      // "jp"
  std::string hideEnd;     // "hideend"
  std::string background;  // "hp"
};

// Run flags: 4 background; otherwise 2 (end without waiting on the finish page) + 1 (start
// without the confirmation click); 0 the confirmation page.
inline constexpr int kRunFlagDirect = 1;
inline constexpr int kRunFlagHideEnd = 2;
inline constexpr int kRunFlagBackground = 4;

struct RunModeChoice {
  int flags = 0;
  bool hideWindow = false;
  bool pressUninstall = false;
};

// ChooseRunMode over the argument text (the launcher's own arguments joined with blanks), the
// record's switch texts and its "卸载模式". A switch is present when its text is not empty
// and occurs in the argument text.
RunModeChoice ChooseRunMode(const std::string& argumentText, const UninstallSwitches& switches,
                            const std::string& uninstallMode);

struct UninstallSession {
  // The engine arguments as given (R, T, "卸载", the launcher's arguments).
  std::vector<std::string> arguments;
  // The engine's own file name (the launcher's name, normally uninst.exe): step 10 deletes
  // it from R.
  std::string ownFileName;
  Form* form = nullptr;

  // Read at the start.
  std::string installFolder;         // R, without trailing "\"
  std::string engineFolder;          // T, without trailing "\"
  bool engineFolderAllowed = false;  // T lies below %TEMP%\Uninstall\ (removal_safety.h)
  uint32_t launcherProcessId = 0;    // from "/uninst-launcher:<pid>"; 0 without a launcher
  std::vector<std::string> launcherArguments;  // after "卸载", the launcher argument dropped
  Bytes record;                                // uninst.ini with its two keyed items
  ini::Document recordIni;
  Bytes skinStore;
  std::string productName;
  std::string version;
  std::string mainProgram;
  // The run's own %TEMP% + name + "\" (another name when that one is not free, see
  // OwnTempFolder); "" when the name is not plain or no folder could be made.
  std::string workFolder;
  std::vector<UninstallOption> options;
  int runFlags = 0;

  // The removal.
  std::vector<std::string> fileList;
  std::vector<RegistryRemoval> registryList;
  ScriptLists lists;  // removeDumpList: the script's kept names, set by the option commands
  std::vector<std::string> pluginKeptNames;  // the plug-ins' kept names (none yet)
  // A plug-in's state text for the option boxes ("真"/other, comma-separated); "" for none.
  std::string optionStateText;
  // Sends a host message to the loaded plug-ins and gives their answers (none without them).
  std::function<std::vector<int>(const std::string& text)> broadcast;
  // Starts the plug-ins from the plug-in files in the work folder, once the record is read
  // (uninstall_run.h sets it; none without it).
  std::function<void(UninstallSession&)> startPlugins;
  std::vector<std::string> notRemoved;  // what stayed
  bool removing = false;
  bool removalDone = false;
  std::optional<ExitCode> removalResult;  // what the removal came to

  // The hand-off with uninst.exe (package/uninstall_handoff.h).
  plat::File lock;
  bool resultReported = false;

  // How the run ended; set once.
  std::optional<ExitCode> outcome;
};

// The created event of the uninstall window: reads the arguments and the record, fills the
// window, builds the option boxes and chooses the run mode (pressing Uninstall through the
// timer 时钟1 when the mode asks for it). Without engine arguments, or without the record,
// the run ends with kExitUninstallDataMissing (the message box is shown unless the window is
// to stay hidden). `session.form` must be set.
void StartUninstallWizard(UninstallSession& session);

// The click handler of 卸载按钮 (Uninstall, and "完成" at the end).
void RunUninstall(UninstallSession& session);

// The "卸载时运行命令" list of the record.
void RunUninstallCommands(UninstallSession& session);

// The removal sequence, in its eleven steps. Sets removalResult.
void RemoveInstalledItems(UninstallSession& session);

// Deletes one registry item of the uninstall-registry list: `path` below root `rootCode`
// names a value ("key\name") or, ending with "\", a key. A value is deleted alone; a key loses
// its default value and is deleted only when nothing else is left in it (no values, no
// subkeys), so nothing the install did not record goes with it. `view` as RegistryViewOf
// reads it. True when the item is gone afterwards.
bool DeleteRegistryPath(int rootCode, const std::string& path, const std::string& view);

// The files of `files` that survive: for each kept name n, the candidate R\n; a file inside a
// candidate that is an existing folder, or equal to a candidate, is spared (folders compared
// with NormalizeFolder, ASCII case ignored). Returns the files still to delete.
std::vector<std::string> FilterKeptFiles(const std::vector<std::string>& files,
                                         const std::vector<std::string>& keptNames,
                                         const std::string& installFolder);

// Deletes %TEMP% + name (the work folder) and T, then ends the run with the removal's result.
void FinishAndExit(UninstallSession& session);

// Ends the run with `code` (the first call stands): writes the result for the launcher when
// not done yet, releases the lock, deletes the work folder and T, closes the window.
void EndUninstall(UninstallSession& session, ExitCode code);

// The status line of the uninstall window: 标签5, appended to 列表框2 (selected, scrolled).
void ShowUninstallStatus(UninstallSession& session, const std::string& text);
