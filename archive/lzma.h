// LZMA and LZMA2 decoders, written from the published LZMA description.
//
// The decoder works straight in its dictionary buffer (a ring of min(dictionary, output size)
// bytes) and hands out what it decoded before it wraps, so a folder of any size is decoded in
// dictionary-sized memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "archive/stream.h"

namespace archive::detail {

class LzmaCore {
 public:
  // The most input one symbol can consume; the caller keeps this much readable past `inSafe`.
  static constexpr size_t kMaxSymbolInput = 64;

  enum class Result { kOk, kEndMark, kError };

  bool SetProperties(unsigned lc, unsigned lp, unsigned pb);  // false when out of range
  bool AllocateDictionary(size_t size);
  // Takes a buffer of at least `size` bytes as the dictionary of `size` bytes.
  void AdoptDictionary(std::unique_ptr<uint8_t[]> buffer, size_t size);
  void ResetDictionary();
  void ResetState();
  // Starts a range coder on 5 bytes (the first must be 0).
  bool StartRange(const uint8_t* in);
  // Runs the final normalisation a finished stream may still owe.
  void FinishRange(const uint8_t*& in);

  // Decodes until the dictionary position reaches `dicLimit` (at most the buffer size), the
  // input pointer passes `inSafe` (the caller then refills), an end marker or an error.
  Result Decode(const uint8_t*& in, const uint8_t* inSafe, size_t dicLimit);
  // Appends stored bytes (an LZMA2 uncompressed chunk) to the dictionary.
  void PutUncompressed(const uint8_t* data, size_t size);

  uint8_t* Dictionary() { return dic_.get(); }
  size_t DictionarySize() const { return dicSize_; }
  size_t Position() const { return dicPos_; }
  // Wraps the ring once the caller has taken everything up to its end.
  void WrapIfFull() {
    if (dicPos_ == dicSize_) {
      dicPos_ = 0;
      full_ = true;
      posBase_ += static_cast<uint32_t>(dicSize_);
    }
  }
  bool HasPendingMatch() const { return remainLen_ != 0; }
  // Gives the dictionary buffer away (the core is unusable afterwards).
  std::unique_ptr<uint8_t[]> TakeDictionary() {
    dicSize_ = dicPos_ = 0;
    return std::move(dic_);
  }

 private:
  std::vector<uint16_t> probs_;
  std::unique_ptr<uint8_t[]> dic_;
  size_t dicSize_ = 0;
  size_t dicPos_ = 0;
  bool full_ = false;
  uint32_t posBase_ = 0;  // stream position of dic_[0], for the position-dependent contexts
  unsigned lc_ = 0, lp_ = 0, pb_ = 0;
  uint32_t range_ = 0, code_ = 0;
  uint32_t state_ = 0;
  uint32_t reps_[4] = {0, 0, 0, 0};
  size_t remainLen_ = 0;  // bytes of a match that did not fit before the last limit
};

// The 7z LZMA coder: 5 property bytes, output of known size.
Status CreateLzmaStream(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                        std::unique_ptr<InStream>* out);
// The dictionary size an LZMA2 property byte declares; false when it is out of range.
bool Lzma2DictionarySize(const Bytes& props, uint64_t* size);
// Decodes one run of LZMA2 chunks that starts with a dictionary reset and holds `outSize`
// bytes into `buffer` (at least that large), which serves as the dictionary (no second
// copy), and hands it back in `*out`. `progress`, when set, is told the buffer and how many
// bytes at its front are final after every step, so they can be read while the rest is
// decoded; false from it stops the decoding with kCancelled. On an error `*produced` bytes at
// the front of `*out` are what was decoded before it.
Status DecodeLzma2Block(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                        std::unique_ptr<uint8_t[]> buffer,
                        const std::function<bool(const uint8_t*, size_t)>& progress,
                        std::unique_ptr<uint8_t[]>* out, size_t* produced);
// The 7z LZMA2 coder: 1 property byte.
Status CreateLzma2Stream(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                         std::unique_ptr<InStream>* out);

}  // namespace archive::detail
