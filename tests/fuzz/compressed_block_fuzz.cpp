// The compressed block reader, and the writer's round trip over the same bytes. The input is
// also read behind a correct magic (its first 4 bytes then being the stored length), so the
// fuzzer spends its time in the stream rather than on finding the magic.
#include <cstddef>
#include <cstdint>

#include "common/compressed_block.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

void CheckInflate(BytesView block) {
  Bytes inflated = block::Inflate(block);
  if (inflated.empty()) return;
  FUZZ_CHECK(block.size() >= 8);
  uint64_t stored = 0;
  for (int i = 0; i < 4; ++i) stored |= uint64_t(uint8_t(block[4 + i])) << (8 * i);
  FUZZ_CHECK(inflated.size() <= 2 * stored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BytesView input(reinterpret_cast<const char*>(data), size);
  CheckInflate(input);
  Bytes with_magic = block::Deflate("").substr(0, 4);
  with_magic.append(input);
  CheckInflate(with_magic);
  FUZZ_CHECK(block::Inflate(block::Deflate(input)) == input);
  return 0;
}
