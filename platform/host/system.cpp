// Process and system facts of the pretended Windows machine, its defaults and host::Reset.
//
// Until a test calls host::Reset the machine is the one a native tool needs: drives live under
// /tmp/installer-host-<uid>, but the program path, command line, user, environment and clock
// are the real ones of this Linux process. After Reset everything is pretended and
// deterministic (the clock only moves when asked).
#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/text.h"
#include "platform/host/state.h"

namespace plat {
namespace host::detail {
namespace {

thread_local uint32_t lastError = 0;

constexpr uint32_t kDefaultStartTicks = 1000;
constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorResourceNameNotFound = 1814;

const char kUserProfile[] = "C:\\Users\\tester";
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Default special folders. The per-user ones live under the user profile; the common ones
// where Windows 7 keeps them. Registry names mirror "Explorer\Shell Folders".
struct ShellFolderDefault {
  int csidl;
  const char* path;
  int registryRoot;  // 0: not mirrored in the registry
  const char* registryName;
};
const ShellFolderDefault kShellFolders[] = {
    {0x0000, "C:\\Users\\tester\\Desktop", kCurrentUser, "Desktop"},
    {0x0002, "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
     kCurrentUser, "Programs"},
    {0x0005, "C:\\Users\\tester\\Documents", kCurrentUser, "Personal"},
    {0x0006, "C:\\Users\\tester\\Favorites", kCurrentUser, "Favorites"},
    {0x0007,
     "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
     kCurrentUser, "Startup"},
    {0x0008, "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Recent", kCurrentUser,
     "Recent"},
    {0x000B, "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
     kCurrentUser, "Start Menu"},
    {0x0010, "C:\\Users\\tester\\Desktop", kCurrentUser, "Desktop"},
    {0x0014, "C:\\Windows\\Fonts", kCurrentUser, "Fonts"},
    {0x0016, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu", kLocalMachine,
     "Common Start Menu"},
    {0x0017, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", kLocalMachine,
     "Common Programs"},
    {0x0018, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
     kLocalMachine, "Common Startup"},
    {0x0019, "C:\\Users\\Public\\Desktop", kLocalMachine, "Common Desktop"},
    {0x001A, "C:\\Users\\tester\\AppData\\Roaming", kCurrentUser, "AppData"},
    {0x001C, "C:\\Users\\tester\\AppData\\Local", kCurrentUser, "Local AppData"},
    {0x0023, "C:\\ProgramData", kLocalMachine, "Common AppData"},
    {0x0028, kUserProfile, 0, nullptr},
    {0x002E, "C:\\Users\\Public\\Documents", kLocalMachine, "Common Documents"},
};

std::string RealModulePath() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  return Utf8ToGbk(exe.string());
}

std::string RealCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::stringstream raw;
  raw << in.rdbuf();
  std::string all = raw.str();
  std::string line;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    std::string arg = Utf8ToGbk(std::string_view(all).substr(start, end - start));
    if (!line.empty()) line += ' ';
    if (arg.empty() || arg.find_first_of(" \t") != std::string::npos) {
      line += '"' + arg + '"';
    } else {
      line += arg;
    }
    start = end + 1;
  }
  return line;
}

std::string RealUserName() {
  passwd* pw = getpwuid(getuid());
  return pw ? Utf8ToGbk(pw->pw_name) : "";
}

uint32_t RealTicks() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
}

void SetEnvironmentValue(State& s, const std::string& name, const std::string& value) {
  s.environment[FoldGbk(name)] = {name, value};
}

// The variables whose value depends on the bitness of Windows and of the process, as WOW64
// shows them to a 32-bit process.
void ApplyMachineEnvironment(State& s) {
  bool wow64 = s.windows64 && !s.process64;
  SetEnvironmentValue(s, "ProgramFiles", wow64 ? "C:\\Program Files (x86)" : "C:\\Program Files");
  SetEnvironmentValue(s, "CommonProgramFiles",
                      wow64 ? "C:\\Program Files (x86)\\Common Files"
                            : "C:\\Program Files\\Common Files");
  s.environment.erase(FoldGbk("ProgramFiles(x86)"));
  s.environment.erase(FoldGbk("ProgramW6432"));
  s.environment.erase(FoldGbk("PROCESSOR_ARCHITEW6432"));
  if (s.windows64) {
    SetEnvironmentValue(s, "ProgramFiles(x86)", "C:\\Program Files (x86)");
    SetEnvironmentValue(s, "ProgramW6432", "C:\\Program Files");
  }
  SetEnvironmentValue(s, "PROCESSOR_ARCHITECTURE", s.process64 ? "AMD64" : "x86");
  if (wow64) SetEnvironmentValue(s, "PROCESSOR_ARCHITEW6432", "AMD64");
}

void ApplyDefaults(State& s, const std::string& sandbox, bool pretendIdentity) {
  s.sandbox = sandbox;
  s.explicitReset = pretendIdentity;
  s.tempFolder = "C:\\Temp\\";
  s.windowsFolder = "C:\\Windows";
  if (pretendIdentity) {
    s.modulePath = "C:\\Setup\\setup.exe";
    s.commandLine = "\"C:\\Setup\\setup.exe\"";
    s.userName = "tester";
    s.fakeClock = true;
    s.ticks = kDefaultStartTicks;
    SetEnvironmentValue(s, "ALLUSERSPROFILE", "C:\\ProgramData");
    SetEnvironmentValue(s, "APPDATA", "C:\\Users\\tester\\AppData\\Roaming");
    SetEnvironmentValue(s, "ComSpec", "C:\\Windows\\system32\\cmd.exe");
    SetEnvironmentValue(s, "LOCALAPPDATA", "C:\\Users\\tester\\AppData\\Local");
    SetEnvironmentValue(s, "ProgramData", "C:\\ProgramData");
    SetEnvironmentValue(s, "PUBLIC", "C:\\Users\\Public");
    SetEnvironmentValue(s, "SystemDrive", "C:");
    SetEnvironmentValue(s, "SystemRoot", "C:\\Windows");
    SetEnvironmentValue(s, "TEMP", "C:\\Temp");
    SetEnvironmentValue(s, "TMP", "C:\\Temp");
    SetEnvironmentValue(s, "USERNAME", "tester");
    SetEnvironmentValue(s, "USERPROFILE", kUserProfile);
    SetEnvironmentValue(s, "windir", "C:\\Windows");
    ApplyMachineEnvironment(s);
  } else {
    s.modulePath = RealModulePath();
    s.commandLine = RealCommandLine();
    s.userName = RealUserName();
  }
}

// Folders that exist on every Windows machine, so that code under test finds them.
void CreateStandardFolders(State& s) {
  std::vector<std::string> folders = {
      s.tempFolder,
      s.windowsFolder + "\\System32",
      s.windowsFolder + "\\SysWOW64",
      s.windowsFolder + "\\Fonts",
      "C:\\Program Files\\Common Files",
      "C:\\Program Files (x86)\\Common Files",
  };
  for (const ShellFolderDefault& f : kShellFolders) folders.push_back(f.path);
  std::error_code ec;
  std::filesystem::create_directories(s.sandbox + "/C", ec);
  for (const std::string& folder : folders) CreateDirectories(folder);
}

void MirrorShellFolder(const ShellFolderDefault& f, const std::string& path) {
  if (f.registryRoot == 0) return;
  std::string data = path;
  data.push_back('\0');
  if (f.registryRoot == kLocalMachine) {
    // HKLM spells its top key in capitals; the first writer fixes a key name's case.
    std::string key = std::string("SOFTWARE") + (kShellFoldersKey + 8);
    RegWriteValue(f.registryRoot, key, f.registryName, RegView::k64, kRegSz, data);
    RegWriteValue(f.registryRoot, key, f.registryName, RegView::k32, kRegSz, data);
  } else {
    RegWriteValue(f.registryRoot, kShellFoldersKey, f.registryName, RegView::k64, kRegSz, data);
  }
}

const ShellFolderDefault* FindShellFolder(int csidl) {
  for (const ShellFolderDefault& f : kShellFolders) {
    if (f.csidl == csidl) return &f;
  }
  return nullptr;
}

std::string LazySandbox() { return "/tmp/installer-host-" + std::to_string(getuid()); }

bool& MachineMade() {
  static bool made = false;
  return made;
}

}  // namespace

void SetError(uint32_t code) { lastError = code; }

void SetErrorFromErrno(int e) {
  switch (e) {
    case 0: SetError(0); break;
    case ENOENT: SetError(kErrorFileNotFound); break;
    case ENOTDIR: SetError(kErrorPathNotFound); break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: SetError(kErrorAccessDenied); break;
    case EEXIST: SetError(kErrorAlreadyExists); break;
    case ENOTEMPTY: SetError(kErrorDirNotEmpty); break;
    case ENOSPC: SetError(kErrorDiskFull); break;
    case EBUSY:
    case ETXTBSY: SetError(kErrorSharingViolation); break;
    case EBADF: SetError(kErrorInvalidHandle); break;
    case EINVAL: SetError(kErrorInvalidParameter); break;
    default: SetError(kErrorGenFailure); break;
  }
}

State& Machine() {
  static State state;
  if (!MachineMade()) {
    MachineMade() = true;
    ApplyDefaults(state, LazySandbox(), false);
    std::error_code ec;
    std::filesystem::create_directories(state.sandbox + "/C/Temp", ec);
  }
  return state;
}

std::string FoldGbk(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(out[i]);
    if (b >= 0x81 && b <= 0xFE && i + 1 < out.size()) {
      ++i;  // a double-byte character: its trail byte is not a letter
    } else if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b - 'A' + 'a');
    }
  }
  return out;
}

std::vector<std::string> SplitGbkPath(const std::string& s, bool slashToo) {
  std::vector<std::string> pieces = text::SplitPath(
      s, slashToo ? text::PathSeparators::kBothSlashes : text::PathSeparators::kBackslash);
  pieces.erase(std::remove(pieces.begin(), pieces.end(), std::string()), pieces.end());
  return pieces;
}

}  // namespace host::detail

using host::detail::Machine;
using host::detail::State;

uint32_t LastError() { return host::detail::lastError; }

std::string TempFolder() {
  std::string t = Machine().tempFolder;
  if (!text::EndsWithSeparator(t)) t += '\\';
  return t;
}

uint32_t TickCount() {
  State& s = Machine();
  if (!s.fakeClock) return host::detail::RealTicks();
  return s.ticks++;
}

std::string ModulePath() { return Machine().modulePath; }
std::string CommandLine() { return Machine().commandLine; }

std::string GetEnv(const std::string& name) {
  State& s = Machine();
  if (!s.explicitReset) {
    std::optional<std::string> utf8 = host::detail::GbkToUtf8Exact(name);
    const char* value = utf8 ? std::getenv(utf8->c_str()) : nullptr;
    return value ? Utf8ToGbk(value) : "";
  }
  auto it = s.environment.find(host::detail::FoldGbk(name));
  return it == s.environment.end() ? "" : it->second.second;
}

bool SetEnv(const std::string& name, const std::string& value) {
  State& s = Machine();
  if (name.empty() || name.find('=') != std::string::npos) {
    host::detail::SetError(host::detail::kErrorInvalidParameter);
    return false;
  }
  if (!s.explicitReset) {
    return setenv(GbkToUtf8(name).c_str(), GbkToUtf8(value).c_str(), 1) == 0;
  }
  host::detail::SetEnvironmentValue(s, name, value);
  return true;
}

std::string WindowsFolder() { return Machine().windowsFolder; }
std::string UserName() { return Machine().userName; }

std::string ShellFolder(int csidl) {
  State& s = Machine();
  csidl &= 0xFF;  // CSIDL_FLAG_* bits ask for creation or verification, not another folder
  auto it = s.shellFolders.find(csidl);
  if (it != s.shellFolders.end()) return it->second;
  bool wow64 = s.windows64 && !s.process64;
  switch (csidl) {
    case 0x0024: return s.windowsFolder;
    case 0x0025: return s.windowsFolder + "\\system32";
    case 0x0029: return s.windowsFolder + (s.windows64 ? "\\SysWOW64" : "\\system32");
    case 0x0026: return wow64 ? "C:\\Program Files (x86)" : "C:\\Program Files";
    case 0x002A: return s.windows64 ? "C:\\Program Files (x86)" : "C:\\Program Files";
    default: break;
  }
  const host::detail::ShellFolderDefault* f = host::detail::FindShellFolder(csidl);
  if (!f) {
    host::detail::SetError(host::detail::kErrorInvalidParameter);
    return "";
  }
  return f->path;
}

int NativeProcessorArchitecture() { return Machine().windows64 ? 9 : 0; }

bool IsWindows64() {
  int arch = NativeProcessorArchitecture();
  return arch == 6 || arch == 9;
}

bool IsProcess64() { return Machine().process64; }

bool IsElevated() { return Machine().elevated; }

uint32_t WindowsVersionPacked() {
  State& s = Machine();
  return static_cast<uint32_t>(s.versionMajor & 0xFF) |
         (static_cast<uint32_t>(s.versionMinor & 0xFF) << 8);
}

void SleepMs(uint32_t milliseconds) {
  State& s = Machine();
  if (s.fakeClock) {
    s.ticks += milliseconds;  // nothing else runs on the pretended machine: no need to wait
    return;
  }
  timespec ts{static_cast<time_t>(milliseconds / 1000),
              static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

bool DisableFsRedirection(intptr_t& cookie) {
  State& s = Machine();
  if (!s.windows64 || s.process64) {
    host::detail::SetError(host::detail::kErrorInvalidFunction);
    return false;
  }
  s.redirectionDisabled = true;
  cookie = s.nextRedirectionCookie++;
  return true;
}

bool RevertFsRedirection(intptr_t cookie) {
  State& s = Machine();
  if (!s.windows64 || s.process64 || cookie == 0) {
    host::detail::SetError(host::detail::kErrorInvalidFunction);
    return false;
  }
  s.redirectionDisabled = false;
  return true;
}

bool LoadOwnResource(const std::string& type, int id, Bytes& out) {
  State& s = Machine();
  auto it = s.resources.find({host::detail::FoldGbk(type), id});
  if (it == s.resources.end()) {
    host::detail::SetError(host::detail::kErrorResourceNameNotFound);
    return false;
  }
  out = it->second;
  return true;
}

namespace host {

void Reset(const std::string& sandbox) {
  State& s = detail::Machine();
  s = State();
  detail::ApplyDefaults(s, sandbox, true);
  std::error_code ec;
  std::filesystem::create_directories(sandbox, ec);
  detail::CreateStandardFolders(s);
  for (const detail::ShellFolderDefault& f : detail::kShellFolders) {
    detail::MirrorShellFolder(f, f.path);
  }
  for (RegView view : {RegView::k64, RegView::k32}) {
    detail::CreateRegistryKey(kLocalMachine,
                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", view);
    detail::CreateRegistryKey(kClassesRoot, "CLSID", view);
  }
  detail::SetError(0);
}

std::string SandboxRoot() { return detail::Machine().sandbox; }

void AddDrive(char letter) {
  std::error_code ec;
  std::filesystem::create_directories(
      SandboxRoot() + "/" + static_cast<char>(std::toupper(static_cast<unsigned char>(letter))),
      ec);
}

void SetTempFolder(const std::string& path) {
  State& s = detail::Machine();
  s.tempFolder = path;
  std::string variable = path;
  if (variable.size() > 3 && text::EndsWithSeparator(variable)) variable.pop_back();
  detail::SetEnvironmentValue(s, "TEMP", variable);
  detail::SetEnvironmentValue(s, "TMP", variable);
}

void SetWindowsFolder(const std::string& path) { detail::Machine().windowsFolder = path; }
void SetModulePath(const std::string& path) { detail::Machine().modulePath = path; }
void SetCommandLine(const std::string& commandLine) {
  detail::Machine().commandLine = commandLine;
}
void SetUserName(const std::string& name) { detail::Machine().userName = name; }

void SetShellFolder(int csidl, const std::string& path) {
  State& s = detail::Machine();
  s.shellFolders[csidl] = path;
  if (const detail::ShellFolderDefault* f = detail::FindShellFolder(csidl)) {
    detail::MirrorShellFolder(*f, path);
  }
}

void SetTickCount(uint32_t ticks) {
  State& s = detail::Machine();
  s.fakeClock = true;
  s.ticks = ticks;
}

void SetElevated(bool elevated) { detail::Machine().elevated = elevated; }

void SetMachine(bool windows64, bool process64) {
  State& s = detail::Machine();
  s.windows64 = windows64;
  s.process64 = windows64 && process64;  // a 64-bit process needs 64-bit Windows
  s.redirectionDisabled = false;
  if (!s.environment.empty()) detail::ApplyMachineEnvironment(s);
}

void SetWindowsVersion(int major, int minor) {
  State& s = detail::Machine();
  s.versionMajor = major;
  s.versionMinor = minor;
}

void SetOwnResource(const std::string& type, int id, const Bytes& data) {
  detail::Machine().resources[{detail::FoldGbk(type), id}] = data;
}

}  // namespace host
}  // namespace plat
