// A minimal 7z writer for tests: stored (Copy) entries, one folder per file, plain header.
// It lets a test put names into an archive that no archiver would write ("..\x", "C:\x").
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace testarchive {

// The Zstandard method id of a 7z writer we do not follow: a method this reader does not know.
inline Bytes UnknownMethodId() { return Bytes("\x04\xF7\x11\x01", 4); }

struct Item {
  std::u16string name;
  Bytes data;
  bool directory = false;
  // When not empty, the packed stream stored for `data` (which the method must decode to).
  Bytes packed = {};
};

inline void PutNumber(Bytes& out, uint64_t v) {
  // Smallest form: the count of leading 1-bits of the first byte says how many bytes follow.
  int extra = 0;
  while (extra < 8 && v >= (uint64_t{1} << (7 * (extra + 1)))) ++extra;
  if (extra == 8) {
    out.push_back(static_cast<char>(0xFF));
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
    return;
  }
  uint8_t first = static_cast<uint8_t>(0xFF00 >> extra);
  first |= static_cast<uint8_t>(v >> (8 * extra));
  out.push_back(static_cast<char>(first));
  for (int i = 0; i < extra; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

inline void PutU32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
inline void PutU64(Bytes& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
inline uint32_t Crc(BytesView data) {
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// `methodId` replaces Copy when given (to make an archive with a method we do not support,
// or, with `props`, one whose packed streams the test made itself). Without `storeNames` the
// header has no name property at all.
inline Bytes MakeArchive(const std::vector<Item>& items, Bytes methodId = Bytes(1, '\0'),
                         bool storeNames = true, const Bytes& props = {}) {
  Bytes packed, header;
  std::vector<const Item*> withData;
  for (const Item& it : items)
    if (!it.directory && !it.data.empty()) withData.push_back(&it);
  auto packedOf = [](const Item* it) -> const Bytes& { return it->packed.empty() ? it->data : it->packed; };
  for (const Item* it : withData) packed += packedOf(it);

  header.push_back(0x01);  // Header
  if (!withData.empty()) {
    header.push_back(0x04);  // MainStreamsInfo
    header.push_back(0x06);  // PackInfo
    PutNumber(header, 0);
    PutNumber(header, withData.size());
    header.push_back(0x09);
    for (const Item* it : withData) PutNumber(header, packedOf(it).size());
    header.push_back(0x00);
    header.push_back(0x07);  // UnpackInfo
    header.push_back(0x0B);
    PutNumber(header, withData.size());
    header.push_back(0x00);
    for (size_t i = 0; i < withData.size(); ++i) {
      header.push_back(0x01);  // one coder
      header.push_back(static_cast<char>(methodId.size() | (props.empty() ? 0 : 0x20)));
      header += methodId;
      if (!props.empty()) {
        PutNumber(header, props.size());
        header += props;
      }
    }
    header.push_back(0x0C);
    for (const Item* it : withData) PutNumber(header, it->data.size());
    header.push_back(0x0A);  // folder CRCs
    header.push_back(0x01);
    for (const Item* it : withData) PutU32(header, Crc(it->data));
    header.push_back(0x00);
    header.push_back(0x00);  // end of streams info
  }
  header.push_back(0x05);  // FilesInfo
  PutNumber(header, items.size());
  if (withData.size() != items.size()) {
    Bytes bits((items.size() + 7) / 8, '\0');
    Bytes fileBits;
    size_t empties = 0;
    std::vector<bool> emptyFile;
    for (size_t i = 0; i < items.size(); ++i) {
      bool empty = items[i].directory || items[i].data.empty();
      if (empty) {
        bits[i / 8] = static_cast<char>(bits[i / 8] | (0x80 >> (i % 8)));
        emptyFile.push_back(!items[i].directory);
        ++empties;
      }
    }
    header.push_back(0x0E);
    PutNumber(header, bits.size());
    header += bits;
    fileBits.assign((empties + 7) / 8, '\0');
    for (size_t i = 0; i < empties; ++i)
      if (emptyFile[i]) fileBits[i / 8] = static_cast<char>(fileBits[i / 8] | (0x80 >> (i % 8)));
    header.push_back(0x0F);
    PutNumber(header, fileBits.size());
    header += fileBits;
  }
  if (storeNames) {
    Bytes names(1, '\0');
    for (const Item& it : items) {
      for (char16_t c : it.name) {
        names.push_back(static_cast<char>(c & 0xFF));
        names.push_back(static_cast<char>(c >> 8));
      }
      names.append(2, '\0');
    }
    header.push_back(0x11);
    PutNumber(header, names.size());
    header += names;
  }
  header.push_back(0x00);  // end of files info
  header.push_back(0x00);  // end of header

  Bytes start;
  PutU64(start, packed.size());
  PutU64(start, header.size());
  PutU32(start, Crc(header));
  Bytes out = BytesOf({'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0x00, 0x04});
  PutU32(out, Crc(start));
  out += start;
  out += packed;
  out += header;
  return out;
}

}  // namespace testarchive
