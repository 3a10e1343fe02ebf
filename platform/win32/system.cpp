// Process and system facts, message pumping, file-system redirection and own resources.
#include <algorithm>

#include "platform/win32/win32_internal.h"

namespace plat {

using win::Narrow;
using win::Wide;

namespace {

// Calls a W API that fills a buffer and returns the length it needs (or wrote); grows the
// buffer until the answer fits. `call(buffer, capacity)` returns the length without the zero,
// or a number >= capacity when the buffer was too small, or 0 on failure.
template <typename Call>
std::wstring FillBuffer(Call call) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (int tries = 0; tries < 8; ++tries) {
    DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(std::max<size_t>(static_cast<size_t>(n) + 1, buffer.size() * 2), L'\0');
  }
  return {};
}

// The Wow64 redirection calls exist only on 64-bit capable Windows versions, so they are
// looked up by name instead of being imported.
template <typename Fn>
Fn Kernel32Function(const char* name) {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
}

}  // namespace

std::string TempFolder() {
  std::wstring path = FillBuffer([](wchar_t* b, DWORD n) { return ::GetTempPathW(n, b); });
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return Narrow(path);
}

uint32_t TickCount() { return ::GetTickCount(); }

std::string ModulePath() {
  // GetModuleFileNameW returns the capacity (and truncates) when the buffer is too small.
  return Narrow(FillBuffer([](wchar_t* b, DWORD n) {
    DWORD got = ::GetModuleFileNameW(nullptr, b, n);
    return got >= n ? n : got;
  }));
}

std::string CommandLine() { return Narrow(::GetCommandLineW()); }

std::string GetEnv(const std::string& name) {
  std::wstring wideName = Wide(name);
  return Narrow(FillBuffer([&](wchar_t* b, DWORD n) {
    return ::GetEnvironmentVariableW(wideName.c_str(), b, n);
  }));
}

bool SetEnv(const std::string& name, const std::string& value) {
  return ::SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str()) != 0;
}

std::string WindowsFolder() {
  std::wstring path =
      FillBuffer([](wchar_t* b, DWORD n) { return (DWORD)::GetWindowsDirectoryW(b, n); });
  return Narrow(win::StripTrailingSeparators(path));
}

std::string UserName() {
  wchar_t buffer[257];
  DWORD size = 257;
  if (!::GetUserNameW(buffer, &size) || size == 0) return {};
  return Narrow(std::wstring_view(buffer, size - 1));
}

std::string ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return {};
  return Narrow(buffer);
}

int NativeProcessorArchitecture() {
  SYSTEM_INFO info;
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

bool IsWindows64() {
  int arch = NativeProcessorArchitecture();
  return arch == PROCESSOR_ARCHITECTURE_IA64 || arch == PROCESSOR_ARCHITECTURE_AMD64;
}

bool IsProcess64() { return sizeof(void*) == 8; }

bool IsElevated() {
  win::UniqueHandle token;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size))
      return elevation.TokenIsElevated != 0;
  }
  // A system without elevation (XP) runs administrators with their full rights.
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof sid;
  BOOL member = FALSE;
  return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize) &&
         ::CheckTokenMembership(nullptr, sid, &member) && member;
}

uint32_t WindowsVersionPacked() { return ::GetVersion() & 0xFFFF; }

void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Not ours to consume: put it back for the message loop that owns the thread.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool win::WaitPumping(HANDLE handle) {
  for (;;) {
    DWORD r = ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    PumpMessages();
  }
}

bool DisableFsRedirection(intptr_t& cookie) {
  using Fn = BOOL(WINAPI*)(PVOID*);
  auto disable = Kernel32Function<Fn>("Wow64DisableWow64FsRedirection");
  if (!disable) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  PVOID old = nullptr;
  if (!disable(&old)) return false;
  cookie = reinterpret_cast<intptr_t>(old);
  return true;
}

bool RevertFsRedirection(intptr_t cookie) {
  using Fn = BOOL(WINAPI*)(PVOID);
  auto revert = Kernel32Function<Fn>("Wow64RevertWow64FsRedirection");
  if (!revert) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  return revert(reinterpret_cast<PVOID>(cookie)) != 0;
}

bool LoadOwnResource(const std::string& type, int id, Bytes& out) {
  out.clear();
  HMODULE self = ::GetModuleHandleW(nullptr);
  std::wstring typeName = Wide(type);
  // FindResourceW itself reads a type written "#123" as the number 123.
  HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(id), typeName.c_str());
  if (!found) return false;
  DWORD size = ::SizeofResource(self, found);
  HGLOBAL loaded = ::LoadResource(self, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  out.assign(static_cast<const char*>(data), size);
  return true;
}

}  // namespace plat
