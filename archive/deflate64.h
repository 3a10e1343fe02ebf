// The Deflate64 coder of 7z: Deflate with a 64 KiB window, length code 285 carrying 16 extra
// bits (base 3) and distance codes 30 and 31 (14 extra bits each), written from the published
// descriptions of Deflate and of its 64 KiB variant. zlib has no such decoder.
#pragma once

#include <cstdint>
#include <memory>

#include "archive/stream.h"

namespace archive::detail {

// Output of `outSize` bytes. Read results: kDataError for a damaged stream (bad block type,
// code table, symbol or distance, a stored length that fails its check, input or the final
// block ending before `outSize`).
std::unique_ptr<InStream> CreateDeflate64Stream(std::unique_ptr<InStream> input, uint64_t outSize);

}  // namespace archive::detail
