// The folder variables on a real system, for whichever bitness this test program was built:
// each folder must be the one its name promises when this process opens it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/text.h"
#include "platform/platform.h"
#include "startup/variables.h"

namespace {

std::string Variable(const char* name) {
  std::string value;
  EXPECT_TRUE(BuiltInVariable(name, PackageState{}, "", value)) << name;
  return value;
}

// The machine field of a PE image's file header; 0 when the file is missing or not one.
uint16_t PeMachine(const std::string& path) {
  Bytes image;
  if (!plat::ReadFileBytes(path, image) || image.size() < 64) return 0;
  auto byte = [&](size_t at) { return at < image.size() ? uint8_t(image[at]) : uint8_t(0); };
  const size_t header = byte(60) | byte(61) << 8 | byte(62) << 16 | size_t(byte(63)) << 24;
  if (image.compare(header, 4, Bytes("PE\0\0", 4)) != 0) return 0;
  return uint16_t(byte(header + 4) | byte(header + 5) << 8);
}

constexpr uint16_t kI386 = 0x14c;
constexpr uint16_t kAmd64 = 0x8664;

TEST(WinVariables, System32IsTheNativeSystemFolderAndSysWoW64The32BitOne) {
  const uint16_t native = plat::IsWindows64() ? kAmd64 : kI386;
  EXPECT_EQ(PeMachine(Variable("%System32%") + "\\kernel32.dll"), native) << Variable("%System32%");
  EXPECT_TRUE(plat::DirectoryExists(Variable("%FONTS%")));
  if (plat::IsWindows64()) {
    const std::string wow = Variable("%SysWoW64%") + "\\kernel32.dll";
    // A Wine prefix made on a machine that runs no 32-bit code has an empty SysWoW64: Wine
    // could not run the 32-bit half of its set-up there.
    if (!plat::FileExists(wow)) GTEST_SKIP() << "no 32-bit system files in this prefix: " << wow;
    EXPECT_EQ(PeMachine(wow), kI386) << Variable("%SysWoW64%");
  }
}

TEST(WinVariables, ProgramFilesIsTheNativeFolderAndProgramFilesX86TheOneFor32BitPrograms) {
  const std::string programFiles = Variable("%ProgramFiles%");
  const std::string x86 = Variable("%ProgramFiles_x86%");
  EXPECT_TRUE(plat::DirectoryExists(programFiles)) << programFiles;
  EXPECT_TRUE(plat::DirectoryExists(x86)) << x86;
  EXPECT_EQ(text::Find(programFiles, " (x86)"), text::npos) << programFiles;
  if (plat::IsWindows64()) {
    // Both processes find the native folder in ProgramW6432 and the x86 one in ProgramFiles(x86).
    EXPECT_EQ(programFiles, plat::GetEnv("ProgramW6432"));
    EXPECT_EQ(x86, plat::GetEnv("ProgramFiles(x86)"));
    EXPECT_NE(programFiles, x86);
  } else {
    EXPECT_EQ(programFiles, x86);
  }
}

}  // namespace
