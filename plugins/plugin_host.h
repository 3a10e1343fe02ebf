// The plug-in host: the plug-in folder, loading by full path with a bounded retry, the
// loaded-plugin table (identical images share one module), calls with fifteen arguments, and
// the broadcast of host messages to every plug-in that start-up called.
//
// The OS side (loading a module, finding a function, the call itself) sits behind
// PluginLoader, so that the table, the retry bound and the argument building are tested
// natively; PlatformPluginLoader is the real one over platform/.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "plugins/plugin_call.h"

class PluginLoader {
 public:
  virtual ~PluginLoader() = default;
  // The module at `path` loaded for the rest of the process; 0 while the system refuses it or
  // the file is not `image`, byte for byte.
  virtual intptr_t Load(const std::string& path, BytesView image) = 0;
  // The exported function `name` of `module`; 0 when it has none.
  virtual intptr_t Find(intptr_t module, const std::string& name) = 0;
  // Calls `function` with the arguments, pushed last to first, and restores the stack itself,
  // so stdcall and cdecl exports both work. The 32-bit result.
  virtual int32_t Call(intptr_t function, const PluginArguments& arguments) = 0;
  // Waits between two refused loads.
  virtual void Wait(uint32_t milliseconds) = 0;
};

// plat::LoadLibraryHeld (the file is held against writers and compared with the image before it
// is mapped), plat::CallForeignFunction and plat::SleepMs.
class PlatformPluginLoader : public PluginLoader {
 public:
  intptr_t Load(const std::string& path, BytesView image) override;
  intptr_t Find(intptr_t module, const std::string& name) override;
  int32_t Call(intptr_t function, const PluginArguments& arguments) override;
  void Wait(uint32_t milliseconds) override;
};

struct LoadedPlugin {
  std::string path;  // plug-in folder + "\" + MD5 of the image + ".dll"
  intptr_t module = 0;
};

// What a loaded plug-in's function answers when it does not export the function asked for.
inline constexpr int kPluginFunctionMissing = -1;

// One per process: modules are never unloaded, and plug-ins keep the pointers they were given.
struct PluginHost {
  PluginLoader* loader = nullptr;
  // Temp folder + "qzr_dll" (no trailing "\"); set by the constructor of the run.
  std::string folder;
  // LoadedPlugins: every module that start-up loaded, in load order; they, and only they,
  // receive host messages.
  std::vector<LoadedPlugin> loadedPlugins;
  KeepAliveList keepAlive;
  // A module refused for this long (retried every 1 ms) is skipped.
  uint32_t loadTimeoutMs = 2000;
  // Tells the user about a plug-in that was skipped (the status line); may be empty.
  std::function<void(const std::string& text)> showStatus;
};

// "插件加载失败: " + path: the status line of a plug-in that could not be loaded.
extern const char kPluginLoadFailedText[];

// Temp folder + "qzr_dll".
std::string PluginFolder();

// Removes what can be removed of the plug-in folder (the files of loaded plug-ins are in use
// and stay) and creates it again.
void ResetPluginFolder(const std::string& folder);

// Reads the images and settings files, and calls every entry whose run mode fits `runMode`
// (1 installer, 2 uninstaller copy) with its parameters, in order. Entries with an empty image
// are skipped. The modules loaded here are the receivers of BroadcastMessage.
void RunStartupPlugins(PluginHost& host, BytesView imagesFile, BytesView settingsFile,
                       int runMode);

// Loads `image` first when `module` is 0, then calls its `functionName` with the wire-form
// `parameters`. -1 when the function is missing or the image could not be loaded. `module`
// receives the module used (0 when none).
int CallPluginFunction(PluginHost& host, BytesView image, const std::string& functionName,
                       BytesView parameters, intptr_t& module);

// The module of `path`: the one already loaded from that path, else `image` written there and
// loaded, retried every 1 ms until `host.loadTimeoutMs` ran out (then 0, and the status line
// says so).
intptr_t LoadPlugin(PluginHost& host, const std::string& path, BytesView image);

// Sends the readable message `text` to "tarn_msg" of every loaded plug-in and appends each
// answer to `answers`, in load order.
void BroadcastMessage(PluginHost& host, const std::string& text, std::vector<int>& answers);
