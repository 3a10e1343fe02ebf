// The 7z container: finding the signature header and parsing the (possibly encoded) header
// into a database of packed streams, folders and entries. Every read is bounds-checked; the
// input is untrusted.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/coders.h"

namespace archive::detail {

struct Database {
  std::vector<uint64_t> packOffsets;  // absolute offsets in the source
  std::vector<uint64_t> packSizes;
  std::vector<Folder> folders;
  std::vector<Entry> entries;
  // For every entry with a stream: its folder (also in Entry) and its index in the folder.
  std::vector<uint64_t> indexInFolder;
};

// Finds the archive in `source` (at 0, or behind prepended bytes), reads and decodes its
// header. Results: kOk, kNotFound (read error), kNotArchive, kHeaderBroken, kWrongPassword,
// kUnsupportedMethod.
Status ReadDatabase(Source& source, KeyCache& keys, Database* db);

// The packed-stream offsets and sizes of one folder, in its packedStreams order.
void FolderPackStreams(const Database& db, size_t folder, std::vector<uint64_t>* offsets,
                       std::vector<uint64_t>* sizes);

}  // namespace archive::detail
