// Files on the host: Windows-style paths mapped into the sandbox folder, with the Windows rules
// that code under test relies on (sharing of open files, read-only attribute, folder versus
// file in delete and move) enforced here because Linux would allow what Windows refuses.
//
// Sharing model: every handle lets others read and nothing else (FILE_SHARE_READ). So a file
// with an open handle cannot be deleted, moved, replaced or opened for writing, and a file open
// for writing cannot be opened again at all.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/host/state.h"

namespace plat {

using host::detail::FileId;
using host::detail::Machine;
using host::detail::SetError;
using host::detail::SetErrorFromErrno;
namespace err = host::detail;

namespace {

constexpr uint32_t kErrorInvalidName = 123;
constexpr uint64_t kFiletimeUnixEpoch = 116444736000000000ull;  // 1970-01-01 in FILETIME

// A Windows path resolved to the host.
struct Mapped {
  std::string host;
  size_t rootLength = 0;  // leading part that must exist already (the drive folder, "/")
  bool validName = true;  // false when a component holds a character Windows refuses
};

std::string NameToHost(const std::string& gbk) {
  std::optional<std::string> utf8 = host::detail::GbkToUtf8Exact(gbk);
  return utf8 ? *utf8 : gbk;  // names that are not GBK keep their bytes
}

std::string NameFromHost(const std::string& utf8) {
  std::optional<std::string> gbk = host::detail::Utf8ToGbkExact(utf8);
  return gbk ? *gbk : utf8;
}

bool HasInvalidCharacter(const std::string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(name[i]);
    if (b >= 0x81 && b <= 0xFE && i + 1 < name.size()) {
      ++i;
    } else if (b < 0x20 || std::strchr("<>:\"|?*", b) != nullptr) {
      return true;
    }
  }
  return false;
}

// Windows drops trailing dots and spaces from every name ("a. " is "a").
std::string TrimWindowsName(const std::string& name) {
  if (name == "." || name == "..") return name;
  size_t end = name.size();
  while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' ')) --end;
  return end == 0 ? name : name.substr(0, end);
}

// System32 / SysWOW64 / Sysnative right under the Windows folder, as WOW64 redirects them.
void ApplyRedirection(const std::string& drive, std::vector<std::string>& parts) {
  const host::detail::State& s = Machine();
  const std::string& windows = s.windowsFolder;
  if (windows.size() < 2 || windows[1] != ':') return;
  if (std::toupper(static_cast<unsigned char>(windows[0])) != drive[0]) return;
  std::vector<std::string> windowsParts = host::detail::SplitGbkPath(windows.substr(2), true);
  if (parts.size() <= windowsParts.size()) return;
  for (size_t i = 0; i < windowsParts.size(); ++i) {
    if (host::detail::FoldGbk(parts[i]) != host::detail::FoldGbk(windowsParts[i])) return;
  }
  std::string& system = parts[windowsParts.size()];
  std::string folded = host::detail::FoldGbk(system);
  bool wow64 = s.windows64 && !s.process64;
  if (folded == "system32") {
    system = wow64 && !s.redirectionDisabled ? "SysWOW64" : "System32";
  } else if (folded == "syswow64") {
    system = "SysWOW64";
  } else if (folded == "sysnative" && wow64) {
    system = "System32";
  }
}

Mapped MapPath(const std::string& path) {
  Mapped m;
  if (!path.empty() && path[0] == '/') {
    // A Linux path, as native tools get them on their command line.
    m.host = "";
    for (const std::string& part : host::detail::SplitGbkPath(path, true)) {
      m.host += "/" + NameToHost(part);
    }
    if (m.host.empty()) m.host = "/";
    m.rootLength = 1;
    return m;
  }

  std::string drive;
  std::string rest;
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    drive = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
    rest = path.substr(2);
  } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    drive = "UNC";
    rest = path.substr(2);
  } else if (!path.empty() && path[0] == '\\') {
    drive = "C";  // the current drive of the pretended process
    rest = path;
  } else {
    // Relative to the real current directory.
    std::vector<std::string> parts = host::detail::SplitGbkPath(path, true);
    for (const std::string& part : parts) {
      if (HasInvalidCharacter(part)) m.validName = false;
      if (!m.host.empty()) m.host += "/";
      m.host += NameToHost(TrimWindowsName(part));
    }
    if (m.host.empty()) m.host = ".";
    return m;
  }

  // Drive paths are normalised as GetFullPathName does, so ".." never leaves the drive.
  std::vector<std::string> parts;
  for (const std::string& raw : host::detail::SplitGbkPath(rest, true)) {
    std::string part = TrimWindowsName(raw);
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (HasInvalidCharacter(part)) m.validName = false;
    parts.push_back(part);
  }
  ApplyRedirection(drive, parts);
  m.host = Machine().sandbox + "/" + drive;
  m.rootLength = m.host.size();
  for (const std::string& part : parts) m.host += "/" + NameToHost(part);
  return m;
}

std::optional<struct stat> StatOf(const std::string& hostPath) {
  struct stat st{};
  if (stat(hostPath.c_str(), &st) != 0) return std::nullopt;
  return st;
}

void IdentifyCreated();

// Every identity is taken here, so the files still unidentified get theirs first: whatever
// is then looked up or recorded about a file sees them counted as open.
FileId IdOf(const struct stat& st) {
  IdentifyCreated();
  return {st.st_dev, st.st_ino};
}

// A symbolic link stands for a Windows junction or symbolic link: a reparse point, reported
// with the attributes of what it points at, as FindFirstFile and GetFileAttributes do.
uint32_t ReparseBit(const std::string& hostPath) {
  struct stat st{};
  return lstat(hostPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode) ? kFileAttributeReparsePoint
                                                                   : 0;
}

std::string ParentOf(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

// A missing path: "file not found" when its folder exists, "path not found" otherwise.
void SetMissingError(const std::string& hostPath) {
  std::optional<struct stat> parent = StatOf(ParentOf(hostPath));
  SetError(parent && S_ISDIR(parent->st_mode) ? err::kErrorFileNotFound : err::kErrorPathNotFound);
}

// After opening `hostPath` failed (open, opendir): a missing name tells file from path.
void SetOpenError(const std::string& hostPath) {
  if (errno == ENOENT) {
    SetMissingError(hostPath);
  } else {
    SetErrorFromErrno(errno);
  }
}

host::detail::OpenCounts CountsOf(const FileId& id) {
  auto& open = Machine().openFiles;
  auto it = open.find(id);
  return it == open.end() ? host::detail::OpenCounts{} : it->second;
}

bool IsOpenAnywhere(const FileId& id) {
  host::detail::OpenCounts c = CountsOf(id);
  return c.readers + c.writers > 0;
}

// True when the folder itself (a held folder) or any file inside its tree has an open handle.
bool TreeHasOpenFile(const std::string& hostFolder) {
  if (std::optional<struct stat> self = StatOf(hostFolder); self && IsOpenAnywhere(IdOf(*self)))
    return true;
  DIR* dir = opendir(hostFolder.c_str());
  if (!dir) return false;
  bool found = false;
  while (dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    std::string child = hostFolder + "/" + entry->d_name;
    struct stat st{};
    if (lstat(child.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode) ? TreeHasOpenFile(child) : IsOpenAnywhere(IdOf(st))) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

uint32_t StoredAttributes(const FileId& id, bool isDirectory) {
  auto& attributes = Machine().attributes;
  auto it = attributes.find(id);
  if (isDirectory) return err::kAttrDirectory | (it == attributes.end() ? 0 : it->second);
  if (it == attributes.end()) return err::kAttrArchive;
  return it->second == 0 ? err::kAttrNormal : it->second;
}

bool IsReadOnly(const FileId& id) {
  auto& attributes = Machine().attributes;
  auto it = attributes.find(id);
  return it != attributes.end() && (it->second & err::kAttrReadOnly) != 0;
}

void ForgetFile(const FileId& id) {
  Machine().attributes.erase(id);
  Machine().folderAccess.erase(id);
}

void CountOpen(intptr_t fd, const FileId& id, bool writer) {
  host::detail::OpenCounts& c = Machine().openFiles[id];
  (writer ? c.writers : c.readers) += 1;
  Machine().openHandles[static_cast<int>(fd)] = {id, writer};
}

// Counts an open descriptor against its file; `created` when the file is new (its inode
// number may be one that a deleted file had). False when the file cannot be identified.
bool Identify(int fd, bool writer, bool created) {
  struct stat opened{};
  if (fstat(fd, &opened) != 0) return false;
  const FileId id{opened.st_dev, opened.st_ino};
  if (created) ForgetFile(id);
  CountOpen(fd, id, writer);
  return true;
}

// Identify for a descriptor just opened: false, with the descriptor closed and the error set,
// when the file cannot be identified.
bool CountOpened(int fd, bool writer, bool created) {
  IdentifyCreated();
  if (Identify(fd, writer, created)) return true;
  SetErrorFromErrno(errno);
  close(fd);
  return false;
}

void IdentifyCreated() {
  auto& pending = Machine().unidentified;
  while (!pending.empty()) {
    auto [fd, writer] = pending.back();
    pending.pop_back();
    Identify(fd, writer, true);
  }
}

void CountClose(intptr_t fd) {
  auto& pending = Machine().unidentified;
  for (size_t i = pending.size(); i-- > 0;) {
    if (pending[i].first == static_cast<int>(fd)) {
      pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
  auto& handles = Machine().openHandles;
  auto handle = handles.find(static_cast<int>(fd));
  if (handle == handles.end()) return;
  auto& open = Machine().openFiles;
  auto it = open.find(handle->second.first);
  if (it != open.end()) {
    host::detail::OpenCounts& c = it->second;
    (handle->second.second ? c.writers : c.readers) -= 1;
    if (c.readers <= 0 && c.writers <= 0) open.erase(it);
  }
  handles.erase(handle);
}

// Copies the bytes, attributes and modification time of a regular file.
bool CopyContents(const std::string& fromHost, const std::string& toHost,
                  const struct stat& fromStat) {
  int in = open(fromHost.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SetErrorFromErrno(errno);
    return false;
  }
  int out = open(toHost.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    SetErrorFromErrno(errno);
    close(in);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  while (ok) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
  }
  if (!ok) SetErrorFromErrno(errno);
  timespec times[2] = {{0, UTIME_OMIT}, fromStat.st_mtim};
  futimens(out, times);
  struct stat toStat{};
  if (fstat(out, &toStat) == 0) {
    auto& attributes = Machine().attributes;
    auto it = attributes.find(IdOf(fromStat));
    if (it != attributes.end()) {
      attributes[IdOf(toStat)] = it->second;
    } else {
      attributes.erase(IdOf(toStat));
    }
  }
  close(in);
  if (close(out) != 0 && ok) {
    SetErrorFromErrno(errno);
    ok = false;
  }
  return ok;
}

bool RemoveTree(const std::string& hostFolder) {
  DIR* dir = opendir(hostFolder.c_str());
  if (!dir) {
    SetErrorFromErrno(errno);
    return false;
  }
  bool ok = true;
  while (dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    std::string child = hostFolder + "/" + entry->d_name;
    struct stat st{};
    if (lstat(child.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      ok = RemoveTree(child) && ok;
    } else if (IsOpenAnywhere(IdOf(st))) {
      // Windows leaves a file in use behind and reports the whole removal as failed.
      SetError(err::kErrorSharingViolation);
      ok = false;
    } else if (unlink(child.c_str()) == 0) {
      ForgetFile(IdOf(st));
    } else {
      SetErrorFromErrno(errno);
      ok = false;
    }
  }
  closedir(dir);
  // A held folder is emptied like any other but stays, as RemoveDirectory leaves it.
  if (std::optional<struct stat> self = StatOf(hostFolder);
      ok && self && IsOpenAnywhere(IdOf(*self))) {
    SetError(err::kErrorSharingViolation);
    return false;
  }
  if (ok && rmdir(hostFolder.c_str()) != 0) {
    SetErrorFromErrno(errno);
    ok = false;
  }
  return ok;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// File

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kInvalid;
  }
  return *this;
}

File File::Open(const std::string& path, OpenMode mode) {
  Mapped m = MapPath(path);
  if (!m.validName) {
    SetError(kErrorInvalidName);
    return File();
  }
  bool writer = mode != OpenMode::kRead && mode != OpenMode::kHold;
  if (mode == OpenMode::kCreateAlways) {
    // Most files an extraction creates are new: made exclusively, a file cannot be open,
    // read-only or a folder, so the look before opening (a path walk per entry) is not needed.
    int fd = open(m.host.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      Machine().unidentified.emplace_back(fd, writer);
      return File(fd);
    }
    if (errno != EEXIST) {
      SetOpenError(m.host);
      return File();
    }
  }
  std::optional<struct stat> st = StatOf(m.host);
  if (mode == OpenMode::kCreateNew) {
    struct stat link{};
    if (st || lstat(m.host.c_str(), &link) == 0) {
      SetError(err::kErrorFileExists);
      return File();
    }
  }
  if (st) {
    if (S_ISDIR(st->st_mode)) {
      SetError(err::kErrorAccessDenied);
      return File();
    }
    host::detail::OpenCounts c = CountsOf(IdOf(*st));
    // A held file lets the other side of the hand-off keep writing to it.
    if ((c.writers > 0 && mode != OpenMode::kHold) || (writer && c.readers > 0)) {
      SetError(err::kErrorSharingViolation);
      return File();
    }
    if (writer && IsReadOnly(IdOf(*st))) {
      SetError(err::kErrorAccessDenied);
      return File();
    }
  } else if (mode == OpenMode::kRead || mode == OpenMode::kReadWrite) {
    SetMissingError(m.host);
    return File();
  }
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::kRead: flags |= O_RDONLY; break;
    case OpenMode::kReadWrite: flags |= O_RDWR; break;
    case OpenMode::kCreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenMode::kAppend: flags |= O_RDWR | O_CREAT; break;
    case OpenMode::kHold: flags |= O_RDONLY | O_CREAT; break;
    // O_EXCL refuses any existing name, a dangling symbolic link included.
    case OpenMode::kCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  int fd = open(m.host.c_str(), flags, 0666);
  if (fd < 0) {
    SetOpenError(m.host);
    return File();
  }
  if (!CountOpened(fd, writer, !st)) return File();
  if (mode == OpenMode::kAppend) lseek(fd, 0, SEEK_END);
  return File(fd);
}

File File::HoldFolder(const std::string& path) {
  Mapped m = MapPath(path);
  struct stat st{};
  if (lstat(m.host.c_str(), &st) != 0) {
    SetMissingError(m.host);
    return File();
  }
  if (!S_ISDIR(st.st_mode)) {  // a symbolic link is refused as well
    SetError(err::kErrorDirectory);
    return File();
  }
  int fd = open(m.host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    SetErrorFromErrno(errno);
    return File();
  }
  if (!CountOpened(fd, false, false)) return File();
  return File(fd);
}

std::optional<uint64_t> File::Size() const {
  struct stat st{};
  if (!IsOpen() || fstat(static_cast<int>(handle_), &st) != 0) {
    SetError(err::kErrorInvalidHandle);
    return std::nullopt;
  }
  return static_cast<uint64_t>(st.st_size);
}

bool File::Seek(uint64_t offset) {
  if (!IsOpen() || offset > static_cast<uint64_t>(INT64_MAX)) {
    SetError(IsOpen() ? err::kErrorInvalidParameter : err::kErrorInvalidHandle);
    return false;
  }
  if (lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) {
    SetErrorFromErrno(errno);
    return false;
  }
  return true;
}

int64_t File::Read(void* buffer, size_t size) {
  if (!IsOpen()) {
    SetError(err::kErrorInvalidHandle);
    return -1;
  }
  for (;;) {
    ssize_t n = read(static_cast<int>(handle_), buffer, size);
    if (n >= 0) return n;
    if (errno != EINTR) {
      SetErrorFromErrno(errno);
      return -1;
    }
  }
}

bool File::ReadExact(void* buffer, size_t size) {
  char* p = static_cast<char*>(buffer);
  while (size > 0) {
    int64_t n = Read(p, size);
    if (n < 0) return false;
    if (n == 0) {
      SetError(38);  // ERROR_HANDLE_EOF
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool File::Write(const void* data, size_t size) {
  if (!IsOpen()) {
    SetError(err::kErrorInvalidHandle);
    return false;
  }
  const char* p = static_cast<const char*>(data);
  std::optional<uint64_t>& budget = Machine().writeBudget;
  if (budget) {
    // A full drive: what fits is written, then the write fails as Windows reports it.
    const size_t fits = size_t(std::min<uint64_t>(*budget, size));
    if (fits < size) {
      if (fits > 0 && ::write(static_cast<int>(handle_), p, fits) < 0) {}
      *budget = 0;
      SetError(err::kErrorDiskFull);
      return false;
    }
    *budget -= size;
  }
  while (size > 0) {
    ssize_t n = write(static_cast<int>(handle_), p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A handle opened for reading refuses writes with "access denied" on Windows.
      if (errno == EBADF) {
        SetError(err::kErrorAccessDenied);
      } else {
        SetErrorFromErrno(n == 0 ? ENOSPC : errno);
      }
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool File::SetModifiedTime(uint64_t filetime) {
  if (!IsOpen()) {
    SetError(err::kErrorInvalidHandle);
    return false;
  }
  // 100 ns units since 1601; floor division keeps times before 1970 right.
  int64_t since1970 = static_cast<int64_t>(filetime - kFiletimeUnixEpoch);
  int64_t seconds = since1970 / 10000000;
  int64_t rest = since1970 % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), static_cast<long>(rest * 100)}};
  if (futimens(static_cast<int>(handle_), times) != 0) {
    SetErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool File::Truncate() {
  if (!IsOpen()) {
    SetError(err::kErrorInvalidHandle);
    return false;
  }
  off_t position = lseek(static_cast<int>(handle_), 0, SEEK_CUR);
  if (position < 0 || ftruncate(static_cast<int>(handle_), position) != 0) {
    SetErrorFromErrno(errno == EBADF || errno == EINVAL ? EACCES : errno);
    return false;
  }
  return true;
}

void File::Close() {
  if (!IsOpen()) return;
  CountClose(handle_);
  close(static_cast<int>(handle_));
  handle_ = kInvalid;
}

// ---------------------------------------------------------------------------------------------
// Paths

bool FileExists(const std::string& path) {
  std::optional<struct stat> st = StatOf(MapPath(path).host);
  return st && !S_ISDIR(st->st_mode);
}

bool DirectoryExists(const std::string& path) {
  std::optional<struct stat> st = StatOf(MapPath(path).host);
  return st && S_ISDIR(st->st_mode);
}

bool PathExists(const std::string& path) { return StatOf(MapPath(path).host).has_value(); }

int64_t FreeDiskBytes(const std::string& path) {
  const std::string root = path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) + "\\" : "C:\\";
  if (!DirectoryExists(root)) {
    SetError(err::kErrorPathNotFound);
    return -1;
  }
  const auto& s = Machine();
  if (s.writeBudget && int64_t(*s.writeBudget) < s.freeDiskBytes) return int64_t(*s.writeBudget);
  return s.freeDiskBytes;
}

std::optional<uint64_t> FileSize(const std::string& path) {
  Mapped m = MapPath(path);
  std::optional<struct stat> st = StatOf(m.host);
  if (!st) {
    SetMissingError(m.host);
    return std::nullopt;
  }
  if (S_ISDIR(st->st_mode)) {
    SetError(err::kErrorAccessDenied);
    return std::nullopt;
  }
  return static_cast<uint64_t>(st->st_size);
}

bool ReadFileBytes(const std::string& path, Bytes& out) {
  File file = File::Open(path, OpenMode::kRead);
  if (!file.IsOpen()) return false;
  std::optional<uint64_t> size = file.Size();
  if (!size) return false;
  Bytes data(static_cast<size_t>(*size), '\0');
  if (!file.ReadExact(data.data(), data.size())) return false;
  out = std::move(data);
  return true;
}

bool WriteFileBytes(const std::string& path, BytesView data) {
  File file = File::Open(path, OpenMode::kCreateAlways);
  return file.IsOpen() && file.Write(data);
}

bool CreateDirectory(const std::string& path) {
  Mapped m = MapPath(path);
  if (!m.validName) {
    SetError(kErrorInvalidName);
    return false;
  }
  std::optional<struct stat> st = StatOf(m.host);
  if (st) {
    if (S_ISDIR(st->st_mode)) return true;
    SetError(err::kErrorAlreadyExists);
    return false;
  }
  if (mkdir(m.host.c_str(), 0777) != 0) {
    if (errno == ENOENT) {
      SetError(err::kErrorPathNotFound);
    } else {
      SetErrorFromErrno(errno);
    }
    return false;
  }
  if (std::optional<struct stat> created = StatOf(m.host)) ForgetFile(IdOf(*created));
  return true;
}

static std::optional<struct stat> StatFolder(const Mapped& m);

bool CreateFreshDirectory(const std::string& path) {
  Mapped m = MapPath(path);
  if (!m.validName) {
    SetError(kErrorInvalidName);
    return false;
  }
  if (mkdir(m.host.c_str(), 0777) != 0) {
    if (errno == EEXIST) {
      SetError(err::kErrorAlreadyExists);
    } else if (errno == ENOENT) {
      SetError(err::kErrorPathNotFound);
    } else {
      SetErrorFromErrno(errno);
    }
    return false;
  }
  if (std::optional<struct stat> created = StatOf(m.host)) {
    ForgetFile(IdOf(*created));
    if (Machine().elevated) Machine().folderAccess[IdOf(*created)] = host::FolderAccess::kPrivate;
  }
  return true;
}

bool SetProgramFolderAccess(const std::string& folder) {
  std::optional<struct stat> st = StatFolder(MapPath(folder));
  if (!st) return false;
  Machine().folderAccess[IdOf(*st)] = host::FolderAccess::kProgram;
  return true;
}

namespace host {

FolderAccess FolderAccessOf(const std::string& path) {
  std::optional<struct stat> st = StatOf(MapPath(path).host);
  if (!st) return FolderAccess::kInherited;
  auto it = Machine().folderAccess.find(IdOf(*st));
  return it == Machine().folderAccess.end() ? FolderAccess::kInherited : it->second;
}

}  // namespace host

bool CreateDirectories(const std::string& path) {
  Mapped m = MapPath(path);
  if (!m.validName) {
    SetError(kErrorInvalidName);
    return false;
  }
  if (m.rootLength > 0) {
    // The drive itself is never created: a missing drive fails as on Windows.
    std::optional<struct stat> root = StatOf(m.host.substr(0, m.rootLength));
    if (!root || !S_ISDIR(root->st_mode)) {
      SetError(err::kErrorPathNotFound);
      return false;
    }
  }
  size_t position = m.rootLength;
  for (;;) {
    size_t next = m.host.find('/', position + 1);
    std::string prefix = m.host.substr(0, next);
    if (prefix.size() > m.rootLength && !prefix.empty() && prefix.back() != '/') {
      std::optional<struct stat> st = StatOf(prefix);
      if (!st) {
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
          SetErrorFromErrno(errno);
          return false;
        }
      } else if (!S_ISDIR(st->st_mode)) {
        SetError(err::kErrorAlreadyExists);
        return false;
      }
    }
    if (next == std::string::npos) break;
    position = next;
  }
  return DirectoryExists(path);
}

bool DeleteFile(const std::string& path) {
  Mapped m = MapPath(path);
  struct stat st{};
  if (lstat(m.host.c_str(), &st) != 0) {
    SetMissingError(m.host);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    SetError(err::kErrorAccessDenied);
    return false;
  }
  if (IsOpenAnywhere(IdOf(st))) {
    SetError(err::kErrorSharingViolation);
    return false;
  }
  if (unlink(m.host.c_str()) != 0) {
    SetErrorFromErrno(errno);
    return false;
  }
  ForgetFile(IdOf(st));
  return true;
}

// The folder's status, or nullopt with the Windows error of a missing path or a non-folder.
static std::optional<struct stat> StatFolder(const Mapped& m) {
  std::optional<struct stat> st = StatOf(m.host);
  if (!st) {
    SetMissingError(m.host);
    return std::nullopt;
  }
  if (!S_ISDIR(st->st_mode)) {
    SetError(err::kErrorDirectory);
    return std::nullopt;
  }
  return st;
}

bool RemoveDirectory(const std::string& path) {
  Mapped m = MapPath(path);
  std::optional<struct stat> st = StatFolder(m);
  if (!st) return false;
  if (IsOpenAnywhere(IdOf(*st))) {
    SetError(err::kErrorSharingViolation);
    return false;
  }
  if (rmdir(m.host.c_str()) != 0) {
    SetErrorFromErrno(errno == EEXIST ? ENOTEMPTY : errno);
    return false;
  }
  ForgetFile(IdOf(*st));
  return true;
}

bool RemoveDirectoryTree(const std::string& path) {
  Mapped m = MapPath(path);
  if (!StatFolder(m)) return false;
  return RemoveTree(m.host);
}

bool CopyFile(const std::string& from, const std::string& to, bool overwrite) {
  Mapped source = MapPath(from);
  Mapped target = MapPath(to);
  if (!target.validName) {
    SetError(kErrorInvalidName);
    return false;
  }
  std::optional<struct stat> fromStat = StatOf(source.host);
  if (!fromStat) {
    SetMissingError(source.host);
    return false;
  }
  if (S_ISDIR(fromStat->st_mode)) {
    SetError(err::kErrorAccessDenied);
    return false;
  }
  if (CountsOf(IdOf(*fromStat)).writers > 0) {
    SetError(err::kErrorSharingViolation);
    return false;
  }
  if (std::optional<struct stat> toStat = StatOf(target.host)) {
    if (!overwrite) {
      SetError(err::kErrorFileExists);
      return false;
    }
    if (S_ISDIR(toStat->st_mode) || IsReadOnly(IdOf(*toStat))) {
      SetError(err::kErrorAccessDenied);
      return false;
    }
    if (IdOf(*toStat) == IdOf(*fromStat) || IsOpenAnywhere(IdOf(*toStat))) {
      SetError(err::kErrorSharingViolation);
      return false;
    }
  }
  return CopyContents(source.host, target.host, *fromStat);
}

bool MoveFile(const std::string& from, const std::string& to) {
  Mapped source = MapPath(from);
  Mapped target = MapPath(to);
  if (!target.validName) {
    SetError(kErrorInvalidName);
    return false;
  }
  struct stat fromStat{};
  if (lstat(source.host.c_str(), &fromStat) != 0) {
    SetMissingError(source.host);
    return false;
  }
  bool fromIsDirectory = S_ISDIR(fromStat.st_mode);
  if (fromIsDirectory ? TreeHasOpenFile(source.host) : IsOpenAnywhere(IdOf(fromStat))) {
    SetError(fromIsDirectory ? err::kErrorAccessDenied : err::kErrorSharingViolation);
    return false;
  }
  if (std::optional<struct stat> toStat = StatOf(target.host)) {
    bool same = IdOf(*toStat) == IdOf(fromStat);
    if (!same) {
      // Only a file can be replaced, and only one that is neither read-only nor in use.
      if (S_ISDIR(toStat->st_mode) || fromIsDirectory || IsReadOnly(IdOf(*toStat))) {
        SetError(err::kErrorAccessDenied);
        return false;
      }
      if (IsOpenAnywhere(IdOf(*toStat))) {
        SetError(err::kErrorSharingViolation);
        return false;
      }
      ForgetFile(IdOf(*toStat));
    }
  }
  if (rename(source.host.c_str(), target.host.c_str()) == 0) return true;
  if (errno == EXDEV && !fromIsDirectory) {
    // Another volume: copy and delete, as MOVEFILE_COPY_ALLOWED does.
    if (!CopyContents(source.host, target.host, fromStat)) return false;
    unlink(source.host.c_str());
    ForgetFile(IdOf(fromStat));
    return true;
  }
  if (errno == ENOENT) {
    SetError(err::kErrorPathNotFound);
  } else {
    SetErrorFromErrno(errno);
  }
  return false;
}

uint32_t GetFileAttributes(const std::string& path) {
  Mapped m = MapPath(path);
  std::optional<struct stat> st = StatOf(m.host);
  if (!st) {
    SetMissingError(m.host);
    return 0xFFFFFFFF;
  }
  return StoredAttributes(IdOf(*st), S_ISDIR(st->st_mode)) | ReparseBit(m.host);
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
  Mapped m = MapPath(path);
  std::optional<struct stat> st = StatOf(m.host);
  if (!st) {
    SetMissingError(m.host);
    return false;
  }
  Machine().attributes[IdOf(*st)] = attributes & ~(err::kAttrDirectory | err::kAttrNormal);
  return true;
}

std::vector<DirEntry> ListDirectory(const std::string& folder) {
  std::vector<DirEntry> entries;
  Mapped m = MapPath(folder);
  DIR* dir = opendir(m.host.c_str());
  if (!dir) {
    SetOpenError(m.host);
    return entries;
  }
  while (dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    const std::string hostPath = m.host + "/" + entry->d_name;
    std::optional<struct stat> st = StatOf(hostPath);
    if (!st) continue;  // a dangling link: Windows would not show it either
    DirEntry e;
    e.name = NameFromHost(entry->d_name);
    e.isDirectory = S_ISDIR(st->st_mode);
    e.size = e.isDirectory ? 0 : static_cast<uint64_t>(st->st_size);
    e.attributes = StoredAttributes(IdOf(*st), e.isDirectory) | ReparseBit(hostPath);
    entries.push_back(std::move(e));
  }
  closedir(dir);
  return entries;
}

namespace host {

std::string HostPath(const std::string& windowsPath) { return MapPath(windowsPath).host; }

}  // namespace host
}  // namespace plat
