#include "archive/header.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace archive::detail {
namespace {

enum Property : uint64_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kMTime = 0x14,
  kWinAttributes = 0x15,
  kEncodedHeader = 0x17,
};

constexpr uint64_t kScanLimit = 8ull << 20;        // how far a prefix may reach
constexpr uint64_t kMaxHeaderSize = 1ull << 30;    // a stored header larger than this is damage
constexpr uint64_t kMaxItems = 1ull << 22;

uint32_t Crc(const uint8_t* data, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (size > 0) {
    uInt n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc = crc32(crc, data, n);
    data += n;
    size -= n;
  }
  return static_cast<uint32_t>(crc);
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint64_t Le64(const uint8_t* p) { return Le32(p) | (uint64_t{Le32(p + 4)} << 32); }

// Reads header fields; any overrun marks the parse failed and yields zeros, so callers check
// ok() at their decision points instead of after every field.
class Parser {
 public:
  Parser(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}
  bool ok() const { return ok_; }
  void Fail() { ok_ = false; }
  size_t Left() const { return static_cast<size_t>(end_ - p_); }
  uint8_t Byte() {
    if (p_ >= end_) {
      ok_ = false;
      return 0;
    }
    return *p_++;
  }
  uint64_t Number() {
    uint8_t first = Byte();
    uint64_t value = 0;
    uint8_t mask = 0x80;
    for (int i = 0; i < 8; ++i) {
      if ((first & mask) == 0) {
        uint64_t high = first & (mask - 1u);
        return value | (high << (8 * i));
      }
      value |= uint64_t{Byte()} << (8 * i);
      mask >>= 1;
    }
    return value;
  }
  // A count that must fit what is left (each counted item takes at least one byte, or
  // `perByte` items per byte for bit vectors).
  uint64_t Count(uint64_t perByte = 1) {
    uint64_t n = Number();
    if (n > kMaxItems || n > Left() * perByte + perByte) ok_ = false;
    return ok_ ? n : 0;
  }
  uint32_t U32() {
    const uint8_t* p = Take(4);
    return p ? Le32(p) : 0;
  }
  uint64_t U64() {
    const uint8_t* p = Take(8);
    return p ? Le64(p) : 0;
  }
  const uint8_t* Take(size_t n) {
    if (n > Left()) {
      ok_ = false;
      p_ = end_;
      return nullptr;
    }
    const uint8_t* r = p_;
    p_ += n;
    return r;
  }
  std::vector<bool> Bits(size_t n) {
    std::vector<bool> bits(n, false);
    const uint8_t* p = Take((n + 7) / 8);
    if (!p) return bits;
    for (size_t i = 0; i < n; ++i) bits[i] = (p[i / 8] >> (7 - i % 8)) & 1;
    return bits;
  }
  // "All defined" byte, then a bit vector when it is 0.
  std::vector<bool> Defined(size_t n) {
    if (Byte() != 0) return std::vector<bool>(n, true);
    return Bits(n);
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  bool ok_ = true;
};

struct Streams {
  uint64_t packPos = 0;
  std::vector<uint64_t> packSizes;
  std::vector<Folder> folders;
  std::vector<uint64_t> subSizes;
  std::vector<bool> subHasCrc;
  std::vector<uint32_t> subCrcs;
};

void ReadDigests(Parser& r, size_t n, std::vector<bool>* defined, std::vector<uint32_t>* crcs) {
  *defined = r.Defined(n);
  crcs->assign(n, 0);
  for (size_t i = 0; i < n && r.ok(); ++i)
    if ((*defined)[i]) (*crcs)[i] = r.U32();
}

bool ReadFolder(Parser& r, Folder& f) {
  uint64_t numCoders = r.Number();
  if (numCoders == 0 || numCoders > 64) return false;
  uint64_t totalOut = 0;
  for (uint64_t i = 0; i < numCoders && r.ok(); ++i) {
    uint8_t flags = r.Byte();
    if (flags & 0xC0) return false;  // alternative methods were never written by any encoder
    CoderInfo c;
    const uint8_t* id = r.Take(flags & 0x0F);
    if (id) c.methodId.assign(reinterpret_cast<const char*>(id), flags & 0x0F);
    // Some writers store Copy as an id of length 0 rather than the one byte 00.
    if ((flags & 0x0F) == 0) c.methodId.assign(1, '\0');
    if (flags & 0x10) {
      uint64_t in = r.Number(), out = r.Number();
      if (in == 0 || in > 64 || out == 0 || out > 64) return false;
      c.numIn = static_cast<uint32_t>(in);
      c.numOut = static_cast<uint32_t>(out);
    }
    if (flags & 0x20) {
      uint64_t size = r.Number();
      if (size > r.Left()) return false;
      const uint8_t* props = r.Take(static_cast<size_t>(size));
      if (props) c.props.assign(reinterpret_cast<const char*>(props), static_cast<size_t>(size));
    }
    totalOut += c.numOut;
    f.coders.push_back(std::move(c));
  }
  uint64_t totalIn = 0;
  for (const CoderInfo& c : f.coders) totalIn += c.numIn;
  if (!r.ok() || totalOut == 0 || totalOut > 64 || totalIn > 64) return false;
  for (uint64_t i = 0; i + 1 < totalOut && r.ok(); ++i) {
    uint64_t in = r.Number(), out = r.Number();
    if (in >= totalIn || out >= totalOut) return false;
    f.bindPairs.push_back({static_cast<uint32_t>(in), static_cast<uint32_t>(out)});
  }
  if (totalIn < f.bindPairs.size() + 1) return false;
  uint64_t numPacked = totalIn - f.bindPairs.size();
  if (numPacked == 1) {
    for (uint32_t i = 0; i < totalIn; ++i) {
      bool bound = std::any_of(f.bindPairs.begin(), f.bindPairs.end(),
                               [i](const BindPair& bp) { return bp.inIndex == i; });
      if (!bound) {
        f.packedStreams.push_back(i);
        break;
      }
    }
  } else {
    for (uint64_t i = 0; i < numPacked && r.ok(); ++i) {
      uint64_t in = r.Number();
      if (in >= totalIn) return false;
      f.packedStreams.push_back(static_cast<uint32_t>(in));
    }
  }
  return r.ok() && f.packedStreams.size() == numPacked;
}

bool ReadSubStreams(Parser& r, Streams& s) {
  uint64_t type = r.Number();
  if (type == kNumUnpackStream) {
    uint64_t total = 0;
    for (Folder& f : s.folders) {
      f.numSubstreams = r.Number();
      total += f.numSubstreams;
      if (f.numSubstreams > kMaxItems || total > kMaxItems) return false;
    }
    type = r.Number();
  }
  for (const Folder& f : s.folders) {
    if (f.numSubstreams == 0) continue;
    uint64_t unpack = f.UnpackSize();
    if (type == kSize) {
      uint64_t sum = 0;
      for (uint64_t i = 1; i < f.numSubstreams && r.ok(); ++i) {
        uint64_t v = r.Number();
        if (v > unpack - sum) return false;
        sum += v;
        s.subSizes.push_back(v);
      }
      s.subSizes.push_back(unpack - sum);
    } else {
      if (f.numSubstreams != 1) return false;
      s.subSizes.push_back(unpack);
    }
  }
  if (type == kSize) type = r.Number();
  size_t needed = 0;
  for (const Folder& f : s.folders)
    if (!(f.numSubstreams == 1 && f.hasCrc)) needed += f.numSubstreams;
  std::vector<bool> defined(needed, false);
  std::vector<uint32_t> crcs(needed, 0);
  while (type != kEnd && r.ok()) {
    if (type != kCrc) return false;
    if (needed > r.Left() * 8 + 8) return false;
    ReadDigests(r, needed, &defined, &crcs);
    type = r.Number();
  }
  size_t k = 0;
  for (const Folder& f : s.folders) {
    if (f.numSubstreams == 1 && f.hasCrc) {
      s.subHasCrc.push_back(true);
      s.subCrcs.push_back(f.crc);
      continue;
    }
    for (uint64_t i = 0; i < f.numSubstreams; ++i, ++k) {
      s.subHasCrc.push_back(defined[k]);
      s.subCrcs.push_back(crcs[k]);
    }
  }
  return r.ok();
}

bool ReadStreamsInfo(Parser& r, Streams& s) {
  uint64_t type = r.Number();
  if (type == kPackInfo) {
    s.packPos = r.Number();
    uint64_t n = r.Count();
    type = r.Number();
    while (type != kEnd && r.ok()) {
      if (type == kSize) {
        for (uint64_t i = 0; i < n && r.ok(); ++i) s.packSizes.push_back(r.Number());
      } else if (type == kCrc) {
        std::vector<bool> d;
        std::vector<uint32_t> c;
        ReadDigests(r, static_cast<size_t>(n), &d, &c);
      } else {
        return false;
      }
      type = r.Number();
    }
    if (s.packSizes.size() != n) return false;
    type = r.Number();
  }
  if (type == kUnpackInfo) {
    if (r.Number() != kFolder) return false;
    uint64_t n = r.Count();
    if (r.Byte() != 0) return false;  // folders stored elsewhere: never written in practice
    s.folders.resize(static_cast<size_t>(n));
    for (Folder& f : s.folders)
      if (!ReadFolder(r, f)) return false;
    if (r.Number() != kCodersUnpackSize) return false;
    for (Folder& f : s.folders) {
      uint64_t outs = 0;
      for (const CoderInfo& c : f.coders) outs += c.numOut;
      for (uint64_t i = 0; i < outs && r.ok(); ++i) f.unpackSizes.push_back(r.Number());
    }
    type = r.Number();
    while (type != kEnd && r.ok()) {
      if (type != kCrc) return false;
      std::vector<bool> d;
      std::vector<uint32_t> c;
      ReadDigests(r, s.folders.size(), &d, &c);
      for (size_t i = 0; i < s.folders.size() && r.ok(); ++i) {
        s.folders[i].hasCrc = d[i];
        s.folders[i].crc = c[i];
      }
      type = r.Number();
    }
    if (!r.ok()) return false;
    size_t pack = 0;
    for (Folder& f : s.folders) {
      if (!ValidateFolder(f)) return false;
      f.firstPackStream = pack;
      pack += f.packedStreams.size();
    }
    if (pack > s.packSizes.size()) return false;
    type = r.Number();
  }
  if (type == kSubStreamsInfo) {
    if (!ReadSubStreams(r, s)) return false;
    type = r.Number();
  } else {
    for (const Folder& f : s.folders) {
      s.subSizes.push_back(f.UnpackSize());
      s.subHasCrc.push_back(f.hasCrc);
      s.subCrcs.push_back(f.crc);
    }
  }
  return r.ok() && type == kEnd;
}

bool ReadFiles(Parser& r, const Streams& s, Database* db) {
  uint64_t numFiles = r.Count(8);
  if (!r.ok()) return false;
  std::vector<Entry>& entries = db->entries;
  entries.assign(static_cast<size_t>(numFiles), Entry());
  std::vector<bool> emptyStream(entries.size(), false), emptyFile, anti;
  size_t numEmpty = 0;
  for (;;) {
    uint64_t type = r.Number();
    if (!r.ok()) return false;
    if (type == kEnd) break;
    uint64_t size = r.Number();
    if (size > r.Left()) return false;
    const uint8_t* data = r.Take(static_cast<size_t>(size));
    Parser p(data, static_cast<size_t>(size));
    switch (type) {
      case kEmptyStream:
        emptyStream = p.Bits(entries.size());
        numEmpty = static_cast<size_t>(std::count(emptyStream.begin(), emptyStream.end(), true));
        emptyFile.assign(numEmpty, false);
        anti.assign(numEmpty, false);
        break;
      case kEmptyFile:
        emptyFile = p.Bits(numEmpty);
        break;
      case kAnti:
        anti = p.Bits(numEmpty);
        break;
      case kName: {
        if (p.Byte() != 0) return false;
        for (Entry& e : entries) {
          for (;;) {
            const uint8_t* c = p.Take(2);
            if (!c) return false;
            char16_t ch = static_cast<char16_t>(c[0] | (c[1] << 8));
            if (ch == 0) break;
            e.rawName.push_back(ch);
          }
        }
        break;
      }
      case kMTime: {
        std::vector<bool> defined = p.Defined(entries.size());
        if (p.Byte() != 0) return false;
        for (size_t i = 0; i < entries.size() && p.ok(); ++i) {
          if (!defined[i]) continue;
          entries[i].hasModifiedTime = true;
          entries[i].modifiedTime = p.U64();
        }
        break;
      }
      case kWinAttributes: {
        std::vector<bool> defined = p.Defined(entries.size());
        if (p.Byte() != 0) return false;
        for (size_t i = 0; i < entries.size() && p.ok(); ++i) {
          if (!defined[i]) continue;
          entries[i].hasAttributes = true;
          entries[i].attributes = p.U32();
        }
        break;
      }
      default:
        break;  // times we do not apply, comments, padding
    }
    if (!p.ok()) return false;
  }
  // Files with data take the folders' substreams in order.
  size_t folder = 0, emptyIndex = 0, streamIndex = 0;
  uint64_t inFolder = 0;
  db->indexInFolder.assign(entries.size(), 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    Entry& e = entries[i];
    if (!emptyStream[i]) {
      while (folder < s.folders.size() && inFolder >= s.folders[folder].numSubstreams) {
        ++folder;
        inFolder = 0;
      }
      if (folder >= s.folders.size() || streamIndex >= s.subSizes.size()) return false;
      e.hasStream = true;
      e.folder = static_cast<int>(folder);
      e.encrypted = s.folders[folder].IsEncrypted();
      e.size = s.subSizes[streamIndex];
      e.hasCrc = s.subHasCrc[streamIndex];
      e.crc = s.subCrcs[streamIndex];
      db->indexInFolder[i] = inFolder;
      ++streamIndex;
      ++inFolder;
    } else {
      e.isDirectory = !emptyFile[emptyIndex];
      e.isAnti = anti[emptyIndex];
      ++emptyIndex;
    }
    e.path = SanitizePath(e.rawName);
  }
  return true;
}

// Converts the parsed streams into the database form (absolute pack offsets).
bool Place(const Streams& s, uint64_t base, uint64_t sourceSize, Database* db) {
  db->packOffsets.clear();
  db->packSizes = s.packSizes;
  uint64_t offset = base + s.packPos;
  if (offset < base) return false;
  for (uint64_t size : s.packSizes) {
    db->packOffsets.push_back(offset);
    if (offset + size < offset) return false;
    offset += size;
  }
  (void)sourceSize;  // streams past the end show up as read errors when decoded
  db->folders = s.folders;
  return true;
}

Status DecodeEncodedHeader(Source& source, Parser& r, uint64_t base, KeyCache& keys,
                           Bytes* out) {
  Streams s;
  if (!ReadStreamsInfo(r, s) || s.folders.empty()) return Status::kHeaderBroken;
  Database tmp;
  if (!Place(s, base, source.Size(), &tmp)) return Status::kHeaderBroken;
  const Folder& folder = tmp.folders[0];
  uint64_t size = folder.UnpackSize();
  if (size == 0 || size > CurrentLimits().maxDecodedHeader) return Status::kHeaderBroken;
  std::vector<uint64_t> offsets, sizes;
  FolderPackStreams(tmp, 0, &offsets, &sizes);
  std::unique_ptr<InStream> stream;
  Status st = OpenFolder(source, folder, offsets, sizes, keys, &stream);
  if (st == Status::kDataError) return Status::kHeaderBroken;
  if (st != Status::kOk) return st;
  out->assign(static_cast<size_t>(size), '\0');
  size_t got = 0;
  st = ReadFull(*stream, reinterpret_cast<uint8_t*>(out->data()), out->size(), &got);
  bool good = st == Status::kOk && got == size &&
              (!folder.hasCrc || Crc(reinterpret_cast<const uint8_t*>(out->data()), got) == folder.crc);
  if (!good) return folder.IsEncrypted() ? Status::kWrongPassword : Status::kHeaderBroken;
  return Status::kOk;
}

bool IsSignature(const uint8_t* p) {
  static const uint8_t kSig[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
  return std::memcmp(p, kSig, 6) == 0;
}

bool StartHeaderValid(const uint8_t* h) {
  return IsSignature(h) && h[6] == 0 && Crc(h + 12, 20) == Le32(h + 8);
}

}  // namespace

void FolderPackStreams(const Database& db, size_t folder, std::vector<uint64_t>* offsets,
                       std::vector<uint64_t>* sizes) {
  offsets->clear();
  sizes->clear();
  const Folder& f = db.folders[folder];
  for (size_t i = 0; i < f.packedStreams.size(); ++i) {
    size_t k = f.firstPackStream + i;
    if (k >= db.packSizes.size()) break;
    offsets->push_back(db.packOffsets[k]);
    sizes->push_back(db.packSizes[k]);
  }
}

Status ReadDatabase(Source& source, KeyCache& keys, Database* db) {
  const uint64_t total = source.Size();
  if (total < 32) return Status::kNotArchive;
  // Candidates: offset 0, then every signature within the scan window with a valid start
  // header. The first whose next header lies inside the file wins.
  uint64_t start = UINT64_MAX;
  bool sawTruncated = false;
  uint8_t h[32];
  auto consider = [&](uint64_t at, const uint8_t* header) {
    if (!StartHeaderValid(header)) return false;
    uint64_t nextOffset = Le64(header + 12), nextSize = Le64(header + 20);
    uint64_t end = at + 32 + nextOffset + nextSize;
    if (nextOffset > total || nextSize > total || end > total) {
      sawTruncated = true;
      return false;
    }
    start = at;
    std::memcpy(h, header, 32);
    return true;
  };
  uint8_t first[32];
  if (!source.ReadAt(0, first, 32)) return Status::kNotFound;
  if (!consider(0, first)) {
    uint64_t window = std::min<uint64_t>(total, kScanLimit + 32);
    std::vector<uint8_t> buf;
    constexpr uint64_t kBlock = 1 << 20;
    for (uint64_t at = 0; at < window && start == UINT64_MAX; at += kBlock) {
      uint64_t n = std::min<uint64_t>(kBlock + 31, window - at);
      buf.resize(static_cast<size_t>(n));
      if (!source.ReadAt(at, buf.data(), buf.size())) return Status::kNotFound;
      for (size_t i = (at == 0 ? 1 : 0); i + 32 <= buf.size() && i < kBlock; ++i) {
        if (buf[i] != '7' || !IsSignature(&buf[i])) continue;
        if (consider(at + i, &buf[i])) break;
      }
    }
  }
  if (start == UINT64_MAX) return sawTruncated ? Status::kHeaderBroken : Status::kNotArchive;

  const uint64_t base = start + 32;
  const uint64_t nextOffset = Le64(h + 12), nextSize = Le64(h + 20);
  const uint32_t nextCrc = Le32(h + 28);
  *db = Database();
  if (nextSize == 0) return Status::kOk;  // an archive without entries
  if (nextSize > kMaxHeaderSize) return Status::kHeaderBroken;
  Bytes header(static_cast<size_t>(nextSize), '\0');
  if (!source.ReadAt(base + nextOffset, header.data(), header.size())) return Status::kNotFound;
  if (Crc(reinterpret_cast<const uint8_t*>(header.data()), header.size()) != nextCrc)
    return Status::kHeaderBroken;

  for (int level = 0; level < 4; ++level) {
    Parser r(reinterpret_cast<const uint8_t*>(header.data()), header.size());
    uint64_t type = r.Number();
    if (type == kEncodedHeader) {
      Bytes decoded;
      Status st = DecodeEncodedHeader(source, r, base, keys, &decoded);
      if (st != Status::kOk) return st;
      header.swap(decoded);
      continue;
    }
    if (type != kHeader) return Status::kHeaderBroken;
    type = r.Number();
    if (type == kArchiveProperties) {
      for (;;) {
        uint64_t t = r.Number();
        if (t == kEnd || !r.ok()) break;
        uint64_t size = r.Number();
        if (!r.Take(static_cast<size_t>(std::min<uint64_t>(size, SIZE_MAX)))) break;
      }
      type = r.Number();
    }
    if (type == kAdditionalStreamsInfo) {
      Streams ignored;
      if (!ReadStreamsInfo(r, ignored)) return Status::kHeaderBroken;
      type = r.Number();
    }
    Streams s;
    if (type == kMainStreamsInfo) {
      if (!ReadStreamsInfo(r, s)) return Status::kHeaderBroken;
      type = r.Number();
    }
    if (!Place(s, base, total, db)) return Status::kHeaderBroken;
    if (type == kFilesInfo) {
      if (!ReadFiles(r, s, db)) return Status::kHeaderBroken;
      type = r.Number();
    }
    if (!r.ok() || type != kEnd) return Status::kHeaderBroken;
    return Status::kOk;
  }
  return Status::kHeaderBroken;
}

}  // namespace archive::detail
