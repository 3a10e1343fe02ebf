// "%InstallPath%": the one path variable that stays in the configuration until the install
// folder is known, and the one rule that puts the folder in its place. The folder is given in
// its normalized form (no trailing "\"), so "%InstallPath%\file" joins with one separator.
#pragma once

#include <string>

#include "common/bytes.h"
#include "common/text.h"

namespace package {

inline constexpr char kInstallPathVariable[] = "%InstallPath%";
// The .reg-text form: the folder with every "\" doubled.
inline constexpr char kEscapedInstallPathVariable[] = "SXG(%InstallPath%)";

// Every "%InstallPath%" of `text` replaced by `installFolder`; with `escapedForm` (registry
// lists) every "SXG(%InstallPath%)" first becomes the folder with its "\" doubled.
inline std::string SubstituteInstallPath(BytesView text, const std::string& installFolder,
                                         bool escapedForm = false) {
  std::string out(text);
  if (escapedForm)
    out = text::ReplaceAll(out, kEscapedInstallPathVariable,
                           text::ReplaceAll(installFolder, "\\", "\\\\"));
  return text::ReplaceAll(out, kInstallPathVariable, installFolder);
}

}  // namespace package
