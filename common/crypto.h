// The crypto facade. Primitives come from the platform: CNG (bcrypt) on Windows, OpenSSL's
// libcrypto on Linux (platform/win32/crypto_cng.cpp, platform/host/crypto_openssl.cpp, the
// library platform_crypto); both backends must give identical results (tests share one vector
// set).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/bytes.h"

namespace crypto {

using Md5Digest = std::array<uint8_t, 16>;
using Sha256Digest = std::array<uint8_t, 32>;

Md5Digest Md5(BytesView data);
// MD5 as 32 lower-case hexadecimal digits (leading zeros kept).
std::string Md5Hex(BytesView data);
Sha256Digest Sha256(BytesView data);

// Incremental SHA-256, for key derivations that hash many small pieces: one backend hash
// object per hasher, so an Update costs one backend call.
class Sha256Hasher {
 public:
  Sha256Hasher();
  ~Sha256Hasher();
  Sha256Hasher(const Sha256Hasher&) = delete;
  Sha256Hasher& operator=(const Sha256Hasher&) = delete;
  void Update(const void* data, size_t size);
  Sha256Digest Final();  // the hasher may not be used afterwards

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// AES-256-CBC decryption in place, no padding handling; `size` must be a multiple of 16.
// False on a backend failure or a bad size.
bool Aes256CbcDecrypt(const uint8_t key[32], const uint8_t iv[16], uint8_t* data, size_t size);
// The same for encryption (tests and the packer make encrypted data with it).
bool Aes256CbcEncrypt(const uint8_t key[32], const uint8_t iv[16], uint8_t* data, size_t size);

// Triple DES (three independent keys, K1 K2 K3) in ECB mode, in place; `size` a multiple of 8.
// False on a backend failure or a bad size.
bool TripleDesEcb(const uint8_t key[24], bool encrypt, uint8_t* data, size_t size);

}  // namespace crypto
