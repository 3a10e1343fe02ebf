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

// The launcher's product name (it names the launcher's temp folder): resource "NAME" 100 of
// uninst.exe, a field of fixed length. setup-pack rewrites it in place inside the stub, where
// the launcher image cannot grow, so the build gives it kLauncherNameLength bytes: the name's
// GBK bytes, then NUL bytes to the end. The launcher reads up to the first NUL; a name of more
// than kLauncherNameMaxBytes bytes does not fit (one NUL always ends it).
inline constexpr char kLauncherNameResourceType[] = "NAME";
inline constexpr int kLauncherNameResourceId = 100;
inline constexpr size_t kLauncherNameLength = 256;
inline constexpr size_t kLauncherNameMaxBytes = kLauncherNameLength - 1;
// What the build writes before setup-pack sets the product's name.
inline constexpr char kLauncherDefaultName[] = "Product";

}  // namespace package
