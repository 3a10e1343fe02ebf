// The branch-call filters 7z applies before compression (decoding direction): absolute call
// and jump targets turned back into the relative ones the processor reads, and the byte swaps.
//
// Each routine converts in place as far as complete instructions reach and returns how many
// bytes are final; the rest must be presented again together with the following bytes (the
// last few bytes of a stream, too short for an instruction, stay as they are). `pc` is the
// stream position of data[0] plus the filter's start offset; it is advanced.
#pragma once

#include <cstddef>
#include <cstdint>

namespace archive::detail {

size_t Arm64Convert(uint8_t* data, size_t size, uint32_t& pc);  // ARM64 BL and ADRP
size_t ArmConvert(uint8_t* data, size_t size, uint32_t& pc);    // ARM BL, little-endian
size_t ArmtConvert(uint8_t* data, size_t size, uint32_t& pc);   // Thumb BL pairs
size_t PpcConvert(uint8_t* data, size_t size, uint32_t& pc);    // PowerPC B/BL, big-endian
size_t SparcConvert(uint8_t* data, size_t size, uint32_t& pc);  // SPARC CALL
size_t Ia64Convert(uint8_t* data, size_t size, uint32_t& pc);   // IA-64 bundles
size_t RiscvConvert(uint8_t* data, size_t size, uint32_t& pc);  // RISC-V JAL and AUIPC pairs
// Byte order swaps of 2- and 4-byte units; `unit` is 2 or 4.
size_t SwapConvert(uint8_t* data, size_t size, unsigned unit);

}  // namespace archive::detail
