// Fuzzes the branch filters: each converts within its buffer, and converting in two calls
// (the unconverted tail of the first presented again) gives the bytes and end position that
// one call gives.
#include <cstring>
#include <vector>

#include "archive/branch.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using Convert = size_t (*)(uint8_t*, size_t, uint32_t&);
size_t Swap2(uint8_t* d, size_t n, uint32_t& pc) {
  size_t r = archive::detail::SwapConvert(d, n, 2);
  pc += static_cast<uint32_t>(r);
  return r;
}
size_t Swap4(uint8_t* d, size_t n, uint32_t& pc) {
  size_t r = archive::detail::SwapConvert(d, n, 4);
  pc += static_cast<uint32_t>(r);
  return r;
}
const Convert kFilters[] = {archive::detail::Arm64Convert, archive::detail::ArmConvert,
                            archive::detail::ArmtConvert,  archive::detail::PpcConvert,
                            archive::detail::SparcConvert, archive::detail::Ia64Convert,
                            archive::detail::RiscvConvert, Swap2, Swap4};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const Convert convert = kFilters[data[0] % (sizeof kFilters / sizeof kFilters[0])];
  const uint32_t start = static_cast<uint32_t>(data[1]) * 16;
  std::vector<uint8_t> whole(data + 3, data + size);
  const size_t n = whole.size();
  const size_t split = n == 0 ? 0 : data[2] * n / 256;
  std::vector<uint8_t> parts = whole;

  uint32_t pcWhole = start;
  size_t doneWhole = convert(whole.data(), n, pcWhole);
  FUZZ_CHECK(doneWhole <= n);
  FUZZ_CHECK(pcWhole == start + doneWhole);

  uint32_t pcParts = start;
  size_t first = convert(parts.data(), split, pcParts);
  FUZZ_CHECK(first <= split);
  size_t second = convert(parts.data() + first, n - first, pcParts);
  FUZZ_CHECK(first + second == doneWhole);
  FUZZ_CHECK(pcParts == pcWhole);
  FUZZ_CHECK(std::memcmp(whole.data(), parts.data(), doneWhole) == 0);
  return 0;
}
