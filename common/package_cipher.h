// The package cipher of the enciphered configuration files and keyed items.
//
// Format: Triple DES in ECB mode over [32-bit little-endian plaintext length][plaintext][zero
// padding to a multiple of 8]. The key derivation from a pass phrase is documented at the top of
// package_cipher.cpp; the fixed pass phrases live in cipher_keys.h.
#pragma once

#include "common/bytes.h"

namespace cipher {

// Which fixed pass phrase a file or item uses.
enum class PassPhrase {
  kGuiText,     // GUItext.ini
  kExcept,      // Except.ini
  kScript,      // choosegment.ini
  kKeyedItem,   // enciphered keyed items (keys and data)
};

// Deterministic (ECB, fixed key): the same text always gives the same bytes. Empty only for a
// text of 4 GiB or more, or on a backend failure.
Bytes Encipher(BytesView plain, PassPhrase which);
// Empty when the data is not a whole number of blocks, shorter than one block, or its stored
// length does not fit the data.
Bytes Decipher(BytesView enciphered, PassPhrase which);

}  // namespace cipher
