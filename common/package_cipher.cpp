// The package cipher.
//
// Key derivation: the 24-byte Triple DES key (three independent DES keys, K1 K2 K3 in that
// order) is the first 24 bytes of SHA-256 over the ASCII domain text
// "installer/package-cipher/3des-ecb/v1:" followed by the pass phrase's bytes (no terminator).
// DES parity bits are ignored by both backends, so the digest bytes are used as they are.
//
// Layout of an enciphered text: Triple DES ECB over
//   [u32 little-endian plaintext length][plaintext][zero bytes up to a multiple of 8].
// ECB with a fixed key is deterministic, which the keyed item store relies on: a key
// enciphered twice gives the same bytes, so enciphered keys can be searched for.
#include "common/package_cipher.h"

#include <array>
#include <cstring>

#include "common/cipher_keys.h"
#include "common/crypto.h"

namespace cipher {
namespace {

using TripleDesKey = std::array<uint8_t, 24>;

BytesView PhraseOf(PassPhrase which) {
  switch (which) {
    case PassPhrase::kGuiText: return keys::kGuiTextPhrase;
    case PassPhrase::kExcept: return keys::kExceptPhrase;
    case PassPhrase::kScript: return keys::kScriptPhrase;
    case PassPhrase::kKeyedItem: return keys::kKeyedItemPhrase;
  }
  return {};
}

TripleDesKey DeriveKey(PassPhrase which) {
  crypto::Sha256Hasher hasher;
  BytesView domain = keys::kDerivationDomain;
  BytesView phrase = PhraseOf(which);
  hasher.Update(domain.data(), domain.size());
  hasher.Update(phrase.data(), phrase.size());
  crypto::Sha256Digest digest = hasher.Final();
  TripleDesKey key;
  memcpy(key.data(), digest.data(), key.size());
  return key;
}

// Keys are derived once per phrase; the keyed store enciphers a key for every lookup.
const TripleDesKey& KeyOf(PassPhrase which) {
  static const TripleDesKey gui = DeriveKey(PassPhrase::kGuiText);
  static const TripleDesKey except = DeriveKey(PassPhrase::kExcept);
  static const TripleDesKey script = DeriveKey(PassPhrase::kScript);
  static const TripleDesKey keyed = DeriveKey(PassPhrase::kKeyedItem);
  switch (which) {
    case PassPhrase::kGuiText: return gui;
    case PassPhrase::kExcept: return except;
    case PassPhrase::kScript: return script;
    case PassPhrase::kKeyedItem: break;
  }
  return keyed;
}

constexpr size_t kBlock = 8;
constexpr size_t kPrefix = 4;

}  // namespace

Bytes Encipher(BytesView plain, PassPhrase which) {
  if (plain.size() > 0xFFFFFFFFu - kBlock) return {};
  size_t total = (kPrefix + plain.size() + kBlock - 1) / kBlock * kBlock;
  Bytes out(total, '\0');
  uint32_t length = uint32_t(plain.size());
  for (size_t i = 0; i < kPrefix; ++i) out[i] = char((length >> (8 * i)) & 0xFF);
  if (!plain.empty()) memcpy(&out[kPrefix], plain.data(), plain.size());
  if (!crypto::TripleDesEcb(KeyOf(which).data(), true, reinterpret_cast<uint8_t*>(out.data()),
                            out.size()))
    return {};
  return out;
}

Bytes Decipher(BytesView enciphered, PassPhrase which) {
  if (enciphered.size() < kBlock || enciphered.size() % kBlock != 0) return {};
  Bytes plain(enciphered);
  if (!crypto::TripleDesEcb(KeyOf(which).data(), false, reinterpret_cast<uint8_t*>(plain.data()),
                            plain.size()))
    return {};
  uint32_t length = 0;
  for (size_t i = 0; i < kPrefix; ++i) length |= uint32_t(uint8_t(plain[i])) << (8 * i);
  if (length > plain.size() - kPrefix) return {};
  return plain.substr(kPrefix, length);
}

}  // namespace cipher
