#include "plugins/plugin_host.h"

#include "common/crypto.h"
#include "common/text.h"
#include "platform/platform.h"

const char kPluginLoadFailedText[] = "插件加载失败: ";

namespace {

constexpr char kMessageFunction[] = "tarn_msg";

}  // namespace

intptr_t PlatformPluginLoader::Load(const std::string& path, BytesView image) {
  // Once mapped, the system itself keeps the file from being written; the hold only has to
  // last from the comparison to the mapping.
  plat::HeldLibrary held = plat::LoadLibraryHeld(path, image);
  return held.library.Release();
}

intptr_t PlatformPluginLoader::Find(intptr_t module, const std::string& name) {
  return plat::ModuleFunction(module, name.c_str());
}

int32_t PlatformPluginLoader::Call(intptr_t function, const PluginArguments& arguments) {
  return plat::CallForeignFunction(function, arguments.data(), arguments.size());
}

void PlatformPluginLoader::Wait(uint32_t milliseconds) { plat::SleepMs(milliseconds); }

std::string PluginFolder() { return plat::TempFolder() + plugin_files::kFolderName; }

void ResetPluginFolder(const std::string& folder) {
  for (const plat::DirEntry& entry : plat::ListDirectory(folder)) {
    const std::string path = folder + "\\" + entry.name;
    if (entry.isDirectory) (void)plat::RemoveDirectoryTree(path);
    else (void)plat::DeleteFile(path);
  }
  (void)plat::CreateDirectories(folder);
}

intptr_t LoadPlugin(PluginHost& host, const std::string& path, BytesView image) {
  for (const LoadedPlugin& loaded : host.loadedPlugins)
    if (loaded.path == path) return loaded.module;
  if (!host.loader) {
    // No folder of the run's own to load from (see the program's set-up).
    if (host.showStatus) host.showStatus(kPluginLoadFailedText + path);
    return 0;
  }
  // The file may still be held by a scanner or by the last run's process; a module that
  // stays refused is skipped instead of hanging the wizard.
  // A file that cannot be replaced is tried all the same: the load maps it only when it holds
  // exactly this image, so a file planted under the digest's name is never run.
  (void)plat::WriteFileBytes(path, image);
  intptr_t module = 0;
  const uint32_t start = plat::TickCount();
  while ((module = host.loader->Load(path, image)) == 0 &&
         plat::TickCount() - start < host.loadTimeoutMs)
    host.loader->Wait(1);
  if (module == 0) {
    if (host.showStatus) host.showStatus(kPluginLoadFailedText + path);
    return 0;
  }
  host.loadedPlugins.push_back({path, module});
  return module;
}

int CallPluginFunction(PluginHost& host, BytesView image, const std::string& functionName,
                       BytesView parameters, intptr_t& module) {
  if (module == 0) {
    // Only a load needs the folder; a message to a loaded plug-in leaves it alone.
    ResetPluginFolder(host.folder);
    const std::string path = host.folder + "\\" + crypto::Md5Hex(image) + ".dll";
    module = LoadPlugin(host, path, image);
    if (module == 0) return kPluginFunctionMissing;
  }
  const intptr_t function = host.loader->Find(module, functionName);
  if (function == 0) return kPluginFunctionMissing;
  const PluginArguments arguments = BuildPluginArguments(parameters, host.keepAlive);
  return host.loader->Call(function, arguments);
}

void RunStartupPlugins(PluginHost& host, BytesView imagesFile, BytesView settingsFile,
                       int runMode) {
  if (host.folder.empty()) host.folder = PluginFolder();
  (void)plat::CreateDirectories(host.folder);
  for (const plugin_files::PluginEntry& entry :
       plugin_files::ReadPluginEntries(imagesFile, settingsFile)) {
    if (!RunsInMode(entry.runMode, runMode) || entry.image.empty()) continue;
    intptr_t module = 0;
    (void)CallPluginFunction(host, entry.image, entry.functionName, entry.parameters, module);
  }
}

void BroadcastMessage(PluginHost& host, const std::string& text, std::vector<int>& answers) {
  if (host.loadedPlugins.empty()) return;
  const std::string wire = ToWireForm(text);
  // By index: a plug-in answering a message may call back into the host.
  for (size_t i = 0; i < host.loadedPlugins.size(); ++i) {
    intptr_t module = host.loadedPlugins[i].module;
    answers.push_back(CallPluginFunction(host, "", kMessageFunction, wire, module));
  }
}
