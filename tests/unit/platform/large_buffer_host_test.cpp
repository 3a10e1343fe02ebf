// Decode buffers: any size is usable, and on Linux a large one is marked for 2 MiB pages
// (the kernel's smaps says so per mapping) where the kernel grants them on request.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/large_buffer.h"

namespace {

std::string ReadText(const char* path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The "THPeligible" line of the mapping holding `address`, or "" when there is none.
std::string HugePageEligibility(uintptr_t address) {
  std::istringstream smaps(ReadText("/proc/self/smaps"));
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    unsigned long from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > line.find(' ')) {
      inside = from <= address && address < to;
    } else if (inside && line.rfind("THPeligible:", 0) == 0) {
      const size_t value = line.find_first_not_of(" \t", line.find(':') + 1);
      return value == std::string::npos ? "" : line.substr(value);
    }
  }
  return "";
}

TEST(LargeBuffer, EverySizeIsWritableToItsEnd) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{4095}, (size_t{4} << 20) - 1, (size_t{8} << 20) + 5}) {
    std::unique_ptr<uint8_t[]> b = plat::NewDecodeBuffer(size);
    ASSERT_TRUE(b) << size;
    if (size == 0) continue;
    std::memset(b.get(), 0x5A, size);
    EXPECT_EQ(b[0], 0x5A);
    EXPECT_EQ(b[size - 1], 0x5A);
  }
}

TEST(LargeBuffer, WholeExtentsAreMarkedForLargePages) {
  const std::string mode = ReadText("/sys/kernel/mm/transparent_hugepage/enabled");
  if (mode.find("[madvise]") == std::string::npos)
    GTEST_SKIP() << "the kernel does not grant 2 MiB pages on request here: " << mode;
  const size_t size = (size_t{8} << 20) + 5;
  std::unique_ptr<uint8_t[]> b = plat::NewDecodeBuffer(size);
  ASSERT_TRUE(b);
  std::memset(b.get(), 1, size);
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  const auto start = reinterpret_cast<uintptr_t>(b.get());
  const uintptr_t firstWhole = (start + kHuge - 1) & ~(kHuge - 1);
  const std::string eligible = HugePageEligibility(firstWhole);
  if (eligible.empty()) GTEST_SKIP() << "this kernel's smaps has no THPeligible line";
  EXPECT_EQ(eligible, "1");
  // A small buffer is left alone: its bytes share pages with the allocator's other blocks.
  std::unique_ptr<uint8_t[]> small = plat::NewDecodeBuffer(4096);
  EXPECT_EQ(HugePageEligibility(reinterpret_cast<uintptr_t>(small.get())), "0");
}

}  // namespace
