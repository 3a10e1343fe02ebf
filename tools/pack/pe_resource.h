// Finds a resource's data inside a Windows program image by walking its resource directory,
// so the packer can rewrite the bytes of a resource in place without a resource compiler and
// without changing the file's size or layout.
#pragma once

#include <cstdint>
#include <string>

#include "common/bytes.h"

namespace pe {

struct ResourceLocation {
  bool found = false;
  uint64_t fileOffset = 0;  // where the resource's bytes start in the file
  uint32_t size = 0;
  std::string error;  // why nothing was found ("not a PE image", "no resource section", ...)
};

// The first language of resource `typeName` (named type, compared without ASCII case) with the
// numeric name `id`. Bounds-checked: a damaged image yields found = false and an error text.
ResourceLocation FindNamedTypeResource(BytesView image, const std::string& typeName, uint16_t id);

}  // namespace pe
