// The two plug-in files of a package: QZRDLL.db (the images) and QZRDLL_s.ini (function name,
// run mode and parameter list of each), paired by position. The packer writes them, setup.exe
// and its uninstaller copy read them, so their markers live here once.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"

namespace plugin_files {

// The plug-in folder: the temp folder + this name; start-up empties it, the host loads from it.
inline constexpr char kFolderName[] = "qzr_dll";

inline constexpr char kEntrySeparator[] = "MoktaDLL分割标记";
// The parameter list's wire form: lines, each "name$参数，type$参数，value".
inline constexpr char kLineSeparator[] = "\r\nDLL标记$";
inline constexpr char kFieldSeparator[] = "$参数，";
inline constexpr char kNameStart[] = "DLLname";
inline constexpr char kNameEnd[] = "DLLname_end";
inline constexpr char kModeStart[] = "DLLmd";
inline constexpr char kModeEnd[] = "DLLmd_end";
inline constexpr char kParamStart[] = "DLLparam";
inline constexpr char kParamEnd[] = "DLLparam_end";
inline constexpr char kTextType[] = "文本型";
inline constexpr char kBytesType[] = "字节集";
inline constexpr char kIntegerType[] = "整数型";

// A plug-in function is always called with this many arguments.
inline constexpr int kArgumentCount = 15;

// Run modes of a settings entry.
inline constexpr int kRunsInInstaller = 0;
inline constexpr int kRunsInUninstaller = 1;
inline constexpr int kRunsInBoth = 2;

struct PluginEntry {
  Bytes image;               // after the entry's first "DLLparam_end"; empty without one
  std::string functionName;  // "" when the settings entry has none
  int runMode = 0;
  Bytes parameters;          // the wire form
};

// The entries of the two files. The images file is used as it is when it starts with
// "DLLname", else inflated (nothing when that fails). An image entry without a settings entry
// is dropped (there is nothing to call), and so is a settings entry without an image.
std::vector<PluginEntry> ReadPluginEntries(BytesView imagesFile, BytesView settingsFile);

}  // namespace plugin_files
