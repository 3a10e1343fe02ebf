// Fuzzes the PPMd decoder alone: order and arena size from the first bytes (small arenas, so
// the allocator's gluing and the model's restarts come quickly), then the packed stream.
#include "archive/ppmd.h"
#include "tests/fuzz/decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t memory = (1u << 11) + (uint32_t{data[1]} << 10);  // 2 KiB to 257 KiB
  Bytes props(1, static_cast<char>(2 + data[0] % 63));
  for (int i = 0; i < 4; ++i) props.push_back(static_cast<char>(memory >> (8 * i)));
  uint64_t outSize = (uint64_t{data[2]} << 8) + data[3];
  std::unique_ptr<archive::detail::InStream> stream;
  archive::Status s = archive::detail::CreatePpmdStream(
      props, std::make_unique<fuzzdecoder::OwnedPackStream>(data + 4, size - 4), outSize, &stream);
  FUZZ_CHECK(s == archive::Status::kOk);
  fuzzdecoder::Drain(*stream, outSize, data[3]);
  return 0;
}
