// The uninstall record the install leaves in the install folder: uninst.exe (the launcher,
// from the setup program's resource "UNINST_DAT" 100) and uninst.dat (the setup program's own
// image, "{", the configuration bundle, uninst.ini with its two keyed items, the skin store and
// the closing "qzr-2" type block). uninst.ini is assembled in %TEMP%qzr_dll. The uninstall
// engine reads all of it back from its copy of uninst.dat (package/uninst_dat.h names the
// parts).
//
// The writer is a function over a plain inputs record, so the tests drive it over a sandbox;
// uninstall/install_record.h fills the record from an install session.
//
// Decisions beyond the plain layout:
// - uninst.dat and uninst.exe are written under a ".partial" name beside them and renamed at
//   the end: a failed write (full disk) leaves neither a damaged file nor, on a reinstall,
//   loses the earlier record.
// - AppendSection retries a failed write kAppendAttempts times, 300 ms apart, and cuts the
//   file back to where the section began before each retry (a retry after a partial write
//   would otherwise leave the partial bytes in the file). Then it gives up: unbounded, it
//   would hang the install on a full disk.
// - A reinstall into the same folder: the installed files and registry lines of the earlier
//   record (install folder\uninst.dat) that the new lists lack are kept in the new record, so
//   one uninstall removes what both installs wrote.
// - Shortcut locations: empty pieces are passed over, as the shortcut step passes them over
//   (an empty piece would record "\name.lnk", a file at the root of the current drive).
// - The switch texts of "安装包命令行" are recorded as the install used them, with the
//   defaults ("-jp", "-hideend", "-hp") for keys data.ini leaves empty: the engine recognises
//   only what the record names, and QuietUninstallString passes the "hp" text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "system/shortcuts.h"

// One entry of data.ini's "卸载时运行命令", fields as read.
struct UninstallCommand {
  std::string external;     // "是否外部运行"
  std::string commandLine;  // "参数运行文件名"
  bool hidden = false;      // "是否隐藏窗口" is "真"
  bool wait = false;        // "是否等待返回" is "真"
};

// One option of data.ini's "卸载选项_列表", fields as read.
struct RecordedOption {
  std::string caption;  // "标题"
  std::string visible;  // "可视"
  std::string checked;  // "选中"
  std::string command;  // "程序"
};

struct UninstallRecordInputs {
  std::string productName;   // "Mokta软件名称"
  std::string version;       // "软件版本"
  std::string mainProgram;   // "包内的程序名"
  std::string installFolder;  // without trailing "\"
  // The shortcut list after the shortcut step (its locations rewritten).
  std::vector<ShortcutRecord> shortcuts;
  std::string programGroupOverride;  // "" unless a plug-in set one
  std::string uninstallMode;         // "卸载模式"
  std::string switchDirect = "-jp";         // "jp"
  std::string switchHideEnd = "-hideend";   // "hideend"
  std::string switchBackground = "-hp";     // "hp"
  std::vector<UninstallCommand> commands;
  std::string optionLayout;  // "卸载选项_列表" / "y"
  std::vector<RecordedOption> options;
  std::string installedFileList;  // every extracted file + "\r\n"
  std::string registryList;       // the uninstall-registry list of the registry step
  Bytes configurationBundle;      // the uninstall data blob of the configuration step
  Bytes smallPicture;             // 界面小图片
  Bytes largePicture;             // 界面大图片
  std::string company;            // 版权
  Bytes skinData;                 // x皮肤 (no source yet: empty)
  Bytes uninstallIcon;            // 卸载程序图标.ico
  std::string ownFilePath;        // the running setup file
  Bytes launcher;                 // the launcher image (resource "UNINST_DAT" 100)
};

// How many times AppendSection writes a section before it gives up, and the pause between.
inline constexpr int kAppendAttempts = 10;
inline constexpr uint32_t kAppendRetryMs = 300;

struct RecordResult {
  bool written = false;
  // When not written: the file that could not be written (or read), for the status line.
  std::string failedPath;
};

// Writes the record for `in`. On failure nothing of the new record replaces what was in the
// install folder before (the ".partial" files are removed); the icon file in the temp folder
// and the working uninst.ini are not part of the record and their failures do not count.
RecordResult WriteUninstallRecord(const UninstallRecordInputs& in);

// uninst.ini's INI text (without the keyed items), sections and keys in the order written.
Bytes BuildUninstallIni(const UninstallRecordInputs& in);

// The value of one "快捷方式" + i key: each non-empty piece of `locations`, normalised, + "\"
// + name + ".lnk,".
std::string ShortcutListValue(const ShortcutRecord& record);

// The "卸载路径" item: the installed files, then install folder + "\uninst.ini", "\uninst.exe",
// "\uninst.dat" (no line end after the last). `earlierList` (the item of an earlier record, or
// "") adds its files that `installedFileList` lacks, compared without ASCII case.
std::string RecordFileList(const std::string& installedFileList,
                           const std::string& installFolder, const std::string& earlierList);
// The "卸载注册表" item: `registryList` plus the lines of `earlierList` it lacks; "" when both
// are empty (the writer then stores the empty mark).
std::string RecordRegistryList(const std::string& registryList, const std::string& earlierList);

// The bytes of `path` before the first occurrence of `marker`, less the one byte right before
// it; empty when the marker does not occur or the file cannot be read. A file that reports 0
// bytes is opened again every 100 ms, for at most 2 s.
Bytes ReadImageBeforeMarker(const std::string& path, BytesView marker);

// Appends `startMarker`, 01, `data`, `endMarker`, 01 to the end of `path` (created when
// missing). False when kAppendAttempts writes failed; the file then ends where it did before.
bool AppendSection(const std::string& path, BytesView startMarker, BytesView data,
                   BytesView endMarker);
