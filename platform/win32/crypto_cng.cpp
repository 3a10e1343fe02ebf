// Crypto backend for Windows: CNG (bcrypt).
//
// Algorithm providers are opened once per process and kept open: opening one is far more
// expensive than using it, and the handles are safe to share between threads. They are never
// closed; the process end releases them. A hasher owns one hash object for its whole life, so
// the archive key derivation's many small updates cost one BCryptHashData call each.
#include "platform/win32/windows_api.h"

#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "common/crypto.h"

namespace crypto {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// bcrypt.dll is not a KnownDLL, so importing it would let a bcrypt.dll beside setup.exe run
// before the entry could restrict the search: each entry is bound from the system folder's
// copy on its first call instead, once per call site.
void* CngSymbol(const char* name) {
  static HMODULE module = plat::win::LoadSystemLibrary(L"bcrypt.dll");
  return module ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
}

#define CNG(fn)                                                                              \
  ([] {                                                                                      \
    static const auto entry = reinterpret_cast<decltype(&::fn)>(CngSymbol(#fn));            \
    return entry;                                                                            \
  }())

// Opens a provider, optionally with a chaining mode; null when the system lacks it.
BCRYPT_ALG_HANDLE OpenProvider(const wchar_t* algorithm, const wchar_t* chaining) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!Succeeded(CNG(BCryptOpenAlgorithmProvider)(&handle, algorithm, nullptr, 0))) return nullptr;
  if (chaining) {
    ULONG bytes = ULONG((wcslen(chaining) + 1) * sizeof(wchar_t));
    if (!Succeeded(CNG(BCryptSetProperty)(handle, BCRYPT_CHAINING_MODE,
                                     reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining)),
                                     bytes, 0))) {
      CNG(BCryptCloseAlgorithmProvider)(handle, 0);
      return nullptr;
    }
  }
  return handle;
}

BCRYPT_ALG_HANDLE Md5Provider() {
  static BCRYPT_ALG_HANDLE handle = OpenProvider(BCRYPT_MD5_ALGORITHM, nullptr);
  return handle;
}

BCRYPT_ALG_HANDLE Sha256Provider() {
  static BCRYPT_ALG_HANDLE handle = OpenProvider(BCRYPT_SHA256_ALGORITHM, nullptr);
  return handle;
}

BCRYPT_ALG_HANDLE AesCbcProvider() {
  static BCRYPT_ALG_HANDLE handle = OpenProvider(BCRYPT_AES_ALGORITHM, BCRYPT_CHAIN_MODE_CBC);
  return handle;
}

// Triple DES goes through CBC: Wine's CNG has no ECB mode for it (setting the chaining mode
// fails with STATUS_NOT_SUPPORTED), and one code path on every system is one tested path.
BCRYPT_ALG_HANDLE TripleDesCbcProvider() {
  static BCRYPT_ALG_HANDLE handle = OpenProvider(BCRYPT_3DES_ALGORITHM, BCRYPT_CHAIN_MODE_CBC);
  return handle;
}

// Owns one hash object; CNG allocates the object memory itself when given none (Windows 7+).
class HashObject {
 public:
  explicit HashObject(BCRYPT_ALG_HANDLE provider) {
    if (provider && !Succeeded(CNG(BCryptCreateHash)(provider, &handle_, nullptr, 0, nullptr, 0, 0)))
      handle_ = nullptr;
  }
  ~HashObject() {
    if (handle_) CNG(BCryptDestroyHash)(handle_);
  }
  HashObject(const HashObject&) = delete;
  HashObject& operator=(const HashObject&) = delete;

  // BCryptHashData takes a ULONG length, so very large inputs go in pieces.
  void Update(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (handle_ && size) {
      ULONG piece = size > 0x40000000u ? 0x40000000u : ULONG(size);
      if (!Succeeded(CNG(BCryptHashData)(handle_, const_cast<PUCHAR>(bytes), piece, 0))) {
        CNG(BCryptDestroyHash)(handle_);
        handle_ = nullptr;
      }
      bytes += piece;
      size -= piece;
    }
  }
  void Finish(uint8_t* digest, ULONG size) {
    if (handle_) CNG(BCryptFinishHash)(handle_, digest, size, 0);
  }

 private:
  BCRYPT_HASH_HANDLE handle_ = nullptr;
};

// Owns one symmetric key made from raw key bytes.
class SymmetricKey {
 public:
  SymmetricKey(BCRYPT_ALG_HANDLE provider, const uint8_t* secret, ULONG size) {
    if (provider &&
        !Succeeded(CNG(BCryptGenerateSymmetricKey)(provider, &handle_, nullptr, 0,
                                              const_cast<PUCHAR>(secret), size, 0)))
      handle_ = nullptr;
  }
  ~SymmetricKey() {
    if (handle_) CNG(BCryptDestroyKey)(handle_);
  }
  SymmetricKey(const SymmetricKey&) = delete;
  SymmetricKey& operator=(const SymmetricKey&) = delete;
  BCRYPT_KEY_HANDLE get() const { return handle_; }

 private:
  BCRYPT_KEY_HANDLE handle_ = nullptr;
};

// One unpadded pass in place (CNG allows the output buffer to be the input buffer). The IV
// buffer, when there is one, is advanced by CNG between pieces, so a long input chains right.
bool RunCipher(BCRYPT_ALG_HANDLE provider, const uint8_t* key, ULONG key_size, uint8_t* iv,
               ULONG iv_size, bool encrypt, uint8_t* data, size_t size, size_t block) {
  if (size % block != 0) return false;
  SymmetricKey handle(provider, key, key_size);
  if (!handle.get()) return false;
  constexpr size_t kPiece = size_t(1) << 30;
  for (size_t done = 0; done < size;) {
    ULONG piece = ULONG(size - done < kPiece ? size - done : kPiece);
    ULONG written = 0;
    NTSTATUS status =
        encrypt ? CNG(BCryptEncrypt)(handle.get(), data + done, piece, nullptr, iv, iv_size,
                                data + done, piece, &written, 0)
                : CNG(BCryptDecrypt)(handle.get(), data + done, piece, nullptr, iv, iv_size,
                                data + done, piece, &written, 0);
    if (!Succeeded(status) || written != piece) return false;
    done += piece;
  }
  return true;
}

}  // namespace

Md5Digest Md5(BytesView data) {
  Md5Digest digest{};
  HashObject hash(Md5Provider());
  hash.Update(data.data(), data.size());
  hash.Finish(digest.data(), ULONG(digest.size()));
  return digest;
}

struct Sha256Hasher::State {
  HashObject hash{Sha256Provider()};
};

Sha256Hasher::Sha256Hasher() : state_(std::make_unique<State>()) {}
Sha256Hasher::~Sha256Hasher() = default;

void Sha256Hasher::Update(const void* data, size_t size) { state_->hash.Update(data, size); }

Sha256Digest Sha256Hasher::Final() {
  Sha256Digest digest{};
  state_->hash.Finish(digest.data(), ULONG(digest.size()));
  return digest;
}

bool Aes256CbcDecrypt(const uint8_t key[32], const uint8_t iv[16], uint8_t* data, size_t size) {
  uint8_t chain[16];
  memcpy(chain, iv, sizeof chain);
  return RunCipher(AesCbcProvider(), key, 32, chain, sizeof chain, false, data, size, 16);
}

bool Aes256CbcEncrypt(const uint8_t key[32], const uint8_t iv[16], uint8_t* data, size_t size) {
  uint8_t chain[16];
  memcpy(chain, iv, sizeof chain);
  return RunCipher(AesCbcProvider(), key, 32, chain, sizeof chain, true, data, size, 16);
}

// ECB from CBC. CBC computes C[i] = E(P[i] ^ V) with V the IV for the first block and the
// previous cipher block after that; P[i] = D(C[i]) ^ V on the way back.
// - Encrypting, each block is its own call with input P[i] ^ C[i-1] and IV C[i-1], so E sees
//   P[i] whether the implementation takes the IV given or carries its chain on from the last
//   call (both are C[i-1]; CNG and Wine differ here).
// - Decrypting, one CBC pass with a zero IV gives D(C[i]) ^ C[i-1]; XOR with the saved cipher
//   blocks leaves D(C[i]).
bool TripleDesEcb(const uint8_t key[24], bool encrypt, uint8_t* data, size_t size) {
  constexpr size_t kBlock = 8;
  if (size % kBlock != 0) return false;
  if (!encrypt) {
    std::vector<uint8_t> cipher(data, data + size);
    uint8_t iv[kBlock] = {};
    if (!RunCipher(TripleDesCbcProvider(), key, 24, iv, kBlock, false, data, size, kBlock))
      return false;
    for (size_t at = kBlock; at < size; ++at) data[at] ^= cipher[at - kBlock];
    return true;
  }
  SymmetricKey handle(TripleDesCbcProvider(), key, 24);
  if (!handle.get()) return false;
  uint8_t chain[kBlock] = {};
  for (size_t at = 0; at < size; at += kBlock) {
    uint8_t* block = data + at;
    for (size_t i = 0; i < kBlock; ++i) block[i] ^= chain[i];
    uint8_t iv[kBlock];
    memcpy(iv, chain, kBlock);
    ULONG written = 0;
    if (!Succeeded(CNG(BCryptEncrypt)(handle.get(), block, kBlock, nullptr, iv, kBlock, block, kBlock,
                                 &written, 0)) ||
        written != kBlock)
      return false;
    memcpy(chain, block, kBlock);
  }
  return true;
}

}  // namespace crypto
