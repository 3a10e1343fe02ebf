// Crypto backend for Linux: OpenSSL 3's libcrypto through the EVP interface.
//
// The EVP digest and cipher objects are fetched once per process: an implicit fetch on every
// call would cost a provider lookup each time, which the key derivation of encrypted archives
// (hundreds of thousands of hasher updates) would feel.
#include <openssl/evp.h>

#include <climits>

#include "common/crypto.h"

namespace crypto {
namespace {

const EVP_MD* Md5Algorithm() {
  static EVP_MD* md = EVP_MD_fetch(nullptr, "MD5", nullptr);
  return md;
}

const EVP_MD* Sha256Algorithm() {
  static EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
  return md;
}

const EVP_CIPHER* Aes256CbcAlgorithm() {
  static EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
  return cipher;
}

const EVP_CIPHER* TripleDesEcbAlgorithm() {
  static EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "DES-EDE3-ECB", nullptr);
  return cipher;
}

// Runs one unpadded cipher pass in place. EVP allows the output to be the input buffer for
// block ciphers; the update is fed in pieces because its length parameter is an int.
bool RunCipher(const EVP_CIPHER* algorithm, const uint8_t* key, const uint8_t* iv, bool encrypt,
               uint8_t* data, size_t size, size_t block) {
  if (!algorithm || size % block != 0) return false;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (!ctx) return false;
  bool ok = EVP_CipherInit_ex2(ctx, algorithm, key, iv, encrypt ? 1 : 0, nullptr) == 1 &&
            EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
  constexpr size_t kPiece = size_t(1) << 30;  // a multiple of every block size
  for (size_t done = 0; ok && done < size;) {
    size_t piece = size - done < kPiece ? size - done : kPiece;
    int written = 0;
    ok = EVP_CipherUpdate(ctx, data + done, &written, data + done, int(piece)) == 1 &&
         size_t(written) == piece;
    done += piece;
  }
  if (ok) {
    uint8_t tail[32];
    int written = 0;
    ok = EVP_CipherFinal_ex(ctx, tail, &written) == 1 && written == 0;
  }
  EVP_CIPHER_CTX_free(ctx);
  return ok;
}

}  // namespace

Md5Digest Md5(BytesView data) {
  Md5Digest digest{};
  unsigned int length = 0;
  EVP_Digest(data.data(), data.size(), digest.data(), &length, Md5Algorithm(), nullptr);
  return digest;
}

struct Sha256Hasher::State {
  EVP_MD_CTX* ctx = nullptr;
};

Sha256Hasher::Sha256Hasher() : state_(std::make_unique<State>()) {
  state_->ctx = EVP_MD_CTX_new();
  if (state_->ctx) EVP_DigestInit_ex2(state_->ctx, Sha256Algorithm(), nullptr);
}

Sha256Hasher::~Sha256Hasher() { EVP_MD_CTX_free(state_->ctx); }

void Sha256Hasher::Update(const void* data, size_t size) {
  if (state_->ctx && size) EVP_DigestUpdate(state_->ctx, data, size);
}

Sha256Digest Sha256Hasher::Final() {
  Sha256Digest digest{};
  unsigned int length = 0;
  if (state_->ctx) EVP_DigestFinal_ex(state_->ctx, digest.data(), &length);
  return digest;
}

bool Aes256CbcDecrypt(const uint8_t key[32], const uint8_t iv[16], uint8_t* data, size_t size) {
  return RunCipher(Aes256CbcAlgorithm(), key, iv, false, data, size, 16);
}

bool Aes256CbcEncrypt(const uint8_t key[32], const uint8_t iv[16], uint8_t* data, size_t size) {
  return RunCipher(Aes256CbcAlgorithm(), key, iv, true, data, size, 16);
}

bool TripleDesEcb(const uint8_t key[24], bool encrypt, uint8_t* data, size_t size) {
  return RunCipher(TripleDesEcbAlgorithm(), key, nullptr, encrypt, data, size, 8);
}

}  // namespace crypto
