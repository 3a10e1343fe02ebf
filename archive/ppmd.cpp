#include "archive/ppmd.h"

#include <algorithm>
#include <cstring>

namespace archive::detail {
namespace {

constexpr unsigned kMaxOrder = 64;
constexpr unsigned kUnitSize = 12;
constexpr unsigned kNumIndexes = 38;  // 4 + 4 + 4 + 26 block sizes, from 1 to 128 units
constexpr unsigned kMaxFreq = 124;
constexpr unsigned kIntBits = 7;
constexpr unsigned kPeriodBits = 7;
constexpr unsigned kBinScale = 1u << (kIntBits + kPeriodBits);
constexpr uint32_t kTopValue = 1u << 24;
constexpr uint32_t kMinMemory = 1u << 11;
constexpr uint32_t kMaxMemory = 0xFFFFFFFFu - 12 * 3;

const uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};
const uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

// The records live in the arena at 32-bit offsets from its base (0 is "none").
struct State {
  uint8_t symbol;
  uint8_t freq;
  uint16_t successorLow;
  uint16_t successorHigh;
};
struct Context {
  uint16_t numStats;
  uint16_t summFreq;  // with `stats`, the place of the single state of a binary context
  uint32_t stats;
  uint32_t suffix;
};
static_assert(sizeof(State) == 6 && sizeof(Context) == kUnitSize, "arena layout");

// Secondary escape estimation: an adaptive escape frequency per context class.
struct See {
  uint16_t summ;
  uint8_t shift;
  uint8_t count;
  void Update() {
    if (shift < kPeriodBits && --count == 0) {
      summ = static_cast<uint16_t>(summ << 1);
      count = static_cast<uint8_t>(3 << shift++);
    }
  }
};

// A free block while the free lists are glued together.
struct Node {
  uint16_t stamp;  // 0 marks a free block; every used block starts with a non-zero 16 bits
  uint16_t nu;     // its size in units
  uint32_t next;
  uint32_t prev;
};

uint32_t Successor(const State* s) { return s->successorLow | (uint32_t{s->successorHigh} << 16); }
void SetSuccessor(State* s, uint32_t v) {
  s->successorLow = static_cast<uint16_t>(v);
  s->successorHigh = static_cast<uint16_t>(v >> 16);
}
State* OneState(Context* c) { return reinterpret_cast<State*>(&c->summFreq); }

struct Tables {
  uint8_t indexToUnits[kNumIndexes];
  uint8_t unitsToIndex[128];
  uint8_t ns2BsIndex[256];
  uint8_t ns2Index[256];
  uint8_t hb2Flag[256];
  Tables() {
    unsigned k = 0;
    for (unsigned i = 0; i < kNumIndexes; ++i) {
      unsigned step = i >= 12 ? 4 : (i >> 2) + 1;
      do {
        unitsToIndex[k++] = static_cast<uint8_t>(i);
      } while (--step);
      indexToUnits[i] = static_cast<uint8_t>(k);
    }
    ns2BsIndex[0] = 0 << 1;
    ns2BsIndex[1] = 1 << 1;
    std::memset(ns2BsIndex + 2, 2 << 1, 9);
    std::memset(ns2BsIndex + 11, 3 << 1, 256 - 11);
    unsigned i = 0;
    for (; i < 3; ++i) ns2Index[i] = static_cast<uint8_t>(i);
    for (unsigned m = i, step = 1; i < 256; ++i) {
      ns2Index[i] = static_cast<uint8_t>(m);
      if (--step == 0) step = ++m - 2;
    }
    std::memset(hb2Flag, 0, 0x40);
    std::memset(hb2Flag + 0x40, 8, 0x100 - 0x40);
  }
};
const Tables kTables;

unsigned I2U(unsigned index) { return kTables.indexToUnits[index]; }
unsigned U2I(unsigned units) { return kTables.unitsToIndex[units - 1]; }
uint32_t U2B(unsigned units) { return units * kUnitSize; }

// 7-Zip's range decoder for PPMd (not the one of the RAR variant).
class RangeDecoder {
 public:
  explicit RangeDecoder(std::unique_ptr<InStream> in) : in_(std::move(in), 1 << 16) {}
  bool Init() {
    code_ = 0;
    range_ = 0xFFFFFFFFu;
    if (Byte() != 0) return false;
    for (int i = 0; i < 4; ++i) code_ = (code_ << 8) | Byte();
    return code_ < 0xFFFFFFFFu;
  }
  uint32_t Threshold(uint32_t total) { return code_ / (range_ /= total); }
  void Decode(uint32_t start, uint32_t size) {
    code_ -= start * range_;
    range_ *= size;
    Normalize();
  }
  unsigned DecodeBit(uint32_t size0, uint32_t total) {
    uint32_t bound = (range_ / total) * size0;
    unsigned bit;
    if (code_ < bound) {
      bit = 0;
      range_ = bound;
    } else {
      bit = 1;
      code_ -= bound;
      range_ -= bound;
    }
    Normalize();
    return bit;
  }
  // Bytes wanted past the end of the input; the encoder's final flush means a sound stream
  // never needs any.
  unsigned Overrun() const { return overrun_; }
  Status Error() const { return error_; }

 private:
  void Normalize() {
    if (range_ < kTopValue) {
      code_ = (code_ << 8) | Byte();
      range_ <<= 8;
      if (range_ < kTopValue) {
        code_ = (code_ << 8) | Byte();
        range_ <<= 8;
      }
    }
  }
  uint8_t Byte() {
    if (in_.Available() == 0) {
      Status s = in_.Ensure(1);
      if (s != Status::kOk) error_ = s;
      if (in_.Available() == 0) {
        ++overrun_;
        return 0;
      }
    }
    uint8_t b = in_.Data()[0];
    in_.Skip(1);
    return b;
  }

  InputBuffer in_;
  uint32_t range_ = 0, code_ = 0;
  unsigned overrun_ = 0;
  Status error_ = Status::kOk;
};

class Model {
 public:
  bool Allocate(uint32_t size) {
    alignOffset_ = 4 - (size & 3);
    // One unit past the end holds the guard node that stops the gluing of free blocks.
    base_.reset(new (std::nothrow) uint8_t[alignOffset_ + size + kUnitSize]);
    if (!base_) return false;
    size_ = size;
    return true;
  }

  void Init(unsigned maxOrder) {
    maxOrder_ = maxOrder;
    Restart();
    dummySee_.shift = kPeriodBits;
    dummySee_.summ = 0;
    dummySee_.count = 64;
  }

  // The next byte, -1 for the end mark, -2 for data that cannot be decoded.
  int DecodeSymbol(RangeDecoder& rc) {
    uint8_t charMask[256];
    if (minContext_->numStats != 1) {
      State* s = Stats(minContext_);
      uint32_t count = rc.Threshold(minContext_->summFreq);
      uint32_t hiCnt = s->freq;
      if (count < hiCnt) {
        rc.Decode(0, s->freq);
        foundState_ = s;
        uint8_t symbol = s->symbol;
        Update1First();
        return symbol;
      }
      prevSuccess_ = 0;
      unsigned i = minContext_->numStats - 1;
      do {
        if ((hiCnt += (++s)->freq) > count) {
          rc.Decode(hiCnt - s->freq, s->freq);
          foundState_ = s;
          uint8_t symbol = s->symbol;
          Update1();
          return symbol;
        }
      } while (--i);
      if (count >= minContext_->summFreq) return -2;
      hiBitsFlag_ = kTables.hb2Flag[foundState_->symbol];
      rc.Decode(hiCnt, minContext_->summFreq - hiCnt);
      std::memset(charMask, 0xFF, sizeof charMask);
      charMask[s->symbol] = 0;
      i = minContext_->numStats - 1;
      do {
        charMask[(--s)->symbol] = 0;
      } while (--i);
    } else {
      uint16_t* prob = BinSumm();
      if (rc.DecodeBit(*prob, kBinScale) == 0) {
        *prob = static_cast<uint16_t>(*prob + (1u << kIntBits) - Mean(*prob));
        foundState_ = OneState(minContext_);
        uint8_t symbol = foundState_->symbol;
        UpdateBin();
        return symbol;
      }
      *prob = static_cast<uint16_t>(*prob - Mean(*prob));
      initEsc_ = kExpEscape[*prob >> 10];
      std::memset(charMask, 0xFF, sizeof charMask);
      charMask[OneState(minContext_)->symbol] = 0;
      prevSuccess_ = 0;
    }
    for (;;) {
      State* ps[256];
      unsigned numMasked = minContext_->numStats;
      do {
        ++orderFall_;
        if (minContext_->suffix == 0) return -1;
        minContext_ = Ctx(minContext_->suffix);
      } while (minContext_->numStats == numMasked);
      uint32_t hiCnt = 0;
      State* s = Stats(minContext_);
      unsigned i = 0;
      unsigned num = minContext_->numStats - numMasked;
      do {
        if (charMask[s->symbol]) {
          hiCnt += s->freq;
          ps[i++] = s;
        }
        ++s;
      } while (i != num);
      uint32_t freqSum = 0;
      See* see = MakeEscFreq(numMasked, &freqSum);
      freqSum += hiCnt;
      uint32_t count = rc.Threshold(freqSum);
      if (count < hiCnt) {
        State** pps = ps;
        for (hiCnt = 0; (hiCnt += (*pps)->freq) <= count; ++pps) {
        }
        s = *pps;
        rc.Decode(hiCnt - s->freq, s->freq);
        see->Update();
        foundState_ = s;
        uint8_t symbol = s->symbol;
        Update2();
        return symbol;
      }
      if (count >= freqSum) return -2;
      rc.Decode(hiCnt, freqSum - hiCnt);
      see->summ = static_cast<uint16_t>(see->summ + freqSum);
      do {
        charMask[ps[--i]->symbol] = 0;
      } while (i != 0);
    }
  }

 private:
  uint8_t* Ptr(uint32_t ref) { return base_.get() + ref; }
  uint32_t Ref(const void* p) const {
    return static_cast<uint32_t>(static_cast<const uint8_t*>(p) - base_.get());
  }
  Context* Ctx(uint32_t ref) { return reinterpret_cast<Context*>(Ptr(ref)); }
  State* Stats(Context* c) { return reinterpret_cast<State*>(Ptr(c->stats)); }
  Node* NodeAt(uint32_t ref) { return reinterpret_cast<Node*>(Ptr(ref)); }
  static unsigned Mean(unsigned prob) { return (prob + (1u << (kPeriodBits - 2))) >> kPeriodBits; }

  // --- The unit allocator: free lists per block size, carved from both ends of the arena.
  void InsertNode(void* node, unsigned index) {
    uint32_t link = freeList_[index];
    std::memcpy(node, &link, 4);
    freeList_[index] = Ref(node);
  }
  void* RemoveNode(unsigned index) {
    uint8_t* node = Ptr(freeList_[index]);
    std::memcpy(&freeList_[index], node, 4);
    return node;
  }
  void SplitBlock(void* ptr, unsigned oldIndex, unsigned newIndex) {
    unsigned nu = I2U(oldIndex) - I2U(newIndex);
    uint8_t* p = static_cast<uint8_t*>(ptr) + U2B(I2U(newIndex));
    unsigned i = U2I(nu);
    if (I2U(i) != nu) {
      unsigned k = I2U(--i);
      InsertNode(p + U2B(k), nu - k - 1);
    }
    InsertNode(p, i);
  }

  void GlueFreeBlocks() {
    uint32_t head = alignOffset_ + size_;  // the guard unit past the end
    uint32_t n = head;
    glueCount_ = 255;
    // A doubly linked list of every free block, most recently freed first.
    for (unsigned i = 0; i < kNumIndexes; ++i) {
      auto nu = static_cast<uint16_t>(I2U(i));
      uint32_t next = freeList_[i];
      freeList_[i] = 0;
      while (next != 0) {
        Node* node = NodeAt(next);
        uint32_t following;
        std::memcpy(&following, node, 4);
        node->next = n;
        NodeAt(n)->prev = next;
        n = next;
        next = following;
        node->stamp = 0;
        node->nu = nu;
      }
    }
    NodeAt(head)->stamp = 1;
    NodeAt(head)->next = n;
    NodeAt(n)->prev = head;
    if (loUnit_ != hiUnit_) NodeAt(loUnit_)->stamp = 1;

    // Each free block absorbs the free blocks that follow it in memory.
    while (n != head) {
      Node* node = NodeAt(n);
      uint32_t nu = node->nu;
      for (;;) {
        Node* node2 = NodeAt(n + nu * kUnitSize);
        nu += node2->nu;
        if (node2->stamp != 0 || nu >= 0x10000) break;
        NodeAt(node2->prev)->next = node2->next;
        NodeAt(node2->next)->prev = node2->prev;
        node->nu = static_cast<uint16_t>(nu);
      }
      n = node->next;
    }

    // Back into the free lists, in pieces of at most 128 units.
    for (n = NodeAt(head)->next; n != head;) {
      Node* node = NodeAt(n);
      uint32_t next = node->next;
      unsigned nu = node->nu;
      uint8_t* p = Ptr(n);
      for (; nu > 128; nu -= 128, p += U2B(128)) InsertNode(p, kNumIndexes - 1);
      unsigned i = U2I(nu);
      if (I2U(i) != nu) {
        unsigned k = I2U(--i);
        InsertNode(p + U2B(k), nu - k - 1);
      }
      InsertNode(p, i);
      n = next;
    }
  }

  void* AllocUnitsRare(unsigned index) {
    if (glueCount_ == 0) {
      GlueFreeBlocks();
      if (freeList_[index] != 0) return RemoveNode(index);
    }
    unsigned i = index;
    do {
      if (++i == kNumIndexes) {
        uint32_t numBytes = U2B(I2U(index));
        --glueCount_;
        if (unitsStart_ - text_ > numBytes) {
          unitsStart_ -= numBytes;
          return Ptr(unitsStart_);
        }
        return nullptr;
      }
    } while (freeList_[i] == 0);
    void* block = RemoveNode(i);
    SplitBlock(block, i, index);
    return block;
  }

  void* AllocUnits(unsigned index) {
    if (freeList_[index] != 0) return RemoveNode(index);
    uint32_t numBytes = U2B(I2U(index));
    if (numBytes <= hiUnit_ - loUnit_) {
      void* block = Ptr(loUnit_);
      loUnit_ += numBytes;
      return block;
    }
    return AllocUnitsRare(index);
  }

  Context* AllocContext() {
    if (hiUnit_ != loUnit_) {
      hiUnit_ -= kUnitSize;
      return Ctx(hiUnit_);
    }
    if (freeList_[0] != 0) return static_cast<Context*>(RemoveNode(0));
    return static_cast<Context*>(AllocUnitsRare(0));
  }

  void* ShrinkUnits(void* oldPtr, unsigned oldNu, unsigned newNu) {
    unsigned i0 = U2I(oldNu);
    unsigned i1 = U2I(newNu);
    if (i0 == i1) return oldPtr;
    if (freeList_[i1] != 0) {
      void* block = RemoveNode(i1);
      std::memmove(block, oldPtr, U2B(newNu));
      InsertNode(oldPtr, i0);
      return block;
    }
    SplitBlock(oldPtr, i0, i1);
    return oldPtr;
  }

  // --- The model.
  void Restart() {
    std::fill(std::begin(freeList_), std::end(freeList_), 0u);
    text_ = alignOffset_;
    hiUnit_ = text_ + size_;
    loUnit_ = unitsStart_ = hiUnit_ - size_ / 8 / kUnitSize * 7 * kUnitSize;
    glueCount_ = 0;

    orderFall_ = maxOrder_;
    runLength_ = initRl_ = -static_cast<int32_t>(std::min(maxOrder_, 12u)) - 1;
    prevSuccess_ = 0;

    hiUnit_ -= kUnitSize;
    minContext_ = maxContext_ = Ctx(hiUnit_);
    minContext_->suffix = 0;
    minContext_->numStats = 256;
    minContext_->summFreq = 256 + 1;
    foundState_ = reinterpret_cast<State*>(Ptr(loUnit_));
    minContext_->stats = loUnit_;
    loUnit_ += U2B(256 / 2);
    for (unsigned i = 0; i < 256; ++i) {
      State* s = &foundState_[i];
      s->symbol = static_cast<uint8_t>(i);
      s->freq = 1;
      SetSuccessor(s, 0);
    }
    for (unsigned i = 0; i < 128; ++i)
      for (unsigned k = 0; k < 8; ++k) {
        auto val = static_cast<uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
        for (unsigned m = 0; m < 64; m += 8) binSumm_[i][k + m] = val;
      }
    for (unsigned i = 0; i < 25; ++i)
      for (unsigned k = 0; k < 16; ++k) {
        See& s = see_[i][k];
        s.shift = kPeriodBits - 4;
        s.summ = static_cast<uint16_t>((5 * i + 10) << s.shift);
        s.count = 4;
      }
  }

  Context* CreateSuccessors(bool skip) {
    Context* c = minContext_;
    uint32_t upBranch = Successor(foundState_);
    State* ps[kMaxOrder];
    unsigned numPs = 0;
    if (!skip) ps[numPs++] = foundState_;
    while (c->suffix) {
      c = Ctx(c->suffix);
      State* s;
      if (c->numStats != 1) {
        for (s = Stats(c); s->symbol != foundState_->symbol; ++s) {
        }
      } else {
        s = OneState(c);
      }
      uint32_t successor = Successor(s);
      if (successor != upBranch) {
        c = Ctx(successor);
        if (numPs == 0) return c;
        break;
      }
      ps[numPs++] = s;
    }
    State upState;
    upState.symbol = *Ptr(upBranch);
    SetSuccessor(&upState, upBranch + 1);
    if (c->numStats == 1) {
      upState.freq = OneState(c)->freq;
    } else {
      State* s;
      for (s = Stats(c); s->symbol != upState.symbol; ++s) {
      }
      uint32_t cf = s->freq - 1u;
      uint32_t s0 = c->summFreq - c->numStats - cf;
      upState.freq = static_cast<uint8_t>(
          1 + ((2 * cf <= s0) ? (5 * cf > s0) : ((2 * cf + 3 * s0 - 1) / (2 * s0))));
    }
    do {
      Context* c1 = AllocContext();
      if (!c1) return nullptr;
      c1->numStats = 1;
      *OneState(c1) = upState;
      c1->suffix = Ref(c);
      SetSuccessor(ps[--numPs], Ref(c1));
      c = c1;
    } while (numPs != 0);
    return c;
  }

  void UpdateModel() {
    uint32_t fSuccessor = Successor(foundState_);
    if (foundState_->freq < kMaxFreq / 4 && minContext_->suffix != 0) {
      Context* c = Ctx(minContext_->suffix);
      if (c->numStats == 1) {
        State* s = OneState(c);
        if (s->freq < 32) ++s->freq;
      } else {
        State* s = Stats(c);
        if (s->symbol != foundState_->symbol) {
          do {
            ++s;
          } while (s->symbol != foundState_->symbol);
          if (s[0].freq >= s[-1].freq) {
            std::swap(s[0], s[-1]);
            --s;
          }
        }
        if (s->freq < kMaxFreq - 9) {
          s->freq = static_cast<uint8_t>(s->freq + 2);
          c->summFreq = static_cast<uint16_t>(c->summFreq + 2);
        }
      }
    }

    if (orderFall_ == 0) {
      minContext_ = maxContext_ = CreateSuccessors(true);
      if (!minContext_) {
        Restart();
        return;
      }
      SetSuccessor(foundState_, Ref(minContext_));
      return;
    }

    *Ptr(text_++) = foundState_->symbol;
    uint32_t successor = text_;
    if (text_ >= unitsStart_) {
      Restart();
      return;
    }
    if (fSuccessor) {
      if (fSuccessor <= successor) {  // still a position in the text: make it a context
        Context* cs = CreateSuccessors(false);
        if (!cs) {
          Restart();
          return;
        }
        fSuccessor = Ref(cs);
      }
      if (--orderFall_ == 0) {
        successor = fSuccessor;
        text_ -= (maxContext_ != minContext_);
      }
    } else {
      SetSuccessor(foundState_, successor);
      fSuccessor = Ref(minContext_);
    }

    unsigned ns = minContext_->numStats;
    uint32_t s0 = minContext_->summFreq - ns - (foundState_->freq - 1u);
    for (Context* c = maxContext_; c != minContext_; c = Ctx(c->suffix)) {
      unsigned ns1 = c->numStats;
      if (ns1 != 1) {
        if ((ns1 & 1) == 0) {
          // The states array is full: grow it by one unit.
          unsigned oldNu = ns1 >> 1;
          unsigned i = U2I(oldNu);
          if (i != U2I(oldNu + 1)) {
            void* block = AllocUnits(i + 1);
            if (!block) {
              Restart();
              return;
            }
            void* oldPtr = Stats(c);
            std::memcpy(block, oldPtr, U2B(oldNu));
            InsertNode(oldPtr, i);
            c->stats = Ref(block);
          }
        }
        c->summFreq = static_cast<uint16_t>(c->summFreq + (2 * ns1 < ns) +
                                            2 * ((4 * ns1 <= ns) & (c->summFreq <= 8 * ns1)));
      } else {
        auto* s = static_cast<State*>(AllocUnits(0));
        if (!s) {
          Restart();
          return;
        }
        *s = *OneState(c);
        c->stats = Ref(s);
        if (s->freq < kMaxFreq / 4 - 1)
          s->freq = static_cast<uint8_t>(s->freq << 1);
        else
          s->freq = kMaxFreq - 4;
        c->summFreq = static_cast<uint16_t>(s->freq + initEsc_ + (ns > 3));
      }
      uint32_t cf = 2 * uint32_t{foundState_->freq} * (c->summFreq + 6u);
      uint32_t sf = s0 + c->summFreq;
      if (cf < 6 * sf) {
        cf = 1 + (cf > sf) + (cf >= 4 * sf);
        c->summFreq = static_cast<uint16_t>(c->summFreq + 3);
      } else {
        cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
        c->summFreq = static_cast<uint16_t>(c->summFreq + cf);
      }
      State* s = Stats(c) + ns1;
      SetSuccessor(s, successor);
      s->symbol = foundState_->symbol;
      s->freq = static_cast<uint8_t>(cf);
      c->numStats = static_cast<uint16_t>(ns1 + 1);
    }
    maxContext_ = minContext_ = Ctx(fSuccessor);
  }

  void Rescale() {
    State* stats = Stats(minContext_);
    State* s = foundState_;
    if (s != stats) {  // the found state moves to the front
      State tmp = *s;
      do {
        s[0] = s[-1];
      } while (--s != stats);
      *s = tmp;
    }
    unsigned escFreq = minContext_->summFreq - s->freq;
    s->freq = static_cast<uint8_t>(s->freq + 4);
    unsigned adder = orderFall_ != 0;
    s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
    unsigned sumFreq = s->freq;
    unsigned i = minContext_->numStats - 1;
    do {
      escFreq -= (++s)->freq;
      s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
      sumFreq += s->freq;
      if (s[0].freq > s[-1].freq) {
        State* s1 = s;
        State tmp = *s1;
        do {
          s1[0] = s1[-1];
        } while (--s1 != stats && tmp.freq > s1[-1].freq);
        *s1 = tmp;
      }
    } while (--i);
    if (s->freq == 0) {
      unsigned numStats = minContext_->numStats;
      do {
        ++i;
      } while ((--s)->freq == 0);
      escFreq += i;
      minContext_->numStats = static_cast<uint16_t>(minContext_->numStats - i);
      if (minContext_->numStats == 1) {
        State tmp = *stats;
        do {
          tmp.freq = static_cast<uint8_t>(tmp.freq - (tmp.freq >> 1));
          escFreq >>= 1;
        } while (escFreq > 1);
        InsertNode(stats, U2I((numStats + 1) >> 1));
        *(foundState_ = OneState(minContext_)) = tmp;
        return;
      }
      unsigned n0 = (numStats + 1) >> 1;
      unsigned n1 = (minContext_->numStats + 1u) >> 1;
      if (n0 != n1) minContext_->stats = Ref(ShrinkUnits(stats, n0, n1));
    }
    minContext_->summFreq = static_cast<uint16_t>(sumFreq + escFreq - (escFreq >> 1));
    foundState_ = Stats(minContext_);
  }

  See* MakeEscFreq(unsigned numMasked, uint32_t* escFreq) {
    unsigned nonMasked = minContext_->numStats - numMasked;
    if (minContext_->numStats == 256) {
      *escFreq = 1;
      return &dummySee_;
    }
    See* see = see_[kTables.ns2Index[nonMasked - 1]] +
               (nonMasked < unsigned{Ctx(minContext_->suffix)->numStats} - minContext_->numStats) +
               2 * unsigned{minContext_->summFreq < 11u * minContext_->numStats} +
               4 * unsigned{numMasked > nonMasked} + hiBitsFlag_;
    unsigned r = see->summ >> see->shift;
    see->summ = static_cast<uint16_t>(see->summ - r);
    *escFreq = r + (r == 0);
    return see;
  }

  uint16_t* BinSumm() {
    State* one = OneState(minContext_);
    hiBitsFlag_ = kTables.hb2Flag[foundState_->symbol];
    return &binSumm_[one->freq - 1u]
                    [prevSuccess_ + kTables.ns2BsIndex[Ctx(minContext_->suffix)->numStats - 1u] +
                     hiBitsFlag_ + 2 * kTables.hb2Flag[one->symbol] +
                     ((static_cast<uint32_t>(runLength_) >> 26) & 0x20)];
  }

  void NextContext() {
    uint32_t c = Successor(foundState_);
    if (orderFall_ == 0 && c > text_) {
      minContext_ = maxContext_ = Ctx(c);
    } else {
      UpdateModel();
    }
  }
  void Update1() {
    State* s = foundState_;
    s->freq = static_cast<uint8_t>(s->freq + 4);
    minContext_->summFreq = static_cast<uint16_t>(minContext_->summFreq + 4);
    if (s[0].freq > s[-1].freq) {
      std::swap(s[0], s[-1]);
      foundState_ = --s;
      if (s->freq > kMaxFreq) Rescale();
    }
    NextContext();
  }
  void Update1First() {
    prevSuccess_ = 2u * foundState_->freq > minContext_->summFreq;
    runLength_ += static_cast<int32_t>(prevSuccess_);
    minContext_->summFreq = static_cast<uint16_t>(minContext_->summFreq + 4);
    foundState_->freq = static_cast<uint8_t>(foundState_->freq + 4);
    if (foundState_->freq > kMaxFreq) Rescale();
    NextContext();
  }
  void UpdateBin() {
    foundState_->freq = static_cast<uint8_t>(foundState_->freq + (foundState_->freq < 128 ? 1 : 0));
    prevSuccess_ = 1;
    ++runLength_;
    NextContext();
  }
  void Update2() {
    State* s = foundState_;
    s->freq = static_cast<uint8_t>(s->freq + 4);
    minContext_->summFreq = static_cast<uint16_t>(minContext_->summFreq + 4);
    if (s->freq > kMaxFreq) Rescale();
    runLength_ = initRl_;
    UpdateModel();
  }

  std::unique_ptr<uint8_t[]> base_;
  uint32_t alignOffset_ = 0, size_ = 0;
  uint32_t text_ = 0, unitsStart_ = 0, loUnit_ = 0, hiUnit_ = 0;
  uint32_t glueCount_ = 0;
  uint32_t freeList_[kNumIndexes] = {};
  Context* minContext_ = nullptr;
  Context* maxContext_ = nullptr;
  State* foundState_ = nullptr;
  unsigned orderFall_ = 0, initEsc_ = 0, prevSuccess_ = 0, maxOrder_ = 0, hiBitsFlag_ = 0;
  int32_t runLength_ = 0, initRl_ = 0;
  uint16_t binSumm_[128][64] = {};
  See see_[25][16] = {};
  See dummySee_ = {};
};

class PpmdStream final : public InStream {
 public:
  PpmdStream(std::unique_ptr<InStream> in, uint64_t size, unsigned order)
      : rc_(std::move(in)), left_(size), order_(order) {}
  bool Allocate(uint32_t memory) { return model_.Allocate(memory); }

  Status Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = 0;
    size = static_cast<size_t>(std::min<uint64_t>(size, left_));
    if (size == 0) return Status::kOk;
    if (!started_) {
      started_ = true;
      if (!rc_.Init()) return Fail(Status::kDataError);
      model_.Init(order_);
    }
    if (failed_ != Status::kOk) return failed_;
    size_t n = 0;
    for (; n < size; ++n) {
      int sym = model_.DecodeSymbol(rc_);
      // An end mark (-1) before the declared size means lost data, like an undecodable one.
      if (sym < 0 || rc_.Overrun() > 0) break;
      buffer[n] = static_cast<uint8_t>(sym);
    }
    left_ -= n;
    *got = n;
    if (n < size) {
      Fail(rc_.Error() != Status::kOk ? rc_.Error() : Status::kDataError);
      return n > 0 ? Status::kOk : failed_;
    }
    return Status::kOk;
  }

 private:
  Status Fail(Status s) {
    failed_ = s;
    return s;
  }

  RangeDecoder rc_;
  Model model_;
  uint64_t left_;
  unsigned order_;
  bool started_ = false;
  Status failed_ = Status::kOk;
};

}  // namespace

Status CreatePpmdStream(const Bytes& props, std::unique_ptr<InStream> input, uint64_t outSize,
                        std::unique_ptr<InStream>* out) {
  if (props.size() != 5) return Status::kDataError;
  unsigned order = static_cast<uint8_t>(props[0]);
  uint32_t memory = 0;
  for (int i = 0; i < 4; ++i) memory |= uint32_t{static_cast<uint8_t>(props[1 + i])} << (8 * i);
  if (order < 2 || order > kMaxOrder || memory < kMinMemory || memory > kMaxMemory)
    return Status::kDataError;
  if (memory > CurrentLimits().maxDictionary) return Status::kUnsupportedMethod;
  auto stream = std::make_unique<PpmdStream>(std::move(input), outSize, order);
  if (!stream->Allocate(memory)) return Status::kUnsupportedMethod;
  *out = std::move(stream);
  return Status::kOk;
}

}  // namespace archive::detail
