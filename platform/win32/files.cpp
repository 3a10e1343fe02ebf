// Files and folders through the W APIs. Paths arrive as GBK and are converted whole before any
// work on their parts (see Wide in win32_internal.h).
#include <algorithm>

#include "platform/win32/win32_internal.h"

namespace plat {

using win::UniqueFile;
using win::UniqueFind;
using win::Wide;

uint32_t LastError() { return ::GetLastError(); }

namespace {

HANDLE Raw(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// ReadFile and WriteFile take a DWORD count; larger requests go in pieces of this size.
constexpr size_t kMaxChunk = 1u << 30;

bool IsDirectoryAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// DeleteFile and RemoveDirectory refuse read-only entries; the runtime always means "remove".
void ClearReadOnly(const std::wstring& path, DWORD attributes) {
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Windows refuses to write into a read-only file. Wine leaves that to the Unix permissions,
// which a process running as root ignores; the end-to-end tests run so, and must see what
// Windows users see. On Windows this check only repeats the system's own.
bool RefuseReadOnlyTarget(const std::wstring& path) {
  DWORD a = ::GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) ||
      !(a & FILE_ATTRIBUTE_READONLY))
    return false;
  ::SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

bool DeleteClearingReadOnly(const std::wstring& path) {
  ClearReadOnly(path, ::GetFileAttributesW(path.c_str()));
  return ::DeleteFileW(path.c_str()) != 0;
}

bool RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  bool ok = true;
  {
    UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find.Valid()) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring child = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          // A junction or folder symlink is removed itself; what it points at is not ours.
          if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            ClearReadOnly(child, data.dwFileAttributes);
            ok = ::RemoveDirectoryW(child.c_str()) && ok;
          } else {
            ok = RemoveTree(child) && ok;
          }
        } else {
          ClearReadOnly(child, data.dwFileAttributes);
          ok = ::DeleteFileW(child.c_str()) && ok;
        }
      } while (::FindNextFileW(find.Get(), &data));
    }
  }
  ClearReadOnly(folder, ::GetFileAttributesW(folder.c_str()));
  return ::RemoveDirectoryW(folder.c_str()) && ok;
}

bool CreateOneDirectory(const std::wstring& path) {
  if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
  win::PreserveLastError keep;
  return IsDirectoryAttribute(::GetFileAttributesW(path.c_str()));
}

// The part of `path` that cannot be created: "C:", "\\server\share", "" for relative paths.
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return 2;
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return path.size();
    size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share;
  }
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// File

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kInvalid)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kInvalid);
  }
  return *this;
}

File File::Open(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  // Every handle lets others read and nothing else, as the host platform models it: a file
  // that is open is "in use" and cannot be replaced or deleted under the reader's feet.
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::kRead:
      access = GENERIC_READ;
      break;
    case OpenMode::kReadWrite:
      break;
    case OpenMode::kCreateAlways:
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::kAppend:
      disposition = OPEN_ALWAYS;
      break;
    case OpenMode::kCreateNew:
      // CREATE_NEW fails on any existing name, a dangling link included, so nothing planted
      // redirects the write.
      disposition = CREATE_NEW;
      break;
    case OpenMode::kHold:
      // Whoever else holds the file (the other side of a hand-off) may have it open for
      // writing; only deleting and renaming are refused.
      access = GENERIC_READ;
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      disposition = OPEN_ALWAYS;
      break;
  }
  std::wstring widePath = Wide(path);
  if (mode != OpenMode::kRead && mode != OpenMode::kHold && RefuseReadOnlyTarget(widePath))
    return File();
  UniqueFile file(::CreateFileW(widePath.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return File();
  if (mode == OpenMode::kAppend) {
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(file.Get(), zero, nullptr, FILE_END)) return File();
  }
  return File(reinterpret_cast<intptr_t>(file.Release()));
}

File File::HoldFolder(const std::string& path) {
  const std::wstring wide = win::StripTrailingSeparators(Wide(path));
  // FILE_FLAG_BACKUP_SEMANTICS opens a folder; no FILE_SHARE_DELETE, so removing or renaming
  // it (which needs DELETE access) is refused while the handle is open. A link is opened as
  // itself and refused: a held link would protect nothing of ours.
  UniqueFile folder(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  if (!folder.Valid()) return File();
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(folder.Get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::SetLastError(ERROR_DIRECTORY);
    return File();
  }
  return File(reinterpret_cast<intptr_t>(folder.Release()));
}

std::optional<uint64_t> File::Size() const {
  LARGE_INTEGER size;
  if (!IsOpen() || !::GetFileSizeEx(Raw(handle_), &size)) return std::nullopt;
  return static_cast<uint64_t>(size.QuadPart);
}

bool File::Seek(uint64_t offset) {
  if (!IsOpen()) return false;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(Raw(handle_), to, nullptr, FILE_BEGIN) != 0;
}

int64_t File::Read(void* buffer, size_t size) {
  if (!IsOpen()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  DWORD done = 0;
  if (!::ReadFile(Raw(handle_), buffer, static_cast<DWORD>(std::min(size, kMaxChunk)), &done,
                  nullptr))
    return -1;
  return done;
}

bool File::ReadExact(void* buffer, size_t size) {
  auto* at = static_cast<char*>(buffer);
  while (size > 0) {
    int64_t n = Read(at, size);
    if (n < 0) return false;
    if (n == 0) {
      ::SetLastError(ERROR_HANDLE_EOF);
      return false;
    }
    at += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool File::Write(const void* data, size_t size) {
  if (!IsOpen()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  auto* at = static_cast<const char*>(data);
  while (size > 0) {
    DWORD done = 0;
    if (!::WriteFile(Raw(handle_), at, static_cast<DWORD>(std::min(size, kMaxChunk)), &done,
                     nullptr))
      return false;
    at += done;
    size -= done;
  }
  return true;
}

bool File::SetModifiedTime(uint64_t filetime) {
  if (!IsOpen()) return false;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(filetime);
  ft.dwHighDateTime = static_cast<DWORD>(filetime >> 32);
  return ::SetFileTime(Raw(handle_), nullptr, nullptr, &ft) != 0;
}

bool File::Truncate() { return IsOpen() && ::SetEndOfFile(Raw(handle_)); }

void File::Close() {
  if (IsOpen()) {
    win::PreserveLastError keep;
    ::CloseHandle(Raw(handle_));
  }
  handle_ = kInvalid;
}

// ---------------------------------------------------------------------------------------------
// Paths

bool FileExists(const std::string& path) {
  DWORD a = ::GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  return IsDirectoryAttribute(::GetFileAttributesW(Wide(path).c_str()));
}

bool PathExists(const std::string& path) {
  return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t FreeDiskBytes(const std::string& path) {
  // The drive's root: a folder that does not exist yet (the install folder) has no free space
  // of its own to ask for. Without a drive letter the current drive answers.
  std::wstring root;
  if (path.size() >= 2 && path[1] == ':') root = Wide(path.substr(0, 2) + "\\");
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(root.empty() ? nullptr : root.c_str(), &available, nullptr, nullptr))
    return -1;
  return available.QuadPart > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(available.QuadPart);
}

std::optional<uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadFileBytes(const std::string& path, Bytes& out) {
  out.clear();
  File file = File::Open(path, OpenMode::kRead);
  if (!file.IsOpen()) return false;
  std::optional<uint64_t> size = file.Size();
  if (!size || *size > out.max_size()) return false;
  out.resize(static_cast<size_t>(*size));
  if (!file.ReadExact(out.data(), out.size())) {
    out.clear();
    return false;
  }
  return true;
}

bool WriteFileBytes(const std::string& path, BytesView data) {
  File file = File::Open(path, OpenMode::kCreateAlways);
  return file.IsOpen() && file.Write(data);
}

bool CreateDirectory(const std::string& path) {
  return CreateOneDirectory(win::StripTrailingSeparators(Wide(path)));
}

bool CreateDirectories(const std::string& path) {
  std::wstring full = win::StripTrailingSeparators(Wide(path));
  if (full.empty()) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (IsDirectoryAttribute(::GetFileAttributesW(full.c_str()))) return true;
  // Create each level below the root, shortest first; existing levels are simply passed.
  size_t root = RootLength(full);
  size_t at = root;
  while (at < full.size()) {
    size_t next = full.find(L'\\', at + 1);
    if (next == std::wstring::npos) next = full.size();
    std::wstring level = full.substr(0, next);
    if (next > root && level.back() != L'\\' && !CreateOneDirectory(level)) return false;
    at = next;
  }
  return true;
}

bool DeleteFile(const std::string& path) { return DeleteClearingReadOnly(Wide(path)); }

namespace {

// Access lists in the system's own notation. The private one: SYSTEM, Administrators and the
// owner (OW limits what being owner gives) with full control, protected from inheritance. The
// owner is made Administrators, which an elevated token may name: the user's own SID as owner
// would hand the folder to the same user's unelevated programs.
constexpr wchar_t kPrivateAccess[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";
constexpr wchar_t kPrivateAccessKeepOwner[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";
// What Program Files gives: users read and execute (0x1200a9), nothing more.
constexpr wchar_t kProgramAccess[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)";

struct LocalMemoryTraits {
  using Raw = PSECURITY_DESCRIPTOR;
  static Raw Empty() { return nullptr; }
  static void Close(Raw p) { ::LocalFree(p); }
};
using UniqueDescriptor = win::Unique<LocalMemoryTraits>;

UniqueDescriptor Descriptor(const wchar_t* sddl) {
  UniqueDescriptor descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                               descriptor.Receive(), nullptr))
    return UniqueDescriptor();
  return descriptor;
}

bool CreateWithAccess(const std::wstring& path, const wchar_t* sddl) {
  UniqueDescriptor descriptor = Descriptor(sddl);
  if (!descriptor.Valid()) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
  return ::CreateDirectoryW(path.c_str(), &attributes) != 0;
}

}  // namespace

bool CreateFreshDirectory(const std::string& path) {
  const std::wstring wide = win::StripTrailingSeparators(Wide(path));
  if (!IsElevated()) return ::CreateDirectoryW(wide.c_str(), nullptr) != 0;
  if (CreateWithAccess(wide, kPrivateAccess)) return true;
  // A token that may not name Administrators as owner (ERROR_INVALID_OWNER) still gets the
  // private list, with itself as owner.
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_PATH_NOT_FOUND) return false;
  return CreateWithAccess(wide, kPrivateAccessKeepOwner);
}

bool SetProgramFolderAccess(const std::string& folder) {
  UniqueDescriptor descriptor = Descriptor(kProgramAccess);
  if (!descriptor.Valid()) return false;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor.Get(), &present, &acl, &defaulted)) return false;
  std::wstring wide = win::StripTrailingSeparators(Wide(folder));
  const DWORD result = ::SetNamedSecurityInfoW(
      wide.data(), SE_FILE_OBJECT,
      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
      nullptr);
  ::SetLastError(result);
  return result == ERROR_SUCCESS;
}

bool RemoveDirectory(const std::string& path) {
  return ::RemoveDirectoryW(win::StripTrailingSeparators(Wide(path)).c_str()) != 0;
}

bool RemoveDirectoryTree(const std::string& path) {
  std::wstring folder = win::StripTrailingSeparators(Wide(path));
  DWORD a = ::GetFileAttributesW(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetLastError(ERROR_DIRECTORY);
    return false;
  }
  // A link given as the folder goes as a link: walking it would empty what it points at
  // (a planted %TEMP%\qzr_dll pointing at the user's documents).
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
    ClearReadOnly(folder, a);
    return ::RemoveDirectoryW(folder.c_str()) != 0;
  }
  return RemoveTree(folder);
}

bool CopyFile(const std::string& from, const std::string& to, bool overwrite) {
  std::wstring target = Wide(to);
  if (overwrite && RefuseReadOnlyTarget(target)) return false;
  return ::CopyFileW(Wide(from).c_str(), target.c_str(), overwrite ? FALSE : TRUE) != 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
  std::wstring target = Wide(to);
  if (RefuseReadOnlyTarget(target)) return false;
  return ::MoveFileExW(Wide(from).c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

uint32_t GetFileAttributes(const std::string& path) {
  return ::GetFileAttributesW(Wide(path).c_str());
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesW(Wide(path).c_str(), attributes) != 0;
}

std::vector<DirEntry> ListDirectory(const std::string& folder) {
  std::vector<DirEntry> entries;
  WIN32_FIND_DATAW data;
  std::wstring pattern = win::StripTrailingSeparators(Wide(folder)) + L"\\*";
  UniqueFind find(::FindFirstFileW(pattern.c_str(), &data));
  if (!find.Valid()) return entries;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    DirEntry entry;
    entry.name = win::Narrow(name);
    entry.attributes = data.dwFileAttributes;
    entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = entry.isDirectory
                     ? 0
                     : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entries.push_back(std::move(entry));
  } while (::FindNextFileW(find.Get(), &data));
  return entries;
}

}  // namespace plat
