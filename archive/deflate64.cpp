#include "archive/deflate64.h"

#include <algorithm>
#include <cstring>

namespace archive::detail {
namespace {

constexpr unsigned kMaxBits = 15;
constexpr unsigned kLitCodes = 288;
constexpr unsigned kDistCodes = 32;
constexpr uint32_t kWindow = 1u << 16;

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
const uint32_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
const uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A canonical code: how many codes of each length, and the symbols in code order.
struct Huffman {
  uint16_t count[kMaxBits + 1] = {};
  uint16_t symbol[kLitCodes] = {};

  // False for an over-subscribed set of lengths; incomplete sets are allowed (a block with a
  // single distance code has one), their unused codes fail when met.
  bool Build(const uint8_t* lengths, unsigned n) {
    std::fill(std::begin(count), std::end(count), uint16_t{0});
    for (unsigned s = 0; s < n; ++s) ++count[lengths[s]];
    count[0] = 0;
    int left = 1;
    for (unsigned len = 1; len <= kMaxBits; ++len) {
      left = (left << 1) - count[len];
      if (left < 0) return false;
    }
    uint16_t offs[kMaxBits + 2] = {};
    for (unsigned len = 1; len <= kMaxBits; ++len) offs[len + 1] = static_cast<uint16_t>(offs[len] + count[len]);
    for (unsigned s = 0; s < n; ++s)
      if (lengths[s] != 0) symbol[offs[lengths[s]]++] = static_cast<uint16_t>(s);
    return true;
  }
};

class Deflate64Stream final : public InStream {
 public:
  Deflate64Stream(std::unique_ptr<InStream> in, uint64_t size)
      : in_(std::move(in), 1 << 16), left_(size), window_(new uint8_t[kWindow]) {}

  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    size = static_cast<size_t>(std::min<uint64_t>(size, left_));
    size_t n = 0;
    Status s = Status::kOk;
    while (n < size) {
      s = Step(buffer, size, &n);
      if (s != Status::kOk) break;
    }
    left_ -= n;
    *got = n;
    return n > 0 ? Status::kOk : s;
  }

 private:
  enum class Mode { kHeader, kStored, kCodes, kDone };

  // Least significant bit first. Past the real end the buffer reads as zeros; `count_` keeps
  // how many bits are real, and a step that needs more fails.
  void Refill() {
    while (count_ <= 56) {
      if (in_.Available() == 0) {
        if (in_.Ensure(1) != Status::kOk || in_.Available() == 0) return;
      }
      bits_ |= uint64_t{in_.Data()[0]} << count_;
      in_.Skip(1);
      count_ += 8;
    }
  }
  bool Bits(unsigned n, uint32_t* v) {
    if (count_ < n) Refill();
    if (count_ < n) return false;
    *v = static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
    bits_ >>= n;
    count_ -= n;
    return true;
  }
  bool Decode(const Huffman& h, unsigned* sym) {
    if (count_ < kMaxBits) Refill();
    uint64_t peek = bits_;
    int code = 0, first = 0, index = 0;
    for (unsigned len = 1; len <= kMaxBits; ++len) {
      code |= static_cast<int>(peek & 1);
      peek >>= 1;
      int c = h.count[len];
      if (code - c < first) {
        if (len > count_) return false;
        bits_ >>= len;
        count_ -= len;
        *sym = h.symbol[index + (code - first)];
        return true;
      }
      index += c;
      first = (first + c) << 1;
      code <<= 1;
    }
    return false;
  }

  void Put(uint8_t* out, size_t* n, uint8_t b) {
    window_[pos_++ & (kWindow - 1)] = b;
    out[(*n)++] = b;
  }

  // One unit of work: a block header, or output until the caller's buffer is full, the block
  // ends or a match waits.
  Status Step(uint8_t* out, size_t size, size_t* n) {
    if (matchLeft_ > 0) {
      while (matchLeft_ > 0 && *n < size) {
        Put(out, n, window_[(pos_ - matchDist_) & (kWindow - 1)]);
        --matchLeft_;
      }
      return Status::kOk;
    }
    switch (mode_) {
      case Mode::kDone:
        return Status::kDataError;  // the final block ended before the declared size
      case Mode::kHeader:
        return ReadHeader();
      case Mode::kStored: {
        while (storedLeft_ > 0 && *n < size) {
          uint32_t b = 0;
          if (count_ >= 8) {
            Bits(8, &b);
          } else {
            if (in_.Available() == 0 && (in_.Ensure(1) != Status::kOk || in_.Available() == 0))
              return Status::kDataError;
            size_t take = std::min<size_t>({in_.Available(), storedLeft_, size - *n});
            for (size_t i = 0; i < take; ++i) Put(out, n, in_.Data()[i]);
            in_.Skip(take);
            storedLeft_ -= static_cast<uint32_t>(take);
            continue;
          }
          Put(out, n, static_cast<uint8_t>(b));
          --storedLeft_;
        }
        if (storedLeft_ == 0) mode_ = final_ ? Mode::kDone : Mode::kHeader;
        return Status::kOk;
      }
      case Mode::kCodes:
        while (*n < size) {
          unsigned sym = 0;
          if (!Decode(lit_, &sym)) return Status::kDataError;
          if (sym < 256) {
            Put(out, n, static_cast<uint8_t>(sym));
            continue;
          }
          if (sym == 256) {
            mode_ = final_ ? Mode::kDone : Mode::kHeader;
            return Status::kOk;
          }
          sym -= 257;
          if (sym >= 29) return Status::kDataError;
          uint32_t extra = 0;
          if (!Bits(kLengthExtra[sym], &extra)) return Status::kDataError;
          uint32_t length = kLengthBase[sym] + extra;
          unsigned d = 0;
          if (!Decode(dist_, &d) || d >= kDistCodes) return Status::kDataError;
          if (!Bits(kDistExtra[d], &extra)) return Status::kDataError;
          uint32_t dist = kDistBase[d] + extra;
          if (dist > kWindow || dist > pos_) return Status::kDataError;
          matchLeft_ = length;
          matchDist_ = dist;
          return Status::kOk;
        }
        return Status::kOk;
    }
    return Status::kDataError;
  }

  Status ReadHeader() {
    uint32_t last = 0, type = 0;
    if (!Bits(1, &last) || !Bits(2, &type)) return Status::kDataError;
    final_ = last != 0;
    if (type == 0) {
      // Stored: the rest of this byte is skipped, then LEN and its complement.
      bits_ >>= count_ % 8;
      count_ -= count_ % 8;
      uint32_t len = 0, nlen = 0;
      if (!Bits(16, &len) || !Bits(16, &nlen)) return Status::kDataError;
      if ((len ^ 0xFFFF) != nlen) return Status::kDataError;
      storedLeft_ = len;
      mode_ = Mode::kStored;
      return Status::kOk;
    }
    if (type == 1) {
      uint8_t lengths[kLitCodes + kDistCodes];
      std::fill(lengths, lengths + 144, uint8_t{8});
      std::fill(lengths + 144, lengths + 256, uint8_t{9});
      std::fill(lengths + 256, lengths + 280, uint8_t{7});
      std::fill(lengths + 280, lengths + 288, uint8_t{8});
      std::fill(lengths + 288, lengths + 320, uint8_t{5});
      lit_.Build(lengths, kLitCodes);
      dist_.Build(lengths + kLitCodes, kDistCodes);
      mode_ = Mode::kCodes;
      return Status::kOk;
    }
    if (type != 2) return Status::kDataError;
    uint32_t hlit = 0, hdist = 0, hclen = 0;
    if (!Bits(5, &hlit) || !Bits(5, &hdist) || !Bits(4, &hclen)) return Status::kDataError;
    hlit += 257;
    hdist += 1;
    hclen += 4;
    uint8_t clLengths[19] = {};
    for (uint32_t i = 0; i < hclen; ++i) {
      uint32_t v = 0;
      if (!Bits(3, &v)) return Status::kDataError;
      clLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(v);
    }
    Huffman cl;
    if (!cl.Build(clLengths, 19)) return Status::kDataError;
    uint8_t lengths[kLitCodes + kDistCodes] = {};
    uint32_t i = 0;
    while (i < hlit + hdist) {
      unsigned sym = 0;
      if (!Decode(cl, &sym)) return Status::kDataError;
      if (sym < 16) {
        lengths[i++] = static_cast<uint8_t>(sym);
        continue;
      }
      uint32_t repeat = 0;
      uint8_t value = 0;
      if (sym == 16) {
        if (i == 0 || !Bits(2, &repeat)) return Status::kDataError;
        value = lengths[i - 1];
        repeat += 3;
      } else if (sym == 17) {
        if (!Bits(3, &repeat)) return Status::kDataError;
        repeat += 3;
      } else {
        if (!Bits(7, &repeat)) return Status::kDataError;
        repeat += 11;
      }
      if (i + repeat > hlit + hdist) return Status::kDataError;
      std::fill(lengths + i, lengths + i + repeat, value);
      i += repeat;
    }
    if (lengths[256] == 0) return Status::kDataError;  // a block must be able to end
    if (!lit_.Build(lengths, hlit) || !dist_.Build(lengths + hlit, hdist)) return Status::kDataError;
    mode_ = Mode::kCodes;
    return Status::kOk;
  }

  InputBuffer in_;
  uint64_t left_;
  std::unique_ptr<uint8_t[]> window_;
  uint64_t pos_ = 0;  // bytes written so far
  uint64_t bits_ = 0;
  unsigned count_ = 0;
  Mode mode_ = Mode::kHeader;
  bool final_ = false;
  uint32_t storedLeft_ = 0;
  uint32_t matchLeft_ = 0;
  uint32_t matchDist_ = 0;
  Huffman lit_, dist_;
};

}  // namespace

std::unique_ptr<InStream> CreateDeflate64Stream(std::unique_ptr<InStream> input, uint64_t outSize) {
  return std::make_unique<Deflate64Stream>(std::move(input), outSize);
}

}  // namespace archive::detail
