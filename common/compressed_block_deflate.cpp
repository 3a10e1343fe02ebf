// The compressed block over zlib: the writing side, for the packer and the build's own tools.
#include "common/compressed_block.h"

#include <zlib.h>

namespace block {
namespace {

constexpr size_t kHeader = 8;

void AppendU32(Bytes& out, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

}  // namespace

Bytes Deflate(BytesView data) {
  if (data.size() > 0xFFFFFFFFu) return {};
  uLongf capacity = compressBound(uLong(data.size()));
  Bytes out;
  out.reserve(kHeader + capacity);
  AppendU32(out, kCompressedMagic);
  AppendU32(out, uint32_t(data.size()));
  out.resize(kHeader + capacity);
  if (compress2(reinterpret_cast<Bytef*>(out.data() + kHeader), &capacity,
                reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()),
                Z_BEST_COMPRESSION) != Z_OK)
    return {};
  out.resize(kHeader + capacity);
  return out;
}

}  // namespace block
