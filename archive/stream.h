// Byte streams inside the engine: random-access sources (the archive file, its volumes, or
// memory) and the pull streams that coders are chained with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "platform/platform.h"
#include "platform/threads.h"

namespace archive::detail {

// Resource ceilings against hostile archives. The defaults admit everything 7-Zip writes; the
// fuzz target lowers them so that a claimed 4 GiB dictionary is refused, not allocated.
struct Limits {
  uint64_t maxDictionary = uint64_t{1536} << 20;  // beyond any 32-bit process anyway
  uint64_t maxDecodedHeader = uint64_t{128} << 20;
  unsigned maxKeyCyclesPower = 24;
  // Threads that decode independent LZMA2 blocks: 0 means one per processor; 1 decodes on
  // the calling thread only (as before threads existed).
  unsigned decodeThreads = 0;
};
Limits& CurrentLimits();

// Random access to the archive bytes. Volumes are one source.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t Size() const = 0;
  // Exactly `size` bytes at `offset`, or false (read error or past the end). Safe to call
  // from several threads at once.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
};

class MemorySource final : public Source {
 public:
  explicit MemorySource(Bytes data) : data_(std::move(data)) {}
  uint64_t Size() const override { return data_.size(); }
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override;

 private:
  Bytes data_;
};

// One file, or the numbered volumes "x.001", "x.002", ... read back to back. ReadAt may be
// called from several threads (the block decoders read their own ranges).
class FileSource final : public Source {
 public:
  // Opens `path`; when it ends with ".001", every following volume that exists as well.
  // False when the first file cannot be opened.
  bool Open(const std::string& path);
  uint64_t Size() const override { return total_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override;

 private:
  struct Part {
    plat::File file;
    uint64_t start = 0;
    uint64_t size = 0;
    uint64_t position = UINT64_MAX;  // where the OS file pointer is, to skip needless seeks
  };
  std::vector<Part> parts_;
  uint64_t total_ = 0;
  plat::Mutex lock_;  // the parts' file pointers are shared
};

// A pull stream. Read fills up to `size` bytes and sets `*got`; 0 with kOk means the end.
// Coders hold their inputs as InStreams, so a folder is a small tree of them.
class InStream {
 public:
  virtual ~InStream() = default;
  virtual Status Read(uint8_t* buffer, size_t size, size_t* got) = 0;
  // For a stream not read yet whose decoder's buffer can hold all of its output: decodes it
  // all and hands that buffer over (`*produced` bytes valid, `*status` what ended it), so a
  // whole folder is held once, not twice. `keepGoing` is asked after every step with the
  // buffer and how many bytes at its front are final (they may be read while the rest is
  // decoded); false stops with kCancelled. False when the stream cannot; it may have been
  // read then, and is to be opened again; a buffer already decoded into is then in `*out`
  // still, so that whoever read from it decides when it goes.
  virtual bool TakeWhole(const std::function<bool(const uint8_t*, size_t)>& keepGoing,
                         std::unique_ptr<uint8_t[]>* out, size_t* produced, Status* status) {
    (void)keepGoing, (void)out, (void)produced, (void)status;
    return false;
  }
};

// Reads until `size` bytes are in or the stream ends; `*got` tells how many.
Status ReadFull(InStream& stream, uint8_t* buffer, size_t size, size_t* got);

// A packed stream: `size` bytes of the source from `offset`.
class PackStream final : public InStream {
 public:
  PackStream(Source& source, uint64_t offset, uint64_t size)
      : source_(source), offset_(offset), left_(size) {}
  Status Read(uint8_t* buffer, size_t size, size_t* got) override;

 private:
  Source& source_;
  uint64_t offset_;
  uint64_t left_;
};

// A read-ahead buffer over an InStream for the decoders, which need to look at several bytes
// at once. `kSlack` bytes past the filled end always exist (zeroed at the true end of the
// input), so a decoder may overrun by a few bytes before it notices and reports an error.
class InputBuffer {
 public:
  static constexpr size_t kSlack = 128;
  InputBuffer(std::unique_ptr<InStream> source, size_t capacity);

  const uint8_t* Data() const { return buf_.data() + pos_; }
  size_t Available() const { return end_ - pos_; }
  bool AtEnd() const { return eof_ && pos_ >= end_; }
  bool SourceDone() const { return eof_; }
  void Skip(size_t n) { pos_ += n; }
  // Makes at least `n` bytes available (fewer only when the input ends; `n` must not exceed
  // the capacity). Moves the unread bytes to the front, so pointers from Data() go stale.
  Status Ensure(size_t n);

 private:
  std::unique_ptr<InStream> source_;
  std::vector<uint8_t> buf_;
  size_t capacity_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
};

}  // namespace archive::detail
