// The pretended machine of the host platform: its defaults after Reset, the controls tests
// use to shape it, and the records of process starts, dialogs and library loads.
#include <gtest/gtest.h>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

TEST(HostMachine, ResetGivesTheDocumentedDefaults) {
  TestFolder machine;
  EXPECT_EQ(plat::TempFolder(), "C:\\Temp\\");
  EXPECT_EQ(plat::WindowsFolder(), "C:\\Windows");
  EXPECT_EQ(plat::ModulePath(), "C:\\Setup\\setup.exe");
  EXPECT_EQ(plat::CommandLine(), "\"C:\\Setup\\setup.exe\"");
  EXPECT_EQ(plat::UserName(), "tester");
  EXPECT_EQ(plat::NativeProcessorArchitecture(), 9);
  EXPECT_TRUE(plat::IsWindows64());
  EXPECT_TRUE(plat::IsProcess64());
  EXPECT_EQ(plat::WindowsVersionPacked(), 0x0106u);
  EXPECT_EQ(plat::GetEnv("ProgramFiles"), "C:\\Program Files");
  EXPECT_EQ(plat::GetEnv("USERPROFILE"), "C:\\Users\\tester");
  EXPECT_EQ(plat::GetEnv("userprofile"), "C:\\Users\\tester") << "names ignore case";
  EXPECT_EQ(plat::GetEnv("NOT_SET_ANYWHERE"), "");

  struct Folder {
    int csidl;
    const char* path;
  } folders[] = {
      {plat::kCsidlDesktopDirectory, "C:\\Users\\tester\\Desktop"},
      {plat::kCsidlAppData, "C:\\Users\\tester\\AppData\\Roaming"},
      {plat::kCsidlStartMenu, "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
      {plat::kCsidlPrograms,
       "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {plat::kCsidlCommonPrograms, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
      {plat::kCsidlCommonDesktopDirectory, "C:\\Users\\Public\\Desktop"},
      {0x0005 | 0x8000, "C:\\Users\\tester\\Documents"},  // CSIDL_FLAG_CREATE is not a folder
      {0x0026, "C:\\Program Files"},
      {0x002A, "C:\\Program Files (x86)"},
      {0x7F, ""},
  };
  for (const Folder& f : folders) EXPECT_EQ(plat::ShellFolder(f.csidl), f.path) << f.csidl;

  // Environment changes stay inside the pretended machine.
  EXPECT_TRUE(plat::SetEnv("InstallerTestVariable", "值"));
  EXPECT_EQ(plat::GetEnv("INSTALLERTESTVARIABLE"), "值");
  EXPECT_EQ(std::getenv("InstallerTestVariable"), nullptr);
  EXPECT_FALSE(plat::SetEnv("", "x"));
}

TEST(HostMachine, ShapeControlsChangeWhatTheProgramSees) {
  TestFolder machine;
  plat::host::SetMachine(true, false);
  EXPECT_TRUE(plat::IsWindows64());
  EXPECT_FALSE(plat::IsProcess64());
  EXPECT_EQ(plat::GetEnv("ProgramFiles"), "C:\\Program Files (x86)");
  EXPECT_EQ(plat::GetEnv("ProgramW6432"), "C:\\Program Files");
  EXPECT_EQ(plat::ShellFolder(0x0026), "C:\\Program Files (x86)");

  plat::host::SetMachine(false, true);  // a 64-bit process cannot run on 32-bit Windows
  EXPECT_EQ(plat::NativeProcessorArchitecture(), 0);
  EXPECT_FALSE(plat::IsWindows64());
  EXPECT_FALSE(plat::IsProcess64());
  EXPECT_EQ(plat::GetEnv("ProgramFiles"), "C:\\Program Files");
  EXPECT_EQ(plat::GetEnv("ProgramFiles(x86)"), "");

  plat::host::SetWindowsVersion(10, 0);
  EXPECT_EQ(plat::WindowsVersionPacked(), 10u);
  plat::host::SetWindowsVersion(5, 1);
  EXPECT_EQ(plat::WindowsVersionPacked(), 0x0105u);

  plat::host::SetTempFolder("D:\\T\\");
  EXPECT_EQ(plat::TempFolder(), "D:\\T\\");
  EXPECT_EQ(plat::GetEnv("TEMP"), "D:\\T");
  plat::host::SetModulePath("C:\\Temp\\x.tmp\\uninst.dat");
  plat::host::SetCommandLine("\"C:\\Temp\\x.tmp\\uninst.dat\" -jp");
  plat::host::SetUserName("管理员");
  plat::host::SetWindowsFolder("C:\\WINNT");
  EXPECT_EQ(plat::ModulePath(), "C:\\Temp\\x.tmp\\uninst.dat");
  EXPECT_EQ(plat::CommandLine(), "\"C:\\Temp\\x.tmp\\uninst.dat\" -jp");
  EXPECT_EQ(plat::UserName(), "管理员");
  EXPECT_EQ(plat::WindowsFolder(), "C:\\WINNT");
}

TEST(HostMachine, TheClockMovesOnlyWhenAsked) {
  TestFolder machine;
  uint32_t first = plat::TickCount();
  EXPECT_EQ(plat::TickCount(), first + 1);
  plat::SleepMs(250);
  EXPECT_EQ(plat::TickCount(), first + 2 + 250);

  plat::host::SetTickCount(0xFFFFFFFF);
  EXPECT_EQ(plat::TickCount(), 0xFFFFFFFFu);
  EXPECT_EQ(plat::TickCount(), 0u) << "wraps like GetTickCount";
}

TEST(HostMachine, OwnResourcesComeFromTheTest) {
  TestFolder machine;
  Bytes out = "unchanged";
  EXPECT_FALSE(plat::LoadOwnResource("KEY", 250, out));
  EXPECT_EQ(out, "unchanged");
  plat::host::SetOwnResource("KEY", 250, "secret");
  plat::host::SetOwnResource("UNINST_DAT", 100, BytesOf({0x4D, 0x5A, 0x00}));
  EXPECT_TRUE(plat::LoadOwnResource("key", 250, out)) << "type names ignore case";
  EXPECT_EQ(out, "secret");
  EXPECT_TRUE(plat::LoadOwnResource("UNINST_DAT", 100, out));
  EXPECT_EQ(out, BytesOf({0x4D, 0x5A, 0x00}));
  EXPECT_FALSE(plat::LoadOwnResource("KEY", 251, out));
}

TEST(HostMachine, ProcessStartsAreRecordedAndAnswered) {
  TestFolder machine;
  plat::ProcessOptions waitHidden;
  waitHidden.wait = true;
  waitHidden.hidden = true;
  uint32_t exitCode = 99;
  ASSERT_TRUE(plat::StartProcess("cmd /c copy /b a+b c", waitHidden, &exitCode));
  EXPECT_EQ(exitCode, 0u);

  plat::host::SetProcessExitCode(3);
  ASSERT_TRUE(plat::StartProcess("\"C:\\App\\app.exe\"", {}, &exitCode));
  EXPECT_EQ(exitCode, 0u) << "no exit code without waiting";
  ASSERT_TRUE(plat::ShellExecute("open", "C:\\App\\readme.txt", "-x", "C:\\App", waitHidden,
                                 &exitCode));
  EXPECT_EQ(exitCode, 3u);

  plat::host::SetProcessHandler([](const plat::host::ProcessRecord& r) -> uint32_t {
    return r.commandLine.find("regedit") != std::string::npos ? 0 : 7;
  });
  ASSERT_TRUE(plat::StartProcess("regedit /s \"C:\\Temp\\a.reg\"", waitHidden, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  ASSERT_TRUE(plat::StartProcess("other.exe", waitHidden, &exitCode));
  EXPECT_EQ(exitCode, 7u);
  EXPECT_FALSE(plat::StartProcess("", waitHidden, &exitCode));

  const auto& starts = plat::host::ProcessStarts();
  ASSERT_EQ(starts.size(), 5u);
  EXPECT_EQ(starts[0].commandLine, "cmd /c copy /b a+b c");
  EXPECT_TRUE(starts[0].options.hidden);
  EXPECT_FALSE(starts[1].options.wait);
  EXPECT_TRUE(starts[2].shell);
  EXPECT_EQ(starts[2].commandLine, "open|C:\\App\\readme.txt|-x");
  EXPECT_EQ(starts[2].options.workingDirectory, "C:\\App");
  EXPECT_FALSE(starts[3].shell);
}

TEST(HostMachine, DialogsAnswerFromTheirQueues) {
  TestFolder machine;
  EXPECT_EQ(plat::MessageBox(0, "文本", "标题", plat::kMbOk), plat::kIdOk);
  EXPECT_EQ(plat::MessageBox(0, "q", "c", plat::kMbYesNo | plat::kMbIconQuestion), plat::kIdYes)
      << "unscripted: the first button";
  plat::host::QueueMessageAnswer(plat::kIdNo);
  plat::host::QueueMessageAnswer(plat::kIdCancel);
  EXPECT_EQ(plat::MessageBox(0, "a", "c", plat::kMbYesNo), plat::kIdNo);
  EXPECT_EQ(plat::MessageBox(0, "b", "c", plat::kMbOkCancel), plat::kIdCancel);
  EXPECT_EQ(plat::MessageBox(0, "c", "c", plat::kMbOkCancel), plat::kIdOk);

  const auto& messages = plat::host::Messages();
  ASSERT_EQ(messages.size(), 5u);
  EXPECT_EQ(messages[0].text, "文本");
  EXPECT_EQ(messages[0].caption, "标题");
  EXPECT_EQ(messages[1].flags, plat::kMbYesNo | plat::kMbIconQuestion);

  std::string text = "before";
  EXPECT_FALSE(plat::InputBox("密码", "c", true, text)) << "unscripted: cancelled";
  EXPECT_EQ(text, "before");
  plat::host::QueueInputAnswer(true, "secret");
  plat::host::QueueInputAnswer(false, "ignored");
  EXPECT_TRUE(plat::InputBox("p", "c", false, text));
  EXPECT_EQ(text, "secret");
  EXPECT_FALSE(plat::InputBox("p", "c", false, text));
  EXPECT_EQ(text, "secret");
  ASSERT_EQ(plat::host::InputPrompts().size(), 3u);
  EXPECT_EQ(plat::host::InputPrompts()[0].text, "密码");
  EXPECT_EQ(plat::host::InputPrompts()[0].flags, 1u);

  plat::PumpMessages();
  plat::PumpMessages();
  EXPECT_EQ(plat::host::PumpCount(), 2);
}

int FakeEntry() { return 42; }

TEST(HostMachine, LibrariesAreFoundByFileName) {
  TestFolder machine;
  plat::host::RegisterLibrary("7-zip32.dll",
                              {{"SevenZip", reinterpret_cast<void*>(&FakeEntry)}});
  plat::Library library = plat::Library::Load("C:\\Temp\\abc.tmp\\7-ZIP32.DLL");
  ASSERT_TRUE(library.IsLoaded());
  void* entry = library.Symbol("SevenZip");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)()>(entry)(), 42);
  EXPECT_EQ(library.Symbol("SevenZipGetVersion"), nullptr);
  EXPECT_EQ(plat::LastError(), 127u);

  plat::Library moved = std::move(library);
  EXPECT_FALSE(library.IsLoaded());
  intptr_t handle = moved.Release();
  EXPECT_NE(handle, 0);
  EXPECT_FALSE(moved.IsLoaded());

  EXPECT_FALSE(plat::Library::Load("C:\\plugins\\other.dll").IsLoaded());
  EXPECT_EQ(plat::LastError(), 126u);
  EXPECT_EQ(plat::host::LibraryLoads(),
            (std::vector<std::string>{"C:\\Temp\\abc.tmp\\7-ZIP32.DLL", "C:\\plugins\\other.dll"}));
}

}  // namespace
