// archiver-cli "<command line>": hands one Common Archiver API command line to SevenZip,
// prints every file the callback reports and exits with the library's result (0 = success;
// the family's error codes are above 255, so the shell sees them modulo 256: the code is also
// printed).
#include <cstdio>
#include <cstring>

#include "archiver/archiver.h"

namespace {

int ARCHIVER_CALL Report(void*, unsigned int, unsigned int state, void* info) {
  if (state == archiver::kStateBegin && info) {
    archiver::ExtractingInfoEx record;
    std::memcpy(&record, info, sizeof(record));
    std::printf("%s\n", record.szDestFileName);
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: archiver-cli \"x \\\"archive.7z\\\" -hide -y \\\"dest\\\\\\\" *\"\n");
    return 2;
  }
  SevenZipSetOwnerWindowEx(nullptr, Report);
  char output[1024] = {0};
  int result = SevenZip(nullptr, argv[1], output, sizeof(output));
  std::fputs(output, stderr);
  if (result != 0) std::fprintf(stderr, "result 0x%X\n", static_cast<unsigned>(result));
  return result == 0 ? 0 : (result & 0xFF) == 0 ? 1 : (result & 0xFF);
}
