#include "system/registry.h"

#include "package/install_path.h"
#include "system/held_files.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "common/keyed_store.h"
#include "common/text.h"
#include "platform/platform.h"
#include "system/registry_path.h"

namespace {


// The bytes a value of `typeCode` is stored with (see SetRegistryValue).
Bytes StoredBytes(BytesView data, uint32_t typeCode) {
  if (typeCode == plat::kRegDword) {
    const uint32_t number = static_cast<uint32_t>(text::ToInt64(data));
    Bytes out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return out;
  }
  if (typeCode == plat::kRegBinary) return Bytes(data);
  Bytes out(data);
  out.push_back('\0');
  return out;
}

Bytes ItemOf(BytesView store, const std::string& key) {
  Bytes item;
  ReadKeyedItem(store, key, false, item);
  return item;
}

// 0 for a type text that names no value type ("file" is handled before).
uint32_t TypeCodeOf(const Bytes& type) {
  if (type == "REG_SZ") return plat::kRegSz;
  if (type == "REG_BINARY") return plat::kRegBinary;
  if (type == "REG_DWORD") return plat::kRegDword;
  return 0;
}

// The entry numbers from 1 to `count`, in order, that have at least one item in `list`. An
// entry without any item writes nothing and lists nothing, so skipping it changes nothing;
// what it saves is a loop as long as a "num" the list does not back (2000000000 entries, six
// searches of the whole list each). One search per item name finds every "REG<item><i>" + 01.
std::vector<int> EntryNumbersPresent(BytesView list, int count) {
  std::set<int> numbers;
  for (const char* item : {"REGpath", "REGtype", "REGdata", "REGoff", "REGname", "REGws"}) {
    const size_t itemLength = std::strlen(item);
    for (size_t at = text::Find(list, item); at != text::npos;
         at = text::Find(list, item, at + 1)) {
      size_t end = at + itemLength;
      int64_t number = 0;
      while (end < list.size() && list[end] >= '0' && list[end] <= '9' && number <= count) {
        number = number * 10 + (list[end] - '0');
        ++end;
      }
      // FromInt writes no leading zero, so "REGpath01" is never the key of entry 1.
      const bool digits = end > at + itemLength && list[at + itemLength] != '0';
      if (digits && end < list.size() && list[end] == '\x01' && number >= 1 && number <= count)
        numbers.insert(static_cast<int>(number));
    }
  }
  return std::vector<int>(numbers.begin(), numbers.end());
}

struct RegistryEntry {
  std::string path;
  std::string type;
  Bytes data;
  std::string removeFlag;
  std::string valueName;
  std::string view;
};

// Asks the input's hook first, when it has one.
void WriteValue(const RegistryListInput& in, int root, const std::string& subkey,
                const std::string& name, BytesView data, uint32_t typeCode,
                const std::string& view) {
  if (in.beforeWrite && !in.beforeWrite(root, subkey, name, RegistryViewOf(view))) return;
  SetRegistryValue(root, subkey, name, data, typeCode, view);
}

void WriteRegistryEntry(const RegistryListInput& in, const RegistryEntry& entry,
                        uint32_t typeCode) {
  std::string subkey;
  const int root = ParseRegistryPath(entry.path, entry.valueName, true, subkey);
  if (root < 0) return;
  WriteValue(in, root, subkey, entry.valueName, entry.data, typeCode, entry.view);
}

void WriteUninstallKey(const RegistryListInput& in) {
  const std::string key = kUninstallKeyPrefix + in.productName;
  const std::string view = in.uninstallKey64 ? "64" : "32";
  const std::pair<const char*, std::string> values[] = {
      {"DisplayIcon", in.installPath + "\\" + in.mainProgram},
      {"DisplayName", in.productName + " " + in.version},
      {"DisplayVersion", in.version},
      {"UninstallString", in.installPath + "\\uninst.exe"},
      {"InstallLocation", in.installPath},
      {"Publisher", in.company},
      // Beyond the six classic values: what deployment tools and package managers run to
      // remove the product without a window (quoted, as the folder may hold blanks), and the
      // size they show.
      {"QuietUninstallString", "\"" + in.installPath + "\\uninst.exe\" " +
                                   (in.quietSwitch.empty() ? std::string("-hp") : in.quietSwitch)},
  };
  for (const auto& [name, data] : values) {
    WriteValue(in, plat::kLocalMachine, key, name, data, plat::kRegSz, view);
  }
  WriteValue(in, plat::kLocalMachine, key, "EstimatedSize",
             text::FromInt(EstimatedSizeKiB(in.installedFileList)), plat::kRegDword, view);
}

}  // namespace

uint32_t EstimatedSizeKiB(const std::string& installedFileList) {
  uint64_t bytes = 0;
  for (const std::string& file : text::Split(installedFileList, "\r\n"))
    if (!file.empty()) bytes += plat::FileSize(file).value_or(0);
  const uint64_t kib = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
  return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(kib);
}

bool SetRegistryValue(int rootCode, const std::string& subkey, const std::string& valueName,
                      BytesView data, uint32_t typeCode, const std::string& view) {
  if (rootCode < plat::kClassesRoot || rootCode > plat::kUsers) return false;
  const Bytes stored = StoredBytes(data, typeCode);
  const plat::RegView regView = RegistryViewOf(view);
  // Redirection is switched off around a 64-bit write in a WOW64 process, as the registry step
  // always has; a 64-bit process has none to switch off (the attempt fails there), and its
  // write must not depend on it.
  if (regView != plat::RegView::k64 || plat::IsProcess64()) {
    return plat::RegWriteValue(rootCode, subkey, valueName, regView, typeCode, stored);
  }
  intptr_t cookie = 0;
  if (!plat::DisableFsRedirection(cookie)) return false;
  const bool written =
      plat::RegWriteValue(rootCode, subkey, valueName, regView, typeCode, stored);
  plat::RevertFsRedirection(cookie);
  return written;
}

plat::RegView RegistryViewOf(const std::string& view) {
  if (!plat::IsWindows64()) return plat::RegView::kDefault;
  return view == "64" ? plat::RegView::k64 : plat::RegView::k32;
}

bool ImportRegFile(const std::string& regFile) {
  plat::ProcessOptions options;
  options.wait = false;
  // By full path: a regedit.exe in the folder setup.exe was started from would come first.
  const std::string regedit = plat::WindowsFolder() + "\\regedit.exe";
  return plat::StartProcess("\"" + regedit + "\" /s \"" + regFile + "\"", options);
}

std::string ApplyRegistryList(const RegistryListInput& input) {
  const Bytes list = package::SubstituteInstallPath(input.registryList, input.installPath, true);
  if (input.makeUninstaller) WriteUninstallKey(input);

  std::string uninstallList;
  if (!list.empty()) {
    const int count = text::ToInt(ItemOf(list, "num"));
    for (const int i : EntryNumbersPresent(list, count)) {
      const std::string n = text::FromInt(i);
      RegistryEntry entry;
      entry.path = ItemOf(list, "REGpath" + n);
      entry.type = ItemOf(list, "REGtype" + n);
      entry.data = ItemOf(list, "REGdata" + n);
      entry.removeFlag = ItemOf(list, "REGoff" + n);
      entry.valueName = ItemOf(list, "REGname" + n);
      entry.view = ItemOf(list, "REGws" + n);
      if (entry.data == kRegistryEmptyMark) entry.data.clear();

      if (entry.type == "file") {
        // A file of its own for each entry (the editor is not waited for and may still be
        // reading the previous one), held against writers until the process ends: what the
        // editor imports with the installer's rights is what the package holds.
        std::string regFile;
        if (WriteFreshHeldFile(".reg", entry.data, regFile)) ImportRegFile(regFile);
      } else {
        // Every value entry names the default value by the empty mark, whether its type is
        // one we write or not, so its removal line carries the empty name either way.
        if (entry.valueName == kRegistryEmptyMark) entry.valueName.clear();
        if (const uint32_t typeCode = TypeCodeOf(entry.type); typeCode != 0)
          WriteRegistryEntry(input, entry, typeCode);
      }
      // The removal list is one entry per line: a path, name or view holding a line break
      // would cut it into lines that name other values (the uninstaller would delete those).
      const std::string line = entry.path + "\\" + entry.valueName + "$," + entry.view;
      if (entry.removeFlag == text::kTrueText && line.find_first_of("\r\n") == std::string::npos)
        uninstallList += line + "\r\n";
    }
  }
  return input.makeUninstaller ? uninstallList : std::string();
}
