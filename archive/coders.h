// Folder decoding: the coder records of a 7z folder, the coders we implement, and the
// assembly of a folder's coder graph (through its bind pairs) into one pull stream.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/stream.h"
#include "platform/threads.h"

namespace archive::detail {

struct CoderInfo {
  Bytes methodId;
  uint32_t numIn = 1;
  uint32_t numOut = 1;
  Bytes props;
};

struct BindPair {
  uint32_t inIndex = 0;
  uint32_t outIndex = 0;
};

struct Folder {
  std::vector<CoderInfo> coders;
  std::vector<BindPair> bindPairs;
  std::vector<uint32_t> packedStreams;  // coder input indices fed by packed streams, in order
  std::vector<uint64_t> unpackSizes;    // one per coder output
  bool hasCrc = false;
  uint32_t crc = 0;
  size_t firstPackStream = 0;  // index into the archive's packed streams
  uint32_t mainOut = 0;        // the output no bind pair consumes
  uint64_t numSubstreams = 1;

  uint64_t UnpackSize() const { return unpackSizes.empty() ? 0 : unpackSizes[mainOut]; }
  bool IsEncrypted() const;
};

// Checks the graph (indices in range, exactly one unbound output, each input fed once) and
// finds mainOut. False when the folder cannot be a valid graph.
bool ValidateFolder(Folder& folder);

// Password state shared by every folder of one archive; the derived key is cached because
// the derivation is deliberately slow. Folders opened on worker threads share it, so Key
// may be called from several threads (a second caller waits for the first derivation).
class KeyCache {
 public:
  void Clear();
  void SetPassword(const std::string& gbkPassword);
  bool HasPassword() const { return hasPassword_; }
  // The AES key for these 7zAES parameters.
  std::array<uint8_t, 32> Key(unsigned cyclesPower, const Bytes& salt);

 private:
  bool hasPassword_ = false;
  Bytes passwordUtf16;  // UTF-16LE bytes, no terminator
  std::map<std::pair<unsigned, Bytes>, std::array<uint8_t, 32>> keys_;
  plat::Mutex lock_;
};

// Builds the stream of a folder's main output. `packOffsets`/`packSizes` hold the absolute
// offset and size of each of the folder's packed streams, in packedStreams order.
// Results: kOk, kUnsupportedMethod, kWrongPassword (encrypted and no password), kDataError
// (bad properties or graph). `blockThreads` false keeps an LZMA2 stream's blocks on the
// calling thread (for a folder that is itself decoded on a worker).
Status OpenFolder(Source& source, const Folder& folder, const std::vector<uint64_t>& packOffsets,
                  const std::vector<uint64_t>& packSizes, KeyCache& keys,
                  std::unique_ptr<InStream>* out, bool blockThreads = true);

// Names a method for messages ("LZMA2", "PPMD", or the id in hex).
std::string MethodName(const Bytes& id);

// x86 BCJ conversion of a buffer (decoding direction). Returns how many bytes are final; the
// rest (at most 4) must be presented again with the following bytes. `ip` is the stream
// position of data[0] and `state` the carried mask, both updated.
size_t X86Convert(uint8_t* data, size_t size, uint32_t& ip, uint32_t& state);

}  // namespace archive::detail
