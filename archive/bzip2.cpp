#include "archive/bzip2.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace archive::detail {
namespace {

constexpr uint64_t kBlockMagic = 0x314159265359ull;
constexpr uint64_t kEndMagic = 0x177245385090ull;
constexpr unsigned kMaxGroups = 6;
constexpr unsigned kMaxAlpha = 258;
constexpr unsigned kMaxCodeLength = 20;
constexpr unsigned kGroupSize = 50;
constexpr unsigned kMaxSelectors = 18002;  // what a 900k block can need; more are read, not used

// The block CRC is CRC-32 in its non-reflected form (most significant bit first).
struct CrcTable {
  uint32_t v[256];
  CrcTable() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i << 24;
      for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
      v[i] = c;
    }
  }
};
const CrcTable kCrc;

constexpr unsigned kFastBits = 10;

// A canonical Huffman code of one table: codes of each length are consecutive, in symbol order.
// `fast` holds, for every value of the next 10 bits, the symbol and length a code of at most
// 10 bits decodes to (length 0: a longer code, decoded bit by bit).
struct HuffmanTable {
  unsigned minLen = 0, maxLen = 0;
  uint16_t fast[1 << kFastBits] = {};
  uint32_t first[kMaxCodeLength + 2] = {};
  uint32_t count[kMaxCodeLength + 2] = {};
  uint32_t index[kMaxCodeLength + 2] = {};
  uint16_t perm[kMaxAlpha] = {};

  void Build(const uint8_t* lengths, unsigned alphaSize) {
    minLen = kMaxCodeLength;
    maxLen = 0;
    for (unsigned s = 0; s < alphaSize; ++s) {
      minLen = std::min<unsigned>(minLen, lengths[s]);
      maxLen = std::max<unsigned>(maxLen, lengths[s]);
    }
    unsigned p = 0;
    uint32_t code = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
      index[len] = p;
      first[len] = code;
      count[len] = 0;
      for (unsigned s = 0; s < alphaSize; ++s) {
        if (lengths[s] == len) {
          perm[p++] = static_cast<uint16_t>(s);
          ++count[len];
        }
      }
      code = (code + count[len]) << 1;
    }
    // Filled by running the bit-by-bit search on each prefix, so both ways agree on any table,
    // also on the over-subscribed ones of a damaged stream.
    for (uint32_t prefix = 0; prefix < (1u << kFastBits); ++prefix) {
      fast[prefix] = 0;
      uint32_t c = 0;
      for (unsigned len = 1; len <= std::min(maxLen, kFastBits); ++len) {
        c = (c << 1) | ((prefix >> (kFastBits - len)) & 1);
        if (c - first[len] < count[len]) {
          fast[prefix] = static_cast<uint16_t>(perm[index[len] + c - first[len]] | (len << 9));
          break;
        }
      }
    }
  }
};

class Bzip2Stream final : public InStream {
 public:
  Bzip2Stream(std::unique_ptr<InStream> in, uint64_t size) : in_(std::move(in), 1 << 16), left_(size) {}

  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    size_t n = 0;
    size = static_cast<size_t>(std::min<uint64_t>(size, left_));
    while (n < size) {
      if (blockLeft_ == 0 && repeat_ == 0) {
        Status s = NextBlock();
        if (s != Status::kOk) return n > 0 ? Finish(n, got) : s;
        continue;
      }
      n += Emit(buffer + n, size - n);
      if (blockLeft_ == 0 && repeat_ == 0 && ~blockCrc_ != storedBlockCrc_) return Status::kDataError;
    }
    return Finish(n, got);
  }

 private:
  Status Finish(size_t n, size_t* got) {
    left_ -= n;
    *got = n;
    return Status::kOk;
  }

  // Bits, most significant first. Running out of input is an error: a valid stream always
  // ends with its end marker and CRC, so no decoder step needs bits past the real end.
  Status Need(unsigned n) {
    while (bitCount_ < n) {
      if (in_.Available() == 0) {
        Status s = in_.Ensure(1);
        if (s != Status::kOk) return s;
        if (in_.Available() == 0) return Status::kDataError;
      }
      size_t take = std::min<size_t>(in_.Available(), (64 - bitCount_) / 8);
      const uint8_t* p = in_.Data();
      for (size_t i = 0; i < take; ++i) {
        bits_ |= uint64_t{p[i]} << (56 - bitCount_);
        bitCount_ += 8;
      }
      in_.Skip(take);
    }
    return Status::kOk;
  }
  uint32_t Take(unsigned n) {
    if (n == 0) return 0;
    uint32_t v = static_cast<uint32_t>(bits_ >> (64 - n));
    bits_ <<= n;
    bitCount_ -= n;
    return v;
  }
  Status Bits(unsigned n, uint32_t* v) {
    Status s = Need(n);
    if (s != Status::kOk) return s;
    *v = Take(n);
    return Status::kOk;
  }
  Status Bits48(uint64_t* v) {
    uint32_t hi = 0, lo = 0;
    Status s = Bits(24, &hi);
    if (s == Status::kOk) s = Bits(24, &lo);
    *v = (uint64_t{hi} << 24) | lo;
    return s;
  }

  // Starts a stream: "BZh" and the block size digit.
  Status StartStream() {
    uint32_t magic = 0, level = 0;
    Status s = Bits(24, &magic);
    if (s == Status::kOk) s = Bits(8, &level);
    if (s != Status::kOk) return s;
    if (magic != 0x425A68 || level < '1' || level > '9') return Status::kDataError;
    maxBlock_ = (level - '0') * 100000;
    streamCrc_ = 0;
    inStream_ = true;
    return Status::kOk;
  }

  Status NextBlock() {
    for (;;) {
      if (!inStream_) {
        Status s = StartStream();
        if (s != Status::kOk) return s;
      }
      uint64_t magic = 0;
      Status s = Bits48(&magic);
      if (s != Status::kOk) return s;
      if (magic == kBlockMagic) return ReadBlock();
      if (magic != kEndMagic) return Status::kDataError;
      uint32_t crc = 0;
      s = Bits(32, &crc);
      if (s != Status::kOk) return s;
      if (crc != streamCrc_) return Status::kDataError;
      // The next stream, if any, starts at a byte boundary.
      Take(bitCount_ % 8);
      inStream_ = false;
    }
  }

  Status ReadBlock() {
    uint32_t v = 0;
    Status s = Bits(32, &storedBlockCrc_);
    if (s != Status::kOk) return s;
    streamCrc_ = ((streamCrc_ << 1) | (streamCrc_ >> 31)) ^ storedBlockCrc_;
    if ((s = Bits(1, &v)) != Status::kOk) return s;
    if (v != 0) return Status::kUnsupportedMethod;
    uint32_t origPtr = 0;
    if ((s = Bits(24, &origPtr)) != Status::kOk) return s;

    // The symbols in use: 16 ranges of 16 bytes.
    uint8_t seqToUnseq[256];
    unsigned inUse = 0;
    uint32_t ranges = 0;
    if ((s = Bits(16, &ranges)) != Status::kOk) return s;
    for (unsigned i = 0; i < 16; ++i) {
      if (!(ranges & (0x8000u >> i))) continue;
      uint32_t used = 0;
      if ((s = Bits(16, &used)) != Status::kOk) return s;
      for (unsigned j = 0; j < 16; ++j)
        if (used & (0x8000u >> j)) seqToUnseq[inUse++] = static_cast<uint8_t>(i * 16 + j);
    }
    if (inUse == 0) return Status::kDataError;
    const unsigned alphaSize = inUse + 2;

    uint32_t groups = 0, selectorCount = 0;
    if ((s = Bits(3, &groups)) != Status::kOk) return s;
    if (groups < 2 || groups > kMaxGroups) return Status::kDataError;
    if ((s = Bits(15, &selectorCount)) != Status::kOk) return s;
    if (selectorCount == 0) return Status::kDataError;
    uint8_t groupMtf[kMaxGroups] = {0, 1, 2, 3, 4, 5};
    selectors_.clear();
    for (uint32_t i = 0; i < selectorCount; ++i) {
      unsigned j = 0;
      for (;;) {
        if ((s = Bits(1, &v)) != Status::kOk) return s;
        if (v == 0) break;
        if (++j >= groups) return Status::kDataError;
      }
      uint8_t g = groupMtf[j];
      std::memmove(groupMtf + 1, groupMtf, j);
      groupMtf[0] = g;
      if (i < kMaxSelectors) selectors_.push_back(g);
    }

    HuffmanTable tables[kMaxGroups];
    for (unsigned t = 0; t < groups; ++t) {
      uint8_t lengths[kMaxAlpha];
      uint32_t len = 0;
      if ((s = Bits(5, &len)) != Status::kOk) return s;
      for (unsigned i = 0; i < alphaSize; ++i) {
        for (;;) {
          if (len < 1 || len > kMaxCodeLength) return Status::kDataError;
          if ((s = Bits(1, &v)) != Status::kOk) return s;
          if (v == 0) break;
          if ((s = Bits(1, &v)) != Status::kOk) return s;
          len = v ? len - 1 : len + 1;
        }
        lengths[i] = static_cast<uint8_t>(len);
      }
      tables[t].Build(lengths, alphaSize);
    }

    // The symbols: runs of the front byte (RUNA/RUNB digits of bijective base 2) and
    // move-to-front indices, in groups of 50 that share one table.
    if (tt_.size() < maxBlock_) tt_.resize(maxBlock_);
    uint32_t counts[256] = {};
    uint8_t mtf[256];
    for (unsigned i = 0; i < 256; ++i) mtf[i] = static_cast<uint8_t>(i);
    uint32_t produced = 0;
    uint32_t run = 0, runWeight = 1;
    size_t group = 0;
    unsigned groupLeft = 0;
    const HuffmanTable* table = nullptr;
    const unsigned endOfBlock = alphaSize - 1;
    for (;;) {
      if (groupLeft == 0) {
        if (group >= selectors_.size()) return Status::kDataError;
        table = &tables[selectors_[group++]];
        groupLeft = kGroupSize;
      }
      --groupLeft;
      unsigned sym = 0;
      if ((s = DecodeSymbol(*table, &sym)) != Status::kOk) return s;
      if (sym <= 1) {
        if (runWeight > maxBlock_) return Status::kDataError;
        run += (sym + 1) * runWeight;
        runWeight <<= 1;
        if (run > maxBlock_) return Status::kDataError;
        continue;
      }
      if (run > 0) {
        if (run > maxBlock_ - produced) return Status::kDataError;
        uint8_t b = seqToUnseq[mtf[0]];
        counts[b] += run;
        std::fill(tt_.begin() + produced, tt_.begin() + produced + run, b);
        produced += run;
        run = 0;
        runWeight = 1;
      }
      if (sym == endOfBlock) break;
      unsigned idx = sym - 1;
      uint8_t m = mtf[idx];
      std::memmove(mtf + 1, mtf, idx);
      mtf[0] = m;
      if (produced >= maxBlock_) return Status::kDataError;
      uint8_t b = seqToUnseq[m];
      ++counts[b];
      tt_[produced++] = b;
    }
    if (origPtr >= produced) return Status::kDataError;

    // Inverse transform: each entry gets the index of its successor in its upper 24 bits.
    uint32_t start[256];
    uint32_t sum = 0;
    for (unsigned i = 0; i < 256; ++i) {
      start[i] = sum;
      sum += counts[i];
    }
    for (uint32_t i = 0; i < produced; ++i) {
      uint8_t b = static_cast<uint8_t>(tt_[i]);
      tt_[start[b]++] |= i << 8;
    }
    pos_ = tt_[origPtr] >> 8;
    blockLeft_ = produced;
    blockCrc_ = 0xFFFFFFFFu;
    runLength_ = 0;
    repeat_ = 0;
    return Status::kOk;
  }

  Status DecodeSymbol(const HuffmanTable& t, unsigned* sym) {
    Status s = Need(t.maxLen);
    if (s != Status::kOk) return s;
    uint16_t hit = t.fast[bits_ >> (64 - kFastBits)];
    if (hit != 0) {
      Take(hit >> 9);
      *sym = hit & 0x1FF;
      return Status::kOk;
    }
    uint64_t peek = bits_;
    uint32_t code = 0;
    for (unsigned len = 1; len <= t.maxLen; ++len) {
      code = (code << 1) | static_cast<uint32_t>(peek >> 63);
      peek <<= 1;
      if (code - t.first[len] < t.count[len]) {
        Take(len);
        *sym = t.perm[t.index[len] + code - t.first[len]];
        return Status::kOk;
      }
    }
    return Status::kDataError;
  }

  // The block's bytes, with the final run-length step undone: four equal bytes are followed
  // by a count of further copies.
  size_t Emit(uint8_t* out, size_t size) {
    size_t n = 0;
    uint32_t crc = blockCrc_;
    while (n < size) {
      if (repeat_ > 0) {
        --repeat_;
      } else {
        if (blockLeft_ == 0) break;
        uint32_t entry = tt_[pos_];
        pos_ = entry >> 8;
        --blockLeft_;
        auto b = static_cast<uint8_t>(entry);
        if (runLength_ == 4) {
          repeat_ = b;
          runLength_ = 0;
          continue;
        }
        if (runLength_ > 0 && b == last_) {
          ++runLength_;
        } else {
          runLength_ = 1;
          last_ = b;
        }
      }
      out[n++] = last_;
      crc = (crc << 8) ^ kCrc.v[(crc >> 24) ^ last_];
    }
    blockCrc_ = crc;
    return n;
  }

  InputBuffer in_;
  uint64_t left_;
  uint64_t bits_ = 0;
  unsigned bitCount_ = 0;
  bool inStream_ = false;
  uint32_t maxBlock_ = 0;
  uint32_t streamCrc_ = 0;
  uint32_t storedBlockCrc_ = 0;
  std::vector<uint8_t> selectors_;
  std::vector<uint32_t> tt_;
  uint32_t pos_ = 0;
  uint32_t blockLeft_ = 0;
  uint32_t blockCrc_ = 0;
  unsigned runLength_ = 0;
  unsigned repeat_ = 0;
  uint8_t last_ = 0;
};

}  // namespace

std::unique_ptr<InStream> CreateBzip2Stream(std::unique_ptr<InStream> input, uint64_t outSize) {
  return std::make_unique<Bzip2Stream>(std::move(input), outSize);
}

}  // namespace archive::detail
