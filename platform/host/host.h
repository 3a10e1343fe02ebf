// Controls of the host (Linux) platform, for tests and tools. Only code that runs natively
// includes this header; portable code sees platform/platform.h alone.
//
// The host platform behaves like a Windows machine inside a sandbox folder:
// - "X:\a\b" lives at <sandbox>/X/a/b (names converted GBK -> UTF-8); relative paths are
//   relative to the current directory with "\" read as "/". Names are case-sensitive here.
//   Drive paths are normalised like GetFullPathName ("." and ".." resolved, trailing dots and
//   spaces dropped); "\x" is on drive C, "\\server\share" lives at <sandbox>/UNC/server/share,
//   and a path starting with "/" is a Linux path (for native tools). A drive exists when its
//   folder does: Reset makes C only (see AddDrive).
// - Windows file rules hold: an open handle shares reading only (no delete, move, replace or
//   writing while open); the read-only attribute refuses writing and replacing. Attributes
//   are kept in memory, by file identity.
// - For a 32-bit process on 64-bit Windows, "<Windows folder>\System32" is redirected to
//   SysWOW64 unless redirection is disabled, and "Sysnative" reaches System32. The system
//   folder names right under the Windows folder are matched without case.
// - LastError() gives Windows error codes (2 not found, 3 path not found, 5 access denied,
//   32 sharing violation, 80 file exists, 145 folder not empty, 267 not a folder).
// - The registry is in memory, with separate 32- and 64-bit views of HKLM\SOFTWARE and
//   HKCR as 64-bit Windows has them; every other key is shared by both views.
// - Process starts, shell executions, shell links, shell verbs and message boxes are recorded;
//   message boxes and input boxes answer from scripted queues (OK / cancel when the queue is
//   empty).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <utility>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/shell_link.h"

namespace plat::host {

// Resets every host state to defaults and uses `sandbox` (a Linux folder, created when
// missing) as the root of the drives. Defaults: temp folder "C:\Temp\", Windows folder
// "C:\Windows", module path "C:\Setup\setup.exe", command line "\"C:\Setup\setup.exe\"",
// 64-bit Windows (architecture 9), a 64-bit process, version 6.1, user "tester", environment
// ProgramFiles="C:\Program Files", userprofile="C:\Users\tester", shell folders under it.
// The machine made by Reset also has: the standard folders (temp, Windows\System32 and
// SysWOW64, both Program Files folders, the user's shell folders) created under the sandbox;
// the shell folders mirrored in "...\Explorer\Shell Folders" (HKCU, common ones in HKLM);
// the environment of a Windows 7 user (TEMP, windir, APPDATA, ProgramFiles as the machine
// shape gives it...); a clock that starts at 1000, advances by one per TickCount call and by
// the time asked in SleepMs (which then returns at once).
// Before the first Reset the host serves native tools: the sandbox is
// /tmp/installer-host-<uid>, and module path, command line, user, environment and clock are
// the real ones of this process.
void Reset(const std::string& sandbox);
std::string SandboxRoot();
// The Linux path of a Windows-style path.
std::string HostPath(const std::string& windowsPath);

// Creates the folder of drive `letter` in the sandbox, so that paths on it work.
void AddDrive(char letter);

void SetTempFolder(const std::string& path);  // with trailing "\"; not created; sets TEMP, TMP
void SetWindowsFolder(const std::string& path);
void SetModulePath(const std::string& path);
void SetCommandLine(const std::string& commandLine);
void SetUserName(const std::string& name);
// Overrides a special folder (not created); the "Shell Folders" registry value follows.
void SetShellFolder(int csidl, const std::string& path);
void SetTickCount(uint32_t ticks);  // the clock then advances by one per call

// Machine shape: `windows64` false means 32-bit Windows (architecture 0); `process64`
// false on 64-bit Windows pretends to be a WOW64 process (default view = 32-bit view,
// redirection can be disabled). Resets the ProgramFiles family of environment variables to
// what such a process sees.
void SetMachine(bool windows64, bool process64);
void SetWindowsVersion(int major, int minor);
// Whether the process counts as elevated (IsElevated); false after Reset.
void SetElevated(bool elevated);

// The access list a folder was given: kInherited (what its parent gives, the default),
// kPrivate (CreateFreshDirectory in an elevated process: SYSTEM, Administrators, owner) or
// kProgram (SetProgramFolderAccess: users read and execute).
enum class FolderAccess { kInherited, kPrivate, kProgram };
FolderAccess FolderAccessOf(const std::string& path);

void SetOwnResource(const std::string& type, int id, const Bytes& data);

// Registry as seen through an explicit view, for assertions. Values that only the 32-bit view
// of 64-bit Windows shows come with view64 false and their key as that view names it (without
// "WOW6432Node"); every other value comes once, with view64 true (false on 32-bit Windows).
struct RegistrySnapshotEntry {
  int root;
  std::string key;
  std::string name;
  RegValue value;
  bool view64;
};
std::vector<RegistrySnapshotEntry> RegistrySnapshot();

// Process starts and shell executions, in order.
struct ProcessRecord {
  std::string commandLine;  // StartProcess; for ShellExecute: verb + "|" + file + "|" + params
  bool shell = false;
  ProcessOptions options;  // as the caller gave them (waitIdleMs included)
};
const std::vector<ProcessRecord>& ProcessStarts();
// Folders handed to RemoveFolderAfterExit, in order (nothing is removed on the host: the
// process does not end).
const std::vector<std::string>& FoldersRemovedAfterExit();
// Makes the drives full after `bytes` more bytes of file writes (std::nullopt: no limit, the
// default after Reset). The write that does not fit writes what fits and fails with
// ERROR_DISK_FULL.
void SetWriteBudget(std::optional<uint64_t> bytes);

// Exit code that waited process starts report (default 0).
void SetProcessExitCode(uint32_t code);
// A handler that runs instead of a started process (for example to emulate cmd or regedit);
// it receives the record and returns the exit code. Process starts always succeed, except for
// an empty command line or file. ShellExecute records `directory` as the working directory
// when the options name none.
void SetProcessHandler(std::function<uint32_t(const ProcessRecord&)> handler);

// Named events set through SignalNamedEvent, in order (every name counts as an existing event),
// and a handler called at each one, so a test can look at the machine at that moment.
const std::vector<std::string>& SignalledEvents();
void SetEventSignalHandler(std::function<void(const std::string&)> handler);
// WaitForProcessEnd calls, in order: (process id, milliseconds). Every process counts as ended.
const std::vector<std::pair<uint32_t, uint32_t>>& ProcessWaits();

struct MessageRecord {
  std::string text;
  std::string caption;
  uint32_t flags;
};
const std::vector<MessageRecord>& Messages();
// A message box without a queued answer returns its first button (OK, Yes, Abort, Retry).
void QueueMessageAnswer(int buttonId);
// Input boxes, in order: prompt as text, caption, flags 1 when hidden. Without a queued answer
// an input box is cancelled.
const std::vector<MessageRecord>& InputPrompts();
void QueueInputAnswer(bool accepted, const std::string& text);
int PumpCount();  // how often PumpMessages ran
// Folder browsers shown, by title, in order; each takes the next queued answer (a folder, or
// "" for Cancel). Without one the browser is cancelled.
const std::vector<std::string>& FolderBrowserTitles();
void QueueFolderAnswer(const std::string& folder);
// What FreeDiskBytes reports for an existing drive (default 50 GiB); a missing drive gives -1.
void SetFreeDiskBytes(int64_t bytes);

// Shell links saved, in order; each also leaves a stand-in file at its link path (the target
// path as its text), so that folder code sees it. Saving fails for an empty target or a link
// file that cannot be written.
const std::vector<ShellLink>& SavedShellLinks();
// Shell verbs invoked (InvokeShellVerb), in order.
struct ShellVerbRecord {
  std::string folder;
  std::string fileName;
  int shell32StringId;
};
const std::vector<ShellVerbRecord>& InvokedShellVerbs();

// Libraries that Library::Load finds by file name (case-insensitive, folder ignored), so that
// code which binds a DLL by name can be tested natively.
void RegisterLibrary(const std::string& fileName, std::map<std::string, void*> symbols);
// File names Library::Load was asked for, full paths as given.
const std::vector<std::string>& LibraryLoads();

}  // namespace plat::host
