#include "archive/coders.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "archive/branch.h"
#include "archive/bzip2.h"
#include "archive/deflate64.h"
#include "archive/lzma.h"
#include "archive/parallel.h"
#include "archive/ppmd.h"
#include "common/crypto.h"
#include "platform/platform.h"

namespace archive::detail {
namespace {

const Bytes kIdCopy = BytesOf({0x00});
const Bytes kIdDelta = BytesOf({0x03});
const Bytes kIdX86 = BytesOf({0x03, 0x03, 0x01, 0x03});
const Bytes kIdX86Short = BytesOf({0x04});
const Bytes kIdBcj2 = BytesOf({0x03, 0x03, 0x01, 0x1B});
const Bytes kIdArm64 = BytesOf({0x0A});
const Bytes kIdRiscv = BytesOf({0x0B});
const Bytes kIdPpc = BytesOf({0x03, 0x03, 0x02, 0x05});
const Bytes kIdIa64 = BytesOf({0x03, 0x03, 0x04, 0x01});
const Bytes kIdArm = BytesOf({0x03, 0x03, 0x05, 0x01});
const Bytes kIdArmt = BytesOf({0x03, 0x03, 0x07, 0x01});
const Bytes kIdSparc = BytesOf({0x03, 0x03, 0x08, 0x05});
const Bytes kIdSwap2 = BytesOf({0x02, 0x03, 0x02});
const Bytes kIdSwap4 = BytesOf({0x02, 0x03, 0x04});
const Bytes kIdPpmd = BytesOf({0x03, 0x04, 0x01});
const Bytes kIdBzip2 = BytesOf({0x04, 0x02, 0x02});
const Bytes kIdDeflate64 = BytesOf({0x04, 0x01, 0x09});
const Bytes kIdLzma = BytesOf({0x03, 0x01, 0x01});
const Bytes kIdLzma2 = BytesOf({0x21});
const Bytes kIdDeflate = BytesOf({0x04, 0x01, 0x08});
const Bytes kIdAes = BytesOf({0x06, 0xF1, 0x07, 0x01});

constexpr size_t kFilterBuffer = 1 << 16;

// Passes its input through, cut at the declared size.
class CopyStream final : public InStream {
 public:
  CopyStream(std::unique_ptr<InStream> in, uint64_t size) : in_(std::move(in)), left_(size) {}
  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>(size, left_));
    if (n == 0) return Status::kOk;
    Status s = in_->Read(buffer, n, got);
    left_ -= *got;
    return s;
  }

 private:
  std::unique_ptr<InStream> in_;
  uint64_t left_;
};

// A stream filter that converts in place in a buffer and may hold back a short tail that can
// only be converted once more bytes are known.
class FilterStream final : public InStream {
 public:
  using Convert = std::function<size_t(uint8_t*, size_t)>;
  FilterStream(std::unique_ptr<InStream> in, uint64_t size, Convert convert)
      : in_(std::move(in)), left_(size), convert_(std::move(convert)), buf_(kFilterBuffer) {}

  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (size == 0) return Status::kOk;
    if (start_ == ready_) {
      std::memmove(buf_.data(), buf_.data() + ready_, end_ - ready_);
      end_ -= ready_;
      start_ = ready_ = 0;
      while (!eof_ && end_ < buf_.size()) {
        size_t n = 0;
        Status s = in_->Read(buf_.data() + end_, buf_.size() - end_, &n);
        if (s != Status::kOk) return s;
        if (n == 0) eof_ = true;
        end_ += n;
      }
      ready_ = convert_(buf_.data(), end_);
      if (eof_) ready_ = end_;  // a final tail too short to hold an instruction stays as it is
    }
    size_t n = std::min({size, ready_ - start_, static_cast<size_t>(std::min<uint64_t>(left_, SIZE_MAX))});
    std::memcpy(buffer, buf_.data() + start_, n);
    start_ += n;
    left_ -= n;
    *got = n;
    return Status::kOk;
  }

 private:
  std::unique_ptr<InStream> in_;
  uint64_t left_;
  Convert convert_;
  std::vector<uint8_t> buf_;
  size_t start_ = 0, ready_ = 0, end_ = 0;
  bool eof_ = false;
};

// BCJ2: the main stream with its call and jump targets split out into big-endian absolute
// addresses, and a range-coded stream saying which E8/E9/Jcc opcodes were converted.
class Bcj2Stream final : public InStream {
 public:
  Bcj2Stream(std::vector<std::unique_ptr<InStream>> in, uint64_t size)
      : main_(std::move(in[0]), 1 << 18),
        call_(std::move(in[1]), 1 << 16),
        jump_(std::move(in[2]), 1 << 16),
        rc_(std::move(in[3]), 1 << 16),
        left_(size) {
    std::fill(std::begin(probs_), std::end(probs_), uint16_t{1024});
  }

  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (!started_) {
      Status s = rc_.Ensure(5);
      if (s != Status::kOk) return s;
      if (rc_.Available() < 5) return Status::kDataError;
      for (int i = 0; i < 5; ++i) code_ = (code_ << 8) | rc_.Data()[i];
      rc_.Skip(5);
      started_ = true;
    }
    size_t n = 0;
    size = static_cast<size_t>(std::min<uint64_t>(size, left_));
    while (n < size && left_ > 0) {
      if (pendingCount_ > 0) {
        buffer[n++] = static_cast<uint8_t>(pending_);
        pending_ >>= 8;
        --pendingCount_;
        --left_;
        continue;
      }
      Status s = main_.Ensure(1);
      if (s != Status::kOk) return s;
      size_t avail = main_.Available();
      if (avail == 0) break;
      const uint8_t* src = main_.Data();
      size_t limit = std::min(avail, size - n);
      size_t i = 0;
      uint8_t b = 0;
      bool jump = false;
      // Plain bytes go through untouched until an opcode that may carry a target.
      while (i < limit) {
        b = src[i];
        buffer[n + i] = b;
        ++i;
        if ((b & 0xFE) == 0xE8 || (prev_ == 0x0F && (b & 0xF0) == 0x80)) {
          jump = true;
          break;
        }
        prev_ = b;
      }
      main_.Skip(i);
      n += i;
      outPos_ += static_cast<uint32_t>(i);
      left_ -= i;
      if (!jump) continue;
      if (left_ == 0) break;  // the opcode was the last byte: no decision is stored for it
      uint16_t* prob = probs_ + (b == 0xE8 ? prev_ : (b == 0xE9 ? 256 : 257));
      if (!DecodeBit(prob)) {
        prev_ = b;
        continue;
      }
      InputBuffer& targets = b == 0xE8 ? call_ : jump_;
      s = targets.Ensure(4);
      if (s != Status::kOk) return s;
      if (targets.Available() < 4) return Status::kDataError;
      const uint8_t* t = targets.Data();
      uint32_t absolute = (uint32_t{t[0]} << 24) | (uint32_t{t[1]} << 16) |
                          (uint32_t{t[2]} << 8) | t[3];
      targets.Skip(4);
      uint32_t relative = absolute - (outPos_ + 4);
      pending_ = relative;
      pendingCount_ = static_cast<int>(std::min<uint64_t>(4, left_));
      outPos_ += 4;
      prev_ = static_cast<uint8_t>(relative >> 24);
    }
    *got = n;
    return Status::kOk;
  }

 private:
  bool DecodeBit(uint16_t* prob) {
    if (range_ < (1u << 24)) {
      range_ <<= 8;
      code_ = (code_ << 8) | NextRcByte();
    }
    uint32_t bound = (range_ >> 11) * *prob;
    if (code_ < bound) {
      range_ = bound;
      *prob = static_cast<uint16_t>(*prob + ((2048 - *prob) >> 5));
      return false;
    }
    range_ -= bound;
    code_ -= bound;
    *prob = static_cast<uint16_t>(*prob - (*prob >> 5));
    return true;
  }
  uint8_t NextRcByte() {
    // A missing byte reads as 0: a damaged stream then decodes to wrong bytes, which the
    // CRC reports, instead of stopping half-way with a less precise error.
    if (rc_.Ensure(1) != Status::kOk || rc_.Available() == 0) return 0;
    uint8_t v = rc_.Data()[0];
    rc_.Skip(1);
    return v;
  }

  InputBuffer main_, call_, jump_, rc_;
  uint64_t left_;
  uint16_t probs_[258];
  uint32_t range_ = 0xFFFFFFFFu;
  uint32_t code_ = 0;
  bool started_ = false;
  uint8_t prev_ = 0;
  uint32_t outPos_ = 0;
  uint32_t pending_ = 0;
  int pendingCount_ = 0;
};

// Raw Deflate through zlib.
class DeflateStream final : public InStream {
 public:
  DeflateStream(std::unique_ptr<InStream> in, uint64_t size)
      : in_(std::move(in), 1 << 16), left_(size) {
    std::memset(&z_, 0, sizeof(z_));
    ok_ = inflateInit2(&z_, -15) == Z_OK;
  }
  ~DeflateStream() override {
    if (ok_) inflateEnd(&z_);
  }
  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (!ok_) return Status::kDataError;
    size = static_cast<size_t>(std::min<uint64_t>({size, left_, 1u << 30}));
    if (size == 0) return Status::kOk;
    if (ended_) return Status::kDataError;  // the Deflate stream ended before its size
    z_.next_out = buffer;
    z_.avail_out = static_cast<uInt>(size);
    while (z_.avail_out == size) {
      Status s = in_.Ensure(1);
      if (s != Status::kOk) return s;
      size_t avail = std::min<size_t>(in_.Available(), 1u << 30);
      z_.next_in = const_cast<Bytef*>(in_.Data());
      z_.avail_in = static_cast<uInt>(avail);
      int r = inflate(&z_, Z_NO_FLUSH);
      in_.Skip(avail - z_.avail_in);
      if (r == Z_STREAM_END) {
        ended_ = true;
        break;
      }
      if (r != Z_OK) return Status::kDataError;  // corrupt, or the input ended early
    }
    *got = size - z_.avail_out;
    left_ -= *got;
    if (*got == 0) return Status::kDataError;
    return Status::kOk;
  }

 private:
  InputBuffer in_;
  uint64_t left_;
  z_stream z_;
  bool ok_ = false;
  bool ended_ = false;
};

// 7zAES: AES-256-CBC over the whole stream, last block zero-padded, cut at the coder's size.
class AesStream final : public InStream {
 public:
  AesStream(std::unique_ptr<InStream> in, uint64_t size, const std::array<uint8_t, 32>& key,
            const uint8_t iv[16])
      : in_(std::move(in)), left_(size), key_(key), buf_(1 << 16) {
    std::memcpy(iv_, iv, 16);
  }
  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (start_ == end_) {
      size_t n = 0;
      Status s = ReadFull(*in_, buf_.data(), buf_.size(), &n);
      if (s != Status::kOk) return s;
      n = static_cast<size_t>(std::min<uint64_t>(n, ((left_ + 15) / 16) * 16));
      if (n == 0) return left_ == 0 ? Status::kOk : Status::kDataError;
      if (n % 16 != 0) return Status::kDataError;
      uint8_t nextIv[16];
      std::memcpy(nextIv, buf_.data() + n - 16, 16);
      if (!crypto::Aes256CbcDecrypt(key_.data(), iv_, buf_.data(), n)) return Status::kDataError;
      std::memcpy(iv_, nextIv, 16);
      start_ = 0;
      end_ = n;
    }
    size_t n = static_cast<size_t>(std::min<uint64_t>({size, end_ - start_, left_}));
    std::memcpy(buffer, buf_.data() + start_, n);
    start_ += n;
    left_ -= n;
    if (left_ == 0) start_ = end_;
    *got = n;
    return Status::kOk;
  }

 private:
  std::unique_ptr<InStream> in_;
  uint64_t left_;
  std::array<uint8_t, 32> key_;
  uint8_t iv_[16];
  std::vector<uint8_t> buf_;
  size_t start_ = 0, end_ = 0;
};

// The key and IV of a 7zAES coder.
Status ParseAes(const Bytes& props, KeyCache& keys, std::array<uint8_t, 32>* key, uint8_t iv[16]) {
  if (!keys.HasPassword()) return Status::kWrongPassword;
  if (props.empty()) return Status::kDataError;
  auto b0 = static_cast<uint8_t>(props[0]);
  unsigned power = b0 & 0x3F;
  Bytes salt;
  std::memset(iv, 0, 16);
  if ((b0 & 0xC0) != 0) {
    if (props.size() < 2) return Status::kDataError;
    auto b1 = static_cast<uint8_t>(props[1]);
    size_t saltSize = ((b0 >> 7) & 1) + (b1 >> 4);
    size_t ivSize = ((b0 >> 6) & 1) + (b1 & 15);
    if (props.size() != 2 + saltSize + ivSize) return Status::kDataError;
    salt = props.substr(2, saltSize);
    std::memcpy(iv, props.data() + 2 + saltSize, ivSize);
  } else if (props.size() != 1) {
    return Status::kDataError;
  }
  if (power > CurrentLimits().maxKeyCyclesPower && power != 0x3F) return Status::kUnsupportedMethod;
  *key = keys.Key(power, salt);
  return Status::kOk;
}

Status MakeAes(const Bytes& props, std::unique_ptr<InStream> in, uint64_t size, KeyCache& keys,
               std::unique_ptr<InStream>* out) {
  std::array<uint8_t, 32> key{};
  uint8_t iv[16];
  Status s = ParseAes(props, keys, &key, iv);
  if (s != Status::kOk) return s;
  *out = std::make_unique<AesStream>(std::move(in), size, key, iv);
  return Status::kOk;
}

Status MakeCoder(const CoderInfo& coder, std::vector<std::unique_ptr<InStream>> inputs,
                 uint64_t outSize, KeyCache& keys, std::unique_ptr<InStream>* out) {
  const Bytes& id = coder.methodId;
  if (id == kIdBcj2) {
    if (inputs.size() != 4) return Status::kDataError;
    *out = std::make_unique<Bcj2Stream>(std::move(inputs), outSize);
    return Status::kOk;
  }
  if (inputs.size() != 1) return Status::kUnsupportedMethod;
  std::unique_ptr<InStream> in = std::move(inputs[0]);
  if (id == kIdCopy) {
    *out = std::make_unique<CopyStream>(std::move(in), outSize);
    return Status::kOk;
  }
  if (id == kIdLzma) return CreateLzmaStream(coder.props, std::move(in), outSize, out);
  if (id == kIdLzma2) return CreateLzma2Stream(coder.props, std::move(in), outSize, out);
  if (id == kIdDeflate) {
    *out = std::make_unique<DeflateStream>(std::move(in), outSize);
    return Status::kOk;
  }
  if (id == kIdDeflate64) {
    *out = CreateDeflate64Stream(std::move(in), outSize);
    return Status::kOk;
  }
  if (id == kIdPpmd) return CreatePpmdStream(coder.props, std::move(in), outSize, out);
  if (id == kIdBzip2) {
    *out = CreateBzip2Stream(std::move(in), outSize);
    return Status::kOk;
  }
  if (id == kIdAes) return MakeAes(coder.props, std::move(in), outSize, keys, out);
  if (id == kIdX86 || id == kIdX86Short) {
    auto ip = std::make_shared<uint32_t>(0);
    auto state = std::make_shared<uint32_t>(0);
    *out = std::make_unique<FilterStream>(std::move(in), outSize, [ip, state](uint8_t* d, size_t n) {
      return X86Convert(d, n, *ip, *state);
    });
    return Status::kOk;
  }
  using BranchConvert = size_t (*)(uint8_t*, size_t, uint32_t&);
  static const std::pair<const Bytes*, BranchConvert> kBranch[] = {
      {&kIdArm64, Arm64Convert}, {&kIdRiscv, RiscvConvert}, {&kIdArm, ArmConvert},
      {&kIdArmt, ArmtConvert},   {&kIdPpc, PpcConvert},     {&kIdSparc, SparcConvert},
      {&kIdIa64, Ia64Convert}};
  for (const auto& [branchId, convert] : kBranch) {
    if (*branchId != id) continue;
    // An optional 4-byte start offset: the address the first byte had when it was filtered.
    auto pc = std::make_shared<uint32_t>(0);
    if (coder.props.size() == 4) {
      for (int i = 0; i < 4; ++i) *pc |= uint32_t{static_cast<uint8_t>(coder.props[i])} << (8 * i);
      if (*pc & (branchId == &kIdArm64 ? 3u : 1u)) return Status::kUnsupportedMethod;
    } else if (!coder.props.empty()) {
      return Status::kUnsupportedMethod;
    }
    BranchConvert f = convert;
    *out = std::make_unique<FilterStream>(std::move(in), outSize,
                                          [pc, f](uint8_t* d, size_t n) { return f(d, n, *pc); });
    return Status::kOk;
  }
  if (id == kIdSwap2 || id == kIdSwap4) {
    unsigned unit = id == kIdSwap2 ? 2 : 4;
    *out = std::make_unique<FilterStream>(std::move(in), outSize,
                                          [unit](uint8_t* d, size_t n) { return SwapConvert(d, n, unit); });
    return Status::kOk;
  }
  if (id == kIdDelta) {
    if (coder.props.size() != 1) return Status::kDataError;
    unsigned distance = static_cast<uint8_t>(coder.props[0]) + 1u;
    struct History {
      uint8_t bytes[256] = {0};
      uint8_t pos = 0;
    };
    auto h = std::make_shared<History>();
    *out = std::make_unique<FilterStream>(std::move(in), outSize, [h, distance](uint8_t* d, size_t n) {
      uint8_t pos = h->pos;
      for (size_t i = 0; i < n; ++i) {
        d[i] = static_cast<uint8_t>(d[i] + h->bytes[static_cast<uint8_t>(pos - distance)]);
        h->bytes[pos++] = d[i];
      }
      h->pos = pos;
      return n;
    });
    return Status::kOk;
  }
  return Status::kUnsupportedMethod;
}

}  // namespace

bool Folder::IsEncrypted() const {
  for (const CoderInfo& c : coders)
    if (c.methodId == kIdAes) return true;
  return false;
}

bool ValidateFolder(Folder& folder) {
  uint64_t totalIn = 0, totalOut = 0;
  for (const CoderInfo& c : folder.coders) {
    totalIn += c.numIn;
    totalOut += c.numOut;
  }
  if (totalOut == 0 || totalOut > 64 || totalIn > 64) return false;
  if (folder.bindPairs.size() != totalOut - 1) return false;
  if (folder.unpackSizes.size() != totalOut) return false;
  std::vector<bool> inUsed(totalIn, false), outUsed(totalOut, false);
  for (const BindPair& bp : folder.bindPairs) {
    if (bp.inIndex >= totalIn || bp.outIndex >= totalOut) return false;
    if (inUsed[bp.inIndex] || outUsed[bp.outIndex]) return false;
    inUsed[bp.inIndex] = outUsed[bp.outIndex] = true;
  }
  for (uint32_t p : folder.packedStreams) {
    if (p >= totalIn || inUsed[p]) return false;
    inUsed[p] = true;
  }
  for (bool used : inUsed)
    if (!used) return false;
  for (uint32_t i = 0; i < totalOut; ++i)
    if (!outUsed[i]) folder.mainOut = i;
  return true;
}

void KeyCache::Clear() {
  std::lock_guard<plat::Mutex> hold(lock_);
  hasPassword_ = false;
  passwordUtf16.clear();
  keys_.clear();
}

void KeyCache::SetPassword(const std::string& gbkPassword) {
  std::lock_guard<plat::Mutex> hold(lock_);
  hasPassword_ = true;
  std::u16string wide = plat::GbkToUtf16(gbkPassword);
  passwordUtf16.clear();
  for (char16_t c : wide) {
    passwordUtf16.push_back(static_cast<char>(c & 0xFF));
    passwordUtf16.push_back(static_cast<char>(c >> 8));
  }
  keys_.clear();
}

std::array<uint8_t, 32> KeyCache::Key(unsigned cyclesPower, const Bytes& salt) {
  std::lock_guard<plat::Mutex> hold(lock_);
  auto found = keys_.find({cyclesPower, salt});
  if (found != keys_.end()) return found->second;
  std::array<uint8_t, 32> key{};
  if (cyclesPower == 0x3F) {
    Bytes raw = salt + passwordUtf16;
    std::memcpy(key.data(), raw.data(), std::min<size_t>(raw.size(), 32));
  } else {
    // 2^power rounds of salt + password + 64-bit counter; fed in batches so the hasher is
    // called a few thousand times rather than half a million.
    const Bytes unit = salt + passwordUtf16;
    const size_t unitSize = unit.size() + 8;
    constexpr size_t kBatch = 256;
    std::vector<uint8_t> batch(unitSize * kBatch);
    for (size_t i = 0; i < kBatch; ++i) std::memcpy(batch.data() + i * unitSize, unit.data(), unit.size());
    crypto::Sha256Hasher hasher;
    const uint64_t rounds = uint64_t{1} << cyclesPower;
    uint64_t counter = 0;
    while (counter < rounds) {
      size_t count = static_cast<size_t>(std::min<uint64_t>(kBatch, rounds - counter));
      for (size_t i = 0; i < count; ++i) {
        uint64_t c = counter + i;
        uint8_t* p = batch.data() + i * unitSize + unit.size();
        for (int k = 0; k < 8; ++k) p[k] = static_cast<uint8_t>(c >> (8 * k));
      }
      hasher.Update(batch.data(), count * unitSize);
      counter += count;
    }
    crypto::Sha256Digest digest = hasher.Final();
    std::memcpy(key.data(), digest.data(), 32);
  }
  keys_[{cyclesPower, salt}] = key;
  return key;
}

Status OpenFolder(Source& source, const Folder& folder, const std::vector<uint64_t>& packOffsets,
                  const std::vector<uint64_t>& packSizes, KeyCache& keys,
                  std::unique_ptr<InStream>* out, bool blockThreads) {
  // First in/out index of each coder.
  std::vector<uint32_t> inBase, outBase;
  uint32_t ni = 0, no = 0;
  for (const CoderInfo& c : folder.coders) {
    inBase.push_back(ni);
    outBase.push_back(no);
    ni += c.numIn;
    no += c.numOut;
  }
  for (const CoderInfo& c : folder.coders) {
    if (c.numOut != 1) return Status::kUnsupportedMethod;
  }
  auto packedIndex = [&](uint32_t in) -> size_t {
    auto packed = std::find(folder.packedStreams.begin(), folder.packedStreams.end(), in);
    return static_cast<size_t>(packed - folder.packedStreams.begin());
  };
  auto boundTo = [&](uint32_t in) {
    return std::find_if(folder.bindPairs.begin(), folder.bindPairs.end(),
                        [in](const BindPair& bp) { return bp.inIndex == in; });
  };
  // An LZMA2 coder fed by a packed stream, directly or through 7zAES, can be read at any
  // offset, which is what decoding its blocks side by side needs. Leaves `*result` empty
  // when the stream is to be decoded the old way.
  auto ParallelLzma2 = [&](size_t coder, uint64_t outSize, std::unique_ptr<InStream>* result) {
    Lzma2Input input;
    input.source = &source;
    uint32_t in = inBase[coder];
    auto pair = boundTo(in);
    if (pair != folder.bindPairs.end()) {
      size_t aes = 0;
      while (aes + 1 < outBase.size() && outBase[aes + 1] <= pair->outIndex) ++aes;
      const CoderInfo& crypt = folder.coders[aes];
      if (crypt.methodId != kIdAes || crypt.numIn != 1) return Status::kOk;
      in = inBase[aes];
      if (boundTo(in) != folder.bindPairs.end()) return Status::kOk;
      input.encrypted = true;
      input.size = folder.unpackSizes[pair->outIndex];
      // A key that cannot be made is reported by the old path, as before.
      if (ParseAes(crypt.props, keys, &input.key, input.iv) != Status::kOk) return Status::kOk;
    }
    size_t k = packedIndex(in);
    if (k >= packOffsets.size() || k >= packSizes.size()) return Status::kOk;
    input.offset = packOffsets[k];
    input.packSize = packSizes[k];
    if (!input.encrypted) input.size = input.packSize;
    return OpenParallelLzma2(folder.coders[coder].props, input, outSize, result);
  };
  std::vector<bool> visiting(folder.coders.size(), false);
  std::function<Status(uint32_t, std::unique_ptr<InStream>*)> build =
      [&](uint32_t outIndex, std::unique_ptr<InStream>* result) -> Status {
    size_t coder = 0;
    while (coder + 1 < outBase.size() && outBase[coder + 1] <= outIndex) ++coder;
    if (visiting[coder]) return Status::kDataError;  // a cycle in the bind pairs
    visiting[coder] = true;
    const CoderInfo& info = folder.coders[coder];
    if (info.methodId == kIdLzma2 && info.numIn == 1 && blockThreads && DecodeThreads() > 1) {
      Status s = ParallelLzma2(coder, folder.unpackSizes[outIndex], result);
      if (s != Status::kOk || *result) return s;
    }
    std::vector<std::unique_ptr<InStream>> inputs;
    for (uint32_t j = 0; j < info.numIn; ++j) {
      uint32_t in = inBase[coder] + j;
      auto pair = std::find_if(folder.bindPairs.begin(), folder.bindPairs.end(),
                               [in](const BindPair& bp) { return bp.inIndex == in; });
      std::unique_ptr<InStream> stream;
      if (pair != folder.bindPairs.end()) {
        Status s = build(pair->outIndex, &stream);
        if (s != Status::kOk) return s;
      } else {
        auto packed = std::find(folder.packedStreams.begin(), folder.packedStreams.end(), in);
        if (packed == folder.packedStreams.end()) return Status::kDataError;
        size_t k = static_cast<size_t>(packed - folder.packedStreams.begin());
        if (k >= packOffsets.size()) return Status::kDataError;
        stream = std::make_unique<PackStream>(source, packOffsets[k], packSizes[k]);
      }
      inputs.push_back(std::move(stream));
    }
    return MakeCoder(info, std::move(inputs), folder.unpackSizes[outIndex], keys, result);
  };
  // Report an unsupported coder before anything else, whatever its place in the graph.
  for (const CoderInfo& c : folder.coders) {
    static const Bytes* const kKnown[] = {
        &kIdCopy, &kIdDelta, &kIdX86,  &kIdX86Short, &kIdBcj2,  &kIdArm64, &kIdRiscv, &kIdArm,
        &kIdArmt, &kIdPpc,   &kIdSparc, &kIdIa64,    &kIdSwap2, &kIdSwap4, &kIdLzma,  &kIdLzma2,
        &kIdDeflate, &kIdDeflate64, &kIdBzip2, &kIdPpmd, &kIdAes};
    bool known = std::any_of(std::begin(kKnown), std::end(kKnown),
                             [&](const Bytes* id) { return *id == c.methodId; });
    if (!known) return Status::kUnsupportedMethod;
  }
  if (folder.IsEncrypted() && !keys.HasPassword()) return Status::kWrongPassword;
  return build(folder.mainOut, out);
}

std::string MethodName(const Bytes& id) {
  static const std::pair<const Bytes*, const char*> kNames[] = {
      {&kIdCopy, "Copy"},   {&kIdDelta, "Delta"}, {&kIdX86, "BCJ"},       {&kIdX86Short, "BCJ"},
      {&kIdBcj2, "BCJ2"},   {&kIdArm64, "ARM64"}, {&kIdLzma, "LZMA"},     {&kIdLzma2, "LZMA2"},
      {&kIdDeflate, "Deflate"}, {&kIdAes, "7zAES"}, {&kIdRiscv, "RISCV"}, {&kIdArm, "ARM"},
      {&kIdArmt, "ARMT"},   {&kIdPpc, "PPC"},     {&kIdSparc, "SPARC"}, {&kIdIa64, "IA64"},
      {&kIdSwap2, "SWAP2"}, {&kIdSwap4, "SWAP4"}, {&kIdPpmd, "PPMD"},   {&kIdBzip2, "BZip2"},
      {&kIdDeflate64, "Deflate64"}};
  for (const auto& [known, name] : kNames)
    if (*known == id) return name;
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (char c : id) {
    hex += kHex[static_cast<uint8_t>(c) >> 4];
    hex += kHex[static_cast<uint8_t>(c) & 15];
  }
  return hex;
}

size_t X86Convert(uint8_t* data, size_t size, uint32_t& ip, uint32_t& state) {
  // Which of the previous three bytes held an E8/E9 decides whether a candidate is trusted.
  static const bool kAllowed[8] = {true, true, true, false, true, false, false, false};
  static const unsigned kBitNumber[8] = {0, 1, 2, 2, 3, 3, 3, 3};
  auto isMsByte = [](uint8_t b) { return b == 0 || b == 0xFF; };
  if (size < 5) return 0;
  uint32_t mask = state & 7;
  const uint32_t base = ip + 5;
  size_t pos = 0;
  size_t lastHit = SIZE_MAX;  // position of the previous E8/E9 seen, as an unsigned distance
  const size_t limit = size - 4;
  for (;;) {
    while (pos < limit && (data[pos] & 0xFE) != 0xE8) ++pos;
    if (pos >= limit) break;
    size_t gap = pos - lastHit;
    if (gap > 3) {
      mask = 0;
    } else {
      mask = (mask << (gap - 1)) & 7;
      if (mask != 0 && (!kAllowed[mask] || isMsByte(data[pos + 4 - kBitNumber[mask]]))) {
        lastHit = pos;
        mask = ((mask << 1) & 7) | 1;
        ++pos;
        continue;
      }
    }
    lastHit = pos;
    uint8_t* p = data + pos;
    if (!isMsByte(p[4])) {
      mask = ((mask << 1) & 7) | 1;
      ++pos;
      continue;
    }
    uint32_t src = (uint32_t{p[4]} << 24) | (uint32_t{p[3]} << 16) | (uint32_t{p[2]} << 8) | p[1];
    uint32_t dest;
    for (;;) {
      dest = src - (base + static_cast<uint32_t>(pos));
      if (mask == 0) break;
      unsigned index = kBitNumber[mask] * 8;
      if (!isMsByte(static_cast<uint8_t>(dest >> (24 - index)))) break;
      src = dest ^ ((1u << (32 - index)) - 1);
    }
    p[4] = static_cast<uint8_t>(~(((dest >> 24) & 1) - 1));
    p[3] = static_cast<uint8_t>(dest >> 16);
    p[2] = static_cast<uint8_t>(dest >> 8);
    p[1] = static_cast<uint8_t>(dest);
    pos += 5;
  }
  size_t gap = pos - lastHit;
  state = gap > 3 ? 0 : ((mask << (gap - 1)) & 7);
  ip += static_cast<uint32_t>(pos);
  return pos;
}

}  // namespace archive::detail
