// The interpreter and the command-line launcher against the host platform, which records every
// start instead of running it.
#include <gtest/gtest.h>

#include <functional>

#include "platform/host/host.h"
#include "platform/platform.h"
#include "script/interpreter.h"
#include "tests/support/test_folder.h"

namespace {

using plat::host::ProcessStarts;

struct Start {
  std::string commandLine;  // host form: "verb|file|params" for shell starts
  bool shell;
  bool hidden;
  bool wait;
  std::string directory;
};

void ExpectStarts(const std::vector<Start>& expected, const std::string& what) {
  const auto& starts = ProcessStarts();
  ASSERT_EQ(starts.size(), expected.size()) << what;
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_EQ(starts[i].commandLine, expected[i].commandLine) << what;
    EXPECT_EQ(starts[i].shell, expected[i].shell) << what;
    EXPECT_EQ(starts[i].options.hidden, expected[i].hidden) << what;
    EXPECT_EQ(starts[i].options.wait, expected[i].wait) << what;
    EXPECT_EQ(starts[i].options.workingDirectory, expected[i].directory) << what;
  }
}

TEST(RunCommandLine, SplitsProgramAndArguments) {
  struct Case {
    const char* command;
    bool shellOpen;
    std::vector<Start> starts;
  } cases[] = {
      {"\"C:\\Program Files\\App\\a.exe\" /S", false,
       {{"open|C:\\Program Files\\App\\a.exe|/S", true, true, true, "C:\\Program Files\\App"}}},
      // Unquoted: cut at the first blank even when an argument holds quotes.
      {"C:\\App\\a.exe /S /D=\"C:\\x y\"", false,
       {{"open|C:\\App\\a.exe|/S /D=\"C:\\x y\"", true, true, true, "C:\\App"}}},
      {"C:\\App\\a.exe", false, {{"open|C:\\App\\a.exe|", true, true, true, "C:\\App"}}},
      // Quoted with blanks and nothing after it: the blanks inside the quotes split nothing.
      {"\"C:\\Program Files\\My App\\a.exe\"", false,
       {{"open|C:\\Program Files\\My App\\a.exe|", true, true, true,
         "C:\\Program Files\\My App"}}},
      // A blank right after the closing quote, two blanks in the quotes, quotes in arguments.
      {"\"D:\\a b\\c d\\x.exe\" -o \"e f\"", false,
       {{"open|D:\\a b\\c d\\x.exe|-o \"e f\"", true, true, true, "D:\\a b\\c d"}}},
      // A quoted program that is no drive path starts through process creation unchanged.
      {"\"tool.exe\" /a \"b c\"", false, {{"\"tool.exe\" /a \"b c\"", false, true, true, ""}}},
      {"\"C:\\App\\a.exe\"", false, {{"open|C:\\App\\a.exe|", true, true, true, "C:\\App"}}},
      // An unquoted folder with a blank is cut there.
      {"C:\\Program Files\\a.exe /S", false,
       {{"open|C:\\Program|Files\\a.exe /S", true, true, true, "C:"}}},
      // Finish options open through the default verb, never waited.
      {"C:\\App\\readme.txt", true, {{"|C:\\App\\readme.txt|", true, false, false, "C:\\App"}}},
      {"notepad.exe C:\\a.txt", false, {{"notepad.exe C:\\a.txt", false, true, true, ""}}},
      {"http://example.com/a?b=1", false, {{"|http://example.com/a?b=1|", true, false, false, ""}}},
      {"\"http://example.com\"", false, {{"|http://example.com|", true, false, false, ""}}},
      // https is not recognised and goes through process creation as a whole.
      {"https://example.com", false, {{"https://example.com", false, true, true, ""}}},
      {"", false, {}},  // nothing to start
  };
  for (const Case& c : cases) {
    TestFolder folder;
    RunCommandLine(c.command, true, true, c.shellOpen);
    ExpectStarts(c.starts, c.command);
  }
}

// Only a program started by process creation without waiting waits (up to 1000 ms) for the
// new process to become idle; shell starts and waited starts do not.
TEST(RunCommandLine, UnwaitedProgramStartWaitsForIdle) {
  struct Case {
    const char* command;
    bool wait;
    bool shellOpen;
    bool shell;
    uint32_t idle;
  } cases[] = {
      {"notepad.exe a.txt", false, false, false, 1000},
      {"notepad.exe a.txt", true, false, false, 0},
      {"https://example.com", false, true, false, 1000},
      {"C:\\App\\a.exe /S", false, false, true, 0},
      {"C:\\App\\a.exe", false, true, true, 0},
      {"http://example.com", false, false, true, 0},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    EXPECT_TRUE(RunCommandLine(c.command, c.wait, false, c.shellOpen)) << c.command;
    ASSERT_EQ(ProcessStarts().size(), 1u) << c.command;
    EXPECT_EQ(ProcessStarts()[0].shell, c.shell) << c.command;
    EXPECT_EQ(ProcessStarts()[0].options.wait, c.wait && !c.shellOpen) << c.command;
    EXPECT_EQ(ProcessStarts()[0].options.waitIdleMs, c.idle) << c.command;
  }
}

TEST(ApplySystemFilter, KeepsOrEmptiesByBitness) {
  struct Case {
    const char* command;
    const char* on32;
    const char* on64;
  } cases[] = {
      {"[sys=64]a.exe", "", "a.exe"},
      {"[sys=32]a.exe", "a.exe", ""},
      {"a.exe [sys=32,64] /q", "a.exe  /q", "a.exe  /q"},
      {"[sys=x86]a.exe", "", ""},          // names neither
      {"[sys=]a.exe", "[sys=]a.exe", "[sys=]a.exe"},  // empty tag: unchanged
      {"[sys=64 a.exe", "[sys=64 a.exe", "[sys=64 a.exe"},
      {"a.exe", "a.exe", "a.exe"},
  };
  for (bool windows64 : {false, true}) {
    TestFolder folder;
    plat::host::SetMachine(windows64, windows64);
    for (const Case& c : cases) {
      std::string command = c.command;
      ApplySystemFilter(command);
      EXPECT_EQ(command, windows64 ? c.on64 : c.on32) << c.command << " 64=" << windows64;
    }
  }
}

TEST(MakeBatchCommand, WritesTheLinesAndQuotesThePath) {
  TestFolder folder;
  std::string command = "CMD /C copy a b%ET%cmd /c del a%ET%echo 中文";
  const BatchFile made = MakeBatchCommand(command);
  ASSERT_TRUE(made.written);
  const std::string& batch = made.path;
  EXPECT_EQ(command, "\"" + batch + "\"");
  EXPECT_EQ(batch.rfind(plat::TempFolder(), 0), 0u);
  EXPECT_EQ(batch.substr(batch.size() - 8), ".tmp.bat");
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(batch, content));
  EXPECT_EQ(content, "copy a b\r\ncmd /c del a\r\necho 中文");  // one "cmd /c " removed

  std::string second = "x%ET%y";
  EXPECT_NE(MakeBatchCommand(second).path, batch);  // fresh name every time
}

// The batch files in the temp folder (the test's own folder lives there too).
std::vector<std::string> BatchFiles() {
  std::vector<std::string> found;
  for (const auto& entry : plat::ListDirectory(plat::TempFolder())) {
    if (entry.name.size() > 4 && entry.name.substr(entry.name.size() - 4) == ".bat") {
      found.push_back(entry.name);
    }
  }
  return found;
}

class Interpreter : public ::testing::Test {
 protected:
  Interpreter() {
    tree_.items = {{"Main", -1, 1, 0, false}, {"Extra", -1, 0, 0, false}};
    context_.tree = &tree_;
    context_.lists = &lists_;
    context_.installPath = "C:\\Program Files\\Demo";
  }
  TestFolder folder_;
  ComponentTree tree_;
  ScriptLists lists_;
  ScriptContext context_;
};

TEST_F(Interpreter, CommandTableInBothCallForms) {
  struct Case {
    const char* line;
    const char* component;
    int mode;
    bool optionCall;
    const char* exclude;
    const char* include;
    std::vector<std::string> dump;
    std::vector<std::string> starts;
  } cases[] = {
      {"[假]removezip(a.dll)", "Extra", 0, false, "a.dll", "", {}, {}},
      {"[假]removezip(a.dll)", "Main", 0, false, "", "", {}, {}},
      {"[真]removezip(a.dll,b.dll)", "Main", 0, false, "a.dll,b.dll", "", {}, {}},
      {"[真]assignzip(x\\*)", "Main", 0, false, "", "x\\*", {}, {}},
      {"[真]assignzip(x)", "Absent", 0, false, "", "", {}, {}},  // no such item: nothing
      {"[真]removedump(a,b)", "Main", 0, false, "", "", {"a", "b"}, {}},
      {"[真]removedump(a,b)", "", 1, true, "", "", {"a", "b"}, {}},
      {"[真]removedump(a,b)", "", -1, true, "", "", {}, {}},
      {"[假]removedump(c)", "", -1, true, "", "", {"c"}, {}},
      {"[真]removezip(a)", "", 1, true, "", "", {}, {}},  // not an option-call command
      {"[真]notepad.exe", "Main", 0, false, "", "", {}, {"notepad.exe"}},
      {"[真]notepad.exe", "Extra", 0, false, "", "", {}, {}},
      {"[假]notepad.exe", "Extra", 0, false, "", "", {}, {"notepad.exe"}},
      {"[真]notepad.exe", "", 1, true, "", "", {}, {"notepad.exe"}},
      {"[真]notepad.exe", "", -1, true, "", "", {}, {}},
      {"[真]notepad.exe (x)", "Main", 0, false, "", "", {}, {}},  // a "(" makes a word
      {"[真]unknown(x)", "Main", 0, false, "", "", {}, {}},
      {"no bracket", "Extra", 0, false, "", "", {}, {}},  // empty command starts nothing
      {"[真]\"%InstallPath%\\tool.exe\" /i", "Main", 0, false, "", "", {},
       {"open|C:\\Program Files\\Demo\\tool.exe|/i"}},
      {"[真]%InstallPath%\\tool.exe /i", "Main", 0, false, "", "", {},
       {"open|C:\\Program|Files\\Demo\\tool.exe /i"}},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    lists_ = {};
    RunScriptSection(context_, c.line, c.component, c.mode, c.optionCall);
    EXPECT_EQ(lists_.excludeList, c.exclude) << c.line << " " << c.component << c.mode;
    EXPECT_EQ(lists_.includeList, c.include) << c.line << " " << c.component << c.mode;
    EXPECT_EQ(lists_.removeDumpList, c.dump) << c.line << " " << c.component << c.mode;
    std::vector<std::string> starts;
    for (const auto& start : ProcessStarts()) {
      starts.push_back(start.commandLine);
      EXPECT_TRUE(start.options.hidden && start.options.wait) << c.line;
    }
    EXPECT_EQ(starts, c.starts) << c.line << " " << c.component << c.mode;
  }
}

TEST_F(Interpreter, MarkCommandsApplyInEveryCallAndEndTheLine) {
  // Extra is unticked and the line is false: the mark applies all the same, and the rest of
  // the line (a removezip that would run for this component) is not read.
  RunScriptSection(context_, "[假]setdesktop() removezip(x)", "Extra", 0, false);
  EXPECT_EQ(tree_.items[1].value, 1);
  EXPECT_EQ(tree_.items[0].value, 0);
  EXPECT_EQ(lists_.excludeList, "");

  // setstartmenu() is tested before setquicklaunch(), wherever they stand in the line.
  RunScriptSection(context_,
                   "[真]setquicklaunch() setstartmenu()\r\n[假]assignzip(a)\r\n[假]assignzip(b)",
                   "Extra", 0, false);
  EXPECT_EQ(tree_.items[1].value, 2);
  EXPECT_EQ(lists_.includeList, "a,b");  // appended with a comma

  RunScriptSection(context_, "[真]setdesktop()", "", 1, true);  // no component: nothing marked
  EXPECT_EQ(tree_.items[0].value, 0);
}

TEST_F(Interpreter, WaitedBatchRunsThenIsDeleted) {
  std::string seen;
  plat::host::SetProcessHandler([&](const plat::host::ProcessRecord& record) {
    std::string file = record.commandLine.substr(5, record.commandLine.rfind('|') - 5);
    plat::ReadFileBytes(file, seen);
    return 0u;
  });
  RunScriptSection(context_, "[真]cmd /c copy %InstallPath%\\a b%ET%del b", "Main", 0, false);
  ASSERT_EQ(ProcessStarts().size(), 1u);
  const auto& start = ProcessStarts()[0];
  EXPECT_TRUE(start.shell && start.options.hidden && start.options.wait);
  EXPECT_EQ(seen, "copy C:\\Program Files\\Demo\\a b\r\ndel b");
  std::string batch = start.commandLine.substr(5, start.commandLine.rfind('|') - 5);
  EXPECT_FALSE(plat::PathExists(batch));
}

TEST_F(Interpreter, RunListsPrepareInTheirOwnOrder) {
  plat::host::SetMachine(false, false);
  context_.statusTemplate = "正在运行%Default%…%Default%";
  std::vector<std::string> status;
  context_.showStatusLine = [&](const std::string& text) { status.push_back(text); };
  std::vector<RunListEntry> entries = {
      {"真", "[sys=64]cmd /c a%ET%b", true, true},  // 64-bit only
      {"假", "setup.exe /q", false, false},
      {"真", "[sys=32]%InstallPath%\\x.exe", true, false},
  };

  RunPreInstallCommands(context_, entries);
  // Filtered before the batch is made: nothing of the first entry starts.
  ASSERT_EQ(status.size(), 3u);
  EXPECT_EQ(status[0], "正在运行…%Default%");
  EXPECT_EQ(status[1], "正在运行\"C:\\Program Files\\Demo\"\\setup.exe /q…%Default%");
  ExpectStarts({{"open|C:\\Program Files\\Demo\\setup.exe|/q", true, false, false,
                 "C:\\Program Files\\Demo"},
                {"open|C:\\Program|Files\\Demo\\x.exe", true, true, false, "C:"}},
               "pre-install");
  EXPECT_TRUE(BatchFiles().empty());

  TestFolder again;
  plat::host::SetMachine(false, false);
  RunPostUnpackCommands(context_, {entries[0]});
  // The batch was written first, with the tag inside it; the quoted path passes the filter.
  ASSERT_EQ(ProcessStarts().size(), 1u);
  std::string start = ProcessStarts()[0].commandLine;
  EXPECT_EQ(start.rfind("open|" + plat::TempFolder(), 0), 0u);
  EXPECT_TRUE(BatchFiles().empty());  // waited: deleted
}

// A batch that cannot be written must not leave the raw command, "%ET%" and all, to run:
// nothing starts and the status line says which file could not be written.
TEST_F(Interpreter, UnwritableBatchRunsNothingAndSaysSo) {
  std::vector<std::string> status;
  context_.showStatusLine = [&](const std::string& text) { status.push_back(text); };
  const std::function<void()> runs[] = {
      [&] { RunScriptSection(context_, "[真]cmd /c echo a%ET%echo b", "Main", 0, false); },
      [&] { RunPreInstallCommands(context_, {{"真", "cmd /c a%ET%b", true, true}}); },
      [&] { RunPostUnpackCommands(context_, {{"真", "a%ET%b", true, false}}); },
  };
  for (const auto& run : runs) {
    TestFolder folder;
    plat::host::SetTempFolder("C:\\NoSuchTemp\\");
    status.clear();
    run();
    EXPECT_TRUE(ProcessStarts().empty());
    ASSERT_EQ(status.size(), 1u);
    const std::string prefix = std::string(kBatchWriteFailedText) + "C:\\NoSuchTemp\\";
    EXPECT_EQ(status[0].rfind(prefix, 0), 0u) << status[0];
    EXPECT_EQ(status[0].substr(status[0].size() - 8), ".tmp.bat") << status[0];
  }
  EXPECT_STREQ(kBatchWriteFailedText, "无法写入批处理文件：");
}

TEST_F(Interpreter, UnwaitedBatchStays) {
  RunPostUnpackCommands(context_, {{"真", "a%ET%b", true, false}});
  ASSERT_EQ(ProcessStarts().size(), 1u);
  EXPECT_EQ(BatchFiles().size(), 1u);
}

TEST(FolderOfAndCheckState, Basics) {
  EXPECT_EQ(FolderOf("C:\\a\\b.exe"), "C:\\a");
  EXPECT_EQ(FolderOf("b.exe"), "");
  ComponentTree tree;
  tree.items = {{"A", -1, 0, 0, false}, {"A", -1, 1, 0, false}, {"B", -1, 1, 0, false}};
  EXPECT_EQ(ComponentCheckState(tree, "A"), 0);  // the first match counts
  EXPECT_EQ(ComponentCheckState(tree, "B"), 1);
  EXPECT_EQ(ComponentCheckState(tree, "C"), -1);
}

}  // namespace
