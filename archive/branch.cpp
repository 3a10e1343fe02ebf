#include "archive/branch.h"

#include <algorithm>

namespace archive::detail {
namespace {

uint32_t GetBe32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
void SetBe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
uint32_t GetLe32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
void SetLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

size_t ArmConvert(uint8_t* data, size_t size, uint32_t& pc) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    uint8_t* p = data + i;
    if (p[3] != 0xEB) continue;
    // The processor adds 8 to the address of the instruction (its pipeline).
    uint32_t src = ((uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]) << 2;
    uint32_t dest = (src - (pc + static_cast<uint32_t>(i) + 8)) >> 2;
    p[0] = static_cast<uint8_t>(dest);
    p[1] = static_cast<uint8_t>(dest >> 8);
    p[2] = static_cast<uint8_t>(dest >> 16);
  }
  pc += static_cast<uint32_t>(i);
  return i;
}

size_t ArmtConvert(uint8_t* data, size_t size, uint32_t& pc) {
  size_t i = 0;
  while (i + 4 <= size) {
    uint8_t* p = data + i;
    if ((p[1] & 0xF8) != 0xF0 || (p[3] & 0xF8) != 0xF8) {
      i += 2;
      continue;
    }
    uint32_t src = (((uint32_t{p[1]} & 7) << 19) | (uint32_t{p[0]} << 11) |
                    ((uint32_t{p[3]} & 7) << 8) | p[2])
                   << 1;
    uint32_t dest = (src - (pc + static_cast<uint32_t>(i) + 4)) >> 1;
    p[1] = static_cast<uint8_t>(0xF0 | ((dest >> 19) & 7));
    p[0] = static_cast<uint8_t>(dest >> 11);
    p[3] = static_cast<uint8_t>(0xF8 | ((dest >> 8) & 7));
    p[2] = static_cast<uint8_t>(dest);
    i += 4;  // the pair is one instruction: its second half is never a candidate
  }
  pc += static_cast<uint32_t>(i);
  return i;
}

size_t PpcConvert(uint8_t* data, size_t size, uint32_t& pc) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    uint8_t* p = data + i;
    if ((p[0] >> 2) != 0x12 || (p[3] & 3) != 1) continue;
    uint32_t src = GetBe32(p) & 0x03FFFFFC;
    uint32_t dest = src - (pc + static_cast<uint32_t>(i));
    SetBe32(p, 0x48000000u | (dest & 0x03FFFFFC) | 1u);
  }
  pc += static_cast<uint32_t>(i);
  return i;
}

size_t SparcConvert(uint8_t* data, size_t size, uint32_t& pc) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    uint8_t* p = data + i;
    if (!((p[0] == 0x40 && (p[1] & 0xC0) == 0) || (p[0] == 0x7F && (p[1] & 0xC0) == 0xC0))) continue;
    uint32_t src = GetBe32(p) << 2;
    uint32_t dest = (src - (pc + static_cast<uint32_t>(i))) >> 2;
    // Only displacements that fit 23 bits sign-extended were converted; keep that form.
    dest = (((0u - ((dest >> 22) & 1)) << 22) & 0x3FFFFFFF) | (dest & 0x3FFFFF) | 0x40000000;
    SetBe32(p, dest);
  }
  pc += static_cast<uint32_t>(i);
  return i;
}

size_t Ia64Convert(uint8_t* data, size_t size, uint32_t& pc) {
  // Which of a bundle's three slots may hold a branch, by the bundle's template.
  static const uint8_t kSlots[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                     4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
  size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    uint8_t* bundle = data + i;
    unsigned mask = kSlots[bundle[0] & 0x1F];
    for (unsigned slot = 0; slot < 3; ++slot) {
      if (((mask >> slot) & 1) == 0) continue;
      unsigned bitPos = 5 + 41 * slot;
      unsigned bytePos = bitPos >> 3;
      unsigned bitRes = bitPos & 7;
      uint64_t raw = 0;
      for (unsigned j = 0; j < 6; ++j) raw |= uint64_t{bundle[bytePos + j]} << (8 * j);
      uint64_t inst = raw >> bitRes;
      if (((inst >> 37) & 0xF) != 0x5 || ((inst >> 9) & 7) != 0) continue;
      uint32_t src = static_cast<uint32_t>((inst >> 13) & 0xFFFFF);
      src |= static_cast<uint32_t>((inst >> 36) & 1) << 20;
      src <<= 4;
      uint32_t dest = (src - (pc + static_cast<uint32_t>(i))) >> 4;
      inst &= ~(uint64_t{0x8FFFFF} << 13);
      inst |= uint64_t{dest & 0xFFFFF} << 13;
      inst |= uint64_t{dest & 0x100000} << (36 - 20);
      raw &= (uint64_t{1} << bitRes) - 1;
      raw |= inst << bitRes;
      for (unsigned j = 0; j < 6; ++j) bundle[bytePos + j] = static_cast<uint8_t>(raw >> (8 * j));
    }
  }
  pc += static_cast<uint32_t>(i);
  return i;
}

size_t RiscvConvert(uint8_t* data, size_t size, uint32_t& pc) {
  // Instructions are 2-byte aligned (compressed ones exist); a candidate needs 8 bytes in view
  // because an AUIPC is converted together with the instruction after it.
  size_t i = 0;
  while (i + 8 <= size) {
    uint8_t* p = data + i;
    uint32_t here = pc + static_cast<uint32_t>(i);
    if (p[0] == 0xEF) {  // JAL with rd = x1 or x5
      if ((p[1] & 0x0D) != 0) {
        i += 2;
        continue;
      }
      uint32_t addr = ((uint32_t{p[1]} & 0xF0) << 13) | (uint32_t{p[2]} << 9) | (uint32_t{p[3]} << 1);
      addr -= here;
      p[1] = static_cast<uint8_t>((p[1] & 0x0F) | ((addr >> 8) & 0xF0));
      p[2] = static_cast<uint8_t>(((addr >> 16) & 0x0F) | ((addr >> 7) & 0x10) | ((addr << 4) & 0xE0));
      p[3] = static_cast<uint8_t>(((addr >> 4) & 0x7F) | ((addr >> 13) & 0x80));
      i += 4;
      continue;
    }
    if ((p[0] & 0x7F) != 0x17) {
      i += 2;
      continue;
    }
    uint32_t inst = GetLe32(p);
    uint32_t inst2;
    if (inst & 0xE80) {
      // An AUIPC left as it was; the encoder marks this case by a pair that does not match.
      inst2 = GetLe32(p + 4);
      if ((((inst << 8) ^ (inst2 - 3)) & 0xF8003) != 0) {
        i += 6;
        continue;
      }
      uint32_t addr = (inst & 0xFFFFF000u) + (inst2 >> 20);
      inst = 0x17u | (2u << 7) | (inst2 << 12);
      inst2 = addr;
    } else {
      // The encoder swapped a converted pair into this form: rd field x0 or x2 holds the
      // second instruction's source register, the next word the absolute address.
      uint32_t rs1 = inst >> 27;
      if (static_cast<uint32_t>((inst - 0x3117u) << 18) >= (rs1 & 0x1D)) {
        i += 4;
        continue;
      }
      uint32_t addr = GetBe32(p + 4) - here;
      inst2 = (inst >> 12) | (addr << 20);
      inst = 0x17u | (rs1 << 7) | ((addr + 0x800) & 0xFFFFF000u);
    }
    SetLe32(p, inst);
    SetLe32(p + 4, inst2);
    i += 8;
  }
  pc += static_cast<uint32_t>(i);
  return i;
}

size_t Arm64Convert(uint8_t* data, size_t size, uint32_t& pc) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    uint8_t* p = data + i;
    uint32_t v = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
    uint32_t here = pc + static_cast<uint32_t>(i);
    if ((v >> 26) == 0x25) {  // BL: 26-bit word offset
      uint32_t dest = (v - (here >> 2)) & 0x03FFFFFF;
      v = 0x94000000u | dest;
    } else if ((v & 0x9F000000u) == 0x90000000u) {  // ADRP: 21-bit page offset
      uint32_t src = ((v >> 29) & 3) | ((v >> 3) & 0x001FFFFC);
      // Only immediates within +/-512 MiB are converted, which keeps data that merely looks
      // like ADRP mostly untouched.
      if (((src + 0x00020000) & 0x001C0000) != 0) continue;
      uint32_t dest = src - (here >> 12);
      v &= 0x9000001Fu;
      v |= (dest & 3) << 29;
      v |= (dest & 0x0003FFFC) << 3;
      v |= (0u - (dest & 0x00020000)) & 0x00E00000;
    } else {
      continue;
    }
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
  }
  pc += static_cast<uint32_t>(i);
  return i;
}

size_t SwapConvert(uint8_t* data, size_t size, unsigned unit) {
  size_t i = 0;
  for (; i + unit <= size; i += unit) std::reverse(data + i, data + i + unit);
  return i;
}

}  // namespace archive::detail
