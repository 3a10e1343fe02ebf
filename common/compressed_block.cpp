// The compressed block over zlib: the reading side. Deflate lives in compressed_block_deflate.cpp,
// so that programs that only read (setup.exe, uninst.exe) do not link zlib's compressor.
//
// The stored length comes from the file and is not trusted: the output is limited to twice
// that length (the reader of the format has always reserved that much), but memory is taken
// as the stream actually produces data, so a forged length of 4 GiB over a few bytes of stream
// costs nothing.
#include "common/compressed_block.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

namespace block {
namespace {

constexpr size_t kHeader = 8;

uint32_t ReadU32(BytesView data, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t(uint8_t(data[at + i])) << (8 * i);
  return value;
}

}  // namespace

Bytes Inflate(BytesView data) {
  if (data.size() < kHeader || ReadU32(data, 0) != kCompressedMagic) return {};
  // On a 32-bit process a limit beyond half the address space could never be met anyway.
  const uint64_t limit = std::min<uint64_t>(uint64_t(ReadU32(data, 4)) * 2, SIZE_MAX / 2);
  BytesView stream = data.substr(kHeader);

  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {};
  Bytes out;
  // A first guess from the input size; the buffer doubles while the stream produces more.
  uint64_t first = std::max<uint64_t>(64 * 1024, uint64_t(stream.size()) * 4);
  out.resize(size_t(std::min(limit, first)));
  size_t produced = 0;
  size_t consumed = 0;
  int status = Z_OK;
  for (;;) {
    if (produced == out.size() && out.size() < limit)
      out.resize(size_t(std::min<uint64_t>(limit, std::max<uint64_t>(1, uint64_t(out.size()) * 2))));
    // zlib counts in uInt; feed and drain at most 1 GiB per call. With the output full at the
    // limit the call still runs: a stream may end exactly there, and zlib can read its end code
    // and check value without room for another byte.
    constexpr size_t kStep = size_t(1) << 30;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data() + consumed));
    z.avail_in = uInt(std::min(stream.size() - consumed, kStep));
    z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    z.avail_out = uInt(std::min(out.size() - produced, kStep));
    uInt in_before = z.avail_in;
    uInt out_before = z.avail_out;
    status = inflate(&z, Z_NO_FLUSH);
    consumed += in_before - z.avail_in;
    produced += out_before - z.avail_out;
    if (status == Z_STREAM_END) break;
    if (status != Z_OK && status != Z_BUF_ERROR) break;
    // No progress: the input is truncated, or the output is full at the limit.
    if (in_before == z.avail_in && out_before == z.avail_out) break;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) return {};
  out.resize(produced);
  return out;
}

}  // namespace block
