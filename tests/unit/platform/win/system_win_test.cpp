// Win32-only behaviour of processes, the shell, redirection, resources, libraries and files:
// the parts the host platform can only imitate.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

TEST(WinSystem, RedirectionCannotBeDisabledInA64BitProcess) {
  if (!plat::IsProcess64()) GTEST_SKIP() << "only meaningful in the 64-bit build";
  intptr_t cookie = 0;
  EXPECT_FALSE(plat::DisableFsRedirection(cookie));
  EXPECT_TRUE(plat::IsWindows64());
}

// The machine field of a PE image's file header, as this process opens the file; 0 when it
// cannot be read.
uint16_t PeMachine(const std::string& path) {
  Bytes image;
  if (!plat::ReadFileBytes(path, image) || image.size() < 64) return 0;
  auto byte = [&](size_t at) { return at < image.size() ? uint8_t(image[at]) : uint8_t(0); };
  const size_t header = byte(60) | byte(61) << 8 | byte(62) << 16 | size_t(byte(63)) << 24;
  return uint16_t(byte(header + 4) | byte(header + 5) << 8);
}

TEST(WinSystem, RedirectionOfA32BitProcessCanBeSwitchedOffAndBackOn) {
  if (plat::IsProcess64()) GTEST_SKIP() << "only meaningful in the i686 build";
  if (!plat::IsWindows64()) GTEST_SKIP() << "only meaningful on 64-bit Windows";
  const std::string kernel32 = plat::WindowsFolder() + "\\System32\\kernel32.dll";
  EXPECT_EQ(PeMachine(kernel32), 0x14c) << "redirected to SysWOW64";
  intptr_t cookie = 0;
  ASSERT_TRUE(plat::DisableFsRedirection(cookie));
  EXPECT_EQ(PeMachine(kernel32), 0x8664) << "the native folder";
  EXPECT_TRUE(plat::RevertFsRedirection(cookie));
  EXPECT_EQ(PeMachine(kernel32), 0x14c);
}

TEST(WinSystem, ShellExecuteRunsABatchFileHiddenAndWaitsForItsExitCode) {
  TestFolder folder;
  const std::string dir = folder / "批处理";  // a Chinese folder name crosses the 936 boundary
  ASSERT_TRUE(plat::CreateDirectories(dir));
  const std::string bat = dir + "\\run.bat";
  // The batch proves it ran in the requested folder and with the parameters given.
  ASSERT_TRUE(plat::WriteFileBytes(bat, "@echo off\r\necho %1> ran.txt\r\nexit /b 7\r\n"));

  plat::ProcessOptions options;
  options.hidden = true;
  options.wait = true;
  uint32_t code = 0;
  ASSERT_TRUE(plat::ShellExecute("", bat, "hello", dir, options, &code));
  EXPECT_EQ(code, 7u);
  Bytes ran;
  ASSERT_TRUE(plat::ReadFileBytes(dir + "\\ran.txt", ran));
  EXPECT_EQ(ran, "hello\r\n");
}

TEST(WinSystem, StartProcessWaitsAndReportsTheExitCode) {
  TestFolder folder;
  plat::ProcessOptions options;
  options.hidden = true;
  options.wait = true;
  options.workingDirectory = folder.Path();
  uint32_t code = 0;
  ASSERT_TRUE(plat::StartProcess("cmd /c echo x> made.txt & exit 3", options, &code));
  EXPECT_EQ(code, 3u);
  EXPECT_TRUE(plat::FileExists(folder / "made.txt"));

  EXPECT_FALSE(plat::StartProcess("no_such_program_here.exe", options, &code));
  EXPECT_EQ(plat::LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST(WinSystem, MissingOwnResourceGivesNothing) {
  Bytes out = "stale";
  EXPECT_FALSE(plat::LoadOwnResource("KEY", 250, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(plat::LoadOwnResource("#10", 4242, out));
}

TEST(WinSystem, LibraryLoadsKernel32AndFindsItsExports) {
  plat::Library kernel = plat::Library::Load("kernel32.dll");
  ASSERT_TRUE(kernel.IsLoaded());
  auto tick = reinterpret_cast<DWORD(WINAPI*)()>(kernel.Symbol("GetTickCount"));
  ASSERT_NE(tick, nullptr);
  EXPECT_NE(tick(), 0u);
  EXPECT_EQ(kernel.Symbol("NoSuchExportAnywhere"), nullptr);

  plat::Library moved = std::move(kernel);
  EXPECT_FALSE(kernel.IsLoaded());
  EXPECT_TRUE(moved.IsLoaded());

  plat::Library missing = plat::Library::Load("no_such_library_here.dll");
  EXPECT_FALSE(missing.IsLoaded());
  EXPECT_EQ(plat::LastError(), static_cast<uint32_t>(ERROR_MOD_NOT_FOUND));
}

TEST(WinSystem, FactsMatchTheWin32Calls) {
  EXPECT_EQ(plat::WindowsVersionPacked(), GetVersion() & 0xFFFF);
  std::string temp = plat::TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(plat::DirectoryExists(temp));
  std::string module = plat::ModulePath();
  EXPECT_TRUE(plat::FileExists(module));
  EXPECT_NE(plat::CommandLine().find("platform_tests"), std::string::npos);
  EXPECT_TRUE(plat::DirectoryExists(plat::ShellFolder(plat::kCsidlAppData)));

  ASSERT_TRUE(plat::SetEnv("PLAT_WIN_TEST", "值"));
  EXPECT_EQ(plat::GetEnv("PLAT_WIN_TEST"), "值");
  EXPECT_EQ(plat::GetEnv("PLAT_WIN_TEST_UNSET"), "");
}

TEST(WinFiles, RemoveDirectoryTreeClearsReadOnlyFilesAndFolders) {
  TestFolder folder;
  const std::string inner = folder / "a\\只读";
  ASSERT_TRUE(plat::CreateDirectories(inner + "\\"));
  const std::string file = inner + "\\文件.txt";
  ASSERT_TRUE(plat::WriteFileBytes(file, "data"));
  ASSERT_TRUE(plat::SetFileAttributes(file, FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(plat::SetFileAttributes(inner, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(plat::DeleteFile(inner)) << "a folder is not a file";
  ASSERT_TRUE(plat::RemoveDirectoryTree(folder / "a"));
  EXPECT_FALSE(plat::PathExists(folder / "a"));
  EXPECT_FALSE(plat::RemoveDirectoryTree(folder / "a"));
}

}  // namespace
