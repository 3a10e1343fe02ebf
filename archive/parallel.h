// Decoding an LZMA2 stream on several threads where its writer made that possible: a chunk
// that resets the dictionary (and state and properties) starts a block that needs nothing
// decoded before it, so blocks are decoded side by side and served back in order.
//
// Only the decoding moves: the stream is still read, and files are still written and
// reported, by the thread that reads it, in archive order.
//
// Memory: a block is decoded into one buffer of its unpacked size, which is its dictionary
// as well. Blocks held at once (decoding, or decoded and not yet read) are at most
// threads + 1 and at most dictionary × threads + kFixedAhead bytes; a stream whose largest
// block would not let two of them fit that bound is decoded the old way, on one thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/stream.h"

namespace archive::detail {

// Bytes allowed on top of dictionary × threads for decoded blocks waiting to be read: with the
// rest of an extraction (its entries: about 20 MiB for 70,000 files) the process stays within
// dictionary × threads + 48 MiB.
constexpr uint64_t kFixedAhead = uint64_t{16} << 20;

// How many threads decode blocks (CurrentLimits().decodeThreads, or the processors).
unsigned DecodeThreads();

// Where the LZMA2 coder's input lies: a packed stream, read directly or through 7zAES
// (AES-256-CBC, so any 16-byte block decrypts with the one before it as its IV).
struct Lzma2Input {
  Source* source = nullptr;
  uint64_t offset = 0;    // of the packed stream in the source
  uint64_t packSize = 0;  // of the packed stream
  uint64_t size = 0;      // of the LZMA2 input (the AES output, cut at its declared size)
  bool encrypted = false;
  std::array<uint8_t, 32> key{};
  uint8_t iv[16] = {0};
};

// Builds a stream over blocks decoded on worker threads when `input` holds two or more
// blocks that fit the memory bound above and more than one thread is allowed. Sets `*out`
// to null (and returns kOk) when the stream should be decoded the old way: one block, too
// large blocks, or chunk headers that do not add up (the old decoder then reports the
// damage exactly as before). Errors found while decoding a block come from Read once the
// bytes before them have been served, as the single-threaded decoder does.
Status OpenParallelLzma2(const Bytes& props, const Lzma2Input& input, uint64_t outSize,
                         std::unique_ptr<InStream>* out);

class KeyCache;
struct Database;

// A folder may be decoded whole on a worker, ahead of the reader, when it costs at most
// kSmallFolder bytes of memory there (its output, and for other decoders than LZMA's, whose
// dictionary is the output buffer itself, as much again), or when it is LZMA or LZMA2 and
// no larger than its dictionary.
constexpr uint64_t kSmallFolder = uint64_t{8} << 20;

// Independent folders (a non-solid archive, or one of several solid blocks) decoded side by
// side: workers open and decode the folders the reader will need next, each whole into a
// buffer of its unpacked size, and the reader takes them in archive order, reading each one's
// bytes as they become final, so files are still written and reported on its thread. Any other folder is a barrier: the reader streams
// it the old way (its blocks on threads) and no folder after it starts before the reader
// reaches it.
//
// Memory: the folders being decoded or waiting for the reader cost at most kFixedAhead +
// threads × the largest cost of a folder above kSmallFolder (so at most dictionary ×
// threads + kFixedAhead), except that the folder the reader waits for always starts.
class FolderPrefetch {
 public:
  // `folders`: the folders the reader will open, in the order it opens them.
  FolderPrefetch(Source& source, const Database& db, KeyCache& keys,
                 const std::vector<size_t>& folders, unsigned threads);
  ~FolderPrefetch();
  FolderPrefetch(const FolderPrefetch&) = delete;
  FolderPrefetch& operator=(const FolderPrefetch&) = delete;

  // How many of `folders` a prefetch would decode on workers.
  static size_t InMemory(const Database& db, const std::vector<size_t>& folders);

  // Called for every folder of the list, in order, when the reader comes to it. False for a
  // folder the reader opens itself; otherwise waits until a worker has opened the folder and
  // sets `*openStatus` to what that gave and, when it is kOk, `*stream` to its decoded bytes
  // as they come (followed by the error that stopped its decoding, if any). The stream is to
  // be dropped before the prefetch.
  bool Take(size_t folder, Status* openStatus, std::unique_ptr<InStream>* stream);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace archive::detail
