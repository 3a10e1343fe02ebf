#include "startup/variables.h"

#include "package/install_path.h"
#include "startup/package.h"
#include "system/registry.h"

#include <algorithm>

#include "common/keyed_store.h"
#include "common/text.h"
#include "platform/platform.h"
#include "startup/config.h"
#include "package/data_keys.h"
#include "system/folders.h"
#include "system/registry_path.h"
#include "system/windows_version.h"

const char kResourcePrefix[] = "#资源数据_";

namespace {

const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ValueText(const plat::RegValue& value) {
  return value.data.substr(0, value.data.find('\0'));
}

std::string QuickLaunchFolder() {
  double version = 0;
  GetWindowsVersionName(version);
  const std::string profile = plat::GetEnv("userprofile");
  if (version - 6.0 >= -0.0000001)
    return profile + "\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
  return profile + "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch";
}

}  // namespace

bool BuiltInVariable(const std::string& name, const PackageState& package,
                     const std::string& dataIni, std::string& value) {
  (void)package;
  auto main = [&](const char* key) { return ReadMainKeyFrom(dataIni, key); };
  auto normalized = [](std::string path) { return NormalizedFolder(std::move(path)); };
  const std::string windows = [&] {
    return name == "%System32%" || name == "%SysWoW64%" || name == "%FONTS%" ||
                   name == "%WindowsDir%"
               ? normalized(plat::WindowsFolder())
               : std::string();
  }();

  if (name == "%ProductName%") value = main(keys::kProductName);
  else if (name == "%Version%") value = main(keys::kVersion);
  else if (name == "%CompanyCopyright%") value = main(keys::kCompany);
  else if (name == "%MainExe%") value = main(keys::kMainProgram);
  else if (name == "%ProgramFiles%") value = text::ReplaceAll(plat::GetEnv("ProgramFiles"), " (x86)", "");
  // A 32-bit process finds the x86 folder in "ProgramFiles"; a 64-bit one finds the native
  // folder there and the x86 one beside it.
  else if (name == "%ProgramFiles_x86%")
    value = plat::GetEnv(plat::IsProcess64() ? "ProgramFiles(x86)" : "ProgramFiles");
  else if (name == "%TempDir%") value = normalized(plat::TempFolder());
  else if (name == "%WindowsDir%") value = windows;
  // The native system folder: a 32-bit process on 64-bit Windows reaches it only through the
  // Sysnative alias (System32 is redirected to SysWOW64 there), a 64-bit process has no alias.
  else if (name == "%System32%")
    value = windows + (plat::IsWindows64() && !plat::IsProcess64() ? "\\Sysnative" : "\\System32");
  else if (name == "%SysWoW64%") value = windows + "\\SysWoW64";
  else if (name == "%FONTS%") value = windows + "\\Fonts";
  else if (name == "%MenuDir%") value = normalized(plat::ShellFolder(plat::kCsidlPrograms));
  else if (name == "%Desktop%") value = normalized(plat::ShellFolder(plat::kCsidlDesktopDirectory));
  else if (name == "%MyDocument%") {
    plat::RegValue personal;
    value = plat::RegReadValue(plat::kCurrentUser, kShellFoldersKey, "Personal",
                               plat::RegView::kDefault, personal)
                ? normalized(ValueText(personal))
                : "";
  } else if (name == "%UserName%") value = text::TrimBlanks(plat::UserName());
  else if (name == "%RunPath%") value = RunFolder();
  else if (name == "%QuickLaunch%") value = QuickLaunchFolder();
  else if (name == "%UserProfile%") value = plat::GetEnv("userprofile");
  else if (name == "%AppData%") value = normalized(plat::ShellFolder(plat::kCsidlAppData));
  else if (name == "%LastInPath%")
    value = ReadRegistryText(plat::kLocalMachine,
                             kUninstallKeyPrefix + main(keys::kProductName) + "\\InstallLocation");
  else if (name == package::kInstallPathVariable || name == "%AC%" || name == "%ET%") value = name;
  else return false;
  return true;
}

std::string ReadRegistryText(int rootCode, const std::string& path) {
  std::string key = path;
  bool keyOnly = false;
  const std::string valueName = SplitValuePath(key, keyOnly);
  if (rootCode < 1 || rootCode > 5) return "";
  plat::RegValue value;
  bool found = false;
  if (plat::IsWindows64()) {
    // A 32-bit process switches redirection off around the read as the classic runtime did;
    // a 64-bit process has none to switch off, and must not fail for that.
    intptr_t cookie = 0;
    const bool redirected = !plat::IsProcess64();
    if (redirected && !plat::DisableFsRedirection(cookie)) return "";
    found = plat::RegReadValue(rootCode, key, valueName, plat::RegView::k64, value);
    if (redirected) plat::RevertFsRedirection(cookie);
  } else {
    found = plat::RegReadValue(rootCode, key, valueName, plat::RegView::kDefault, value);
  }
  return found ? ValueText(value) : "";
}

std::string ResolveGetReg(const std::string& input) {
  const size_t open = text::Find(input, "GetReg(");
  if (open == text::npos) return input;
  const size_t start = open + 7;
  const size_t close = text::Find(input, ")", start);
  if (close == text::npos) return input;
  const std::string valuePath = input.substr(start, close - start);
  std::string rest;
  const int code = ParseRegistryPath(valuePath, "", false, rest);
  if (code < 0) return "";
  std::string value = ReadRegistryText(code, rest);
  if (value.empty()) {
    std::string key = rest;
    bool keyOnly = false;
    const std::string name = SplitValuePath(key, keyOnly);
    plat::RegValue raw;
    const plat::RegView view = plat::IsWindows64() ? plat::RegView::k32 : plat::RegView::kDefault;
    if (plat::RegReadValue(code, key, name, view, raw)) value = ValueText(raw);
  }
  return value;
}

Bytes ReplaceResourcePlaceholders(BytesView data, const std::vector<Bytes>& placeholders,
                                  const std::vector<Bytes>& resources) {
  struct Hit {
    size_t at;
    size_t index;
  };
  std::vector<Hit> hits;
  for (size_t i = 0; i < placeholders.size() && i < resources.size(); ++i) {
    const Bytes& p = placeholders[i];
    for (size_t at = text::Find(data, p); at != text::npos; at = text::Find(data, p, at + p.size()))
      hits.push_back({at, i});
  }
  std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.at < b.at; });
  Bytes out;
  size_t copied = 0;
  for (const Hit& hit : hits) {
    if (hit.at < copied) continue;  // overlaps a placeholder already replaced
    out.append(data.substr(copied, hit.at - copied));
    out.append(resources[hit.index]);
    copied = hit.at + placeholders[hit.index].size();
  }
  out.append(data.substr(copied));
  return out;
}

bool ExpandConfiguration(const PackageState& package, Configuration& config) {
  const std::string folder = package.workFolder;
  config.variableNames = ReadIniSectionNames(folder + keys::kVariableIni);
  // Without variables nothing is expanded and the work folder keeps its files as stored. The
  // configuration is still read into memory: the wizard reads it from there after the work
  // folder is gone, and a package without variables must not install with no settings at all.
  ReadConfigurationFiles(package, config);
  if (config.variableNames.empty()) return true;

  const std::string dataIniBefore = config.dataIni;
  const std::string variableIni = folder + keys::kVariableIni;
  std::vector<Bytes> placeholders, resources;
  for (const std::string& name : config.variableNames) {
    std::string value;
    // Built-in values come from the unexpanded data.ini, as the names they read are plain.
    if (!BuiltInVariable(name, package, dataIniBefore, value))
      value = ReadIniKey(variableIni, name, keys::kVariableValue);

    // Names that keep themselves (%InstallPath%, %AC%, %ET%) are left alone, including their
    // SXG( ) form: the install still has to double the backslashes of the folder it puts there.
    if (value == name) continue;
    if (text::StartsWith(value, kResourcePrefix)) {
      // The two lists stay paired by position: a missing item, or the packer's mark for empty
      // data (01 02 03), pairs the placeholder with empty data.
      Bytes item;
      if (!ReadKeyedItem(config.varData, value, false, item) || item == kEmptyItemMark)
        item.clear();
      placeholders.push_back(value);
      resources.push_back(item);
    }
    config.dataIni = text::ReplaceAll(config.dataIni, name, value);
    config.registryList = text::ReplaceAll(config.registryList, "SXG(" + name + ")",
                                           text::ReplaceAll(value, "\\", "\\\\"));
    config.registryList = text::ReplaceAll(config.registryList, name, value);
    config.pluginSettings = text::ReplaceAll(config.pluginSettings, name, value);
    config.guiText = text::ReplaceAll(config.guiText, name, value);
    config.assignments = text::ReplaceAll(config.assignments, name, value);
  }
  for (Bytes* target : {&config.dataIni, &config.registryList, &config.pluginSettings,
                        &config.guiText, &config.assignments})
    *target = ReplaceResourcePlaceholders(*target, placeholders, resources);

  // Plug-ins read the expanded files from the work folder; a folder that could not take them
  // would hand them the unexpanded or truncated ones.
  bool written = true;
  written &= plat::WriteFileBytes(folder + keys::kDataIni, config.dataIni);
  written &= plat::WriteFileBytes(folder + keys::kPluginIni, config.pluginSettings);
  written &= plat::WriteFileBytes(folder + keys::kGuiTextIni, config.guiText);
  written &= plat::WriteFileBytes(folder + keys::kExceptIni, config.assignments);
  return written;
}
