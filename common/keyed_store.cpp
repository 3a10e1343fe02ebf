// The keyed item store. Lookups are plain byte searches over the whole store, exactly as the
// format has always been read: there is no item framing beyond the patterns, so a key whose
// bytes occur inside another item (or end another key) can match there. The writer cannot
// prevent that; it is part of the format.
#include "common/keyed_store.h"

#include "common/package_cipher.h"
#include "common/text.h"

namespace {

// The pattern bytes a key is stored as: itself, or its enciphered form.
Bytes StoredKey(const std::string& key, bool enciphered) {
  return enciphered ? cipher::Encipher(key, cipher::PassPhrase::kKeyedItem) : Bytes(key);
}

// Built at run time: the item-start byte never sits next to a key in our constant data.
Bytes StartPattern(BytesView stored_key) {
  Bytes pattern(stored_key);
  pattern.push_back('\x01');
  return pattern;
}

Bytes EndPattern(BytesView stored_key) {
  Bytes pattern(stored_key);
  pattern.append("end");
  return pattern;
}

}  // namespace

Bytes BytesBetween(BytesView data, BytesView startPattern, BytesView endPattern) {
  size_t start = text::Find(data, startPattern);
  if (start == text::npos) return {};
  start += startPattern.size();
  size_t end = text::Find(data, endPattern, start);
  if (end == text::npos) return {};
  return Bytes(data.substr(start, end - start));
}

bool ReadKeyedItem(BytesView store, const std::string& key, bool enciphered, Bytes& item) {
  Bytes stored_key = StoredKey(key, enciphered);
  if (stored_key.empty()) return false;
  Bytes found = BytesBetween(store, StartPattern(stored_key), EndPattern(stored_key));
  if (enciphered && !found.empty()) found = cipher::Decipher(found, cipher::PassPhrase::kKeyedItem);
  if (found.empty()) return false;
  item = std::move(found);
  return true;
}

void AppendKeyedItem(Bytes& store, const std::string& key, BytesView item, bool enciphered) {
  Bytes stored_key = StoredKey(key, enciphered);
  store += StartPattern(stored_key);
  if (enciphered)
    store += cipher::Encipher(item, cipher::PassPhrase::kKeyedItem);
  else
    store.append(item);
  store += EndPattern(stored_key);
}
