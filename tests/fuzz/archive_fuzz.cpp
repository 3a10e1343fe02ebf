// Fuzzes the 7z reader over bytes in memory: signature search, header parsing (plain and
// encoded), folder graphs and every decoder, through an integrity test of all entries.
#include <cstddef>
#include <cstdint>

#include "archive/archive.h"
#include "archive/stream.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Claims of huge dictionaries or slow key derivations are refused, not honoured, so every
  // input runs in bounded memory and time.
  archive::detail::Limits& limits = archive::detail::CurrentLimits();
  limits.maxDictionary = 16 << 20;
  limits.maxDecodedHeader = 16 << 20;
  limits.maxKeyCyclesPower = 8;

  archive::Reader reader;
  archive::Status s = reader.OpenMemory(Bytes(reinterpret_cast<const char*>(data), size), "pw");
  if (s != archive::Status::kOk) {
    FUZZ_CHECK(reader.Entries().empty());
    return 0;
  }
  for (const archive::Entry& e : reader.Entries()) {
    // Sanitised paths never climb out of the destination: no empty, "." or ".." component, no
    // drive colon. Components are split GBK-aware (a trail byte may be 0x5C).
    if (e.path.empty()) continue;
    std::string component;
    for (size_t i = 0; i <= e.path.size(); ++i) {
      if (i == e.path.size() || e.path[i] == '\\') {
        FUZZ_CHECK(!component.empty() && component != "." && component != "..");
        component.clear();
        continue;
      }
      auto b = static_cast<uint8_t>(e.path[i]);
      FUZZ_CHECK(b != ':' && b != '/');
      component += e.path[i];
      if (b >= 0x81 && b <= 0xFE && i + 1 < e.path.size()) component += e.path[++i];
    }
  }
  (void)reader.Test({});
  return 0;
}
