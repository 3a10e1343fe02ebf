// Fuzzes the Deflate64 decoder alone: the declared output size from the first bytes, then the
// packed stream.
#include "archive/deflate64.h"
#include "tests/fuzz/decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  uint64_t outSize = (uint64_t{data[0]} << 12) + (uint64_t{data[1]} << 4);
  auto stream = archive::detail::CreateDeflate64Stream(
      std::make_unique<fuzzdecoder::OwnedPackStream>(data + 3, size - 3), outSize);
  fuzzdecoder::Drain(*stream, outSize, data[2]);
  return 0;
}
