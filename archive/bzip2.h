// The BZip2 coder of 7z: one or more concatenated bzip2 streams ("BZh" + level, blocks of
// Huffman-coded move-to-front symbols over a Burrows-Wheeler transform, a CRC per block and
// per stream), decoded one block at a time, written from the published format description.
#pragma once

#include <cstdint>
#include <memory>

#include "archive/stream.h"

namespace archive::detail {

// Output of `outSize` bytes. Read results: kDataError for a damaged stream (bad magic, table,
// block CRC or stream CRC, input that ends early), kUnsupportedMethod for the randomised
// blocks of bzip2 versions before 0.9.5, which no encoder of the last twenty years writes.
std::unique_ptr<InStream> CreateBzip2Stream(std::unique_ptr<InStream> input, uint64_t outSize);

}  // namespace archive::detail
