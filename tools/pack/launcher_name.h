// The product name in the launcher that a setup file carries: resource "NAME" 100 of the
// uninst.exe image, which is itself resource "UNINST_DAT" 100 of the stub. The field has a
// fixed length (package::kLauncherNameLength): the name's GBK bytes, then NUL bytes.
//
// The build stores the launcher as a compressed block (common/compressed_block.h) followed by
// spare NUL bytes: the name is then written into the inflated image, which is compressed again
// into the same resource (the spare bytes take up the difference). A launcher stored as a
// plain image is written in place.
#pragma once

#include <cstdint>
#include <string>

#include "common/bytes.h"

struct LauncherNameField {
  bool found = false;
  bool compressed = false;  // the launcher is a compressed block
  uint64_t fileOffset = 0;  // in the setup image; only for a plain launcher
  uint32_t size = 0;
  std::string error;  // why it was not found
};

// Finds the field through both resource directories, bounds-checked.
LauncherNameField FindLauncherName(BytesView setupImage);

// Writes `gbkName` and NUL padding into the field; the setup image's size and the layout of
// its resources stay. "" on success, else what went wrong (no launcher, no field, a damaged
// block, a name that does not fit the field or the block's room).
std::string WriteLauncherName(std::string& setupImage, BytesView gbkName);

// The name as the launcher reads it (up to the first NUL); false when there is no field.
bool ReadLauncherName(BytesView setupImage, std::string& gbkName);
