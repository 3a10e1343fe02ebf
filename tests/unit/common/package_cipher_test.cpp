#include "common/package_cipher.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace {

using cipher::PassPhrase;

const PassPhrase kAll[] = {PassPhrase::kGuiText, PassPhrase::kExcept, PassPhrase::kScript,
                           PassPhrase::kKeyedItem};

// Pins the key derivation and the layout: the packaging tool and every build of the runtime
// must produce exactly these bytes (computed independently with the openssl command line).
TEST(PackageCipher, KnownAnswers) {
  EXPECT_EQ(text::HexLower(cipher::Encipher("abc", PassPhrase::kGuiText)), "28d54628d78b6561");
  EXPECT_EQ(text::HexLower(cipher::Encipher("hello, world", PassPhrase::kKeyedItem)),
            "98e58d653f1314884bc313d24b89eff2");
}

TEST(PackageCipher, RoundTripsEverySizeAroundBlockEdges) {
  for (PassPhrase which : kAll) {
    for (size_t size : {0u, 1u, 3u, 4u, 5u, 11u, 12u, 13u, 100u, 65537u}) {
      SCOPED_TRACE(testing::Message() << int(which) << "/" << size);
      Bytes plain;
      for (size_t i = 0; i < size; ++i) plain.push_back(char(i * 37 + 11));
      Bytes enciphered = cipher::Encipher(plain, which);
      EXPECT_EQ(enciphered.size(), (4 + size + 7) / 8 * 8);
      if (size >= 8) {
        EXPECT_FALSE(text::Contains(enciphered, plain.substr(0, 8)));
      }
      EXPECT_EQ(cipher::Decipher(enciphered, which), plain);
    }
  }
}

TEST(PackageCipher, EachFileHasItsOwnKey) {
  const Bytes plain = "[section]\r\nkey=value\r\n";
  for (PassPhrase a : kAll) {
    for (PassPhrase b : kAll) {
      if (a == b) continue;
      EXPECT_NE(cipher::Encipher(plain, a), cipher::Encipher(plain, b));
      EXPECT_NE(cipher::Decipher(cipher::Encipher(plain, a), b), plain);
    }
  }
}

TEST(PackageCipher, DecipherRejectsMalformedInput) {
  const Bytes good = cipher::Encipher("twenty bytes of text", PassPhrase::kScript);  // 24 bytes
  ASSERT_EQ(good.size(), 24u);
  struct Case {
    const char* name;
    Bytes data;
  } cases[] = {
      {"empty", ""},
      {"shorter than a block", good.substr(0, 7)},
      {"not whole blocks", good.substr(0, 23)},
      {"one byte extra", good + "x"},
      // Whole blocks, but the stored length (20) is larger than the 12 bytes that follow it.
      {"truncated to two blocks", good.substr(0, 16)},
      {"truncated to one block", good.substr(0, 8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(cipher::Decipher(c.data, PassPhrase::kScript), "");
  }
}

}  // namespace
