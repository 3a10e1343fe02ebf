// The operating system as the runtime sees it. This is the only interface through which
// portable code reaches files, the registry, processes, the shell and dialogs.
//
// Two implementations exist and the build picks one: platform/win32 (the real thing, W APIs
// with explicit code page 936 conversion) and platform/host (Linux, for tests and tools: drive
// paths live under a sandbox folder, the registry is in memory; see platform/host/host.h).
//
// Conventions:
// - Every path and text is GBK. Paths use "\" and drive letters ("C:\Program Files\App").
// - Win32 code that needs <windows.h> beside this header includes platform/win32/windows_api.h,
//   which takes the A/W macros (DeleteFile, MessageBox...) out of the way of these names.
// - Nothing throws. Failures give false / empty / nullopt; LastError() keeps the OS code of
//   the most recent failure for messages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace plat {

// OS error code of the most recent failed call on this thread (GetLastError / errno).
uint32_t LastError();

// ---------------------------------------------------------------------------------------------
// Files

enum class OpenMode {
  kRead,          // existing file, read only, others may read
  kReadWrite,     // existing file, read and write
  kCreateAlways,  // new or truncated file, write (and read)
  kAppend,        // existing or new file, positioned at its end
  // Existing or new file, read only; others may read and write it but never delete, rename or
  // replace it while it is held (the folder holding it cannot be removed either).
  kHold,
  // A new file, write (and read). Fails (ERROR_FILE_EXISTS) when the name exists in any form,
  // a link left there included: what the runtime writes for its own use is never written
  // through something planted under that name.
  kCreateNew,
};

// One open file. Move-only; closes in its destructor.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  static File Open(const std::string& path, OpenMode mode);
  // Holds an existing folder open without delete sharing: while held, nobody (this process
  // included) can remove, rename or replace the folder; files inside it stay changeable by
  // whoever may write there. The folder ownership of a run rests on this.
  static File HoldFolder(const std::string& path);

  bool IsOpen() const { return handle_ != kInvalid; }
  std::optional<uint64_t> Size() const;
  bool Seek(uint64_t offset);  // absolute, from the start of the file
  // Reads up to `size` bytes at the current position; returns the count read (0 at the end),
  // or -1 on error.
  int64_t Read(void* buffer, size_t size);
  // Reads exactly `size` bytes or fails.
  bool ReadExact(void* buffer, size_t size);
  bool Write(const void* data, size_t size);
  bool Write(BytesView data) { return Write(data.data(), data.size()); }
  // Sets the last-write time (FILETIME units: 100 ns since 1601-01-01 UTC).
  bool SetModifiedTime(uint64_t filetime);
  bool Truncate();  // cuts the file at the current position
  void Close();

 private:
  static constexpr intptr_t kInvalid = -1;
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = kInvalid;
};

bool FileExists(const std::string& path);       // a file, not a folder
bool DirectoryExists(const std::string& path);  // a folder
bool PathExists(const std::string& path);       // either
// Bytes free to this user on the drive that holds `path` (GetDiskFreeSpaceEx of its root, or of
// the current drive when `path` is ""); -1 when the query fails.
int64_t FreeDiskBytes(const std::string& path);
std::optional<uint64_t> FileSize(const std::string& path);
// Whole-file helpers, for the small configuration files only.
bool ReadFileBytes(const std::string& path, Bytes& out);
bool WriteFileBytes(const std::string& path, BytesView data);  // creates or replaces
bool CreateDirectory(const std::string& path);  // one level; true when it exists afterwards
bool CreateDirectories(const std::string& path);  // every missing level
bool DeleteFile(const std::string& path);  // clears a read-only attribute first
// One new folder that must not exist yet: unlike CreateDirectory, an existing folder (someone
// else's, or a link) is a failure (LastError 183), so that what the caller gets is its own.
// In an elevated process the folder is created with a private access list: full control for
// SYSTEM, Administrators and the folder's owner, nothing inherited from the temp folder, so
// the user's unelevated programs can neither read nor plant files there.
bool CreateFreshDirectory(const std::string& path);
// Gives an existing folder the access list of a program folder under Program Files: SYSTEM and
// Administrators full control, Users read and execute, inherited by everything inside,
// nothing inherited from the parent. False when the system refuses.
bool SetProgramFolderAccess(const std::string& folder);
bool RemoveDirectory(const std::string& path);  // an empty folder
bool RemoveDirectoryTree(const std::string& path);  // the folder and everything inside; false when missing
bool CopyFile(const std::string& from, const std::string& to, bool overwrite);
bool MoveFile(const std::string& from, const std::string& to);  // replaces `to`
uint32_t GetFileAttributes(const std::string& path);  // 0xFFFFFFFF when missing
bool SetFileAttributes(const std::string& path, uint32_t attributes);

// A junction or a symbolic link (FILE_ATTRIBUTE_REPARSE_POINT): what it points at lies
// elsewhere, so walks that delete or collect must not go through it.
inline constexpr uint32_t kFileAttributeReparsePoint = 0x400;

struct DirEntry {
  std::string name;  // without the folder
  bool isDirectory = false;  // also for a link to a folder
  uint64_t size = 0;
  uint32_t attributes = 0;  // the Windows attributes, kFileAttributeReparsePoint for a link
};
// Entries of one folder, without "." and "..", in the order the OS gives them.
std::vector<DirEntry> ListDirectory(const std::string& folder);

// ---------------------------------------------------------------------------------------------
// Process and system facts

// The temporary folder (GetTempPath), always ending with "\".
std::string TempFolder();
// Milliseconds since start-up (GetTickCount).
uint32_t TickCount();
// Full path of the running program.
std::string ModulePath();
// The raw command line of the own process (GetCommandLine), program path included.
std::string CommandLine();
std::string GetEnv(const std::string& name);  // "" when unset
bool SetEnv(const std::string& name, const std::string& value);
std::string WindowsFolder();  // GetWindowsDirectory, no trailing "\"
std::string UserName();       // GetUserName, "" on failure
// Special folder by CSIDL, not created when missing; "" on failure.
std::string ShellFolder(int csidl);
inline constexpr int kCsidlPrograms = 0x0002;
inline constexpr int kCsidlDesktopDirectory = 0x0010;
inline constexpr int kCsidlAppData = 0x001A;
inline constexpr int kCsidlCommonPrograms = 0x0017;
inline constexpr int kCsidlCommonDesktopDirectory = 0x0019;
inline constexpr int kCsidlStartMenu = 0x000B;
inline constexpr int kCsidlPersonal = 0x0005;  // Documents
inline constexpr int kCsidlLocalAppData = 0x001C;
inline constexpr int kCsidlCommonAppData = 0x0023;
inline constexpr int kCsidlProfile = 0x0028;

// GetNativeSystemInfo's processor architecture (0 x86, 6 IA64, 9 AMD64, 12 ARM64).
int NativeProcessorArchitecture();
// True on 64-bit Windows (architecture 6 or 9), whatever the bitness of this process.
bool IsWindows64();
// True when this process is a 64-bit process.
bool IsProcess64();
// True when this process runs with administrator rights: an elevated token (TokenElevation),
// or, on a system without elevation, membership of Administrators.
bool IsElevated();
// GetVersion's packed value: major in bits 0-7, minor in bits 8-15.
uint32_t WindowsVersionPacked();

void SleepMs(uint32_t milliseconds);
// Processes pending window messages of this thread (repaint, Cancel) during long work.
void PumpMessages();

// File-system redirection of a 32-bit process on 64-bit Windows. Disabling fails in a 64-bit
// process and on 32-bit Windows, as on Windows itself; `cookie` is for the revert.
bool DisableFsRedirection(intptr_t& cookie);
bool RevertFsRedirection(intptr_t cookie);

// Resource of the own program image: type and name as texts; a name "#250" or an id.
bool LoadOwnResource(const std::string& type, int id, Bytes& out);

// ---------------------------------------------------------------------------------------------
// Registry

// Root codes as the configuration writes them.
enum RegRoot : int {
  kClassesRoot = 1,
  kCurrentConfig = 2,
  kCurrentUser = 3,
  kLocalMachine = 4,
  kUsers = 5,
};

enum class RegView {
  kDefault,  // what this process sees without flags
  k64,       // KEY_WOW64_64KEY
  k32,       // KEY_WOW64_32KEY
};

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

// For REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ the bytes are GBK; Windows stores them as UTF-16
// (a terminating zero byte becomes a terminating zero character), and a text read back ends
// with exactly one zero byte. Other types are stored byte for byte.
struct RegValue {
  uint32_t type = 0;
  Bytes data;
};

bool RegReadValue(int root, const std::string& subkey, const std::string& name, RegView view,
                  RegValue& out);
// Creates the key (with missing parents) and sets the value.
bool RegWriteValue(int root, const std::string& subkey, const std::string& name, RegView view,
                   uint32_t type, BytesView data);
bool RegKeyExists(int root, const std::string& subkey, RegView view);
bool RegDeleteValue(int root, const std::string& subkey, const std::string& name, RegView view);
// Deletes the key with all its subkeys.
bool RegDeleteKeyTree(int root, const std::string& subkey, RegView view);
std::vector<std::string> RegListSubkeys(int root, const std::string& subkey, RegView view);
std::vector<std::string> RegListValueNames(int root, const std::string& subkey, RegView view);

// ---------------------------------------------------------------------------------------------
// Processes and the shell

struct ProcessOptions {
  bool hidden = false;
  bool wait = false;
  std::string workingDirectory;  // "" = inherit
  // Without `wait`: how long StartProcess waits for the new program to finish its start-up
  // and wait for input (WaitForInputIdle); 0 returns at once. A program without a window
  // (a console program) ends the wait at once. Ignored with `wait` and by ShellExecute.
  uint32_t waitIdleMs = 0;
};
// Starts a program by command line (CreateProcess). With `wait`, `exitCode` receives the
// exit code; pending window messages are processed while waiting.
bool StartProcess(const std::string& commandLine, const ProcessOptions& options,
                  uint32_t* exitCode = nullptr);
// ShellExecuteEx with a verb ("" = default), file, parameters, folder.
bool ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& directory, const ProcessOptions& options,
                  uint32_t* exitCode = nullptr);

// Removes `folder` with everything in it once this process has ended: a program cannot delete
// its own file while it runs, and the uninstall engine runs from the folder it must leave
// empty. A hidden command interpreter (the system's, by full path) retries for about a minute;
// its script lies beside `folder` and deletes itself. False when nothing could be scheduled
// (the folder is missing, or its path cannot be written in the script's code page).
bool RemoveFolderAfterExit(const std::string& folder);
// Sets the named event (Win32 "Local\\..." names) that another process created and waits on;
// false when no such event exists or it cannot be set.
bool SignalNamedEvent(const std::string& name);
// Waits until the process with id `processId` has ended, at most `milliseconds`, processing
// window messages meanwhile. True when it has ended (or no such process exists), false when the
// time ran out.
bool WaitForProcessEnd(uint32_t processId, uint32_t milliseconds);

// ---------------------------------------------------------------------------------------------
// Dialogs

inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbOkCancel = 0x1;
inline constexpr uint32_t kMbRetryCancel = 0x5;
inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconWarning = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Every descendant window of `window` (EnumChildWindows order); none for 0 or without windows.
std::vector<intptr_t> ChildWindows(intptr_t window);

// MessageBox with `owner` a window handle (0 for none); returns the button id.
int MessageBox(intptr_t owner, const std::string& text, const std::string& caption,
               uint32_t flags);
// The system's folder browser (SHBrowseForFolder, new dialog style) titled `title`, modal to
// `owner` (0 for none). The chosen folder's path; "" when cancelled or when the choice has no
// file-system path (a virtual folder).
std::string BrowseForFolder(intptr_t owner, const std::string& title);
// A small modal input box; `hidden` masks the characters. False when cancelled.
bool InputBox(const std::string& prompt, const std::string& caption, bool hidden,
              std::string& out);

// ---------------------------------------------------------------------------------------------
// Dynamic libraries

// One loaded module. Move-only; frees the module in its destructor unless released.
class Library {
 public:
  Library() = default;
  ~Library();
  Library(Library&& other) noexcept;
  Library& operator=(Library&& other) noexcept;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  static Library Load(const std::string& path);
  bool IsLoaded() const { return handle_ != 0; }
  void* Symbol(const char* name) const;  // nullptr when absent
  intptr_t RawHandle() const { return handle_; }
  // Keeps the module loaded for the rest of the process and returns its handle.
  intptr_t Release();

 private:
  explicit Library(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = 0;
};

// The function `name` of a module kept loaded (Library::Release's handle); 0 when absent.
intptr_t ModuleFunction(intptr_t module, const char* name);

// Calls a plug-in's function at `function` with `count` (at most 15) pointer-wide arguments,
// pushed last to first, and returns the low 32 bits of its result. The stack pointer is
// restored here after the call, so on i686 a stdcall function (which pops its arguments) and a
// cdecl one (which leaves them) both return intact.
int32_t CallForeignFunction(intptr_t function, const intptr_t* arguments, size_t count);

// A library loaded from a file that this process holds open against writers (kRead: others may
// only read) and has checked byte for byte against `image` first, so that what is mapped is
// what was checked. Both stay as long as the object lives. Nothing is loaded (IsLoaded false)
// when the file cannot be held or differs from `image`; an empty `image` checks nothing.
struct HeldLibrary {
  File file;
  Library library;
  bool IsLoaded() const { return library.IsLoaded(); }
};
HeldLibrary LoadLibraryHeld(const std::string& path, BytesView image);
// True when `file` (open for reading) holds exactly `image`; reads it from its start.
bool HoldsExactly(File& file, BytesView image);

// ---------------------------------------------------------------------------------------------
// Text conversion (code page 936)

// GBK to UTF-16 and back. Bytes that are not valid GBK become U+FFFD; characters GBK cannot
// represent become "?" unless `ok` is given, which is then set false.
std::u16string GbkToUtf16(BytesView gbk);
std::string Utf16ToGbk(std::u16string_view utf16, bool* ok = nullptr);
std::string GbkToUtf8(BytesView gbk);
std::string Utf8ToGbk(std::string_view utf8, bool* ok = nullptr);

}  // namespace plat
