// The package cipher: deciphering arbitrary bytes with every pass phrase, and the round trip.
#include <cstddef>
#include <cstdint>

#include "common/package_cipher.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BytesView input(reinterpret_cast<const char*>(data), size);
  for (cipher::PassPhrase which : {cipher::PassPhrase::kGuiText, cipher::PassPhrase::kExcept,
                                   cipher::PassPhrase::kScript, cipher::PassPhrase::kKeyedItem}) {
    Bytes plain = cipher::Decipher(input, which);
    FUZZ_CHECK(plain.empty() || plain.size() + 4 <= input.size());
    Bytes enciphered = cipher::Encipher(input, which);
    FUZZ_CHECK(enciphered.size() % 8 == 0 && enciphered.size() >= input.size() + 4);
    FUZZ_CHECK(cipher::Decipher(enciphered, which) == input);
  }
  return 0;
}
