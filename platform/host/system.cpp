// Process and system facts of the pretended Windows machine, and the host controls.
#include "platform/host/host.h"

namespace plat {

uint32_t LastError() { return 0; }
std::string TempFolder() { return "C:\\Temp\\"; }
uint32_t TickCount() { return 0; }
std::string ModulePath() { return ""; }
std::string CommandLine() { return ""; }
std::string GetEnv(const std::string&) { return ""; }
bool SetEnv(const std::string&, const std::string&) { return false; }
std::string WindowsFolder() { return ""; }
std::string UserName() { return ""; }
std::string ShellFolder(int) { return ""; }
int NativeProcessorArchitecture() { return 9; }
bool IsWindows64() { return true; }
bool IsProcess64() { return true; }
uint32_t WindowsVersionPacked() { return 6 | (1 << 8); }
void SleepMs(uint32_t) {}
void PumpMessages() {}
bool DisableFsRedirection(intptr_t&) { return false; }
bool RevertFsRedirection(intptr_t) { return false; }
bool LoadOwnResource(const std::string&, int, Bytes&) { return false; }

namespace host {
void Reset(const std::string&) {}
std::string SandboxRoot() { return ""; }
std::string HostPath(const std::string& windowsPath) { return windowsPath; }
void SetTempFolder(const std::string&) {}
void SetWindowsFolder(const std::string&) {}
void SetModulePath(const std::string&) {}
void SetCommandLine(const std::string&) {}
void SetUserName(const std::string&) {}
void SetShellFolder(int, const std::string&) {}
void SetTickCount(uint32_t) {}
void SetMachine(bool, bool) {}
void SetWindowsVersion(int, int) {}
void SetOwnResource(const std::string&, int, const Bytes&) {}
}  // namespace host

}  // namespace plat
