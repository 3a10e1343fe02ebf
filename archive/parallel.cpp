#include "archive/parallel.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "archive/coders.h"
#include "archive/header.h"
#include "archive/lzma.h"
#include "common/crypto.h"
#include "platform/large_buffer.h"
#include "platform/threads.h"

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
  bool lzmaSeen = false;  // an LZMA chunk came after its dictionary reset
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
    if (control >= 0x80 && !blocks->back().lzmaSeen) {
      // A block decoded on its own has no properties before its own; one whose first LZMA
      // chunk carries on with the block before's (a stored chunk reset the dictionary only)
      // is left to the old decoder, which has them.
      if (blocks->size() > 1 && control < 0xC0) return false;
      blocks->back().lzmaSeen = true;
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
        maxHeld_(threads + 1), maxSpare_(threads) {
    for (size_t i = 0; i < blocks.size(); ++i) slots_[i].block = blocks[i];
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  }

  ~ParallelLzma2Stream() override {
    {
      std::lock_guard<plat::Mutex> hold(lock_);
      stop_ = true;
    }
    wake_.notify_all();
    for (plat::Thread& t : workers_) t.join();
  }

  // The block being read is served while it is still being decoded: the bytes a worker has
  // reported final are never written again, and the copy runs without the lock.
  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (size == 0) return Status::kOk;
    std::unique_lock<plat::Mutex> hold(lock_);
    while (current_ < slots_.size()) {
      Slot& slot = slots_[current_];
      done_.wait(hold, [&] { return slot.finished || served_ < slot.produced; });
      if (served_ < slot.produced) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(size, slot.produced - served_));
        const uint8_t* from = slot.base + served_;
        served_ += n;
        hold.unlock();
        std::memcpy(buffer, from, n);
        *got = n;
        return Status::kOk;
      }
      if (slot.status != Status::kOk) return slot.status;
      Release(slot);
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
    std::unique_ptr<uint8_t[]> data;  // once finished
    const uint8_t* base = nullptr;    // the buffer, from the start of the decoding
    uint64_t capacity = 0;
    size_t produced = 0;
  };
  struct Spare {
    std::unique_ptr<uint8_t[]> data;
    uint64_t capacity = 0;
  };

  // A read block's buffer is kept for a later block: a fresh one would fault in every page
  // again. Spares count against the bound like held blocks.
  void Release(Slot& slot) {
    heldBytes_ -= slot.capacity;
    --held_;
    if (slot.data && spares_.size() < maxSpare_) {
      spareBytes_ += slot.capacity;
      spares_.push_back(Spare{std::move(slot.data), slot.capacity});
    }
    slot.data.reset();
    slot.base = nullptr;
  }

  // The smallest spare that holds `size` bytes, or spares_.size().
  size_t SpareFor(uint64_t size) const {
    size_t best = spares_.size();
    for (size_t i = 0; i < spares_.size(); ++i)
      if (spares_[i].capacity >= size && (best == spares_.size() || spares_[i].capacity < spares_[best].capacity))
        best = i;
    return best;
  }

  // A block may start when it is the next one to be read (so the reader never waits on the
  // bound) or when it fits beside the blocks held already (in a spare, or in a new buffer
  // once the spares too small for it are dropped).
  bool MayStart() const {
    if (next_ >= slots_.size()) return false;
    if (next_ == current_) return true;
    if (held_ >= maxHeld_) return false;
    uint64_t size = slots_[next_].block.outSize;
    if (SpareFor(size) < spares_.size()) return heldBytes_ + spareBytes_ <= budget_;
    return heldBytes_ + size <= budget_;
  }

  // Under the lock: a buffer for `size` bytes, a spare when one fits.
  std::unique_ptr<uint8_t[]> TakeBuffer(uint64_t size, uint64_t* capacity) {
    size_t i = SpareFor(size);
    if (i < spares_.size()) {
      std::unique_ptr<uint8_t[]> data = std::move(spares_[i].data);
      *capacity = spares_[i].capacity;
      spareBytes_ -= *capacity;
      spares_.erase(spares_.begin() + static_cast<ptrdiff_t>(i));
      return data;
    }
    spares_.clear();
    spareBytes_ = 0;
    *capacity = size;
    return plat::NewDecodeBuffer(static_cast<size_t>(size));
  }

  void Work() {
    std::unique_lock<plat::Mutex> hold(lock_);
    for (;;) {
      wake_.wait(hold, [&] { return stop_ || MayStart() || next_ >= slots_.size(); });
      if (stop_ || next_ >= slots_.size()) return;
      size_t index = next_++;
      ++held_;
      Slot& slot = slots_[index];
      std::unique_ptr<uint8_t[]> buffer = TakeBuffer(slot.block.outSize, &slot.capacity);
      heldBytes_ += slot.capacity;
      slot.base = buffer.get();
      const Block block = slot.block;
      hold.unlock();
      std::unique_ptr<uint8_t[]> data;
      size_t produced = 0;
      Status s = Status::kUnsupportedMethod;  // a buffer we cannot have, as a dictionary
      if (buffer) {
        // Progress is passed on in steps of kShowStep, and the reader is woken only when it
        // reads this block.
        size_t shown = 0;
        auto progress = [&](const uint8_t*, size_t now) {
          if (now - shown < kShowStep) return true;
          shown = now;
          std::lock_guard<plat::Mutex> again(lock_);
          slot.produced = now;
          if (index == current_) done_.notify_all();
          return !stop_;
        };
        s = DecodeLzma2Block(props_,
                             std::make_unique<RangeStream>(reader_, block.inStart, block.inSize),
                             block.outSize, std::move(buffer), progress, &data, &produced);
      }
      hold.lock();
      slot.data = std::move(data);
      slot.produced = produced;
      slot.status = s;
      slot.finished = true;
      done_.notify_all();
    }
  }

  static constexpr size_t kShowStep = 1 << 20;

  const Bytes props_;
  const RangeReader reader_;
  std::vector<Slot> slots_;
  const uint64_t budget_;
  const size_t maxHeld_;
  const size_t maxSpare_;
  plat::Mutex lock_;
  plat::Condition wake_;  // workers: a block may start, or stop
  plat::Condition done_;  // the reader: a block finished or grew
  size_t next_ = 0;               // the first block no worker has taken
  size_t current_ = 0;            // the block being read
  uint64_t served_ = 0;           // of the current block
  size_t held_ = 0;
  uint64_t heldBytes_ = 0;
  std::vector<Spare> spares_;
  uint64_t spareBytes_ = 0;
  bool stop_ = false;
  std::vector<plat::Thread> workers_;  // last: they start once everything above exists
};

// Decoding is read in pieces of this size, so a stop request is seen within one of them.
constexpr size_t kFolderPiece = 1 << 20;

}  // namespace

struct FolderPrefetch::State {
  struct Job {
    size_t folder = 0;
    uint64_t size = 0;
    uint64_t cost = 0;  // memory while decoding and until the reader lets go of it
    bool inMemory = false;
    bool whole = false;  // LZMA or LZMA2 decoded straight into its dictionary
    ptrdiff_t barrier = -1;  // the last job before this one that the reader opens itself
    bool opened = false;    // openStatus is known
    bool finished = false;
    bool released = false;  // the reader went past it before it finished
    Status openStatus = Status::kOk;
    Status endStatus = Status::kOk;
    std::unique_ptr<uint8_t[]> data;
    size_t produced = 0;
    // Under the lock, while decoding: the buffer being decoded into and how many bytes at
    // its front are final, so the reader writes files from it before the folder is done.
    const uint8_t* base = nullptr;
    size_t ready = 0;
  };

  // A folder being decoded ahead, read as its bytes become final; then the status that ended
  // its decoding. Lives no longer than the prefetch that made it.
  class Stream final : public InStream {
   public:
    Stream(plat::Mutex& lock, plat::Condition& grown, const Job& job)
        : lock_(lock), grown_(grown), job_(job) {}
    // The copy runs under the lock: a buffer decoded into can be dropped (and decoded again)
    // when the decoder finds it must start over.
    Status Read(uint8_t* buffer, size_t size, size_t* got) override {
      *got = 0;
      if (size == 0) return Status::kOk;
      std::unique_lock<plat::Mutex> hold(lock_);
      grown_.wait(hold, [&] { return job_.finished || (job_.base && served_ < job_.ready); });
      size_t avail = job_.base && job_.ready > served_ ? job_.ready - served_ : 0;
      if (avail == 0) return job_.endStatus;
      size_t n = std::min(size, avail);
      std::memcpy(buffer, job_.base + served_, n);
      served_ += n;
      *got = n;
      return Status::kOk;
    }

   private:
    plat::Mutex& lock_;
    plat::Condition& grown_;
    const Job& job_;
    size_t served_ = 0;
  };

  State(Source& src, const Database& database, KeyCache& keyCache)
      : source(src), db(database), keys(keyCache) {}

  // The next job may start when the reader has passed every barrier before it, and either
  // the reader waits for it or it fits beside what is held.
  bool MayStart() const {
    if (next >= jobs.size() || !jobs[next].inMemory) return false;
    if (jobs[next].barrier >= static_cast<ptrdiff_t>(readerAt)) return false;
    return next == readerAt || heldBytes + jobs[next].cost <= budget;
  }

  // More of a job's bytes are final (the reader is woken only for its own).
  void Publish(Job& job, const uint8_t* base, size_t ready) {
    std::lock_guard<plat::Mutex> hold(lock);
    job.base = base;
    job.ready = ready;
    if (&job == &jobs[readerAt]) done.notify_all();
  }

  void Decode(Job& job) {
    std::vector<uint64_t> offsets, sizes;
    FolderPackStreams(db, job.folder, &offsets, &sizes);
    std::unique_ptr<InStream> stream;
    Status s = OpenFolder(source, db.folders[job.folder], offsets, sizes, keys, &stream, false);
    {
      std::lock_guard<plat::Mutex> hold(lock);
      job.openStatus = s;
      job.opened = true;
      done.notify_all();
    }
    if (s != Status::kOk) return;
    if (job.whole) {
      size_t shown = 0;
      auto keepGoing = [&](const uint8_t* base, size_t now) {
        if (now - shown >= kFolderPiece) {
          shown = now;
          Publish(job, base, now);
        }
        return !stop.load(std::memory_order_relaxed);
      };
      if (stream->TakeWhole(keepGoing, &job.data, &job.produced, &job.endStatus)) return;
      // A dictionary reset inside: decoded again the streaming way, into a buffer of its
      // own. The bytes the reader has had are the same there.
      Publish(job, nullptr, 0);
      job.data.reset();
      job.produced = 0;
      if (stop.load()) return;
      stream.reset();
      s = OpenFolder(source, db.folders[job.folder], offsets, sizes, keys, &stream, false);
      if (s != Status::kOk) {
        job.endStatus = s;
        return;
      }
    }
    const size_t size = static_cast<size_t>(job.size);
    job.data = plat::NewDecodeBuffer(size);
    if (!job.data) {
      job.endStatus = Status::kUnsupportedMethod;  // as a dictionary we cannot hold
      return;
    }
    size_t done = 0;
    while (done < size && !stop.load(std::memory_order_relaxed)) {
      size_t got = 0;
      s = ReadFull(*stream, job.data.get() + done, std::min(kFolderPiece, size - done), &got);
      done += got;
      Publish(job, job.data.get(), done);
      if (s != Status::kOk || got == 0) break;
    }
    job.produced = done;
    job.endStatus = s;
  }

  void Work() {
    std::unique_lock<plat::Mutex> hold(lock);
    for (;;) {
      wake.wait(hold, [&] { return stop.load() || MayStart() || next >= jobs.size(); });
      if (stop.load() || next >= jobs.size()) return;
      Job& job = jobs[next++];
      heldBytes += job.cost;
      hold.unlock();
      Decode(job);
      hold.lock();
      job.finished = true;
      job.base = job.data.get();
      job.ready = job.produced;
      if (job.released) Release(job);
      done.notify_all();
    }
  }

  // Under the lock, once the reader is past a finished job: its memory goes back.
  void Release(Job& job) {
    heldBytes -= job.cost;
    job.data.reset();
    job.base = nullptr;
    job.ready = 0;
    wake.notify_all();
  }

  Source& source;
  const Database& db;
  KeyCache& keys;
  std::vector<Job> jobs;
  std::vector<ptrdiff_t> jobOf;  // by folder index, -1 when not in the list
  plat::Mutex lock;
  plat::Condition wake;  // workers: a job may start, or stop
  plat::Condition done;  // the reader: a job finished
  size_t next = 0;               // the first job no worker has taken
  size_t readerAt = 0;           // the job the reader is on
  ptrdiff_t taken = -1;          // the last in-memory job the reader took
  uint64_t heldBytes = 0;
  uint64_t budget = kFixedAhead;
  std::atomic<bool> stop{false};
  std::vector<plat::Thread> workers;
};

// What decoding `folder` whole on a worker costs, or 0 when it is not to be done there;
// `*whole` tells whether its decoder's dictionary can be the output buffer.
uint64_t InMemoryCost(const Folder& folder, bool* whole) {
  const uint64_t size = folder.UnpackSize();
  uint64_t dict = 0;
  bool lzma = false;
  if (folder.mainOut < folder.coders.size()) {
    const CoderInfo& top = folder.coders[folder.mainOut];
    std::string method = MethodName(top.methodId);
    if (method == "LZMA2") {
      lzma = Lzma2DictionarySize(top.props, &dict);
    } else if (method == "LZMA" && top.props.size() >= 5) {
      lzma = true;
      for (int i = 0; i < 4; ++i) dict |= uint64_t{static_cast<uint8_t>(top.props[1 + i])} << (8 * i);
    }
  }
  // The decoder's dictionary is the output buffer itself when it holds the whole output.
  *whole = lzma && size <= dict;
  uint64_t cost = *whole ? size : 2 * size;
  if (cost <= kSmallFolder) return std::max<uint64_t>(cost, 1);
  if (lzma && size <= dict && size <= CurrentLimits().maxDictionary) return cost;
  return 0;
}

size_t FolderPrefetch::InMemory(const Database& db, const std::vector<size_t>& folders) {
  return static_cast<size_t>(std::count_if(folders.begin(), folders.end(), [&](size_t f) {
    bool whole = false;
    return InMemoryCost(db.folders[f], &whole) != 0;
  }));
}

FolderPrefetch::FolderPrefetch(Source& source, const Database& db, KeyCache& keys,
                               const std::vector<size_t>& folders, unsigned threads)
    : state_(std::make_unique<State>(source, db, keys)) {
  State& st = *state_;
  st.jobOf.assign(db.folders.size(), -1);
  ptrdiff_t barrier = -1;
  uint64_t largest = 0;
  for (size_t f : folders) {
    State::Job job;
    job.folder = f;
    job.size = db.folders[f].UnpackSize();
    job.cost = InMemoryCost(db.folders[f], &job.whole);
    job.inMemory = job.cost != 0;
    job.barrier = barrier;
    if (!job.inMemory) barrier = static_cast<ptrdiff_t>(st.jobs.size());
    if (job.cost > kSmallFolder) largest = std::max(largest, job.cost);
    st.jobOf[f] = static_cast<ptrdiff_t>(st.jobs.size());
    st.jobs.push_back(std::move(job));
  }
  st.budget = kFixedAhead + largest * threads;
  for (unsigned i = 0; i < threads; ++i) st.workers.emplace_back([&st] { st.Work(); });
}

FolderPrefetch::~FolderPrefetch() {
  {
    std::lock_guard<plat::Mutex> hold(state_->lock);
    state_->stop = true;
  }
  state_->wake.notify_all();
  for (plat::Thread& t : state_->workers) t.join();
}

bool FolderPrefetch::Take(size_t folder, Status* openStatus, std::unique_ptr<InStream>* stream) {
  State& st = *state_;
  std::unique_lock<plat::Mutex> hold(st.lock);
  ptrdiff_t index = folder < st.jobOf.size() ? st.jobOf[folder] : -1;
  if (index < static_cast<ptrdiff_t>(st.readerAt)) return false;  // not in the list, or out of order
  // The reader has let go of the folder it took before (it opens the next one only then);
  // one still decoding gives its memory back when it ends.
  if (st.taken >= 0) {
    State::Job& before = st.jobs[static_cast<size_t>(st.taken)];
    if (before.finished) {
      st.Release(before);
    } else {
      before.released = true;
    }
    st.taken = -1;
  }
  st.readerAt = static_cast<size_t>(index);
  State::Job& job = st.jobs[st.readerAt];
  if (!job.inMemory) {
    // Workers stop at a barrier, so none has gone past it.
    st.next = std::max(st.next, st.readerAt + 1);
    st.wake.notify_all();
    return false;
  }
  st.wake.notify_all();
  st.done.wait(hold, [&] { return job.opened; });
  st.taken = index;
  *openStatus = job.openStatus;
  if (job.openStatus == Status::kOk) *stream = std::make_unique<State::Stream>(st.lock, st.done, job);
  return true;
}

unsigned DecodeThreads() {
  unsigned wanted = CurrentLimits().decodeThreads;
  if (wanted == 0) wanted = plat::ProcessorCount();
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
