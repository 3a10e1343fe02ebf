// What a setup file says about itself: the package type in its type block, and the resource
// whose bytes make the configuration archive's password. setup.exe, the uninstaller copy and
// setup-pack all read or write these, so each is written once, here.
#pragma once

#include <cstddef>

namespace package {

// Package types carried in the type block.
inline constexpr char kInstallerType[] = "qzr-1";
inline constexpr char kUninstallerType[] = "qzr-2";

// The resource of the stub whose bytes (three decimal digits, set per package by setup-pack)
// are hashed into the configuration archive's password.
inline constexpr char kKeyResourceType[] = "KEY";
inline constexpr int kKeyResourceId = 250;
inline constexpr size_t kKeyLength = 3;

// The stub's resources that the runtime writes out: the launcher uninst.exe and the archiver.
inline constexpr char kLauncherResourceType[] = "UNINST_DAT";
inline constexpr int kLauncherResourceId = 100;

}  // namespace package
