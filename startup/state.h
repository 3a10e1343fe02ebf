// The process-wide records of start-up and of the package step, owned by one run context and
// handed to the routines that use them, so a test builds exactly the state it needs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "startup/exit_codes.h"

enum RunMode : int {
  kRunModeNone = 0,         // no or unknown package type
  kRunModeInstaller = 1,    // installer package, or test mode
  kRunModeUninstaller = 2,  // the uninstaller copy
};

struct StartupState {
  int runMode = kRunModeNone;
  std::vector<std::string> commandArgs;  // without the program path, quotes removed
  std::string commandTail;               // raw text after the program path, trimmed
  std::string installMode;               // "", "直接安装" or "后台安装" (command line); see keys
  int hideEnd = 0;                       // 0 unset, -1 hide the finish page, 1 show it
  std::string installPathOverride;       // install folder from the command line
  int mainWindowVisible = 0;
};

struct PackageState {
  std::string workFolder;          // ends with "\" once set
  bool ownsWorkFolder = false;     // this run created the work folder (test mode uses its own)
  std::string payloadArchivePath;  // setup file itself, a ".7zsha" copy, joined or first volume
  // The payload file this run wrote into the temp folder (the ".7zsha" copy or the joined
  // volumes); "" when the payload is read where it lies. The only payload file ever deleted.
  std::string payloadCopyPath;
  std::string archivePassword;     // MD5 hex of the KEY resource
  // No configuration block, or one that did not extract: the run has nothing to install.
  bool configUnpackFailed = false;
  // Set when the package step must end the run (missing volume, temp folder not writable);
  // kExitSuccess otherwise.
  ExitCode stop = kExitSuccess;
  bool showSpace = false;
  int64_t uncompressedSize = 0;
};

// The configuration files as they are held in memory after the configuration step.
struct Configuration {
  std::vector<std::string> variableNames;  // section names of variable.ini, file order
  Bytes dataIni;
  Bytes registryList;    // QZRREG.db inflated, then expanded; stays in memory
  Bytes pluginSettings;  // QZRDLL_s.ini
  Bytes varData;         // var_data.ini (plain keyed store)
  Bytes guiText;         // GUItext.ini deciphered
  Bytes assignments;     // Except.ini deciphered
  Bytes uninstallBlob;   // built from the unexpanded files for the uninstaller copy
  // Files the uninstall record carries, read whole: the install writes the record after the
  // work folder is gone.
  Bytes smallPicture;    // 界面小图片.jpg
  Bytes largePicture;    // 界面大图片.jpg
  Bytes uninstallIcon;   // 卸载程序图标.ico
};

// How the package step extracts an archive (the archiver driver in the real program, a test
// double in tests): whole archive, full paths, into `destFolder`. True on success.
using ExtractAllFn = std::function<bool(const std::string& archive, const std::string& destFolder,
                                        const std::string& password)>;

class UnpackWindow;

struct RunContext {
  StartupState startup;
  PackageState package;
  Configuration config;
  // The destination folder, the one value every step reads (passed, never copied into a
  // holder of its own): NormalizeFolder's form, drive letter upper-case and no trailing "\",
  // so that "%InstallPath%\file" and installPath + "\" + name join with one separator.
  std::string installPath;
  ExtractAllFn extractAll;                // required for the package step
  UnpackWindow* unpackWindow = nullptr;   // the small progress window; none when headless
};
