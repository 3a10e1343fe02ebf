// The pretended Windows machine of the host platform: one process-wide record that every host
// source file reads and host::Reset rebuilds. Private to platform/host.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/host/host.h"

namespace plat::host::detail {

// Windows error codes, so that LastError() means the same on both platforms.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorNotSupported = 50;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorModNotFound = 126;
inline constexpr uint32_t kErrorProcNotFound = 127;
inline constexpr uint32_t kErrorDirNotEmpty = 145;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorDirectory = 267;
inline constexpr uint32_t kErrorCancelled = 1223;

inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;

void SetError(uint32_t code);
// Records the Windows code that corresponds to errno `e`.
void SetErrorFromErrno(int e);

// One key of the in-memory registry. Names are kept as written; lookups fold ASCII case.
struct RegKeyNode {
  std::string name;
  std::map<std::string, std::unique_ptr<RegKeyNode>> subkeys;  // by folded name
  std::vector<std::pair<std::string, RegValue>> values;        // in the order of creation
};

// A file or folder identity that survives renames (device and inode).
using FileId = std::pair<dev_t, ino_t>;

struct OpenCounts {
  int readers = 0;
  int writers = 0;
};

struct FakeLibrary {
  std::string fileName;
  std::map<std::string, void*> symbols;
};

struct State {
  bool explicitReset = false;  // false: lazily made defaults for tools (real identity, real clock)
  std::string sandbox;         // Linux folder holding one folder per drive letter

  std::string tempFolder;
  std::string windowsFolder;
  std::string modulePath;
  std::string commandLine;
  std::string userName;
  std::map<int, std::string> shellFolders;
  // Environment: folded name -> (name as set, value). Windows compares names case-blind.
  std::map<std::string, std::pair<std::string, std::string>> environment;

  bool fakeClock = false;
  uint32_t ticks = 0;

  bool windows64 = true;
  bool process64 = true;
  bool elevated = false;
  int versionMajor = 6;
  int versionMinor = 1;
  bool redirectionDisabled = false;
  intptr_t nextRedirectionCookie = 1;

  std::map<std::pair<std::string, int>, Bytes> resources;  // (folded type, id)

  // Windows attributes beyond the directory bit, by file identity. Kept here rather than in
  // permission bits because tests run as root, where permissions stop nothing.
  std::map<FileId, uint32_t> attributes;
  std::map<FileId, OpenCounts> openFiles;
  // What each open descriptor counts against, so that closing one needs no system call to
  // find out (an extraction opens and closes a file per entry).
  std::map<int, std::pair<FileId, bool>> openHandles;  // descriptor -> (file, writer)
  // Descriptors of files just made exclusively (nothing else can have them open yet): their
  // identity is looked up only once something asks for any file's identity, so a new file
  // that is written and closed in between (an extraction's) costs no lookup and no entry.
  std::vector<std::pair<int, bool>> unidentified;  // descriptor, writer
  std::map<FileId, host::FolderAccess> folderAccess;  // folders given an access list of their own

  RegKeyNode registryRoots[6];  // indexed by RegRoot code 1..5

  std::vector<ProcessRecord> processStarts;
  std::vector<std::string> foldersRemovedAfterExit;
  uint32_t processExitCode = 0;
  // Bytes that file writes may still take before the "disk" is full; unset = no limit.
  std::optional<uint64_t> writeBudget;
  std::function<uint32_t(const ProcessRecord&)> processHandler;
  std::vector<std::string> signalledEvents;
  std::function<void(const std::string&)> eventHandler;
  std::vector<std::pair<uint32_t, uint32_t>> processWaits;  // (process id, milliseconds)

  std::vector<MessageRecord> messages;
  std::vector<MessageRecord> inputPrompts;
  std::deque<int> messageAnswers;
  std::deque<std::pair<bool, std::string>> inputAnswers;
  int pumpCount = 0;
  std::vector<std::string> folderBrowserTitles;
  std::deque<std::string> folderAnswers;
  int64_t freeDiskBytes = int64_t{50} << 30;

  std::vector<ShellLink> shellLinks;
  std::vector<ShellVerbRecord> shellVerbs;

  std::vector<std::unique_ptr<FakeLibrary>> libraries;
  std::vector<std::string> libraryLoads;
};

// The machine. The first use before any Reset builds defaults over the sandbox
// /tmp/installer-host-<uid> (kept between runs), so that tools run without a Reset.
State& Machine();

// ASCII case folding that leaves GBK double-byte characters whole: a trail byte may be an
// ASCII letter, and folding it would make two different characters equal.
std::string FoldGbk(const std::string& s);
// Splits at "\" and "/" without breaking GBK characters whose trail byte is 0x5C; empty
// pieces are dropped.
std::vector<std::string> SplitGbkPath(const std::string& s, bool slashToo);

// Exact conversions for file names: nullopt when `gbk` is not valid GBK (or `utf8` not valid
// UTF-8, or a character has no GBK form), so that callers can keep such names as raw bytes.
std::optional<std::string> GbkToUtf8Exact(std::string_view gbk);
std::optional<std::string> Utf8ToGbkExact(std::string_view utf8);

// Creates a key (and its parents) without a value, for the keys every Windows machine has.
void CreateRegistryKey(int root, const std::string& subkey, RegView view);

}  // namespace plat::host::detail
