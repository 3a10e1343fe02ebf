// The block scans over a file written from the input: the forward scan (plain and copying
// out), the backward scan and the package type, each checked against a plain search of the
// same bytes. The inputs stay far below one 15 MiB chunk, so every scan sees the whole file in
// its first chunk and the plain search is the exact expectation.
//
// Input: one byte that chooses the markers, the marker bytes, then the file. Bit 7 set takes
// the package-type markers; otherwise the low three bits give a start marker of 1-8 bytes read
// from the input, and the end marker is that text with its last byte changed, as the real
// marker pairs are.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "package/blocks.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string g_file;  // a Linux path: the host platform passes it through unmapped
std::string g_copy;

size_t FindLastWithin(const std::string& s, const std::string& needle, size_t limit) {
  if (limit < needle.size()) return std::string::npos;
  return s.rfind(needle, limit - needle.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string base = "/tmp/fuzz-blocks-" + std::to_string(getpid());
  // A machine of its own: its clock makes the scans' wait on an empty file return at once.
  plat::host::Reset(base + "-sandbox");
  g_file = base + ".bin";
  g_copy = base + ".7zsha";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string start, end;
  size_t at = 1;
  if (uint8_t(input[0]) & 0x80) {
    start = blocks::kTypeStart;
    end = blocks::kTypeEnd;
  } else {
    const size_t length = 1 + (uint8_t(input[0]) & 7);
    if (size < 1 + length) return 0;
    start = input.substr(1, length);
    end = start;
    end.back() = char(end.back() ^ 1);
    at += length;
  }
  const std::string file = input.substr(at);
  FUZZ_CHECK(plat::WriteFileBytes(g_file, file));

  const std::string startPattern = start + '\x01';
  const std::string endPattern = end + '\x01';
  const size_t startAt = file.find(startPattern);
  const size_t endAt =
      startAt == std::string::npos ? std::string::npos
                                   : file.find(endPattern, startAt + startPattern.size());

  // Forward, returning the content.
  int calls = 0;
  const blocks::ForwardResult forward = blocks::FindBlockForward(
      g_file, start, end, [&](int percent) {
        ++calls;
        FUZZ_CHECK(percent >= 0 && percent <= 100);
      });
  FUZZ_CHECK(forward.found == (endAt != std::string::npos));
  if (forward.found) {
    const size_t from = startAt + startPattern.size();
    FUZZ_CHECK(forward.content == file.substr(from, endAt - from));
    FUZZ_CHECK(calls == 0);
  } else {
    FUZZ_CHECK(forward.content.empty());
    FUZZ_CHECK(calls == (file.empty() ? 0 : 1));
  }

  // Forward, copying out: the copy runs from the start marker to the end of the (only) chunk.
  const blocks::ForwardResult copied = blocks::FindBlockForward(g_file, start, end, nullptr, g_copy);
  FUZZ_CHECK(copied.found == forward.found);
  Bytes copy;
  if (!file.empty()) {
    FUZZ_CHECK(plat::ReadFileBytes(g_copy, copy));
    const std::string expected = startAt == std::string::npos ? "" : file.substr(startAt);
    FUZZ_CHECK(copy == expected);
    FUZZ_CHECK(copied.copied == expected.size());
  }

  // Backward: the last end pattern, and the last start pattern wholly before it.
  const size_t lastEnd = FindLastWithin(file, endPattern, file.size());
  const size_t lastStart =
      lastEnd == std::string::npos ? std::string::npos : FindLastWithin(file, startPattern, lastEnd);
  const Bytes backward = blocks::FindBlockBackward(g_file, start, end);
  if (lastStart == std::string::npos) {
    FUZZ_CHECK(backward.empty());
  } else {
    const size_t from = lastStart + startPattern.size();
    FUZZ_CHECK(backward == file.substr(from, lastEnd - from));
  }

  // The package type is the forward scan over the type markers.
  const std::string type = blocks::ReadPackageType(g_file);
  if (uint8_t(input[0]) & 0x80) FUZZ_CHECK(type == forward.content);

  // The signature check reads at most nine bytes and answers one of its three values.
  const int signature = blocks::CheckArchiveSignature(g_file);
  FUZZ_CHECK(signature >= -1 && signature <= 1);
  return 0;
}
