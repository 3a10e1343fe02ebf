// Commands really started on Windows: a hidden waited program and a batch made from "%ET%",
// each writing a file the test then reads.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "script/interpreter.h"
#include "tests/support/test_folder.h"

namespace {

TEST(RunCommandWin, HiddenWaitedCommandHasEndedOnReturn) {
  TestFolder folder;
  std::string out = folder / "out.txt";
  EXPECT_TRUE(RunCommandLine("cmd /c echo started> \"" + out + "\"", true, true, false));
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(out, content));
  EXPECT_EQ(content.substr(0, 7), "started");
}

// Not waited for: the start returns without waiting for the end (a console program has no
// input queue, so the idle wait ends at once), and the program still runs to its end.
TEST(RunCommandWin, UnwaitedCommandStartsAndReturns) {
  TestFolder folder;
  std::string out = folder / "late.txt";
  EXPECT_TRUE(RunCommandLine("cmd /c echo late> \"" + out + "\"", false, true, false));
  bool written = false;
  for (int i = 0; i < 300 && !written; ++i) {
    written = plat::FileExists(out);
    if (!written) plat::SleepMs(100);
  }
  EXPECT_TRUE(written);
  plat::SleepMs(200);  // let cmd close the file before the folder is removed
}

TEST(RunCommandWin, BatchFromScriptLineRunsAndIsRemoved) {
  TestFolder folder;
  ComponentTree tree;
  tree.items = {{"Main", -1, 1, 0, false}};
  ScriptLists lists;
  ScriptContext context;
  context.tree = &tree;
  context.lists = &lists;
  context.installPath = folder.Path().substr(0, folder.Path().size() - 1);
  auto batches = [] {
    int count = 0;
    for (const auto& entry : plat::ListDirectory(plat::TempFolder())) {
      if (entry.name.size() > 8 && entry.name.substr(entry.name.size() - 8) == ".tmp.bat") ++count;
    }
    return count;
  };
  int before = batches();
  RunScriptSection(context,
                   "[真]cmd /c echo one> \"%InstallPath%\\a.txt\"%ET%"
                   "echo two> \"%InstallPath%\\b.txt\"",
                   "Main", 0, false);
  EXPECT_TRUE(plat::FileExists(folder / "a.txt"));
  EXPECT_TRUE(plat::FileExists(folder / "b.txt"));
  EXPECT_EQ(batches(), before);
}

}  // namespace
