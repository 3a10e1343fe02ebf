// Registry writes of the install: single values through either view, .reg files through the
// system's registry editor, and the packager's registry list with the product's Uninstall key.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/bytes.h"
#include "system/temp_names.h"
#include "platform/platform.h"

// The empty mark of the registry list: data or a value name of exactly these bytes is empty.
inline constexpr char kRegistryEmptyMark[] = "\x01\x02\x03";

// The key below HKEY_LOCAL_MACHINE under which products register for removal.
inline constexpr char kUninstallKeyPrefix[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Sets one value. `rootCode` is a code of ParseRegistryPath (1-5); `subkey` may end with "\"
// (the key's default value is meant then, with `valueName` ""). `typeCode` is 1 (REG_SZ),
// 3 (REG_BINARY) or 4 (REG_DWORD); other codes store `data` as it is, under that type.
// - REG_SZ stores `data` as a zero-terminated text.
// - REG_DWORD stores the 4-byte little-endian number that `data` gives as decimal text
//   (parsed up to the first non-digit; the low 32 bits, so "-1" and "4294967295" agree).
// - REG_BINARY stores `data` byte for byte, without an added zero: a binary value is read by
//   other programs by its length, and one extra byte would change what the packager meant.
// `view` chooses the view as RegistryViewOf says. For the 64-bit view a 32-bit process switches
// its file-system redirection off around the write and writes nothing when that fails; a
// 64-bit process has no redirection and writes directly.
// False when the root code is unknown or the key or value could not be written.
bool SetRegistryValue(int rootCode, const std::string& subkey, const std::string& valueName,
                      BytesView data, uint32_t typeCode, const std::string& view);

// The registry view of a view text of the registry list ("REGws", the uninstall lines): "64"
// on 64-bit Windows is the 64-bit view; any other text there is the 32-bit view, which is the
// default view of the 32-bit runtime, so a 64-bit build of it writes where the 32-bit one
// does; 32-bit Windows has one view only.
plat::RegView RegistryViewOf(const std::string& view);

// Starts the system registry editor silently on `regFile` ("regedit /s \"file\""), without
// waiting for it. False when it could not be started.
bool ImportRegFile(const std::string& regFile);

// What the registry step reads from the run: the registry list (QZRREG.db as held in memory)
// and the data.ini keys it needs.
struct RegistryListInput {
  Bytes registryList;
  std::string installPath;   // without trailing "\"
  std::string productName;   // "Mokta软件名称"
  std::string version;       // "软件版本"
  std::string company;       // "公司名称"
  std::string mainProgram;   // "包内的程序名"
  bool makeUninstaller = false;  // "是否生成卸载程序" = 1
  bool uninstallKey64 = false;   // "I_reg" = "真": the Uninstall key goes to the 64-bit view
  // The background switch of "安装包命令行" (its default "-hp" when data.ini leaves it empty):
  // QuietUninstallString passes it to the uninstaller.
  std::string quietSwitch = "-hp";
  // The extraction's installed-file list (one path + "\r\n" each): EstimatedSize.
  std::string installedFileList;
  // Told before each value is set (the install's undo record); optional. A value the hook
  // refuses is not written. Imports of "file" entries are not reported: what a .reg file
  // changes is the registry editor's business.
  std::function<bool(int root, const std::string& subkey, const std::string& valueName,
                     plat::RegView view)>
      beforeWrite;
};

// KiB of the files of an installed-file list (sizes summed, rounded up; files that are gone
// count 0), at most 0xFFFFFFFF: the Uninstall key's EstimatedSize.
uint32_t EstimatedSizeKiB(const std::string& installedFileList);

// The install's registry step: registers the product under the Uninstall key when an
// uninstaller is made (DisplayIcon, DisplayName, DisplayVersion, UninstallString,
// InstallLocation, Publisher, then QuietUninstallString = "\"<install folder>\uninst.exe\" "
// + the quiet switch, and EstimatedSize as a DWORD), then writes every entry of the registry
// list ("file" entries are
// imported through ImportRegFile, each from a .reg file of its own in the temp folder, which
// is left there because the editor is not waited for). Failed writes are skipped; the loop
// always runs to the end. Entries whose path starts with no root name, and entries of an
// unknown type, are not written.
// Returns the uninstall-registry list: one line per entry marked for removal ("REGoff" =
// "真"), path + "\" + value name + "$," + view + "\r\n"; "" when no uninstaller is made. The
// empty mark as the value name of any entry but a "file" one is the empty name there, whether
// the entry was written or not. "num" is read as an upper bound: entry numbers that have no
// item in the list are passed over, however large "num" is.
std::string ApplyRegistryList(const RegistryListInput& input);

