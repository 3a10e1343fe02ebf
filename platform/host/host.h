// Controls of the host (Linux) platform, for tests and tools. Only code that runs natively
// includes this header; portable code sees platform/platform.h alone.
//
// The host platform behaves like a Windows machine inside a sandbox folder:
// - "X:\a\b" lives at <sandbox>/X/a/b (names converted GBK -> UTF-8); relative paths are
//   relative to the current directory with "\" read as "/". Names are case-sensitive here.
// - The registry is in memory, with separate 32- and 64-bit views of HKLM\SOFTWARE and
//   HKCR as 64-bit Windows has them; every other key is shared by both views.
// - Process starts, shell executions and message boxes are recorded; message boxes and input
//   boxes answer from scripted queues (OK / cancel when the queue is empty).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat::host {

// Thrown by plat::TerminateSelf on the host.
struct ProcessExit : std::runtime_error {
  explicit ProcessExit(uint32_t code) : std::runtime_error("process exit"), exitCode(code) {}
  uint32_t exitCode;
};

// Resets every host state to defaults and uses `sandbox` (a Linux folder, created when
// missing) as the root of the drives. Defaults: temp folder "C:\Temp\", Windows folder
// "C:\Windows", module path "C:\Setup\setup.exe", command line "\"C:\Setup\setup.exe\"",
// 64-bit Windows (architecture 9), a 64-bit process, version 6.1, user "tester", environment
// ProgramFiles="C:\Program Files", userprofile="C:\Users\tester", shell folders under it.
void Reset(const std::string& sandbox);
std::string SandboxRoot();
// The Linux path of a Windows-style path.
std::string HostPath(const std::string& windowsPath);

void SetTempFolder(const std::string& path);  // with trailing "\"
void SetWindowsFolder(const std::string& path);
void SetModulePath(const std::string& path);
void SetCommandLine(const std::string& commandLine);
void SetUserName(const std::string& name);
void SetShellFolder(int csidl, const std::string& path);
void SetTickCount(uint32_t ticks);  // the clock then advances by one per call

// Machine shape: `windows64` false means 32-bit Windows (architecture 0); `process64`
// false on 64-bit Windows pretends to be a WOW64 process (default view = 32-bit view,
// redirection can be disabled).
void SetMachine(bool windows64, bool process64);
void SetWindowsVersion(int major, int minor);

void SetOwnResource(const std::string& type, int id, const Bytes& data);

// Registry as seen through an explicit view, for assertions.
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
  ProcessOptions options;
};
const std::vector<ProcessRecord>& ProcessStarts();
// Exit code that waited process starts report (default 0).
void SetProcessExitCode(uint32_t code);
// A handler that runs instead of a started process (for example to emulate cmd or regedit);
// it receives the record and returns the exit code.
void SetProcessHandler(std::function<uint32_t(const ProcessRecord&)> handler);

struct MessageRecord {
  std::string text;
  std::string caption;
  uint32_t flags;
};
const std::vector<MessageRecord>& Messages();
void QueueMessageAnswer(int buttonId);
void QueueInputAnswer(bool accepted, const std::string& text);
int PumpCount();  // how often PumpMessages ran

// Libraries that Library::Load finds by file name (case-insensitive, folder ignored), so that
// code which binds a DLL by name can be tested natively.
void RegisterLibrary(const std::string& fileName, std::map<std::string, void*> symbols);
// File names Library::Load was asked for, full paths as given.
const std::vector<std::string>& LibraryLoads();

}  // namespace plat::host
