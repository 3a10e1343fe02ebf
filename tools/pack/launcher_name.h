// The product name in the launcher that a setup file carries: resource "NAME" 100 of the
// uninst.exe image, which is itself resource "UNINST_DAT" 100 of the stub. The field has a
// fixed length (package::kLauncherNameLength): the name's GBK bytes, then NUL bytes.
#pragma once

#include <cstdint>
#include <string>

#include "common/bytes.h"

struct LauncherNameField {
  bool found = false;
  uint64_t fileOffset = 0;  // in the setup image
  uint32_t size = 0;
  std::string error;  // why it was not found
};

// Finds the field through both resource directories, bounds-checked.
LauncherNameField FindLauncherName(BytesView setupImage);

// Overwrites the field with `gbkName` and NUL padding; the image's size and layout stay.
// "" on success, else what went wrong (no launcher, no field, a name that does not fit).
std::string WriteLauncherName(std::string& setupImage, BytesView gbkName);

// The name as the launcher reads it (up to the first NUL); false when there is no field.
bool ReadLauncherName(BytesView setupImage, std::string& gbkName);
