// Reader: opening an archive and extracting (or testing) its entries folder by folder.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "archive/archive.h"
#include "archive/coders.h"
#include "archive/header.h"
#include "archive/parallel.h"
#include "archive/stream.h"
#include "common/text.h"
#include "platform/platform.h"

namespace archive {

const char* StatusText(Status status) {
  switch (status) {
    case Status::kOk: return "ok";
    case Status::kNotFound: return "archive not found or unreadable";
    case Status::kNotArchive: return "not a 7z archive";
    case Status::kHeaderBroken: return "archive header is broken";
    case Status::kWrongPassword: return "wrong password";
    case Status::kUnsupportedMethod: return "unsupported compression method";
    case Status::kDataError: return "data error (CRC or corrupt data)";
    case Status::kWriteError: return "cannot write the output";
    case Status::kCancelled: return "cancelled";
  }
  return "unknown error";
}

namespace {

constexpr size_t kCopyBuffer = 1 << 20;
constexpr uint32_t kAttrReadOnly = 0x01, kAttrHidden = 0x02, kAttrSystem = 0x04;
constexpr uint32_t kAttrArchive = 0x20, kAttrNormal = 0x80;

constexpr auto kBothSlashes = text::PathSeparators::kBothSlashes;

// The destination without trailing separators, except the one of a drive root or "/".
std::string TrimFolder(const std::string& folder) {
  const size_t keep = folder.size() >= 3 && folder[1] == ':' ? 3 : 1;
  return text::StripTrailingSeparators(folder, keep, kBothSlashes);
}

std::string JoinPath(const std::string& root, const std::string& relative) {
  if (root.empty()) return relative;
  if (text::EndsWithSeparator(root, kBothSlashes)) return root + relative;
  return root + "\\" + relative;
}

// A failed data stream in an encrypted folder almost always means the key was wrong.
Status DataFailure(const Entry& e, Status s) {
  return (e.encrypted && s == Status::kDataError) ? Status::kWrongPassword : s;
}

}  // namespace

struct Reader::Impl {
  std::unique_ptr<detail::Source> source;
  detail::Database db;
  detail::KeyCache keys;
  bool open = false;
  std::string errorDetail;

  Status OpenSource(std::unique_ptr<detail::Source> src, const std::string& password,
                    const std::string& archivePath) {
    open = false;
    db = detail::Database();
    keys.Clear();
    if (!password.empty()) keys.SetPassword(password);
    source = std::move(src);
    errorDetail.clear();
    Status s = detail::ReadDatabase(*source, keys, &db);
    if (s != Status::kOk) {
      db = detail::Database();
      errorDetail = StatusText(s);
      return s;
    }
    // 7-Zip writes an entry without a name under the archive's own name; skipping it would
    // report success for a file that was never written.
    for (Entry& e : db.entries)
      if (e.rawName.empty()) e.path = ArchiveItemName(archivePath);
    open = true;
    return Status::kOk;
  }

  Status Run(const std::vector<bool>& selected, const std::string* dest, ExtractCallback* cb,
             bool fullPaths);
  Status WriteEntry(const Entry& e, const std::string& destPath, detail::InStream* stream,
                    std::vector<uint8_t>& buf, ExtractCallback* cb, bool* streamBroken);
  // The folder the last file went into: an archive lists a folder's files together, so most
  // entries need no look at their folders at all (which costs a call per path component).
  std::string lastFolder;
  Status Discard(const Entry& e, detail::InStream& stream, std::vector<uint8_t>& buf);
};

Status Reader::Impl::Discard(const Entry& e, detail::InStream& stream, std::vector<uint8_t>& buf) {
  uint64_t left = e.size;
  uLong crc = crc32(0L, Z_NULL, 0);
  while (left > 0) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    size_t got = 0;
    Status s = detail::ReadFull(stream, buf.data(), want, &got);
    if (s != Status::kOk) return s;
    if (got < want) return Status::kDataError;
    crc = crc32(crc, buf.data(), static_cast<uInt>(got));
    left -= got;
  }
  if (e.hasCrc && static_cast<uint32_t>(crc) != e.crc) return Status::kDataError;
  return Status::kOk;
}

Status Reader::Impl::WriteEntry(const Entry& e, const std::string& destPath,
                                detail::InStream* stream, std::vector<uint8_t>& buf,
                                ExtractCallback* cb, bool* streamBroken) {
  *streamBroken = false;
  size_t sep = text::FindLastSeparator(destPath);
  std::string folder = sep != std::string::npos && sep > 0 ? destPath.substr(0, sep) : "";
  // An entry in the folder the last one went into does not look at the folder again.
  bool sameFolder = !folder.empty() && folder == lastFolder;
  if (!sameFolder && !folder.empty()) plat::CreateDirectories(folder);
  lastFolder = folder;
  plat::File file = plat::File::Open(destPath, plat::OpenMode::kCreateAlways);
  if (!file.IsOpen() && sameFolder) {
    // The folder made for an earlier entry may have gone since (another program removed it).
    plat::CreateDirectories(folder);
    file = plat::File::Open(destPath, plat::OpenMode::kCreateAlways);
  }
  if (!file.IsOpen() && plat::FileExists(destPath)) {
    // A read-only file of an earlier run: replace it, as "-y" promises.
    plat::SetFileAttributes(destPath, kAttrNormal);
    plat::DeleteFile(destPath);
    file = plat::File::Open(destPath, plat::OpenMode::kCreateAlways);
  }
  bool writable = file.IsOpen();
  Status status = writable ? Status::kOk : Status::kWriteError;
  uint64_t left = e.size, written = 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  while (left > 0) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    size_t got = 0;
    Status s = stream ? detail::ReadFull(*stream, buf.data(), want, &got) : Status::kDataError;
    if (s == Status::kOk && got < want) s = Status::kDataError;
    if (s != Status::kOk) {
      status = DataFailure(e, s);
      *streamBroken = true;
      break;
    }
    crc = crc32(crc, buf.data(), static_cast<uInt>(got));
    left -= got;
    // After a write failure the rest of the file is still read, so the folder's later
    // files stay in step.
    if (writable && !file.Write(buf.data(), got)) {
      writable = false;
      status = Status::kWriteError;
    }
    written += got;
    if (writable && cb && !cb->Progress(e, written)) {
      file.Close();
      plat::DeleteFile(destPath);
      return Status::kCancelled;
    }
  }
  if (status == Status::kOk && e.hasCrc && static_cast<uint32_t>(crc) != e.crc)
    status = DataFailure(e, Status::kDataError);
  if (status == Status::kOk && e.size == 0 && cb && !cb->Progress(e, 0)) {
    file.Close();
    plat::DeleteFile(destPath);
    return Status::kCancelled;
  }
  if (status == Status::kOk) {
    if (e.hasModifiedTime) file.SetModifiedTime(e.modifiedTime);
    file.Close();
    uint32_t keep = e.attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem);
    if (e.hasAttributes && keep != 0)
      plat::SetFileAttributes(destPath, keep | (e.attributes & kAttrArchive));
  } else {
    // Never leave a file behind that looks complete but is not.
    file.Close();
    if (plat::FileExists(destPath)) plat::DeleteFile(destPath);
  }
  return status;
}

Status Reader::Impl::Run(const std::vector<bool>& selected, const std::string* dest,
                         ExtractCallback* cb, bool fullPaths) {
  if (!open) return Status::kNotFound;
  const std::vector<Entry>& entries = db.entries;
  auto isSelected = [&](size_t i) {
    if (entries[i].isAnti) return false;
    return selected.empty() || (i < selected.size() && selected[i]);
  };
  std::string root;
  if (dest) {
    root = TrimFolder(*dest);
    if (!root.empty() && !plat::DirectoryExists(root) && !plat::CreateDirectories(root))
      return Status::kWriteError;
  }
  std::vector<bool> folderNeeded(db.folders.size(), false);
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].hasStream && isSelected(i)) folderNeeded[static_cast<size_t>(entries[i].folder)] = true;

  Status first = Status::kOk;
  errorDetail.clear();
  auto noteFor = [&](const Entry& e, Status s) {
    if (first != Status::kOk || s == Status::kOk) return;
    first = s;
    errorDetail = std::string(StatusText(s)) + ": " + e.path;
    if (s == Status::kUnsupportedMethod && e.folder >= 0) {
      errorDetail += " (method";
      for (const detail::CoderInfo& c : db.folders[static_cast<size_t>(e.folder)].coders)
        errorDetail += " " + detail::MethodName(c.methodId);
      errorDetail += ")";
    }
  };
  auto destFor = [&](const Entry& e) {
    if (fullPaths) return JoinPath(root, e.path);
    size_t sep = text::FindLastSeparator(e.path);
    return JoinPath(root, sep == std::string::npos ? e.path : e.path.substr(sep + 1));
  };
  std::vector<uint8_t> buf(kCopyBuffer);
  lastFolder.clear();
  int current = -1;
  std::unique_ptr<detail::InStream> stream;
  Status folderStatus = Status::kOk;
  // Two or more folders that fit in memory: decoded side by side, ahead of the files.
  std::unique_ptr<detail::FolderPrefetch> prefetch;
  const unsigned threads = detail::DecodeThreads();
  if (threads > 1) {
    std::vector<size_t> order;
    for (size_t f = 0; f < folderNeeded.size(); ++f)
      if (folderNeeded[f]) order.push_back(f);
    size_t inMemory = detail::FolderPrefetch::InMemory(db, order);
    if (inMemory >= 2)
      prefetch = std::make_unique<detail::FolderPrefetch>(
          *source, db, keys, order, static_cast<unsigned>(std::min<size_t>(threads, inMemory)));
  }

  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    bool sel = isSelected(i);
    if (!e.hasStream) {
      if (!sel || e.path.empty() || !dest || (e.isDirectory && !fullPaths)) continue;
      std::string destPath = destFor(e);
      if (cb && !cb->BeginFile(e, destPath)) return Status::kCancelled;
      Status s = Status::kOk;
      if (e.isDirectory) {
        if (!plat::CreateDirectories(destPath)) s = Status::kWriteError;
      } else {
        bool broken = false;
        s = WriteEntry(e, destPath, nullptr, buf, cb, &broken);
      }
      noteFor(e, s);
      if (s == Status::kCancelled || (cb && !cb->EndFile(e, s))) return Status::kCancelled;
      continue;
    }
    auto folder = static_cast<size_t>(e.folder);
    if (!folderNeeded[folder]) continue;
    if (e.folder != current) {
      current = e.folder;
      stream.reset();
      if (!prefetch || !prefetch->Take(folder, &folderStatus, &stream)) {
        std::vector<uint64_t> offsets, sizes;
        detail::FolderPackStreams(db, folder, &offsets, &sizes);
        folderStatus = detail::OpenFolder(*source, db.folders[folder], offsets, sizes, keys, &stream);
      }
      if (folderStatus == Status::kDataError) folderStatus = DataFailure(e, folderStatus);
    }
    if (folderStatus != Status::kOk) {
      if (sel) {
        noteFor(e, folderStatus);
        if (cb && !cb->EndFile(e, folderStatus)) return Status::kCancelled;
      }
      continue;
    }
    if (!sel || !dest || e.path.empty()) {
      Status s = Discard(e, *stream, buf);
      if (s != Status::kOk) {
        s = DataFailure(e, s);
        if (sel) {
          noteFor(e, s);
          if (cb && !cb->EndFile(e, s)) return Status::kCancelled;
        }
        folderStatus = s;
      }
      continue;
    }
    std::string destPath = destFor(e);
    if (cb && !cb->BeginFile(e, destPath)) return Status::kCancelled;
    bool broken = false;
    Status s = WriteEntry(e, destPath, stream.get(), buf, cb, &broken);
    if (s == Status::kCancelled) return s;
    if (broken) folderStatus = s;
    noteFor(e, s);
    if (cb && !cb->EndFile(e, s)) return Status::kCancelled;
  }
  return first;
}

Reader::Reader() : impl_(std::make_unique<Impl>()) {}
Reader::~Reader() = default;

Status Reader::Open(const std::string& path, const std::string& password) {
  auto source = std::make_unique<detail::FileSource>();
  if (!source->Open(path)) {
    impl_->open = false;
    impl_->db = detail::Database();
    impl_->errorDetail = StatusText(Status::kNotFound);
    return Status::kNotFound;
  }
  return impl_->OpenSource(std::move(source), password, path);
}

Status Reader::OpenMemory(Bytes data, const std::string& password,
                          const std::string& archiveName) {
  return impl_->OpenSource(std::make_unique<detail::MemorySource>(std::move(data)), password,
                           archiveName);
}

const std::vector<Entry>& Reader::Entries() const { return impl_->db.entries; }

const std::string& Reader::ErrorDetail() const { return impl_->errorDetail; }

Status Reader::Extract(const std::vector<bool>& selected, const std::string& destFolder,
                       ExtractCallback* callback, bool fullPaths) {
  return impl_->Run(selected, &destFolder, callback, fullPaths);
}

Status Reader::Test(const std::vector<bool>& selected) {
  return impl_->Run(selected, nullptr, nullptr, true);
}

}  // namespace archive
