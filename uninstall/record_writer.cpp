#include "uninstall/record_writer.h"

#include <optional>
#include <unordered_set>

#include "common/ini.h"
#include "common/keyed_store.h"
#include "common/text.h"
#include "package/blocks.h"
#include "package/data_keys.h"
#include "package/package_types.h"
#include "package/uninst_dat.h"
#include "platform/platform.h"
#include "system/temp_names.h"
#include "system/folders.h"

namespace {

// ReadImageBeforeMarker reads its file in blocks of this size.
constexpr size_t kImageReadBlock = 5 * 1024 * 1024;
constexpr uint32_t kZeroSizeRetryMs = 100;
constexpr char kLineEnd[] = "\r\n";

// ASCII case folded character by character: a GBK trail byte that happens to be a letter
// ("A".."Z" are trail bytes too) stays as it is, so two different characters never fold into
// one. Windows paths and registry names compare like this.
std::string FoldCase(BytesView s) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    const size_t length = text::GbkCharLength(out, i);
    if (length == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = char(out[i] - 'A' + 'a');
    i += length;
  }
  return out;
}

std::vector<std::string> Lines(BytesView list) {
  std::vector<std::string> lines;
  for (std::string& line : text::Split(list, kLineEnd))
    if (!line.empty() && line != kEmptyItemMark) lines.push_back(std::move(line));
  return lines;
}

std::string NumberedKey(const char* prefix, size_t i) { return prefix + text::FromInt(int64_t(i)); }

const char* FlagText(bool flag) { return flag ? text::kTrueText : text::kFalseText; }

Bytes ItemOrMark(BytesView value) { return value.empty() ? Bytes(kEmptyItemMark) : Bytes(value); }

// The two lists of the record already in the install folder (a reinstall); "" when there is
// none.
void ReadEarlierRecord(const std::string& datPath, std::string& files, std::string& registry) {
  files.clear();
  registry.clear();
  if (!plat::FileExists(datPath)) return;
  const Bytes record =
      blocks::FindBlockBackward(datPath, blocks::kUninstIniStart, blocks::kUninstIniEnd);
  if (record.empty()) return;
  Bytes item;
  if (ReadKeyedItem(record, package::kRecordFilesItem, false, item)) files = item;
  item.clear();
  if (ReadKeyedItem(record, package::kRecordRegistryItem, false, item)) registry = item;
}

RecordResult Failed(const std::string& path, std::initializer_list<std::string> partials) {
  for (const std::string& partial : partials) plat::DeleteFile(partial);
  return {false, path};
}

}  // namespace

std::string ShortcutListValue(const ShortcutRecord& record) {
  std::string value;
  for (const std::string& piece : text::Split(record.locations, ",")) {
    if (piece.empty()) continue;
    value += NormalizedFolder(piece) + "\\" + record.name + ".lnk,";
  }
  return value;
}

Bytes BuildUninstallIni(const UninstallRecordInputs& in) {
  ini::Document doc;
  const char* main = package::kRecordMainSection;
  doc.Set(main, package::kRecordProductName, in.productName);
  doc.Set(main, package::kRecordVersion, in.version);
  doc.Set(main, package::kRecordMainProgram, in.mainProgram);
  doc.Set(main, package::kRecordInstallFolder, in.installFolder);
  doc.Set(main, package::kRecordShortcutCount, text::FromInt(int64_t(in.shortcuts.size())));
  doc.Set(main, package::kRecordProgramGroup, in.programGroupOverride);
  doc.Set(main, package::kRecordUninstallMode, in.uninstallMode);

  doc.Set(keys::kCommandLineSection, keys::kSwitchDirect, in.switchDirect);
  doc.Set(keys::kCommandLineSection, keys::kSwitchHideEnd, in.switchHideEnd);
  doc.Set(keys::kCommandLineSection, keys::kSwitchBackground, in.switchBackground);

  const char* commands = keys::kUninstallCommandsSection;
  doc.Set(commands, package::kCommandCount, text::FromInt(int64_t(in.commands.size())));
  for (size_t i = 1; i <= in.commands.size(); ++i) {
    const UninstallCommand& c = in.commands[i - 1];
    doc.Set(commands, NumberedKey(package::kCommandExternal, i), c.external);
    doc.Set(commands, NumberedKey(package::kCommandLine, i), c.commandLine);
    doc.Set(commands, NumberedKey(package::kCommandHidden, i), FlagText(c.hidden));
    doc.Set(commands, NumberedKey(package::kCommandWait, i), FlagText(c.wait));
  }

  // Written after the other sections, these keys still join the main section (as a profile
  // write into an existing section does).
  for (size_t i = 1; i <= in.shortcuts.size(); ++i) {
    const ShortcutRecord& record = in.shortcuts[i - 1];
    if (record.removeOnUninstall)
      doc.Set(main, NumberedKey(package::kRecordShortcutPrefix, i), ShortcutListValue(record));
  }

  const char* options = package::kRecordOptionsSection;
  doc.Set(options, package::kOptionCount, text::FromInt(int64_t(in.options.size())));
  doc.Set(options, package::kOptionLayout, in.optionLayout);
  for (size_t k = 1; k <= in.options.size(); ++k) {
    const RecordedOption& o = in.options[k - 1];
    doc.Set(options, NumberedKey(package::kOptionCaption, k), o.caption);
    doc.Set(options, NumberedKey(package::kOptionVisible, k), o.visible);
    doc.Set(options, NumberedKey(package::kOptionChecked, k), o.checked);
    doc.Set(options, NumberedKey(package::kOptionCommand, k), o.command);
  }
  return doc.Serialize();
}

std::string RecordFileList(const std::string& installedFileList,
                           const std::string& installFolder, const std::string& earlierList) {
  const std::string ownFiles[] = {installFolder + "\\" + package::kUninstIniFile,
                                  installFolder + "\\" + package::kUninstExeFile,
                                  installFolder + "\\" + package::kUninstDatFile};
  std::unordered_set<std::string> seen;
  for (const std::string& own : ownFiles) seen.insert(FoldCase(own));
  std::string list;
  auto add = [&](const std::string& file) {
    if (seen.insert(FoldCase(file)).second) list += file + kLineEnd;
  };
  for (const std::string& file : Lines(installedFileList)) add(file);
  for (const std::string& file : Lines(earlierList)) add(file);
  list += ownFiles[0] + kLineEnd + ownFiles[1] + kLineEnd + ownFiles[2];
  return list;
}

std::string RecordRegistryList(const std::string& registryList, const std::string& earlierList) {
  std::unordered_set<std::string> seen;
  std::string list;
  for (const std::string* source : {&registryList, &earlierList})
    for (const std::string& line : Lines(*source))
      if (seen.insert(FoldCase(line)).second) list += line + kLineEnd;
  return list;
}

Bytes ReadImageBeforeMarker(const std::string& path, BytesView marker) {
  if (marker.empty()) return {};
  plat::File file = plat::File::Open(path, plat::OpenMode::kRead);
  // A file that is still being written (or copied) may report 0 bytes for a moment.
  for (int retry = 0; retry < blocks::kZeroSizeRetries; ++retry) {
    if (file.IsOpen() && file.Size().value_or(0) > 0) break;
    plat::SleepMs(kZeroSizeRetryMs);
    file = plat::File::Open(path, plat::OpenMode::kRead);
  }
  if (!file.IsOpen() || file.Size().value_or(0) == 0) return {};

  // Blocks overlap by the marker's length less one, so a marker across a block boundary is
  // found as well.
  std::optional<uint64_t> hit;
  Bytes window;
  uint64_t windowStart = 0;
  Bytes block(kImageReadBlock, '\0');
  while (!hit) {
    const int64_t got = file.Read(block.data(), block.size());
    if (got <= 0) break;
    window.append(block.data(), size_t(got));
    const size_t at = text::Find(window, marker);
    if (at != text::npos) {
      hit = windowStart + at;
      break;
    }
    const size_t keep = std::min(window.size(), marker.size() - 1);
    windowStart += window.size() - keep;
    window.erase(0, window.size() - keep);
  }
  if (!hit || *hit < 1) return {};

  Bytes image(size_t(*hit - 1), '\0');
  if (!file.Seek(0) || !file.ReadExact(image.data(), image.size())) return {};
  return image;
}

bool AppendSection(const std::string& path, BytesView startMarker, BytesView data,
                   BytesView endMarker) {
  const Bytes section = blocks::MarkerPattern(startMarker) + Bytes(data) +
                        blocks::MarkerPattern(endMarker);
  std::optional<uint64_t> sectionStart;
  for (int attempt = 0; attempt < kAppendAttempts; ++attempt) {
    if (attempt > 0) plat::SleepMs(kAppendRetryMs);
    plat::File file = plat::File::Open(path, plat::OpenMode::kAppend);
    if (!file.IsOpen()) continue;
    if (!sectionStart) {
      sectionStart = file.Size();
      if (!sectionStart) continue;
    } else if (!file.Seek(*sectionStart) || !file.Truncate()) {
      continue;
    }
    if (file.Write(section)) return true;
  }
  // What a failed write left is cut off again, so the file ends where it did before.
  if (sectionStart) {
    plat::File file = plat::File::Open(path, plat::OpenMode::kReadWrite);
    if (file.IsOpen() && file.Seek(*sectionStart)) (void)file.Truncate();
  }
  return false;
}

RecordResult WriteUninstallRecord(const UninstallRecordInputs& in) {
  const std::string datPath = in.installFolder + "\\" + package::kUninstDatFile;
  const std::string exePath = in.installFolder + "\\" + package::kUninstExeFile;
  const std::string datPartial = datPath + package::kRecordPartialSuffix;
  const std::string exePartial = exePath + package::kRecordPartialSuffix;

  // Read before anything is written: the new uninst.dat replaces this one.
  std::string earlierFiles, earlierRegistry;
  ReadEarlierRecord(datPath, earlierFiles, earlierRegistry);

  // The run's own folder (made at start-up); without one the working copies are left out:
  // nothing reads them back, and a folder of that name that is not this run's may hold links.
  const std::string workFolder = OwnTempFolder(package::kRecordWorkFolder);
  const std::string workIni =
      workFolder.empty() ? std::string() : workFolder + "\\" + package::kUninstIniFile;
  if (!workIni.empty()) plat::DeleteFile(workIni);
  Bytes record = BuildUninstallIni(in);

  // Parts 1 and 2: the own image and "{".
  const Bytes image =
      ReadImageBeforeMarker(in.ownFilePath, blocks::MarkerPattern(blocks::kTypeStart));
  if (image.empty()) return Failed(in.ownFilePath, {});
  if (!plat::WriteFileBytes(datPartial, image + package::kImageTerminator))
    return Failed(datPath, {datPartial});

  // The icon has no reader of its own; a product name that is no plain file name would put
  // it somewhere else in the temp folder, so it is then left out.
  if (!workFolder.empty() && text::IsPlainFolderName(in.productName))
    plat::WriteFileBytes(workFolder + "\\" + in.productName + ".ico", in.uninstallIcon);
  // An empty uninst.exe could start nothing: a missing launcher fails the record.
  if (in.launcher.empty()) return Failed(exePath, {datPartial});
  if (!plat::WriteFileBytes(exePartial, in.launcher)) return Failed(exePath, {datPartial, exePartial});

  // Parts 3 to 6.
  AppendKeyedItem(record, package::kRecordFilesItem,
                  RecordFileList(in.installedFileList, in.installFolder, earlierFiles), false);
  AppendKeyedItem(record, package::kRecordRegistryItem,
                  ItemOrMark(RecordRegistryList(in.registryList, earlierRegistry)), false);
  if (!workIni.empty()) plat::WriteFileBytes(workIni, record);

  Bytes skin;
  AppendKeyedItem(skin, package::kSkinSmallPicture, ItemOrMark(in.smallPicture), false);
  AppendKeyedItem(skin, package::kSkinLargePicture, ItemOrMark(in.largePicture), false);
  AppendKeyedItem(skin, package::kSkinCopyright, ItemOrMark(in.company), false);
  AppendKeyedItem(skin, package::kSkinData, ItemOrMark(in.skinData), false);

  const bool appended =
      AppendSection(datPartial, blocks::kUninstDataStart, in.configurationBundle,
                    blocks::kUninstDataEnd) &&
      AppendSection(datPartial, blocks::kUninstIniStart, record, blocks::kUninstIniEnd) &&
      AppendSection(datPartial, blocks::kSkinStart, skin, blocks::kSkinEnd) &&
      AppendSection(datPartial, blocks::kTypeStart, package::kUninstallerType, blocks::kTypeEnd);
  if (!appended) return Failed(datPath, {datPartial, exePartial});

  if (!plat::MoveFile(exePartial, exePath)) return Failed(exePath, {datPartial, exePartial});
  if (!plat::MoveFile(datPartial, datPath)) return Failed(datPath, {datPartial});
  return {true, ""};
}
