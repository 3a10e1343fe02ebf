#include "archive/lzma.h"

#include <algorithm>
#include <cstring>

#include "platform/large_buffer.h"

namespace archive::detail {
namespace {

constexpr uint32_t kTop = 1u << 24;
constexpr uint32_t kNumStates = 12;
constexpr uint16_t kProbInit = 1024;

// Offsets of the probability groups inside one array, so the hot loop indexes one base.
constexpr size_t kIsMatch = 0;
constexpr size_t kIsRep = kIsMatch + (kNumStates << 4);
constexpr size_t kIsRepG0 = kIsRep + kNumStates;
constexpr size_t kIsRepG1 = kIsRepG0 + kNumStates;
constexpr size_t kIsRepG2 = kIsRepG1 + kNumStates;
constexpr size_t kIsRep0Long = kIsRepG2 + kNumStates;
constexpr size_t kPosSlot = kIsRep0Long + (kNumStates << 4);
constexpr size_t kSpecPos = kPosSlot + (4 << 6);
constexpr size_t kAlign = kSpecPos + 115;  // 1 + 128 full distances - end model index 14
constexpr size_t kLenChoice = 0;
constexpr size_t kLenChoice2 = 1;
constexpr size_t kLenLow = 2;
constexpr size_t kLenMid = kLenLow + (16 << 3);
constexpr size_t kLenHigh = kLenMid + (16 << 3);
constexpr size_t kLenSize = kLenHigh + 256;
constexpr size_t kLenCoder = kAlign + 16;
constexpr size_t kRepLenCoder = kLenCoder + kLenSize;
constexpr size_t kLiteral = kRepLenCoder + kLenSize;

// How much is decoded into the dictionary per step before it is handed out.
constexpr size_t kDecodeStep = 1 << 18;
constexpr size_t kInputCapacity = 1 << 18;

}  // namespace

bool LzmaCore::SetProperties(unsigned lc, unsigned lp, unsigned pb) {
  if (lc > 8 || lp > 4 || pb > 4) return false;
  lc_ = lc;
  lp_ = lp;
  pb_ = pb;
  probs_.assign(kLiteral + (size_t{0x300} << (lc + lp)), kProbInit);
  return true;
}

bool LzmaCore::AllocateDictionary(size_t size) {
  if (size == 0) size = 1;
  if (size > CurrentLimits().maxDictionary) return false;
  dic_ = plat::NewDecodeBuffer(size);
  if (!dic_) return false;
  dicSize_ = size;
  ResetDictionary();
  return true;
}

void LzmaCore::AdoptDictionary(std::unique_ptr<uint8_t[]> buffer, size_t size) {
  dic_ = std::move(buffer);
  dicSize_ = size;
  ResetDictionary();
}

void LzmaCore::ResetDictionary() {
  dicPos_ = 0;
  full_ = false;
  posBase_ = 0;
  remainLen_ = 0;
}

void LzmaCore::ResetState() {
  std::fill(probs_.begin(), probs_.end(), kProbInit);
  state_ = 0;
  reps_[0] = reps_[1] = reps_[2] = reps_[3] = 0;
  remainLen_ = 0;
}

bool LzmaCore::StartRange(const uint8_t* in) {
  if (in[0] != 0) return false;
  code_ = (uint32_t{in[1]} << 24) | (uint32_t{in[2]} << 16) | (uint32_t{in[3]} << 8) | in[4];
  range_ = 0xFFFFFFFFu;
  return code_ != 0xFFFFFFFFu;
}

void LzmaCore::FinishRange(const uint8_t*& in) {
  if (range_ < kTop) {
    range_ <<= 8;
    code_ = (code_ << 8) | *in++;
  }
}

void LzmaCore::PutUncompressed(const uint8_t* data, size_t size) {
  std::memcpy(dic_.get() + dicPos_, data, size);
  dicPos_ += size;
}

// The range coder lives in locals of Decode; these macros keep each bit a handful of
// instructions without the compiler having to prove that a helper's references don't alias.
#define RC_NORMALIZE()            \
  if (range < kTop) {             \
    range <<= 8;                  \
    code = (code << 8) | *in++;   \
  }
#define RC_IF0(prob)                  \
  pr = (prob);                        \
  pv = *pr;                           \
  RC_NORMALIZE();                     \
  bound = (range >> 11) * pv;         \
  if (code < bound)
#define RC_UPDATE0()                                  \
  range = bound;                                      \
  *pr = static_cast<uint16_t>(pv + ((2048 - pv) >> 5))
#define RC_UPDATE1()                               \
  range -= bound;                                  \
  code -= bound;                                   \
  *pr = static_cast<uint16_t>(pv - (pv >> 5))
#define RC_BIT(prob, on0, on1) \
  do {                         \
    RC_IF0(prob) {             \
      RC_UPDATE0();            \
      on0;                     \
    } else {                   \
      RC_UPDATE1();            \
      on1;                     \
    }                          \
  } while (0)
// Bit-tree of `bits` levels; leaves `m` in [2^bits, 2^(bits+1)).
#define RC_TREE(base, bits, m)                          \
  do {                                                  \
    m = 1;                                              \
    for (unsigned t_ = 0; t_ < (bits); ++t_)            \
      RC_BIT((base) + m, m <<= 1, m = (m << 1) | 1);    \
  } while (0)
#define RC_LENGTH(base, out)                                  \
  do {                                                        \
    uint16_t* lb_ = (base);                                   \
    unsigned m_;                                              \
    RC_IF0(lb_ + kLenChoice) {                                \
      RC_UPDATE0();                                           \
      RC_TREE(lb_ + kLenLow + (posState << 3), 3, m_);        \
      out = m_ - 8;                                           \
    } else {                                                  \
      RC_UPDATE1();                                           \
      RC_IF0(lb_ + kLenChoice2) {                             \
        RC_UPDATE0();                                         \
        RC_TREE(lb_ + kLenMid + (posState << 3), 3, m_);      \
        out = m_;                                             \
      } else {                                                \
        RC_UPDATE1();                                         \
        RC_TREE(lb_ + kLenHigh, 8, m_);                       \
        out = m_ - 256 + 16;                                  \
      }                                                       \
    }                                                         \
  } while (0)

LzmaCore::Result LzmaCore::Decode(const uint8_t*& inRef, const uint8_t* inSafe,
                                  size_t dicLimit) {
  uint8_t* const dic = dic_.get();
  const size_t dicSize = dicSize_;
  size_t dicPos = dicPos_;
  const bool full = full_;
  uint32_t rep0 = reps_[0], rep1 = reps_[1], rep2 = reps_[2], rep3 = reps_[3];

  auto copyMatch = [&](size_t len) {
    size_t room = dicLimit - dicPos;
    size_t n = len < room ? len : room;
    remainLen_ = len - n;
    size_t src = dicPos > rep0 ? dicPos - rep0 - 1 : dicSize + dicPos - rep0 - 1;
    uint8_t* d = dic + dicPos;
    dicPos += n;
    if (src + n <= dicSize) {
      const uint8_t* s = dic + src;
      if (rep0 + 1 >= n && src < dicPos - n) {
        std::memcpy(d, s, n);
      } else {
        for (size_t i = 0; i < n; ++i) d[i] = s[i];
      }
    } else {
      for (size_t i = 0; i < n; ++i) {
        d[i] = dic[src];
        if (++src == dicSize) src = 0;
      }
    }
  };

  if (remainLen_ != 0) {
    copyMatch(remainLen_);
    if (remainLen_ != 0) {
      dicPos_ = dicPos;
      return Result::kOk;
    }
  }

  const uint8_t* in = inRef;
  uint32_t range = range_;
  uint32_t code = code_;
  uint32_t state = state_;
  uint16_t* const probs = probs_.data();
  const uint32_t pbMask = (1u << pb_) - 1;
  const uint32_t lpMask = (1u << lp_) - 1;
  const unsigned lc = lc_;
  const uint32_t posBase = posBase_;
  uint16_t* pr;
  uint32_t pv;
  uint32_t bound;
  Result result = Result::kOk;

  while (dicPos < dicLimit && in <= inSafe) {
    const uint32_t pos = posBase + static_cast<uint32_t>(dicPos);
    const uint32_t posState = pos & pbMask;
    RC_IF0(probs + kIsMatch + (state << 4) + posState) {
      RC_UPDATE0();
      unsigned prev = dicPos > 0 ? dic[dicPos - 1] : (full ? dic[dicSize - 1] : 0);
      uint16_t* lit =
          probs + kLiteral + 0x300 * ((((pos & lpMask) << lc) + (prev >> (8 - lc))));
      unsigned sym = 1;
      if (state < 7) {
        do {
          RC_BIT(lit + sym, sym <<= 1, sym = (sym << 1) | 1);
        } while (sym < 0x100);
        state = state < 4 ? 0 : state - 3;
      } else {
        // Matched literal: while the decoded bits agree with the byte at rep0, a second set
        // of probabilities is used (offset 0x100 or 0x200 by the match bit).
        unsigned matchByte = dic[dicPos > rep0 ? dicPos - rep0 - 1 : dicSize + dicPos - rep0 - 1];
        unsigned offs = 0x100;
        do {
          matchByte <<= 1;
          unsigned bit = matchByte & offs;
          RC_IF0(lit + offs + bit + sym) {
            RC_UPDATE0();
            sym <<= 1;
            offs &= ~bit;
          } else {
            RC_UPDATE1();
            sym = (sym << 1) | 1;
            offs &= bit;
          }
        } while (sym < 0x100);
        state = state < 10 ? state - 3 : state - 6;
      }
      dic[dicPos++] = static_cast<uint8_t>(sym);
      continue;
    }
    RC_UPDATE1();
    unsigned len;
    RC_IF0(probs + kIsRep + state) {
      RC_UPDATE0();
      RC_LENGTH(probs + kLenCoder, len);
      state = state < 7 ? 7 : 10;
      unsigned slot;
      RC_TREE(probs + kPosSlot + ((len < 3 ? len : 3) << 6), 6, slot);
      slot -= 64;
      uint32_t dist;
      if (slot < 4) {
        dist = slot;
      } else {
        unsigned direct = (slot >> 1) - 1;
        dist = (2u | (slot & 1)) << direct;
        if (slot < 14) {
          uint16_t* sp = probs + kSpecPos + dist - slot;
          unsigned m = 1;
          for (unsigned i = 0; i < direct; ++i) {
            RC_BIT(sp + m, m <<= 1, m = (m << 1) | 1; dist |= 1u << i);
          }
        } else {
          uint32_t bits = 0;
          for (unsigned i = direct - 4; i > 0; --i) {
            RC_NORMALIZE();
            range >>= 1;
            uint32_t below = (code - range) >> 31;  // 1 when code < range: the bit is 0
            code -= range & (below - 1);
            bits = (bits << 1) | (1 - below);
          }
          dist += bits << 4;
          // The source of this match is now known to within 16 bytes, and it is usually far
          // outside the cache: fetching it while the last four bits decode hides part of
          // the miss that the copy would otherwise wait for.
          const size_t back = size_t{dist} + 16;
          if (dicPos > back) {
            __builtin_prefetch(dic + (dicPos - back));
            __builtin_prefetch(dic + (dicPos - back) + 48);
          }
          unsigned m = 1;
          for (unsigned i = 0; i < 4; ++i) {
            RC_BIT(probs + kAlign + m, m <<= 1, m = (m << 1) | 1; dist |= 1u << i);
          }
          if (dist == 0xFFFFFFFFu) {
            result = Result::kEndMark;
            break;
          }
        }
      }
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      rep0 = dist;
    } else {
      RC_UPDATE1();
      RC_IF0(probs + kIsRepG0 + state) {
        RC_UPDATE0();
        RC_IF0(probs + kIsRep0Long + (state << 4) + posState) {
          RC_UPDATE0();
          if (full ? rep0 >= dicSize : rep0 >= dicPos) {
            result = Result::kError;
            break;
          }
          dic[dicPos] = dic[dicPos > rep0 ? dicPos - rep0 - 1 : dicSize + dicPos - rep0 - 1];
          ++dicPos;
          state = state < 7 ? 9 : 11;
          continue;
        }
        RC_UPDATE1();
      } else {
        RC_UPDATE1();
        uint32_t dist;
        RC_IF0(probs + kIsRepG1 + state) {
          RC_UPDATE0();
          dist = rep1;
        } else {
          RC_UPDATE1();
          RC_IF0(probs + kIsRepG2 + state) {
            RC_UPDATE0();
            dist = rep2;
          } else {
            RC_UPDATE1();
            dist = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = dist;
      }
      RC_LENGTH(probs + kRepLenCoder, len);
      state = state < 7 ? 8 : 11;
    }
    if (full ? rep0 >= dicSize : rep0 >= dicPos) {
      result = Result::kError;
      break;
    }
    const size_t total = len + 2;
    // The common match: it fits before the limit and its source does not wrap. Before the
    // ring first wraps, the bytes past the position are not history yet, so the copy may
    // run in whole words up to 7 bytes beyond the match's end; after that it stops exactly.
    if (total <= dicLimit - dicPos && rep0 < dicPos) {
      uint8_t* d = dic + dicPos;
      const uint8_t* s = d - rep0 - 1;
      uint8_t* const e = d + total;
      dicPos += total;
      if (rep0 >= 7) {
        auto copyWord = [&] {
          uint64_t word;
          std::memcpy(&word, s, 8);
          std::memcpy(d, &word, 8);
          d += 8;
          s += 8;
        };
        if (!full && dicSize - dicPos >= 8) {
          do copyWord();
          while (d < e);
          continue;
        }
        while (e - d >= 8) copyWord();
      }
      while (d < e) *d++ = *s++;
      continue;
    }
    copyMatch(total);
  }

  inRef = in;
  range_ = range;
  code_ = code;
  state_ = state;
  reps_[0] = rep0;
  reps_[1] = rep1;
  reps_[2] = rep2;
  reps_[3] = rep3;
  dicPos_ = dicPos;
  return result;
}

#undef RC_NORMALIZE
#undef RC_IF0
#undef RC_UPDATE0
#undef RC_UPDATE1
#undef RC_BIT
#undef RC_TREE
#undef RC_LENGTH

namespace {

// Shared by both stream kinds: serving decoded dictionary bytes to the reader.
class DictionaryStream : public InStream {
 protected:
  DictionaryStream(std::unique_ptr<InStream> input, uint64_t outSize)
      : in_(std::move(input), kInputCapacity), outLeft_(outSize) {}

  // Copies decoded bytes not yet handed out; true when there were any.
  bool Serve(uint8_t* buffer, size_t size, size_t* got) {
    size_t pending = core_.Position() - served_;
    if (pending == 0) return false;
    size_t n = std::min(size, pending);
    std::memcpy(buffer, core_.Dictionary() + served_, n);
    served_ += n;
    *got = n;
    return true;
  }
  void Wrap() {
    if (core_.Position() == core_.DictionarySize()) {
      core_.WrapIfFull();
      served_ = 0;
    }
  }
  size_t Room() const {
    size_t room = std::min(core_.DictionarySize() - core_.Position(), kDecodeStep);
    return static_cast<size_t>(std::min<uint64_t>(room, outLeft_));
  }
  // A dictionary we cannot hold is a limit of ours, not damage in the archive.
  Status Allocate(uint64_t dictSize) {
    uint64_t want = std::min<uint64_t>(dictSize, outLeft_);
    return core_.AllocateDictionary(static_cast<size_t>(want)) ? Status::kOk
                                                               : Status::kUnsupportedMethod;
  }
  // Decodes some more into the dictionary (at most Room() bytes).
  virtual Status Step() = 0;

 public:
  // For a dictionary that holds the whole output: decodes all of it without serving and
  // hands the buffer over; `*produced` tells how much of it is valid when the result is an
  // error.
  Status DecodeWhole(const std::function<bool(const uint8_t*, size_t)>& progress,
                     std::unique_ptr<uint8_t[]>* out, size_t* produced) {
    while (outLeft_ > 0 && error_ == Status::kOk) {
      if (core_.Position() == core_.DictionarySize()) break;  // cannot happen when sized right
      Status s = Step();
      if (s != Status::kOk) error_ = s;
      if (progress && !progress(core_.Dictionary(), core_.Position()) && error_ == Status::kOk)
        error_ = Status::kCancelled;
    }
    if (error_ == Status::kOk && outLeft_ != 0) error_ = Status::kDataError;
    *produced = core_.Position();
    *out = core_.TakeDictionary();
    return error_;
  }

 public:
  bool TakeWhole(const std::function<bool(const uint8_t*, size_t)>& progress,
                 std::unique_ptr<uint8_t[]>* out, size_t* produced, Status* status) final {
    if (served_ != 0 || core_.Position() != 0 || core_.DictionarySize() < outLeft_) return false;
    whole_ = true;
    *status = DecodeWhole(progress, out, produced);
    return !restart_;
  }

  Status Read(uint8_t* buffer, size_t size, size_t* got) final {
    *got = 0;
    if (size == 0) return Status::kOk;
    for (;;) {
      if (Serve(buffer, size, got)) return Status::kOk;
      if (error_ != Status::kOk) return error_;
      if (outLeft_ == 0) return Status::kOk;  // an LZMA2 end byte need not be read
      Wrap();
      Status s = Step();
      if (s != Status::kOk) error_ = s;
    }
  }

 protected:
  LzmaCore core_;
  InputBuffer in_;
  uint64_t outLeft_;
  size_t served_ = 0;
  Status error_ = Status::kOk;
  // Decoding the whole output into the dictionary; a dictionary reset after the start would
  // rewind it over bytes nobody has read, so it stops the decoding (`restart_`) instead.
  bool whole_ = false;
  bool restart_ = false;
};

class LzmaStream final : public DictionaryStream {
 public:
  LzmaStream(std::unique_ptr<InStream> input, uint64_t outSize)
      : DictionaryStream(std::move(input), outSize) {}

  Status Init(const Bytes& props) {
    if (props.size() < 5) return Status::kDataError;
    unsigned d = static_cast<uint8_t>(props[0]);
    if (d >= 9 * 5 * 5) return Status::kDataError;
    uint32_t dictSize = 0;
    for (int i = 0; i < 4; ++i) dictSize |= uint32_t{static_cast<uint8_t>(props[1 + i])} << (8 * i);
    if (!core_.SetProperties(d % 9, (d / 9) % 5, d / 45)) return Status::kDataError;
    return Allocate(std::max<uint32_t>(dictSize, 4096));
  }

 private:
  Status Step() override {
    Status s = in_.Ensure(2 * LzmaCore::kMaxSymbolInput);
    if (s != Status::kOk) return s;
    if (!started_) {
      if (in_.Available() < 5 || !core_.StartRange(in_.Data())) return Status::kDataError;
      in_.Skip(5);
      started_ = true;
      return Status::kOk;
    }
    const uint8_t* begin = in_.Data();
    const uint8_t* end = begin + in_.Available();
    const uint8_t* safe = in_.SourceDone() ? end : end - LzmaCore::kMaxSymbolInput;
    const uint8_t* p = begin;
    size_t before = core_.Position();
    LzmaCore::Result r = core_.Decode(p, safe, before + Room());
    outLeft_ -= core_.Position() - before;
    // Past the end: the packed stream ended inside a symbol. What was decoded before still
    // gets served; the error follows it.
    Status result = p > end ? Status::kDataError : Status::kOk;
    in_.Skip(static_cast<size_t>(std::min(p, end) - begin));
    if (r == LzmaCore::Result::kError) result = Status::kDataError;
    if (r == LzmaCore::Result::kEndMark && outLeft_ != 0) result = Status::kDataError;
    return result;
  }

  bool started_ = false;
};

class Lzma2Stream final : public DictionaryStream {
 public:
  Lzma2Stream(std::unique_ptr<InStream> input, uint64_t outSize)
      : DictionaryStream(std::move(input), outSize) {}

  Status Init(const Bytes& props) {
    uint64_t dictSize = 0;
    if (!Lzma2DictionarySize(props, &dictSize)) return Status::kDataError;
    return Allocate(dictSize);
  }
  // The whole output in `buffer`, which is also the dictionary.
  Status InitWhole(const Bytes& props, std::unique_ptr<uint8_t[]> buffer) {
    uint64_t dictSize = 0;
    if (!Lzma2DictionarySize(props, &dictSize)) return Status::kDataError;
    if (!buffer) return Allocate(outLeft_);
    core_.AdoptDictionary(std::move(buffer), static_cast<size_t>(std::max<uint64_t>(outLeft_, 1)));
    return Status::kOk;
  }

 private:
  Status Step() override {
    switch (mode_) {
      case Mode::kHeader:
        return ReadChunkHeader();
      case Mode::kStored:
        return CopyStored();
      case Mode::kLzma:
        return DecodeChunk();
    }
    return Status::kDataError;
  }

  enum class Mode { kHeader, kStored, kLzma };

  Status ReadChunkHeader() {
    Status s = in_.Ensure(6);
    if (s != Status::kOk) return s;
    const uint8_t* h = in_.Data();
    size_t avail = in_.Available();
    if (avail < 1) return Status::kDataError;
    unsigned control = h[0];
    if (control == 0 || (control > 2 && control < 0x80)) return Status::kDataError;
    if (control <= 2) {
      if (avail < 3) return Status::kDataError;
      if (control == 1) {
        if (whole_ && core_.Position() != 0) return Restart();
        core_.ResetDictionary();
        served_ = 0;
        needDictReset_ = false;
      } else if (needDictReset_) {
        return Status::kDataError;
      }
      chunkLeft_ = ((size_t{h[1]} << 8) | h[2]) + 1;
      if (chunkLeft_ > outLeft_) return Status::kDataError;
      in_.Skip(3);
      mode_ = Mode::kStored;
      return Status::kOk;
    }
    unsigned reset = (control >> 5) & 3;
    size_t headerSize = reset >= 2 ? 6 : 5;
    if (avail < headerSize) return Status::kDataError;
    chunkLeft_ = ((size_t{control} & 0x1F) << 16) + ((size_t{h[1]} << 8) | h[2]) + 1;
    size_t packed = ((size_t{h[3]} << 8) | h[4]) + 1;
    if (chunkLeft_ > outLeft_ || packed < 5) return Status::kDataError;
    if (reset == 3) {
      if (whole_ && core_.Position() != 0) return Restart();
      core_.ResetDictionary();
      served_ = 0;
      needDictReset_ = false;
    } else if (needDictReset_) {
      return Status::kDataError;
    }
    if (reset >= 2) {
      unsigned p = h[5];
      if (p >= 9 * 5 * 5) return Status::kDataError;
      unsigned lc = p % 9, lp = (p / 9) % 5, pb = p / 45;
      if (lc + lp > 4 || !core_.SetProperties(lc, lp, pb)) return Status::kDataError;
      needProps_ = false;
    } else if (needProps_) {
      return Status::kDataError;
    }
    if (reset >= 1) core_.ResetState();
    in_.Skip(headerSize);
    s = in_.Ensure(packed);
    if (s != Status::kOk) return s;
    if (in_.Available() < packed) return Status::kDataError;
    if (!core_.StartRange(in_.Data())) return Status::kDataError;
    chunkIn_ = in_.Data() + 5;
    chunkEnd_ = in_.Data() + packed;
    mode_ = Mode::kLzma;
    return Status::kOk;
  }

  Status Restart() {
    restart_ = true;
    return Status::kDataError;
  }

  Status CopyStored() {
    Status s = in_.Ensure(1);
    if (s != Status::kOk) return s;
    size_t n = std::min({chunkLeft_, Room(), in_.Available()});
    if (n == 0) return Status::kDataError;
    core_.PutUncompressed(in_.Data(), n);
    in_.Skip(n);
    chunkLeft_ -= n;
    outLeft_ -= n;
    if (chunkLeft_ == 0) mode_ = Mode::kHeader;
    return Status::kOk;
  }

  Status DecodeChunk() {
    size_t before = core_.Position();
    size_t room = std::min(Room(), chunkLeft_);
    LzmaCore::Result r = core_.Decode(chunkIn_, chunkEnd_, before + room);
    size_t produced = core_.Position() - before;
    chunkLeft_ -= produced;
    outLeft_ -= produced;
    if (r != LzmaCore::Result::kOk || chunkIn_ > chunkEnd_) return Status::kDataError;
    if (produced == 0 && room != 0) return Status::kDataError;  // input ran out inside the chunk
    if (chunkLeft_ == 0) {
      if (core_.HasPendingMatch()) return Status::kDataError;
      core_.FinishRange(chunkIn_);
      if (chunkIn_ > chunkEnd_) return Status::kDataError;
      in_.Skip(static_cast<size_t>(chunkEnd_ - in_.Data()));
      mode_ = Mode::kHeader;
    }
    return Status::kOk;
  }

  Mode mode_ = Mode::kHeader;
  size_t chunkLeft_ = 0;
  const uint8_t* chunkIn_ = nullptr;
  const uint8_t* chunkEnd_ = nullptr;
  bool needDictReset_ = true;
  bool needProps_ = true;
};

}  // namespace

Status CreateLzmaStream(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                        std::unique_ptr<InStream>* out) {
  auto stream = std::make_unique<LzmaStream>(std::move(input), outSize);
  Status s = stream->Init(props);
  if (s != Status::kOk) return s;
  *out = std::move(stream);
  return Status::kOk;
}

bool Lzma2DictionarySize(const Bytes& props, uint64_t* size) {
  if (props.size() < 1) return false;
  unsigned p = static_cast<uint8_t>(props[0]);
  if (p > 40) return false;
  *size = p == 40 ? 0xFFFFFFFFull : (uint64_t{2} | (p & 1)) << (p / 2 + 11);
  return true;
}

Status DecodeLzma2Block(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                        std::unique_ptr<uint8_t[]> buffer,
                        const std::function<bool(const uint8_t*, size_t)>& progress,
                        std::unique_ptr<uint8_t[]>* out, size_t* produced) {
  *produced = 0;
  Lzma2Stream stream(std::move(input), outSize);
  Status s = stream.InitWhole(props, std::move(buffer));
  if (s != Status::kOk) return s;
  return stream.DecodeWhole(progress, out, produced);
}

Status CreateLzma2Stream(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                         std::unique_ptr<InStream>* out) {
  auto stream = std::make_unique<Lzma2Stream>(std::move(input), outSize);
  Status s = stream->Init(props);
  if (s != Status::kOk) return s;
  *out = std::move(stream);
  return Status::kOk;
}

}  // namespace archive::detail
