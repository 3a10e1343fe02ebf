#include "common/compressed_block.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

Bytes Header(uint32_t magic, uint32_t length) {
  Bytes out;
  for (int i = 0; i < 4; ++i) out.push_back(char(magic >> (8 * i)));
  for (int i = 0; i < 4; ++i) out.push_back(char(length >> (8 * i)));
  return out;
}

Bytes ZlibStream(BytesView data) {
  uLongf size = compressBound(uLong(data.size()));
  Bytes out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()), 6);
  out.resize(size);
  return out;
}

Bytes Noise(size_t size) {
  Bytes out;
  uint32_t x = 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    out.push_back(char(x >> 24));
  }
  return out;
}

TEST(CompressedBlock, RoundTrips) {
  const Bytes inputs[] = {"", "a", "HKEY_LOCAL_MACHINE\\SOFTWARE\r\n", std::string(3000000, 'z'),
                          Noise(100000)};
  for (const Bytes& input : inputs) {
    SCOPED_TRACE(input.size());
    Bytes block = block::Deflate(input);
    ASSERT_GE(block.size(), 8u);
    EXPECT_EQ(block.substr(0, 8), Header(block::kCompressedMagic, uint32_t(input.size())));
    EXPECT_EQ(block::Inflate(block), input);
  }
}

// The stored length only bounds the output (twice that length); it need not be exact.
TEST(CompressedBlock, OutputMayReachTwiceTheStoredLength) {
  const Bytes data(1000, 'q');
  const Bytes stream = ZlibStream(data);
  EXPECT_EQ(block::Inflate(Header(block::kCompressedMagic, 1000) + stream), data);
  EXPECT_EQ(block::Inflate(Header(block::kCompressedMagic, 500) + stream), data);  // exactly 2x
  EXPECT_EQ(block::Inflate(Header(block::kCompressedMagic, 499) + stream), "");
  EXPECT_EQ(block::Inflate(Header(block::kCompressedMagic, 0) + stream), "");
  // A forged huge length over a small stream costs no more memory than the stream needs.
  EXPECT_EQ(block::Inflate(Header(block::kCompressedMagic, 0xFFFFFFFFu) + stream), data);
}

TEST(CompressedBlock, BadBlocksReadAsEmpty) {
  const Bytes data = Noise(5000) + std::string(5000, 'x');
  const Bytes good = block::Deflate(data);
  ASSERT_EQ(block::Inflate(good), data);
  Bytes corrupt = good;
  corrupt[corrupt.size() / 2] ^= 0x55;
  Bytes bad_check = good;
  bad_check.back() ^= 1;  // the stream's Adler-32
  struct Case {
    const char* name;
    Bytes block;
  } cases[] = {
      {"empty", ""},
      {"header only, short", good.substr(0, 7)},
      {"header only", good.substr(0, 8)},
      {"other magic", Header(0x033E0F0E, uint32_t(data.size())) + good.substr(8)},
      {"magic byte-swapped", Header(0x0D0F3E03, uint32_t(data.size())) + good.substr(8)},
      {"truncated stream", good.substr(0, good.size() / 2)},
      {"missing last byte", good.substr(0, good.size() - 1)},
      {"corrupt stream", corrupt},
      {"bad check value", bad_check},
      {"not zlib", Header(block::kCompressedMagic, 100) + Noise(100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(block::Inflate(c.block), "");
  }
}

}  // namespace
