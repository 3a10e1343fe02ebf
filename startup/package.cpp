#include "startup/package.h"

#include <vector>

#include "common/crypto.h"
#include "common/text.h"
#include "platform/platform.h"
#include "package/blocks.h"
#include "package/package_types.h"
#include "startup/archiver_driver.h"
#include "startup/command_line.h"
#include "startup/config.h"
#include "package/data_keys.h"
#include "startup/exit_codes.h"
#include "system/temp_names.h"
#include "startup/unpack_window.h"
#include "startup/variables.h"

const char kMissingVolumeText[] = "缺少分卷文件:";
const char kMissingVolumeTitle[] = "运行失败";
const char kTempFileChangedText[] =
    "临时文件夹中的安装文件被其他程序改动，安装无法继续。";
const char kTempWriteFailedText[] =
    "无法在临时文件夹中写入安装所需的文件（磁盘空间不足或没有写入权限），安装无法继续。";

namespace {

constexpr uint64_t kMiB = 1048576;

ExitCode FailMissingVolume(const std::string& path) {
  plat::MessageBox(0, kMissingVolumeText + path, kMissingVolumeTitle, plat::kMbOk);
  return kExitMissingVolume;
}

std::string OwnPath() { return plat::ModulePath(); }

// Copies the payload block out of the setup file when the packing mode asks for it
// ("<mode>-<MiB>": the unpack window shows from that size on). False when the copy could not
// be written whole (a full temp drive must not look like a damaged package later).
bool CopyPayloadOut(RunContext& context) {
  const std::string mode = ReadMainKey(context.package, keys::kPackingMode);
  const size_t dash = mode.find('-');
  if (dash == std::string::npos || dash + 1 == mode.size()) return true;
  const int64_t limitMiB = text::ToInt64(mode.substr(dash + 1));
  const std::string fresh = FreshTempName(".7zsha");
  if (fresh.empty()) return false;
  const std::string copy = fresh + ".7zsha";
  UnpackWindow* window = context.unpackWindow;
  if (window) {
    auto size = plat::FileSize(OwnPath());
    if (size && *size >= uint64_t(limitMiB) * kMiB) window->Open();
  }
  plat::PumpMessages();
  context.package.payloadArchivePath = copy;
  context.package.payloadCopyPath = copy;
  blocks::ProgressFn progress;
  if (window) progress = [window](int percent) { window->ShowProgress(percent); };
  const blocks::ForwardResult result = blocks::FindBlockForward(
      OwnPath(), blocks::kPayloadStart, blocks::kPayloadEnd, progress, copy);
  if (window && window->IsOpen()) window->Close();
  if (!result.copyFailed) return true;
  plat::DeleteFile(copy);  // a partial copy is of no use and may be large
  context.package.payloadCopyPath.clear();
  return false;
}

// The temp folder could not take what the run must write. Said in every mode, like a missing
// volume: the install mode's switches are not read yet when this can happen.
ExitCode FailTempWrite() {
  plat::MessageBox(0, kTempWriteFailedText, kMissingVolumeTitle, plat::kMbOk | plat::kMbIconError);
  return kExitTempWriteFailed;
}

// A file the run wrote was changed before it was used: said in every mode, as above.
ExitCode FailTempFileChanged() {
  plat::MessageBox(0, kTempFileChangedText, kMissingVolumeTitle,
                   plat::kMbOk | plat::kMbIconError);
  return kExitTempFileChanged;
}

}  // namespace

std::string RunFolder() {
  const std::string path = OwnPath();
  const size_t slash = text::FindLastSeparator(path);
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string BuildArchivePassword() {
  Bytes key;
  if (!plat::LoadOwnResource(package::kKeyResourceType, package::kKeyResourceId, key)) key.clear();
  return crypto::Md5Hex(key);
}

bool VolumesAreNumbered(const std::vector<std::string>& names) {
  if (names.size() == 1) return true;
  for (size_t i = 0; i < names.size(); ++i) {
    const size_t dot = names[i].rfind('.');
    const std::string extension = dot == std::string::npos ? "" : names[i].substr(dot);
    if (extension != "." + text::PadNumber3(int(i + 1))) return false;
  }
  return true;
}

bool JoinFiles(const std::vector<std::string>& parts, const std::string& target) {
  plat::File out = plat::File::Open(target, plat::OpenMode::kCreateAlways);
  if (!out.IsOpen()) return false;
  std::vector<char> buffer(4 * kMiB);
  bool ok = true;
  for (const std::string& part : parts) {
    plat::File in = plat::File::Open(part, plat::OpenMode::kRead);
    if (!in.IsOpen()) {
      ok = false;
      break;
    }
    for (;;) {
      const int64_t got = in.Read(buffer.data(), buffer.size());
      if (got < 0 || (got > 0 && !out.Write(buffer.data(), size_t(got)))) ok = false;
      if (got <= 0 || !ok) break;
      plat::PumpMessages();
    }
    if (!ok) break;
  }
  out.Close();
  if (!ok) plat::DeleteFile(target);
  return ok;
}

ExitCode PrepareSplitVolumes(RunContext& context) {
  PackageState& package = context.package;
  const int count = text::ToInt(ReadMainKey(package, keys::kVolumeCount));
  if (count < 1) return kExitSuccess;
  const std::string runFolder = RunFolder();
  std::string names = ReadMainKey(package, keys::kVolumeNames);

  if (!names.empty()) {
    if (text::EndsWith(names, "+")) names.pop_back();
    const std::vector<std::string> list = text::Split(names, "+");
    for (const std::string& name : list)
      if (!plat::FileExists(runFolder + "\\" + name))
        return FailMissingVolume(runFolder + "\\" + name);
    if (VolumesAreNumbered(list)) {
      package.payloadArchivePath = runFolder + "\\" + list.front();
      return kExitSuccess;
    }
    // Volumes with other names are joined into one archive; by full path, so names with
    // blanks and any current directory work.
    const std::string fresh = FreshTempName("datas.7z");
    if (fresh.empty()) return FailTempWrite();
    const std::string joined = fresh + "datas.7z";
    plat::PumpMessages();
    UnpackWindow* window = context.unpackWindow;
    if (window) {
      window->Open();
      window->ShowJoining();
    }
    std::vector<std::string> parts;
    for (const std::string& name : list) parts.push_back(runFolder + "\\" + name);
    const bool joinedAll = JoinFiles(parts, joined);
    if (window && window->IsOpen()) window->Close();
    // Every part was there a moment ago, so a failed join is the temp drive's doing.
    if (!joinedAll) return FailTempWrite();
    package.payloadArchivePath = joined;
    package.payloadCopyPath = joined;
    return kExitSuccess;
  }

  const std::string product = ReadMainKey(package, keys::kProductName);
  for (int i = 1; i <= count; ++i) {
    package.payloadArchivePath = runFolder + "\\" + product + "." + text::PadNumber3(i);
    if (!plat::FileExists(package.payloadArchivePath))
      return FailMissingVolume(package.payloadArchivePath);
  }
  if (!ReadMainKey(package, keys::kVolumeSize).empty())
    package.payloadArchivePath = runFolder + "\\" + product + ".001";
  return kExitSuccess;
}

int UnpackPackage(RunContext& context) {
  StartupState& startup = context.startup;
  PackageState& package = context.package;
  startup.commandArgs = ParseCommandArgs(plat::CommandLine());
  startup.commandTail = GetOwnCommandTail();
  const std::string ownPath = OwnPath();
  const std::string runFolder = RunFolder();

  std::string type;
  if (FirstArgumentIsTest(startup)) {
    type = package::kInstallerType;
    package.workFolder = runFolder + "\\";
  } else {
    type = blocks::ReadPackageType(ownPath);
  }
  if (type != package::kInstallerType) return type == package::kUninstallerType ? kRunModeUninstaller : kRunModeNone;

  package.payloadArchivePath = ownPath;
  const Bytes config = blocks::FindBlockBackward(ownPath, blocks::kConfigStart, blocks::kConfigEnd);
  // Without a configuration there is nothing to install; reading on would take data.ini and
  // variable.ini from whatever the current folder is and write the expanded files there. Only
  // test mode reads the files that lie beside the program.
  if (config.empty() && !FirstArgumentIsTest(startup)) {
    package.configUnpackFailed = true;
    return kRunModeInstaller;
  }
  if (!config.empty()) {
    // Without its archiver the run could only fail later as a damaged package.
    if (const ExitCode archiver = ArchiverSetUpOutcome(); archiver != kExitSuccess) {
      package.stop = archiver == kExitTempFileChanged ? FailTempFileChanged() : FailTempWrite();
      return kRunModeInstaller;
    }
    // A folder of this run's own making: one that exists under the name is passed over, so no
    // configuration file, plug-in image or payload planted beforehand is read as the package's.
    const std::string fresh = CreateOwnTempFolder();
    if (fresh.empty()) {
      package.stop = FailTempWrite();
      return kRunModeInstaller;
    }
    package.workFolder = fresh + "\\";
    const std::string archive = package.workFolder + keys::kConfigArchive;
    package.ownsWorkFolder = true;
    if (!plat::WriteFileBytes(archive, config)) {
      package.stop = FailTempWrite();
      return kRunModeInstaller;
    }
    blocks::RepairArchiveSignature(archive, 0);
    package.archivePassword = BuildArchivePassword();
    // A package whose configuration cannot be unpacked would run as an empty wizard; the run
    // reports it instead (StartUp ends with kExitNoPackage).
    package.configUnpackFailed =
        !context.extractAll ||
        !context.extractAll(archive, package.workFolder, package.archivePassword);
    if (package.configUnpackFailed) return kRunModeInstaller;
    if (!CopyPayloadOut(context)) {
      package.stop = FailTempWrite();
      return kRunModeInstaller;
    }
    package.stop = PrepareSplitVolumes(context);
    if (package.stop != kExitSuccess) return kRunModeInstaller;
  }

  const std::string dataIni = package.workFolder.empty() ? "" : package.workFolder + keys::kDataIni;
  ApplySwitches(ReadSwitchTexts(dataIni), startup);
  if (!ExpandConfiguration(package, context.config)) {
    package.stop = FailTempWrite();
    return kRunModeInstaller;
  }
  package.showSpace = IsTrueText(ReadMainKey(package, keys::kShowSpace));
  if (package.showSpace)
    package.uncompressedSize = text::ToInt64(ReadMainKey(package, keys::kUncompressedSize));
  return kRunModeInstaller;
}

void CleanUpWorkFiles(RunContext& context, bool deletePayload) {
  PackageState& package = context.package;
  // Only what this run wrote: the setup file, its volumes or a payload that a plug-in pointed
  // at may lie anywhere, the temp folder included.
  if (deletePayload && !package.payloadCopyPath.empty()) {
    plat::DeleteFile(package.payloadCopyPath);
    package.payloadCopyPath.clear();
  }
  if (package.ownsWorkFolder) {
    RemoveOwnTempFolder(package.workFolder);
    package.ownsWorkFolder = false;
  }
}
