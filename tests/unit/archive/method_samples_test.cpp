// The PPMd, BZip2 and Deflate64 decoders and two branch filters on every build, the i686 and
// x86_64 Windows ones included: tiny archives that 7zz made once (method_samples.h) decode to
// the bytes the functions below make.
#include <gtest/gtest.h>

#include <string>

#include "archive/archive.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"
#include "tests/unit/archive/method_samples.h"

namespace {

using archive::Status;

Bytes Text() {
  Bytes out;
  for (int i = 0; i < 200; ++i)
    out += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\n";
  return out;
}

// 1 KiB of pseudo-random words, about half of them forced into the filter's branch pattern.
Bytes Patterned(bool riscv) {
  Bytes out;
  uint32_t x = 12345;
  for (int i = 0; i < 256; ++i) {
    x = x * 1103515245u + 12345u;
    uint8_t w[4] = {static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x >> 16),
                    static_cast<uint8_t>(x >> 24), static_cast<uint8_t>(x >> 4)};
    if (!riscv && (x & 1)) w[3] = 0xEB;
    if (riscv && (x & 1)) {
      w[0] = 0xEF;
      w[1] &= 0xF2;
    }
    if (riscv && (x & 6) == 2) w[0] = static_cast<uint8_t>((w[0] & 0x80) | 0x17);
    out.append(reinterpret_cast<const char*>(w), 4);
  }
  return out;
}

template <size_t N>
Bytes Of(const uint8_t (&bytes)[N]) {
  return Bytes(reinterpret_cast<const char*>(bytes), N);
}

TEST(MethodSamples, DecodeToWhat7zzWasGiven) {
  const struct {
    const char* method;
    Bytes archive;
    Bytes content;
  } cases[] = {
      {"PPMd", Of(samples::kPPMd), Text()},
      {"BZip2", Of(samples::kBZip2), Text()},
      {"Deflate64", Of(samples::kDeflate64), Text()},
      {"ARM", Of(samples::kARM), Patterned(false)},
      {"RISCV", Of(samples::kRISCV), Patterned(true)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    TestFolder folder;
    archive::Reader reader;
    ASSERT_EQ(reader.OpenMemory(c.archive, ""), Status::kOk);
    ASSERT_EQ(reader.Extract({}, folder / "out", nullptr), Status::kOk) << reader.ErrorDetail();
    Bytes got;
    ASSERT_TRUE(plat::ReadFileBytes(folder / "out\\f.bin", got));
    EXPECT_TRUE(got == c.content);
  }
}

}  // namespace
