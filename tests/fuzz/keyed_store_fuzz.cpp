// The keyed item store: the first byte gives the key length, the key follows, the rest is the
// store; looked up plain and enciphered.
#include <cstddef>
#include <cstdint>

#include "common/keyed_store.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  BytesView input(reinterpret_cast<const char*>(data), size);
  size_t key_size = uint8_t(input[0]) % 32;
  input.remove_prefix(1);
  if (key_size > input.size()) key_size = input.size();
  std::string key(input.substr(0, key_size));
  BytesView store = input.substr(key_size);

  for (bool enciphered : {false, true}) {
    Bytes item = "sentinel";
    bool found = ReadKeyedItem(store, key, enciphered, item);
    FUZZ_CHECK(found ? !item.empty() : item == "sentinel");
    if (found) FUZZ_CHECK(enciphered || item.size() < store.size());
  }
  Bytes between = BytesBetween(store, key, "end");
  FUZZ_CHECK(between.size() <= store.size());
  return 0;
}
