// The branch filters against 7zz: machine code of each kind, made dense with the instruction
// patterns each filter converts, archived by 7zz with the filter and extracted by us.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "tests/unit/archive/seven_zip_tool.h"

namespace {

namespace fs = std::filesystem;

// Random bytes in which about half of the units are forced into a filter's candidate pattern,
// so conversions happen often, next to each other and across the decoder's buffer edges.
Bytes PatternedCode(size_t size, unsigned unit, const std::function<void(uint8_t*, uint32_t)>& force,
                    uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes data(size, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  for (size_t i = 0; i + unit <= size; i += unit) {
    uint32_t r = rng();
    if (r & 1) force(reinterpret_cast<uint8_t*>(&data[i]), r);
  }
  return data;
}

struct Arch {
  const char* filter;
  unsigned unit;
  std::function<void(uint8_t*, uint32_t)> force;
};

const Arch kArchs[] = {
    {"ARM", 4, [](uint8_t* p, uint32_t) { p[3] = 0xEB; }},
    {"ARMT", 2,
     [](uint8_t* p, uint32_t r) {
       p[1] = static_cast<uint8_t>(0xF0 | (r >> 8 & 7));
       p[3] = static_cast<uint8_t>(0xF8 | (r >> 12 & 7));
     }},
    {"PPC", 4,
     [](uint8_t* p, uint32_t r) {
       p[0] = static_cast<uint8_t>(0x48 | (r >> 8 & 3));
       p[3] = static_cast<uint8_t>((p[3] & 0xFC) | 1);
     }},
    {"SPARC", 4,
     [](uint8_t* p, uint32_t r) {
       bool back = r & 2;
       p[0] = back ? 0x7F : 0x40;
       p[1] = static_cast<uint8_t>(back ? (p[1] | 0xC0) : (p[1] & 0x3F));
     }},
    {"IA64", 16,
     [](uint8_t* p, uint32_t r) {
       p[0] = static_cast<uint8_t>(0x10 + (r >> 8 & 15));
       // Slot 2's opcode (bits 124-127 of the bundle) set to 5, its bits 96-98 cleared.
       p[15] = static_cast<uint8_t>((p[15] & 0x0F) | 0x50);
       p[12] &= 0xF8;
     }},
    {"RISCV", 2,
     [](uint8_t* p, uint32_t r) {
       switch (r >> 8 & 3) {
         case 0: p[0] = 0xEF; p[1] &= 0xF2; break;                   // JAL x1 / x5
         case 1: p[0] = static_cast<uint8_t>((p[0] & 0x80) | 0x17); break;  // AUIPC
         case 2: p[0] = 0x97; p[1] = static_cast<uint8_t>((p[1] & 0xF0) | 0x02); break;
         default: break;
       }
     }},
    {"SWAP2", 2, [](uint8_t*, uint32_t) {}},
    {"SWAP4", 4, [](uint8_t*, uint32_t) {}},
};

TEST(BranchFilters, ExtractLikeTheSourceSolidNonSolidAndEncrypted) {
  fs::path work = fs::temp_directory_path() / ("archive-branch-" + std::to_string(getpid()));
  uint32_t seed = 1;
  for (const Arch& arch : kArchs) {
    fs::path src = work / "src";
    fs::remove_all(src);
    // Sizes that are no multiple of the unit, a tail shorter than one, and a stream longer
    // than the filter's buffer.
    sevenzip::WriteFile(src / "code.bin", PatternedCode(300001, arch.unit, arch.force, seed++));
    sevenzip::WriteFile(src / "lib" / "more.bin", PatternedCode(70003, arch.unit, arch.force, seed++));
    sevenzip::WriteFile(src / "tiny.bin", PatternedCode(3, arch.unit, arch.force, seed++));
    std::string f = std::string(" -mf=") + arch.filter;
    sevenzip::ExpectExtractsLikeSource(src, work / "a", "-m0=LZMA2" + f, "", arch.filter);
    sevenzip::ExpectExtractsLikeSource(src, work / "a", "-ms=off -mx1" + f, "", arch.filter);
    sevenzip::ExpectExtractsLikeSource(src, work / "a", "-mhe=on" + f, "secret", arch.filter);
  }
  fs::remove_all(work);
}

}  // namespace
