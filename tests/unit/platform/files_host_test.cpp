// The host platform's sandbox: where Windows paths land on Linux, the pretended drives,
// file-system redirection of a 32-bit process, and the sharing rules it enforces.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

namespace fs = std::filesystem;

std::string U8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

TEST(HostFiles, WindowsPathsMapIntoTheSandbox) {
  TestFolder machine;
  const std::string root = plat::host::SandboxRoot();
  struct Case {
    std::string windows;
    std::string host;
  } cases[] = {
      {"C:\\a\\b.txt", root + "/C/a/b.txt"},
      {"c:\\a\\b.txt", root + "/C/a/b.txt"},
      {"C:\\a\\\\b\\", root + "/C/a/b"},
      {"C:/a/b", root + "/C/a/b"},
      {"C:\\a\\.\\b\\..\\c", root + "/C/a/c"},
      {"C:\\..\\..\\escape", root + "/C/escape"},
      {"C:\\dots. . \\x", root + "/C/dots/x"},
      {"C:\\", root + "/C"},
      {"D:\\data", root + "/D/data"},
      {"\\rooted", root + "/C/rooted"},
      {"\\\\server\\share\\f", root + "/UNC/server/share/f"},
      {"relative\\f.txt", "relative/f.txt"},
      {"/tmp/linux/path", "/tmp/linux/path"},
      {"C:\\安装\\乗誠.txt", root + U8(u8"/C/安装/乗誠.txt")},
  };
  for (const Case& c : cases) EXPECT_EQ(plat::host::HostPath(c.windows), c.host) << c.windows;
}

TEST(HostFiles, FilesLandWhereTheMappingSays) {
  TestFolder machine;
  ASSERT_TRUE(plat::CreateDirectories("C:\\Program Files\\软件"));
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Program Files\\软件\\说明.txt", "content"));
  fs::path expected = fs::path(plat::host::SandboxRoot()) / "C" / "Program Files" /
                      fs::path(U8(u8"软件")) / fs::path(U8(u8"说明.txt"));
  ASSERT_TRUE(fs::exists(expected));
  std::ifstream in(expected);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "content");

  // A name that is not valid GBK keeps its bytes and lists back unchanged.
  const std::string odd = "C:\\odd\x81";
  ASSERT_TRUE(plat::WriteFileBytes(odd, "x"));
  std::vector<plat::DirEntry> entries = plat::ListDirectory("C:\\");
  bool found = false;
  for (const plat::DirEntry& e : entries) found = found || e.name == "odd\x81";
  EXPECT_TRUE(found);
}

TEST(HostFiles, DrivesExistOnlyWhenAdded) {
  TestFolder machine;
  EXPECT_FALSE(plat::CreateDirectories("D:\\data"));
  EXPECT_EQ(plat::LastError(), 3u);
  EXPECT_FALSE(plat::WriteFileBytes("D:\\f.txt", "x"));
  plat::host::AddDrive('d');
  EXPECT_TRUE(plat::CreateDirectories("D:\\data"));
  EXPECT_TRUE(plat::WriteFileBytes("D:\\data\\f.txt", "x"));
}

TEST(HostFiles, NamesWindowsRefusesFail) {
  TestFolder machine;
  for (const char* bad : {"C:\\Temp\\a?b", "C:\\Temp\\a*b", "C:\\Temp\\a<b", "C:\\Temp\\a|b",
                          "C:\\Temp\\a\"b", "C:\\Temp\\x:y"}) {
    EXPECT_FALSE(plat::WriteFileBytes(bad, "x")) << bad;
    EXPECT_EQ(plat::LastError(), 123u) << bad;
    EXPECT_FALSE(plat::CreateDirectory(bad)) << bad;
  }
}

TEST(HostFiles, ResetMakesTheStandardFolders) {
  TestFolder machine;
  for (const char* folder :
       {"C:\\Temp", "C:\\Windows\\System32", "C:\\Windows\\SysWOW64", "C:\\Program Files",
        "C:\\Program Files (x86)", "C:\\Users\\tester\\Desktop", "C:\\Users\\tester\\Documents",
        "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
        "C:\\Users\\Public\\Desktop"}) {
    EXPECT_TRUE(plat::DirectoryExists(folder)) << folder;
  }
  EXPECT_FALSE(plat::PathExists("C:\\Setup\\setup.exe")) << "tests place the program themselves";
}

TEST(HostFiles, System32IsRedirectedForA32BitProcess) {
  TestFolder machine;
  plat::host::SetMachine(true, false);
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Windows\\system32\\x86.dll", "32"));
  EXPECT_TRUE(fs::exists(plat::host::SandboxRoot() + "/C/Windows/SysWOW64/x86.dll"));
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Windows\\Sysnative\\native.dll", "64"));
  EXPECT_TRUE(fs::exists(plat::host::SandboxRoot() + "/C/Windows/System32/native.dll"));

  intptr_t cookie = 0;
  ASSERT_TRUE(plat::DisableFsRedirection(cookie));
  EXPECT_TRUE(plat::FileExists("C:\\Windows\\System32\\native.dll"));
  EXPECT_FALSE(plat::FileExists("C:\\Windows\\System32\\x86.dll"));
  ASSERT_TRUE(plat::RevertFsRedirection(cookie));
  EXPECT_TRUE(plat::FileExists("C:\\Windows\\System32\\x86.dll"));

  // A 64-bit process and 32-bit Windows have nothing to redirect, and cannot disable it.
  plat::host::SetMachine(true, true);
  EXPECT_TRUE(plat::FileExists("C:\\Windows\\System32\\native.dll"));
  EXPECT_FALSE(plat::DisableFsRedirection(cookie));
  plat::host::SetMachine(false, false);
  EXPECT_FALSE(plat::DisableFsRedirection(cookie));
  EXPECT_TRUE(plat::FileExists("C:\\Windows\\System32\\native.dll"));
}

TEST(HostFiles, AWriterExcludesEveryOtherHandle) {
  TestFolder machine;
  const std::string path = machine / "w.bin";
  plat::File writer = plat::File::Open(path, plat::OpenMode::kCreateAlways);
  ASSERT_TRUE(writer.IsOpen());
  EXPECT_FALSE(plat::File::Open(path, plat::OpenMode::kRead).IsOpen());
  EXPECT_EQ(plat::LastError(), 32u);
  EXPECT_FALSE(plat::CopyFile(path, machine / "copy", false));

  plat::File moved = std::move(writer);
  EXPECT_FALSE(plat::File::Open(path, plat::OpenMode::kRead).IsOpen()) << "moving keeps it open";
  moved.Close();
  EXPECT_TRUE(plat::File::Open(path, plat::OpenMode::kRead).IsOpen());
}

// New files are counted as open only once another call looks at a file: two made one after
// the other and still open must each exclude every other handle, as an existing one does,
// and closing one must not release the other.
TEST(HostFiles, NewFilesStillOpenExcludeOtherHandles) {
  TestFolder machine;
  const std::string first = machine / "a.bin", second = machine / "b.bin";
  plat::File a = plat::File::Open(first, plat::OpenMode::kCreateAlways);
  plat::File b = plat::File::Open(second, plat::OpenMode::kCreateAlways);
  ASSERT_TRUE(a.IsOpen());
  ASSERT_TRUE(b.IsOpen());
  for (const std::string& path : {first, second}) {
    EXPECT_FALSE(plat::File::Open(path, plat::OpenMode::kCreateAlways).IsOpen()) << path;
    EXPECT_EQ(plat::LastError(), 32u) << path;
    EXPECT_FALSE(plat::DeleteFile(path)) << path;
  }
  a.Close();
  EXPECT_TRUE(plat::File::Open(first, plat::OpenMode::kRead).IsOpen());
  EXPECT_FALSE(plat::File::Open(second, plat::OpenMode::kRead).IsOpen());
  b.Close();
  EXPECT_TRUE(plat::DeleteFile(second));

  // Closed before anything asked, a new file leaves no count behind.
  plat::File c = plat::File::Open(machine / "c.bin", plat::OpenMode::kCreateAlways);
  ASSERT_TRUE(c.Write(BytesView("c")));
  c.Close();
  EXPECT_TRUE(plat::File::Open(machine / "c.bin", plat::OpenMode::kReadWrite).IsOpen());
  EXPECT_TRUE(plat::DeleteFile(machine / "c.bin"));
}

TEST(HostFiles, ModifiedTimeIsFiletime) {
  TestFolder machine;
  const std::string path = machine / "t.txt";
  plat::File file = plat::File::Open(path, plat::OpenMode::kCreateAlways);
  ASSERT_TRUE(file.IsOpen());
  // 2020-01-02 03:04:05.5 UTC.
  const uint64_t filetime = 116444736000000000ull + 1577934245ull * 10000000ull + 5000000ull;
  ASSERT_TRUE(file.SetModifiedTime(filetime));
  file.Close();
  struct stat st{};
  ASSERT_EQ(stat(plat::host::HostPath(path).c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1577934245);
  EXPECT_EQ(st.st_mtim.tv_nsec, 500000000);

  // Copies keep the time and the attributes, as CopyFile does.
  ASSERT_TRUE(plat::SetFileAttributes(path, 0x02 | 0x01));
  ASSERT_TRUE(plat::CopyFile(path, machine / "copy.txt", false));
  ASSERT_EQ(stat(plat::host::HostPath(machine / "copy.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1577934245);
  EXPECT_EQ(plat::GetFileAttributes(machine / "copy.txt"), 0x03u);
  EXPECT_EQ(plat::GetFileAttributes(machine / "new.txt"), 0xFFFFFFFFu);
  ASSERT_TRUE(plat::WriteFileBytes(machine / "new.txt", ""));
  EXPECT_EQ(plat::GetFileAttributes(machine / "new.txt"), 0x20u) << "archive, as Windows sets";
}

}  // namespace
