// The INI reader: parse arbitrary bytes, read every section and key it reports plus names taken
// from the input, and write the document back.
#include <cstddef>
#include <cstdint>

#include "common/ini.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BytesView input(reinterpret_cast<const char*>(data), size);
  ini::Document doc = ini::Document::Parse(input);

  for (const std::string& section : doc.SectionNames()) {
    FUZZ_CHECK(doc.HasSection(section));
    for (const std::string& key : doc.KeyNames(section))
      FUZZ_CHECK(doc.Get(section, key).size() <= ini::kMaxValue);
  }
  // Names cut from the input itself reach the lookups with bytes the parser has seen.
  BytesView section = input.substr(0, input.size() / 3);
  BytesView key = input.substr(input.size() / 3, input.size() / 3);
  FUZZ_CHECK(doc.Get(section, key, "fallback").size() <= ini::kMaxValue);

  // Writing back and reading again keeps the sections that have names.
  Bytes written = doc.Serialize();
  ini::Document again = ini::Document::Parse(written);
  FUZZ_CHECK(again.SectionNames().size() >= doc.SectionNames().size());
  doc.Set(section, key, input.substr(0, 64));
  (void)doc.Serialize();
  return 0;
}
