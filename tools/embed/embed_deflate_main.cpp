// embed-deflate IN OUT [SPARE]: writes IN as one compressed block (common/compressed_block.h),
// then SPARE zero bytes. The spare bytes leave the packer room to compress the block again
// after it changed the contents (the launcher's product name) without moving any resource.
// The block is checked by inflating it again before anything is written.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "common/compressed_block.h"

namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "embed-deflate: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) return Fail("usage: embed-deflate IN OUT [SPARE]");
  const std::string inPath = argv[1];
  const std::string outPath = argv[2];
  char* end = nullptr;
  const unsigned long spare = argc == 4 ? std::strtoul(argv[3], &end, 10) : 0;
  if (argc == 4 && (*end != '\0' || spare > 1 << 20)) return Fail("bad SPARE: " + std::string(argv[3]));

  std::ifstream in(inPath, std::ios::binary);
  if (!in) return Fail("cannot read " + inPath);
  const Bytes data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return Fail("cannot read " + inPath);
  if (data.empty()) return Fail(inPath + " is empty");

  Bytes block = block::Deflate(data);
  if (block.empty() || block::Inflate(block) != data) return Fail("cannot compress " + inPath);
  block.append(spare, '\0');

  // Written under a temporary name first: an interrupted build leaves no half block behind
  // that a later build would take as up to date.
  const std::string partial = outPath + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out.write(block.data(), std::streamsize(block.size())) || !out.flush())
      return Fail("cannot write " + partial);
  }
  if (std::rename(partial.c_str(), outPath.c_str()) != 0) return Fail("cannot write " + outPath);
  std::printf("embed-deflate: %s: %zu -> %zu bytes\n", inPath.c_str(), data.size(), block.size());
  return 0;
}
