#include "archive/parallel.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/lzma.h"
#include "common/crypto.h"

namespace archive::detail {
namespace {

constexpr size_t kRangeStep = 1 << 16;

// Random access to the LZMA2 input, decrypting where the folder is encrypted.
class RangeReader {
 public:
  explicit RangeReader(const Lzma2Input& input) : in_(input) {}

  uint64_t Size() const { return in_.size; }

  // Exactly `size` bytes of the input from `pos`, or false (past the end, read error).
  bool Read(uint64_t pos, uint8_t* out, size_t size) const {
    if (pos > in_.size || size > in_.size - pos) return false;
    if (!in_.encrypted) return in_.source->ReadAt(in_.offset + pos, out, size);
    uint64_t first = pos & ~uint64_t{15};
    uint64_t last = std::min<uint64_t>((pos + size + 15) & ~uint64_t{15}, in_.packSize);
    if (last < pos + size) return false;
    uint8_t iv[16];
    if (first == 0) {
      std::memcpy(iv, in_.iv, 16);
    } else if (!in_.source->ReadAt(in_.offset + first - 16, iv, 16)) {
      return false;
    }
    std::vector<uint8_t> block(static_cast<size_t>(last - first));
    if (!in_.source->ReadAt(in_.offset + first, block.data(), block.size())) return false;
    if (block.size() % 16 != 0) return false;
    if (!crypto::Aes256CbcDecrypt(in_.key.data(), iv, block.data(), block.size())) return false;
    std::memcpy(out, block.data() + (pos - first), size);
    return true;
  }

 private:
  Lzma2Input in_;
};

// One block's input as a pull stream.
class RangeStream final : public InStream {
 public:
  RangeStream(const RangeReader& reader, uint64_t start, uint64_t size)
      : reader_(reader), pos_(start), left_(size) {}
  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>({size, left_, kRangeStep}));
    if (n == 0) return Status::kOk;
    if (!reader_.Read(pos_, buffer, n)) return Status::kDataError;
    pos_ += n;
    left_ -= n;
    *got = n;
    return Status::kOk;
  }

 private:
  const RangeReader& reader_;
  uint64_t pos_;
  uint64_t left_;
};

struct Block {
  uint64_t inStart = 0;
  uint64_t inSize = 0;
  uint64_t outSize = 0;
};

// Walks the chunk headers (skipping their data) and cuts the stream at every dictionary
// reset. False when the headers do not describe exactly `outSize` bytes.
bool ScanBlocks(const RangeReader& reader, uint64_t outSize, std::vector<Block>* blocks) {
  uint64_t pos = 0, out = 0;
  while (out < outSize) {
    uint8_t h[6];
    size_t avail = static_cast<size_t>(std::min<uint64_t>(6, reader.Size() - pos));
    if (avail == 0 || !reader.Read(pos, h, avail)) return false;
    unsigned control = h[0];
    if (control == 0 || (control > 2 && control < 0x80) || avail < 3) return false;
    uint64_t unpacked = 0, length = 0;
    bool dictReset = false;
    if (control <= 2) {
      unpacked = ((uint64_t{h[1]} << 8) | h[2]) + 1;
      length = 3 + unpacked;
      dictReset = control == 1;
    } else {
      unsigned reset = (control >> 5) & 3;
      size_t headerSize = reset >= 2 ? 6 : 5;
      if (avail < headerSize) return false;
      unpacked = ((uint64_t{control} & 0x1F) << 16) + ((uint64_t{h[1]} << 8) | h[2]) + 1;
      length = headerSize + ((uint64_t{h[3]} << 8) | h[4]) + 1;
      dictReset = reset == 3;
    }
    if (dictReset || blocks->empty()) {
      if (!dictReset) return false;  // the first chunk must reset; let the old decoder say so
      blocks->push_back(Block{pos, 0, 0});
    }
    if (length > reader.Size() - pos || unpacked > outSize - out) return false;
    blocks->back().inSize += length;
    blocks->back().outSize += unpacked;
    pos += length;
    out += unpacked;
  }
  return true;
}

class ParallelLzma2Stream final : public InStream {
 public:
  ParallelLzma2Stream(const Bytes& props, const Lzma2Input& input, std::vector<Block> blocks,
                      unsigned threads, uint64_t budget)
      : props_(props), reader_(input), slots_(blocks.size()), budget_(budget),
        maxHeld_(threads + 1) {
    for (size_t i = 0; i < blocks.size(); ++i) slots_[i].block = blocks[i];
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  }

  ~ParallelLzma2Stream() override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (size == 0) return Status::kOk;
    std::unique_lock<std::mutex> hold(lock_);
    while (current_ < slots_.size()) {
      Slot& slot = slots_[current_];
      done_.wait(hold, [&] { return slot.finished; });
      if (served_ < slot.produced) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(size, slot.produced - served_));
        const uint8_t* from = slot.data.get() + served_;
        served_ += n;
        // No worker touches a finished block, so the copy needs no lock.
        hold.unlock();
        std::memcpy(buffer, from, n);
        *got = n;
        return Status::kOk;
      }
      if (slot.status != Status::kOk) return slot.status;
      slot.data.reset();
      heldBytes_ -= slot.block.outSize;
      --held_;
      ++current_;
      served_ = 0;
      wake_.notify_all();
    }
    return Status::kOk;
  }

 private:
  struct Slot {
    Block block;
    bool finished = false;
    Status status = Status::kOk;
    std::unique_ptr<uint8_t[]> data;
    size_t produced = 0;
  };

  // A block may start when it is the next one to be read (so the reader never waits on the
  // bound) or when it fits beside the blocks held already.
  bool MayStart() const {
    if (next_ >= slots_.size()) return false;
    if (next_ == current_) return true;
    return held_ < maxHeld_ && heldBytes_ + slots_[next_].block.outSize <= budget_;
  }

  void Work() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      wake_.wait(hold, [&] { return stop_ || MayStart() || next_ >= slots_.size(); });
      if (stop_ || next_ >= slots_.size()) return;
      size_t index = next_++;
      ++held_;
      heldBytes_ += slots_[index].block.outSize;
      const Block block = slots_[index].block;
      hold.unlock();
      std::unique_ptr<uint8_t[]> data;
      size_t produced = 0;
      Status s = DecodeLzma2Block(
          props_, std::make_unique<RangeStream>(reader_, block.inStart, block.inSize),
          block.outSize, &data, &produced);
      hold.lock();
      Slot& slot = slots_[index];
      slot.data = std::move(data);
      slot.produced = produced;
      slot.status = s;
      slot.finished = true;
      done_.notify_all();
    }
  }

  const Bytes props_;
  const RangeReader reader_;
  std::vector<Slot> slots_;
  const uint64_t budget_;
  const size_t maxHeld_;
  std::mutex lock_;
  std::condition_variable wake_;  // workers: a block may start, or stop
  std::condition_variable done_;  // the reader: a block finished
  size_t next_ = 0;               // the first block no worker has taken
  size_t current_ = 0;            // the block being read
  uint64_t served_ = 0;           // of the current block
  size_t held_ = 0;
  uint64_t heldBytes_ = 0;
  bool stop_ = false;
  std::vector<std::thread> workers_;  // last: they start once everything above exists
};

}  // namespace

unsigned DecodeThreads() {
  unsigned wanted = CurrentLimits().decodeThreads;
  if (wanted == 0) wanted = std::thread::hardware_concurrency();
  return std::max(wanted, 1u);
}

Status OpenParallelLzma2(const Bytes& props, const Lzma2Input& input, uint64_t outSize,
                         std::unique_ptr<InStream>* out) {
  out->reset();
  unsigned threads = DecodeThreads();
  uint64_t dictSize = 0;
  if (threads < 2 || !Lzma2DictionarySize(props, &dictSize)) return Status::kOk;
  if (input.encrypted && input.size > input.packSize) return Status::kOk;
  RangeReader reader(input);
  std::vector<Block> blocks;
  if (!ScanBlocks(reader, outSize, &blocks) || blocks.size() < 2) return Status::kOk;
  uint64_t largest = 0;
  for (const Block& b : blocks) largest = std::max(largest, b.outSize);
  threads = static_cast<unsigned>(std::min<size_t>(threads, blocks.size()));
  const uint64_t budget = std::min<uint64_t>(dictSize, largest) * threads + kFixedAhead;
  if (largest > budget / 2 || largest > CurrentLimits().maxDictionary) return Status::kOk;
  *out = std::make_unique<ParallelLzma2Stream>(props, input, std::move(blocks), threads, budget);
  return Status::kOk;
}

}  // namespace archive::detail
