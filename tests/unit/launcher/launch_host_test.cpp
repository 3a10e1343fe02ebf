// The launcher's run on the host platform: what it writes into the engine folder, what it
// starts, and how it reports the outcomes.
#include <gtest/gtest.h>

#include "launcher/launch.h"
#include "package/uninstall_handoff.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

class LauncherRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plat::CreateDirectories("C:\\Program Files\\Demo"));
    run.ownPath = "C:\\Program Files\\Demo\\remove.exe";
    run.arguments = {"-hp"};
    run.nameResource = std::string("Demo") + std::string(12, '\0');
    run.tempFolder = "C:\\Temp\\";
    run.processId = 77;
    run.startAndWait = [this](const std::string& engine, const std::string& parameters,
                              const std::string& folder, ExitCode& outcome) {
      started.push_back({engine, parameters, folder});
      lockHeldWhileRunning = !plat::DeleteFile(folder + "\\" + package::kLockFileName);
      outcome = engineOutcome;
      return engineStarts;
    };
  }

  struct Start {
    std::string engine, parameters, folder;
  };
  TestFolder folder;  // resets the host machine
  LauncherRun run;
  std::vector<Start> started;
  bool lockHeldWhileRunning = false;
  ExitCode engineOutcome = kExitSuccess;
  bool engineStarts = true;
};

TEST_F(LauncherRunTest, CopiesTheEngineUnderItsOwnNameAndWaitsForIt) {
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Program Files\\Demo\\uninst.dat", "ENGINE"));
  ASSERT_TRUE(plat::CreateDirectories("C:\\Temp\\Uninstall\\Old"));
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Temp\\Uninstall\\Old\\uninst.exe", "old engine"));
  run.icon = "ICON";
  engineOutcome = kExitNotAllRemoved;
  plat::host::SetElevated(true);

  EXPECT_EQ(RunLauncher(run), kExitNotAllRemoved);
  // Made fresh, and private to administrators in an elevated run.
  EXPECT_EQ(plat::host::FolderAccessOf("C:\\Temp\\Uninstall\\Demo"),
            plat::host::FolderAccess::kPrivate);

  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].engine, "C:\\Temp\\Uninstall\\Demo\\remove.exe");
  EXPECT_EQ(started[0].parameters,
            "\"C:\\Program Files\\Demo\" \"C:\\Temp\\Uninstall\\Demo\" 卸载 -hp "
            "/uninst-launcher:77 ");
  EXPECT_TRUE(lockHeldWhileRunning);
  EXPECT_FALSE(plat::PathExists("C:\\Temp\\Uninstall\\Old"));

  Bytes copy;
  ASSERT_TRUE(plat::ReadFileBytes(started[0].engine, copy));
  ASSERT_EQ(copy.size(), 6 + package::kEngineCopyPadding);
  EXPECT_EQ(copy.substr(0, 6), "ENGINE");
  EXPECT_EQ(copy.find_first_not_of('\0', 6), std::string::npos);
  Bytes icon, data;
  EXPECT_TRUE(plat::ReadFileBytes("C:\\Temp\\Uninstall\\Demo\\uninst.ico", icon));
  EXPECT_EQ(icon, "ICON");
  EXPECT_TRUE(plat::ReadFileBytes("C:\\Temp\\Uninstall\\Demo\\uninst.dat", data));
  EXPECT_TRUE(data.empty());
  EXPECT_TRUE(plat::host::Messages().empty());
}

TEST_F(LauncherRunTest, ALauncherNameEndingInATrailByte0x5CIsOneName) {
  // 淺 is 9C 5C in GBK: its second byte is no separator.
  const std::string name = "\x9C\x5C.exe";
  run.ownPath = "C:\\Program Files\\Demo\\" + name;
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Program Files\\Demo\\uninst.dat", "ENGINE"));

  EXPECT_EQ(RunLauncher(run), kExitSuccess);

  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].engine, "C:\\Temp\\Uninstall\\Demo\\" + name);
  EXPECT_EQ(started[0].parameters.substr(0, 24), "\"C:\\Program Files\\Demo\" ");
}

TEST_F(LauncherRunTest, MissingEngineIsReportedAndNothingStarts) {
  ASSERT_TRUE(plat::CreateDirectories("C:\\Temp\\Uninstall\\Old"));

  EXPECT_EQ(RunLauncher(run), kExitUninstallDataMissing);

  EXPECT_TRUE(started.empty());
  ASSERT_EQ(plat::host::Messages().size(), 1u);
  EXPECT_EQ(plat::host::Messages()[0].text, kEngineMissingText);
  EXPECT_EQ(plat::host::Messages()[0].caption, "");
  EXPECT_TRUE(plat::host::Messages()[0].flags & plat::kMbIconError);
  EXPECT_TRUE(plat::DirectoryExists("C:\\Temp\\Uninstall"));
  EXPECT_TRUE(plat::ListDirectory("C:\\Temp\\Uninstall").empty());
}

TEST_F(LauncherRunTest, FailuresToCopyOrStartAreReported) {
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Program Files\\Demo\\uninst.dat", "ENGINE"));
  plat::host::SetWriteBudget(1024);  // the 10 MiB of padding cannot fit
  EXPECT_EQ(RunLauncher(run), kExitTempWriteFailed);
  EXPECT_TRUE(started.empty());

  plat::host::SetWriteBudget(std::nullopt);
  engineStarts = false;
  EXPECT_EQ(RunLauncher(run), kExitEngineStartFailed);
  ASSERT_EQ(plat::host::Messages().size(), 2u);
  EXPECT_EQ(plat::host::Messages()[0].text, kEngineCopyFailedText);
  EXPECT_EQ(plat::host::Messages()[1].text, kEngineStartFailedText);
}

TEST_F(LauncherRunTest, AnUninstallOfTheSameProductStillRunningIsNotDisturbed) {
  ASSERT_TRUE(plat::WriteFileBytes("C:\\Program Files\\Demo\\uninst.dat", "ENGINE"));
  const std::string running = "C:\\Temp\\Uninstall\\Demo\\";
  ASSERT_TRUE(plat::CreateDirectories(running));
  ASSERT_TRUE(plat::WriteFileBytes(running + "remove.exe", "RUNNING ENGINE"));
  ASSERT_TRUE(plat::WriteFileBytes(running + package::kLockFileName, ""));
  plat::File held = plat::File::Open(running + package::kLockFileName, plat::OpenMode::kRead);

  EXPECT_EQ(RunLauncher(run), kExitUninstallRunning);

  EXPECT_TRUE(started.empty());
  Bytes engine;
  ASSERT_TRUE(plat::ReadFileBytes(running + "remove.exe", engine));
  EXPECT_EQ(engine, "RUNNING ENGINE");
  ASSERT_EQ(plat::host::Messages().size(), 1u);
  EXPECT_EQ(plat::host::Messages()[0].text, kUninstallRunningText);
}

}  // namespace
