// A command line's program given by bare name is looked up in the system folders and the PATH,
// never in the starting program's folder or the current folder, the first places CreateProcess
// would try and the ones a download folder fills.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace {

TEST(StartProcessWin, BareProgramNamesSkipTheOwnAndTheCurrentFolder) {
  plat::ProcessOptions wait;
  wait.wait = true;
  wait.hidden = true;
  uint32_t code = 0;
  // Found in the system folder.
  ASSERT_TRUE(plat::StartProcess("cmd /c exit 3", wait, &code));
  EXPECT_EQ(code, 3u);

  // This test program sits in its own folder and is the current folder's only program.
  const std::string self = plat::ModulePath();
  const std::string folder = self.substr(0, self.rfind('\\'));
  std::string name = self.substr(folder.size() + 1);
  name = name.substr(0, name.rfind('.'));
  wchar_t previous[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  const std::wstring wideFolder(folder.begin(), folder.end());
  ASSERT_TRUE(SetCurrentDirectoryW(wideFolder.c_str()));
  for (const std::string& line : {name + " --gtest_list_tests", name + ".exe --gtest_list_tests",
                                  "\"" + name + ".exe\" --gtest_list_tests"}) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(plat::StartProcess(line, wait, &code));
  }
  // Named with its folder it is started as written.
  EXPECT_TRUE(plat::StartProcess("\"" + self + "\" --gtest_list_tests", wait, &code));
  SetCurrentDirectoryW(previous);
}

}  // namespace
