// Files on the host: Windows-style paths mapped into the sandbox folder.
#include "platform/platform.h"

namespace plat {

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
File File::Open(const std::string&, OpenMode) { return File(); }
std::optional<uint64_t> File::Size() const { return std::nullopt; }
bool File::Seek(uint64_t) { return false; }
int64_t File::Read(void*, size_t) { return -1; }
bool File::ReadExact(void*, size_t) { return false; }
bool File::Write(const void*, size_t) { return false; }
bool File::SetModifiedTime(uint64_t) { return false; }
bool File::Truncate() { return false; }
void File::Close() { handle_ = kInvalid; }

bool FileExists(const std::string&) { return false; }
bool DirectoryExists(const std::string&) { return false; }
bool PathExists(const std::string&) { return false; }
std::optional<uint64_t> FileSize(const std::string&) { return std::nullopt; }
bool ReadFileBytes(const std::string&, Bytes&) { return false; }
bool WriteFileBytes(const std::string&, BytesView) { return false; }
bool CreateDirectory(const std::string&) { return false; }
bool CreateDirectories(const std::string&) { return false; }
bool DeleteFile(const std::string&) { return false; }
bool RemoveDirectory(const std::string&) { return false; }
bool RemoveDirectoryTree(const std::string&) { return false; }
bool CopyFile(const std::string&, const std::string&, bool) { return false; }
bool MoveFile(const std::string&, const std::string&) { return false; }
uint32_t GetFileAttributes(const std::string&) { return 0xFFFFFFFF; }
bool SetFileAttributes(const std::string&, uint32_t) { return false; }
std::vector<DirEntry> ListDirectory(const std::string&) { return {}; }

}  // namespace plat
