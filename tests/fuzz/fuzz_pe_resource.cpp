// The PE resource walk of the packer: arbitrary bytes as a program image, looked up for the
// "KEY" 250 resource and for a type name and number taken from the input. A found resource
// always lies inside the image.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_check.h"
#include "tools/pack/pe_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BytesView image(reinterpret_cast<const char*>(data), size);
  const pe::ResourceLocation key = pe::FindNamedTypeResource(image, "KEY", 250);
  if (key.found) FUZZ_CHECK(key.fileOffset + key.size <= size);
  else FUZZ_CHECK(!key.error.empty());

  // A type name and number from the input's last bytes reach the name comparison with
  // lengths the directory did not plan for.
  if (size >= 4) {
    const std::string type(image.substr(size - 4, 2));
    const uint16_t id = uint16_t(data[size - 2] | data[size - 1] << 8);
    const pe::ResourceLocation other = pe::FindNamedTypeResource(image, type, id);
    if (other.found) FUZZ_CHECK(other.fileOffset + other.size <= size);
  }
  return 0;
}
