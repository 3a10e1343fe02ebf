// The PPMd coder of 7z: PPMd variant H (context model of up to 64 orders in a fixed memory
// arena, restarted when the arena is full) with 7-Zip's range coder, written from the
// published descriptions of the algorithm and of the 7z method.
//
// The model must evolve exactly as the encoder's did, including the moment its arena runs out,
// so the arena is laid out and carved into 12-byte units by the same rules.
#pragma once

#include <cstdint>
#include <memory>

#include "archive/stream.h"

namespace archive::detail {

// `props`: the model order (2..64) and the arena size (LE32). Results: kDataError for bad
// properties, kUnsupportedMethod for an arena over the memory limit. The stream's Read
// reports kDataError for data that does not decode or ends (end mark) before `outSize`.
Status CreatePpmdStream(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                        std::unique_ptr<InStream>* out);

}  // namespace archive::detail
