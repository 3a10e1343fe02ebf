// Backend-independent parts of the crypto facade: the digest helpers that are plain
// compositions of the primitives each backend provides.
#include "common/crypto.h"
#include "common/text.h"

namespace crypto {

std::string Md5Hex(BytesView data) {
  Md5Digest digest = Md5(data);
  return text::HexLower(BytesView(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

Sha256Digest Sha256(BytesView data) {
  Sha256Hasher hasher;
  hasher.Update(data.data(), data.size());
  return hasher.Final();
}

}  // namespace crypto
