// The link writer: one shortcut file, and the taskbar pin verb. The Windows build writes real
// .lnk files through the shell; the host build records each call (system/host/shortcut_calls.h)
// and leaves a small stand-in file at the link path, so folder clean-up sees it.
#pragma once

#include <optional>
#include <string>

// Writes one shortcut file. Appends ".lnk" to `linkPath` in place unless it already holds
// ".lnk" anywhere (any letter case), and replaces an existing file of that path. `icon` is
// stored as given when passed (even empty), else the target + ",0"; `windowStyle` defaults to
// 0 and `hotkey` to none. The working folder is the target's folder with a trailing "\".
// Returns false when the target has no "\" (no folder), or the link cannot be set up or saved.
bool CreateShortcutFile(std::string& linkPath, std::string& targetPath,
                        const std::string& arguments,
                        const std::optional<std::string>& icon = std::nullopt,
                        std::optional<int> windowStyle = std::nullopt,
                        const std::string& description = "",
                        const std::optional<std::string>& hotkey = std::nullopt);

// Invokes every shell verb of `folder`\`fileName` whose caption equals the system's
// pin-to-taskbar caption (`pin`) or unpin caption. Does nothing when none is found.
void SetTaskbarPin(const std::string& folder, const std::string& fileName, bool pin);

// What a writer stores, with the defaults already applied (portable, in shortcuts.cpp).
struct ShortcutLink {
  std::string linkPath;       // ends in (or holds) ".lnk"
  std::string targetPath;
  std::string workingFolder;  // with trailing "\"
  std::string arguments;
  std::string iconLocation;   // "path,index"
  int windowStyle = 0;
  std::string description;
  std::string hotkey;         // "" for none
};
// The platform's half of CreateShortcutFile: writes (or records) one link file.
bool WriteShortcutLink(const ShortcutLink& link);

// Shared by both writers.
// `linkPath` with ".lnk" appended unless it already contains it (case-insensitive).
std::string ShortcutLinkPath(const std::string& linkPath);
// Every "\"-separated piece of `targetPath` but the last, each followed by "\"; nullopt when
// the target has fewer than two pieces.
std::optional<std::string> ShortcutWorkingFolder(const std::string& targetPath);
