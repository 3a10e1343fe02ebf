// Known-answer tests of the crypto facade. The same file runs natively (OpenSSL) and under
// Wine (CNG), so passing on both proves the backends agree.
#include "common/crypto.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/text.h"

namespace {

std::string Hex(const uint8_t* data, size_t size) {
  return text::HexLower(BytesView(reinterpret_cast<const char*>(data), size));
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

struct DigestCase {
  const char* name;
  std::string input;
  const char* md5;
  const char* sha256;
};

const std::vector<DigestCase>& DigestCases() {
  static const std::vector<DigestCase> cases = {
      {"empty", "", "d41d8cd98f00b204e9800998ecf8427e",
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "900150983cd24fb0d6963f7d28e17f72",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"million a", std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21",
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  return cases;
}

TEST(Crypto, DigestsMatchPublishedVectors) {
  for (const DigestCase& c : DigestCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(crypto::Md5Hex(c.input), c.md5);
    crypto::Md5Digest md5 = crypto::Md5(c.input);
    EXPECT_EQ(Hex(md5.data(), md5.size()), c.md5);
    crypto::Sha256Digest sha = crypto::Sha256(c.input);
    EXPECT_EQ(Hex(sha.data(), sha.size()), c.sha256);
  }
}

// The archive key derivation feeds the hasher many small pieces; the result must not depend
// on how the input is cut.
TEST(Crypto, Sha256HasherIsIndependentOfPieceSizes) {
  const DigestCase& million = DigestCases()[2];
  for (size_t piece : {1u, 7u, 40u, 64u, 4096u, 333333u}) {
    SCOPED_TRACE(piece);
    crypto::Sha256Hasher hasher;
    for (size_t at = 0; at < million.input.size(); at += piece)
      hasher.Update(million.input.data() + at, std::min(piece, million.input.size() - at));
    crypto::Sha256Digest digest = hasher.Final();
    EXPECT_EQ(Hex(digest.data(), digest.size()), million.sha256);
  }
  crypto::Sha256Hasher empty;
  empty.Update(nullptr, 0);
  crypto::Sha256Digest digest = empty.Final();
  EXPECT_EQ(Hex(digest.data(), digest.size()), DigestCases()[0].sha256);
}

// NIST SP 800-38A, F.2.5 (encrypt) and F.2.6 (decrypt), CBC-AES256.
TEST(Crypto, Aes256CbcMatchesSp80038a) {
  const auto key = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  const auto iv = FromHex("000102030405060708090a0b0c0d0e0f");
  const std::string plain =
      "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
      "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
  const std::string cipher =
      "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
      "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";

  auto data = FromHex(plain);
  ASSERT_TRUE(crypto::Aes256CbcEncrypt(key.data(), iv.data(), data.data(), data.size()));
  EXPECT_EQ(Hex(data.data(), data.size()), cipher);
  ASSERT_TRUE(crypto::Aes256CbcDecrypt(key.data(), iv.data(), data.data(), data.size()));
  EXPECT_EQ(Hex(data.data(), data.size()), plain);

  // Decrypting the second half alone with the first half's last cipher block as IV: CBC
  // chaining must come out the same.
  auto tail = FromHex(cipher.substr(64));
  auto chain = FromHex(cipher.substr(32, 32));
  ASSERT_TRUE(crypto::Aes256CbcDecrypt(key.data(), chain.data(), tail.data(), tail.size()));
  EXPECT_EQ(Hex(tail.data(), tail.size()), plain.substr(64));
}

// NIST SP 800-67 Rev. 1, the TDEA example with three distinct keys (ECB).
TEST(Crypto, TripleDesEcbMatchesSp80067) {
  const auto key = FromHex("0123456789abcdef23456789abcdef01456789abcdef0123");
  const std::string plain = "The qufck brown fox jump";
  const std::string cipher = "a826fd8ce53b855fcce21c8112256fe668d5c05dd9b6b900";

  std::vector<uint8_t> data(plain.begin(), plain.end());
  ASSERT_TRUE(crypto::TripleDesEcb(key.data(), true, data.data(), data.size()));
  EXPECT_EQ(Hex(data.data(), data.size()), cipher);
  ASSERT_TRUE(crypto::TripleDesEcb(key.data(), false, data.data(), data.size()));
  EXPECT_EQ(std::string(data.begin(), data.end()), plain);
}

TEST(Crypto, CiphersRejectPartialBlocks) {
  uint8_t key[32] = {};
  uint8_t iv[16] = {};
  uint8_t data[24] = {};
  EXPECT_FALSE(crypto::Aes256CbcEncrypt(key, iv, data, 15));
  EXPECT_FALSE(crypto::Aes256CbcDecrypt(key, iv, data, 17));
  EXPECT_FALSE(crypto::TripleDesEcb(key, true, data, 7));
  EXPECT_FALSE(crypto::TripleDesEcb(key, false, data, 12));
  EXPECT_TRUE(crypto::TripleDesEcb(key, true, data, 0));
}

}  // namespace
