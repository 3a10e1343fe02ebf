#include "system/shortcuts.h"

#include "common/text.h"
#include "platform/platform.h"
#include "system/file_tree.h"
#include "system/folders.h"
#include "system/shortcut_file.h"
#include "system/windows_version.h"

namespace {

const char kFullWidthComma[] = "，";
const char kFullWidthCommaMark[] = "%AC%";
const char kOptionSeparator[] = "$，";
const char kStatusPlaceholder[] = "%Default%";
const char kUninstallerFile[] = "uninst.exe";


}  // namespace

ShortcutOptions ParseShortcutOptionOverride(const std::string& text) {
  int values[3] = {0, 0, 0};
  const std::vector<std::string> pieces = text::Split(text, kOptionSeparator);
  for (size_t i = 0; i < pieces.size() && i < 3; ++i) values[i] = text::ToInt(pieces[i]);
  return {values[0], values[1], values[2]};
}

int FindShortcutOptionItem(const std::vector<ShortcutTreeItem>& items, int mark) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].itemValue == mark) return int(i);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].text != kBasicComponent) continue;
    const size_t target = i + size_t(mark);
    return mark > 0 && target < items.size() ? int(target) : -1;
  }
  return -1;
}

ShortcutOptions ShortcutOptionsFromTree(const std::vector<ShortcutTreeItem>& items) {
  int values[3] = {0, 0, 0};
  for (int k = 1; k <= 3; ++k) {
    const int index = FindShortcutOptionItem(items, k);
    values[k - 1] = index >= 0 ? items[size_t(index)].checked : 0;
  }
  return {values[0], values[1], values[2]};
}

std::string GetQuickLaunchFolder() {
  const std::string profile = plat::GetEnv("userprofile");
  const std::string roaming =
      profile + "\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
  if (plat::DirectoryExists(roaming)) return roaming;
  return profile + "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch";
}

void CreateShortcuts(std::vector<ShortcutRecord>& records, const ShortcutInputs& inputs) {
  const ShortcutOptions options = inputs.optionOverride.empty()
                                      ? inputs.treeOptions
                                      : ParseShortcutOptionOverride(inputs.optionOverride);

  if (options.quickLaunch == 1 && !inputs.mainProgram.empty()) {
    double version = 0;
    GetWindowsVersionName(version);
    plat::PumpMessages();
    if (version - 6.0 >= -0.0000001) SetTaskbarPin(inputs.installFolder, inputs.mainProgram, true);
  }

  const std::string programs = text::WithSeparator(plat::ShellFolder(plat::kCsidlPrograms));
  const std::string desktop =
      NormalizedFolder(text::WithSeparator(plat::ShellFolder(plat::kCsidlDesktopDirectory)));
  const std::string defaultGroup = programs + inputs.softwareName;
  const std::string quickLaunch = GetQuickLaunchFolder();

  for (ShortcutRecord& record : records) {
    record.locations = text::ReplaceAll(text::ReplaceAll(record.locations, kFullWidthComma, ","),
                                  kFullWidthCommaMark, kFullWidthComma);
    for (std::string piece : text::Split(record.locations, ",")) {
      // A trailing or doubled comma would otherwise put a shortcut in the drive's root.
      if (piece.empty()) continue;
      const std::string folder = NormalizeFolder(piece);
      std::string link = folder + "\\" + record.name;
      const bool isDefaultGroup = folder == defaultGroup;
      if (isDefaultGroup && !inputs.programGroupOverride.empty()) {
        piece = programs + inputs.programGroupOverride;
        link = piece + "\\" + record.name;
      }
      if (inputs.beforeFolder) inputs.beforeFolder(piece);
      plat::CreateDirectories(piece);

      const bool suppressed =
          (folder == desktop && options.desktop != 1) ||
          (isDefaultGroup && inputs.programGroupOverride.empty() && options.programGroup != 1) ||
          (folder == quickLaunch && options.quickLaunch != 1);
      if (suppressed) continue;

      if (record.file == kUninstallerTarget && inputs.makeUninstaller) {
        record.file = kUninstallerFile;
        std::string linkPath = link;
        std::string target = inputs.installFolder + "\\" + record.file;
        if (!inputs.beforeLink || inputs.beforeLink(ShortcutLinkPath(linkPath)))
          CreateShortcutFile(linkPath, target, record.arguments, std::string(), std::nullopt,
                             record.description);
      }
      std::string target = inputs.installFolder + "\\" + record.file;
      if (plat::FileExists(target)) {
        if (inputs.showStatus)
          inputs.showStatus(text::ReplaceAll(inputs.statusText, kStatusPlaceholder, link));
        std::optional<std::string> icon = std::string();
        if (!record.icon.empty()) icon = inputs.installFolder + "\\" + record.icon;
        std::string linkPath = link;
        if (!inputs.beforeLink || inputs.beforeLink(ShortcutLinkPath(linkPath)))
          CreateShortcutFile(linkPath, target, record.arguments, icon, std::nullopt,
                             record.description);
      }
    }
  }

  if (!FolderHasContent(defaultGroup)) plat::RemoveDirectory(defaultGroup);
}

std::string ShortcutLinkPath(const std::string& linkPath) {
  return text::FindIgnoreCaseAscii(linkPath, ".lnk") == text::npos ? linkPath + ".lnk" : linkPath;
}

std::optional<std::string> ShortcutWorkingFolder(const std::string& targetPath) {
  const std::vector<std::string> pieces = text::SplitPath(targetPath);
  if (pieces.size() < 2) return std::nullopt;
  std::string folder;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) folder += pieces[i] + "\\";
  return folder;
}

bool CreateShortcutFile(std::string& linkPath, std::string& targetPath,
                        const std::string& arguments, const std::optional<std::string>& icon,
                        std::optional<int> windowStyle, const std::string& description,
                        const std::optional<std::string>& hotkey) {
  linkPath = ShortcutLinkPath(linkPath);
  if (plat::FileExists(linkPath)) plat::DeleteFile(linkPath);
  const std::optional<std::string> workingFolder = ShortcutWorkingFolder(targetPath);
  if (!workingFolder) return false;
  return WriteShortcutLink({linkPath, targetPath, *workingFolder, arguments,
                            icon ? *icon : targetPath + ",0", windowStyle.value_or(0),
                            description, hotkey.value_or("")});
}
