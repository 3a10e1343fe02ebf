#include "launcher/launch.h"

#include <algorithm>
#include <optional>

#include "common/text.h"
#include "package/uninstall_handoff.h"
#include "platform/platform.h"

const char kEngineMissingText[] = "卸载数据丢失，无法启动卸载程序！";
const char kEngineCopyFailedText[] =
    "无法在临时文件夹中写入卸载程序（磁盘空间不足或没有写入权限），卸载无法继续。";
const char kEngineStartFailedText[] = "无法启动卸载程序。";
const char kUninstallRunningText[] = "卸载程序正在运行，请等它结束后再试。";
const char kEngineChangedText[] = "临时文件夹中的卸载程序被其他程序改动，卸载已中止。";

namespace {

const char kFallbackName[] = "uninst";

// By GBK characters: a trail byte 0x5C (淺 is 9C 5C) is no separator.
std::string FileNameOf(const std::string& path) {
  const size_t slash = text::FindLastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = text::FindLastSeparator(path);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool AppendZeros(const std::string& path, uint64_t count) {
  plat::File file = plat::File::Open(path, plat::OpenMode::kAppend);
  if (!file.IsOpen()) return false;
  const Bytes block(1 << 20, '\0');
  while (count > 0) {
    const size_t piece = size_t(std::min<uint64_t>(count, block.size()));
    if (!file.Write(block.data(), piece)) return false;
    count -= piece;
  }
  return true;
}

// True when `held` (open for reading, so nobody can write to it now) holds exactly the bytes of
// `source` followed by `zeros` zero bytes: the engine copy that starts is the one written.
bool CopyMatches(plat::File& held, const std::string& source, uint64_t zeros) {
  plat::File original = plat::File::Open(source, plat::OpenMode::kRead);
  const std::optional<uint64_t> size = original.Size();
  if (!size || held.Size() != *size + zeros || !held.Seek(0)) return false;
  Bytes want(1 << 20, '\0'), got(1 << 20, '\0');
  uint64_t left = *size + zeros;
  while (left > 0) {
    const size_t piece = size_t(std::min<uint64_t>(left, want.size()));
    const uint64_t at = *size + zeros - left;
    // The part of this piece that still lies in the source; the rest is padding.
    const size_t fromSource = at >= *size ? 0 : size_t(std::min<uint64_t>(piece, *size - at));
    std::fill(want.begin(), want.end(), '\0');
    if ((fromSource > 0 && !original.ReadExact(want.data(), fromSource)) ||
        !held.ReadExact(got.data(), piece) || want.compare(0, piece, got, 0, piece) != 0)
      return false;
    left -= piece;
  }
  return true;
}

void Report(const LauncherRun& run, const std::string& text) {
  plat::MessageBox(run.owner, text, "", plat::kMbOk | plat::kMbIconError);
}

}  // namespace

std::string LauncherProductName(BytesView nameResource) {
  const size_t end = nameResource.find('\0');
  const std::string name(nameResource.substr(0, end));
  return text::IsPlainFolderName(name) ? name : kFallbackName;
}

std::string EngineParameters(const std::string& installFolder, const std::string& engineFolder,
                             const std::vector<std::string>& arguments, uint32_t processId) {
  std::string parameters = "\"" + installFolder + "\" \"" + engineFolder + "\" " +
                           package::kEngineArgumentWord + " ";
  for (const std::string& argument : arguments) {
    // Passed on one by one, an argument with a blank would reach the engine as two.
    const bool quote = argument.find(' ') != std::string::npos;
    parameters += quote ? "\"" + argument + "\" " : argument + " ";
  }
  parameters += package::kLauncherArgumentPrefix + std::to_string(processId) + " ";
  return parameters;
}

void CleanEngineFolders(const std::string& tempFolder) {
  const std::string root = tempFolder + package::kUninstallTempFolder;
  // A link in place of the folder goes as a link: walking it would delete what it points at.
  if (plat::GetFileAttributes(root) != 0xFFFFFFFFu &&
      (plat::GetFileAttributes(root) & plat::kFileAttributeReparsePoint)) {
    plat::RemoveDirectory(root);
    plat::DeleteFile(root);
  }
  for (const plat::DirEntry& entry : plat::ListDirectory(root)) {
    const std::string path = root + "\\" + entry.name;
    if (!entry.isDirectory) {
      plat::DeleteFile(path);
      continue;
    }
    // A link is removed as a link; what it points at is not ours.
    if (entry.attributes & plat::kFileAttributeReparsePoint) {
      plat::RemoveDirectory(path);
      continue;
    }
    // An uninstall that still runs holds its lock file open: deleting the lock fails, and
    // its folder stays as it is. Removing the folder around a running engine would take
    // its record away in mid-run.
    const std::string lock = path + "\\" + package::kLockFileName;
    if (plat::FileExists(lock) && !plat::DeleteFile(lock)) continue;
    plat::RemoveDirectoryTree(path);
  }
  plat::CreateDirectory(root);
}

ExitCode RunLauncher(const LauncherRun& run) {
  CleanEngineFolders(run.tempFolder);

  const std::string installFolder = FolderOfPath(run.ownPath);
  const std::string record = installFolder + "\\uninst.dat";
  if (!plat::FileExists(record)) {
    Report(run, kEngineMissingText);
    return kExitUninstallDataMissing;
  }

  const std::string engineFolder = run.tempFolder + package::kUninstallTempFolder + "\\" +
                                   LauncherProductName(run.nameResource);
  // Made fresh: a folder of that name that the clean-up left is another uninstall's (its lock
  // is held) or was put there since, and is not used either way. Elevated, the folder is
  // private to administrators, so the user's own programs cannot swap the engine.
  if (!plat::CreateFreshDirectory(engineFolder)) {
    if (plat::PathExists(engineFolder)) {
      Report(run, kUninstallRunningText);
      return kExitUninstallRunning;
    }
    Report(run, kEngineCopyFailedText);
    return kExitTempWriteFailed;
  }
  const std::string engine = engineFolder + "\\" + FileNameOf(run.ownPath);
  const std::string lockPath = engineFolder + "\\" + package::kLockFileName;
  // The lock is made first and held open for the whole run (others may only read it), so
  // that no other launcher's clean-up takes this folder while the engine is copied and runs.
  const bool written = plat::WriteFileBytes(lockPath, {}) &&
                       plat::WriteFileBytes(engineFolder + "\\" + package::kEngineDataFile,
                                            run.engineData);
  plat::File lock = plat::File::Open(lockPath, plat::OpenMode::kRead);
  if (!written || !lock.IsOpen() || !plat::CopyFile(record, engine, false) ||
      !AppendZeros(engine, package::kEngineCopyPadding)) {
    Report(run, kEngineCopyFailedText);
    return kExitTempWriteFailed;
  }
  // Held against writers from here until the engine has ended, and compared with what was
  // copied: the engine often runs with administrator rights.
  plat::File heldEngine = plat::File::Open(engine, plat::OpenMode::kRead);
  if (!CopyMatches(heldEngine, record, package::kEngineCopyPadding)) {
    Report(run, kEngineChangedText);
    return kExitTempFileChanged;
  }
  // Only the window icon depends on it; an engine without it keeps its own.
  if (!run.icon.empty())
    plat::WriteFileBytes(engineFolder + "\\" + package::kEngineIconFile, run.icon);

  ExitCode outcome = kExitSuccess;
  const std::string parameters =
      EngineParameters(installFolder, engineFolder, run.arguments, run.processId);
  if (!run.startAndWait || !run.startAndWait(engine, parameters, engineFolder, outcome)) {
    Report(run, kEngineStartFailedText);
    return kExitEngineStartFailed;
  }
  return outcome;
}
