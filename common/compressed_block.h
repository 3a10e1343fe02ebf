// The compressed block: 0D 0F 3E 03, the 32-bit little-endian uncompressed length, a zlib stream.
#pragma once

#include "common/bytes.h"

namespace block {

inline constexpr uint32_t kCompressedMagic = 0x033E0F0D;

// Empty for data shorter than 8 bytes, another magic, or a stream that does not inflate
// completely within twice the stored length.
Bytes Inflate(BytesView data);
Bytes Deflate(BytesView data);

}  // namespace block
