#include "launcher/launch.h"

#include "common/text.h"
#include "package/uninstall_handoff.h"
#include "platform/platform.h"

const char kEngineMissingText[] = "卸载数据丢失，无法启动卸载程序！";
const char kEngineCopyFailedText[] =
    "无法在临时文件夹中写入卸载程序（磁盘空间不足或没有写入权限），卸载无法继续。";
const char kEngineStartFailedText[] = "无法启动卸载程序。";
const char kUninstallRunningText[] = "卸载程序正在运行，请等它结束后再试。";

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
  if (plat::PathExists(engineFolder)) {
    Report(run, kUninstallRunningText);
    return kExitUninstallRunning;
  }
  const std::string engine = engineFolder + "\\" + FileNameOf(run.ownPath);
  const std::string lockPath = engineFolder + "\\" + package::kLockFileName;
  // The lock is made first and held open for the whole run (others may only read it), so
  // that no other launcher's clean-up takes this folder while the engine is copied and runs.
  const bool written = plat::CreateDirectory(engineFolder) &&
                       plat::WriteFileBytes(lockPath, {}) &&
                       plat::WriteFileBytes(engineFolder + "\\" + package::kEngineDataFile,
                                            run.engineData);
  plat::File lock = plat::File::Open(lockPath, plat::OpenMode::kRead);
  if (!written || !lock.IsOpen() || !plat::CopyFile(record, engine, true) ||
      !AppendZeros(engine, package::kEngineCopyPadding)) {
    Report(run, kEngineCopyFailedText);
    return kExitTempWriteFailed;
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
