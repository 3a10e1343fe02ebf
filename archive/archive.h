// The 7z engine: opens a 7z archive (plain, behind a prefix, with trailing bytes, or split into
// numbered volumes), lists its entries and extracts a selection into a destination folder.
//
// Files are reached only through platform/platform.h, so every path here is GBK with "\"
// separators. Nothing throws; every routine returns a Status.
//
// Extraction streams: each folder (the 7z unit of compression) is decoded through a bounded
// buffer and files are written as their bytes arrive, so memory stays near the dictionary size
// however large a solid folder is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace archive {

// Results, ordered roughly by how early they can happen. Values are stable.
enum class Status : int {
  kOk = 0,
  kNotFound = 1,           // the archive (or a needed volume) cannot be opened or read
  kNotArchive = 2,         // no 7z signature with a valid start header
  kHeaderBroken = 3,       // the header is truncated, fails its CRC or does not parse
  kWrongPassword = 4,      // encrypted data did not decode (or no password was given)
  kUnsupportedMethod = 5,  // a coder we do not implement (PPMd, BZip2, ...)
  kDataError = 6,          // packed data is corrupt, or a file fails its CRC
  kWriteError = 7,         // a destination file or folder could not be created or written
  kCancelled = 8,          // the callback asked to stop
};

// Short English description for logs and the command-line front end.
const char* StatusText(Status status);

struct Entry {
  std::u16string rawName;  // as stored: UTF-16, "/" separators
  // The relative path the entry is written to: sanitised components joined by "\", GBK
  // (characters GBK lacks become "_"). An entry without a name takes ArchiveItemName of the
  // archive (as 7-Zip does). Empty when every component of a name is dropped ("..", "/").
  std::string path;
  bool isDirectory = false;
  bool hasStream = false;  // false for directories and empty files
  uint64_t size = 0;
  bool hasCrc = false;
  uint32_t crc = 0;
  bool hasAttributes = false;
  uint32_t attributes = 0;  // Windows attributes (high 16 bits: Unix mode when 0x8000 is set)
  bool hasModifiedTime = false;
  uint64_t modifiedTime = 0;  // FILETIME
  bool isAnti = false;        // a deletion marker of an update archive; never extracted
  bool encrypted = false;     // its folder goes through 7zAES
  int folder = -1;            // folder index, -1 without a stream
};

// Per-file notifications of an extraction. Returning false from any of them cancels the job
// (the file being written is deleted and Extract returns kCancelled).
class ExtractCallback {
 public:
  virtual ~ExtractCallback() = default;
  // A file or folder is about to be written; `destPath` is its full destination path.
  virtual bool BeginFile(const Entry& entry, const std::string& destPath) {
    (void)entry, (void)destPath;
    return true;
  }
  // `written` bytes of the current file are on disk (called at least once per file, with the
  // full size at the end).
  virtual bool Progress(const Entry& entry, uint64_t written) {
    (void)entry, (void)written;
    return true;
  }
  // The entry is done; `status` is kOk or the error that hit it (the file is then removed).
  virtual bool EndFile(const Entry& entry, Status status) {
    (void)entry, (void)status;
    return true;
  }
};

class Reader {
 public:
  Reader();
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Opens `path`. A name ending in ".001" opens the numbered volumes .001, .002, ... as one
  // stream. `password` is GBK (converted to UTF-16 for the key); it is only needed for an
  // encrypted header here, and is kept for the data. Results: kOk, kNotFound, kNotArchive,
  // kHeaderBroken, kWrongPassword (encrypted header), kUnsupportedMethod (header coder).
  [[nodiscard]] Status Open(const std::string& path, const std::string& password);
  // The same over bytes in memory (tests and the fuzz target); `archiveName` stands in for
  // the path where unnamed entries are concerned.
  [[nodiscard]] Status OpenMemory(Bytes data, const std::string& password,
                                  const std::string& archiveName = "");

  const std::vector<Entry>& Entries() const;

  // A sentence about the first error of the last Open/Extract/Test ("" after success), naming
  // the entry and, for an unsupported method, the method: for messages and logs.
  const std::string& ErrorDetail() const;

  // Extracts the entries whose index has `selected[i]` true (an empty vector selects all) into
  // `destFolder` (created when missing; with or without trailing "\"). Existing files are
  // replaced. Every entry is tried even after an error in another folder; the result is the
  // first error met (kCancelled stops at once). A file that fails its CRC or cannot be fully
  // decoded is deleted.
  // With `fullPaths` false, files go straight into `destFolder` under their last name
  // component and directory entries are skipped.
  [[nodiscard]] Status Extract(const std::vector<bool>& selected, const std::string& destFolder,
                               ExtractCallback* callback, bool fullPaths = true);

  // Decodes every selected file without writing anything (for an integrity test).
  [[nodiscard]] Status Test(const std::vector<bool>& selected);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Rewrites one stored name into a safe relative path (see Entry::path): "/" and "\" separate;
// empty, "." and ".." components are dropped; characters Windows forbids in names and control
// characters become "_", as does a trailing dot or space; reserved device names (CON, NUL,
// COM1...) get a "_" prefix. The result never leaves the folder it is joined to.
std::string SanitizePath(std::u16string_view name);

// The path an entry without a name is written to, from the archive's path as 7-Zip forms it:
// the file name without ".001" of a volume set and then without ".7z" (any case); failing that
// the file name up to its last dot ("setup.exe" gives "setup"), or with "~" appended when it
// has no dot after its first character. Sanitised like any stored name.
std::string ArchiveItemName(const std::string& archivePath);

}  // namespace archive
