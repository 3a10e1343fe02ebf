// Shared by the fuzz targets of the single decoders: the input after a few leading control
// bytes is the packed stream, read to the end in uneven pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/stream.h"
#include "tests/fuzz/fuzz_check.h"

namespace fuzzdecoder {

// The packed bytes as a pull stream that owns its source.
class OwnedPackStream final : public archive::detail::InStream {
 public:
  OwnedPackStream(const uint8_t* data, size_t size)
      : source_(Bytes(reinterpret_cast<const char*>(data), size)), stream_(source_, 0, size) {}
  archive::Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    return stream_.Read(buffer, size, got);
  }

 private:
  archive::detail::MemorySource source_;
  archive::detail::PackStream stream_;
};

// Reads `stream` until it ends or fails; a decoder never hands out more than asked for, nor
// more than its declared output size.
inline void Drain(archive::detail::InStream& stream, uint64_t outSize, uint8_t pieceSeed) {
  std::vector<uint8_t> buffer(1 << 16);
  uint64_t total = 0;
  size_t piece = 1 + pieceSeed * 257u;
  for (int rounds = 0; rounds < 1 << 16; ++rounds) {
    size_t want = piece % buffer.size() + 1;
    size_t got = 0;
    archive::Status s = stream.Read(buffer.data(), want, &got);
    FUZZ_CHECK(got <= want);
    total += got;
    FUZZ_CHECK(total <= outSize);
    if (s != archive::Status::kOk || got == 0) return;
    piece = piece * 7 + 13;
  }
}

}  // namespace fuzzdecoder
