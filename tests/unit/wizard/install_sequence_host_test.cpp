// The install sequence on the host platform, with a stand-in archiver library bound by name:
// what a completed install leaves (files, Uninstall key, shortcuts, commands, status rows), that
// a failed extraction stops before anything is registered, the end step in each mode, and the
// start of a run without package.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "archiver/archiver.h"
#include "common/package_cipher.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "script/unpack_progress.h"
#include "startup/archiver_driver.h"
#include "startup/startup.h"
#include "system/host/shortcut_calls.h"
#include "system/install_journal.h"
#include "tests/support/test_folder.h"
#include "ui/headless_form.h"
#include "wizard/install_rollback.h"
#include "wizard/install_sequence.h"
#include "wizard/page_flow.h"
#include "wizard/run_end.h"
#include "wizard/installer_startup.h"

namespace {

namespace host = plat::host;

// The stand-in library: each SevenZip call writes its files (one "fileN.txt" unless `files`
// names them) into the destination named by the command line, announcing each before it is
// written and reporting it after, as the library does, and answers the next queued result.
struct FakeArchiver {
  std::vector<std::string> commands;
  std::vector<Bytes> archives;  // the archive file's bytes as each call found them
  std::vector<int> results;  // consumed front first; 0 once empty
  std::vector<std::string> files;  // relative names written by every call, in order
  std::string content = "payload";
  ArchiverProc proc = nullptr;
};
FakeArchiver& Fake() {
  static FakeArchiver fake;
  return fake;
}

int ARCHIVER_CALL FakeSevenZip(void*, const char* commandLine, char*, uint32_t) {
  FakeArchiver& fake = Fake();
  const std::string command = commandLine;
  fake.commands.push_back(command);
  // x  "archive" -hide -y "dest\" ...: the archive is the first quoted text, the destination
  // the second.
  size_t q = command.find('"');
  const size_t archiveEnd = command.find('"', q + 1);
  Bytes archive;
  plat::ReadFileBytes(command.substr(q + 1, archiveEnd - q - 1), archive);
  fake.archives.push_back(archive);
  q = archiveEnd;
  const size_t destStart = command.find('"', q + 1) + 1;
  const std::string dest = command.substr(destStart, command.find('"', destStart) - destStart);
  std::vector<std::string> names = fake.files;
  if (names.empty()) names = {"file" + std::to_string(fake.commands.size()) + ".txt"};
  for (const std::string& name : names) {
    const std::string file = dest + name;
    archiver::ExtractingInfoEx info{};
    info.dwFileSize = 200;
    info.dwWriteSize = 100;
    std::strncpy(info.szDestFileName, file.c_str(), sizeof info.szDestFileName - 1);
    // A FALSE answer cancels the job, as the library does.
    if (fake.proc && !fake.proc(nullptr, 0, archiver::kStateBegin, &info))
      return archiver::kErrorUserCancel;
    const size_t sep = file.rfind('\\');
    plat::CreateDirectories(file.substr(0, sep));
    plat::WriteFileBytes(file, fake.content);
    if (fake.proc && !fake.proc(nullptr, 0, archiver::kStateInProcess, &info))
      return archiver::kErrorUserCancel;
  }
  if (fake.proc) fake.proc(nullptr, 0, archiver::kStateEnd, nullptr);
  int result = 0;
  if (!fake.results.empty()) {
    result = fake.results.front();
    fake.results.erase(fake.results.begin());
  }
  return result;
}

int ARCHIVER_CALL FakeSetOwner(void*, ArchiverProc proc) {
  Fake().proc = proc;
  return 1;
}

constexpr char kInstallPath[] = "C:\\Program Files\\Demo";
constexpr char kPayload[] = "C:\\Setup\\payload.7z";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo";

struct InstallSequence : ::testing::Test {
  TestFolder folder;
  HeadlessForm form{WizardWindowDesc()};
  InstallSession session;
  int uninstallRecords = 0;
  std::vector<std::string> broadcasts;

  void SetUp() override {
    host::RegisterLibrary(kArchiverFileName,
                          {{"SevenZip", reinterpret_cast<void*>(&FakeSevenZip)},
                           {"SevenZipSetOwnerWindowEx", reinterpret_cast<void*>(&FakeSetOwner)}});
    SetUpArchiver("");
    Fake() = FakeArchiver{};
    TheUnpackProgress() = UnpackProgress{};
    ClearShortcutRecords();
    ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
    ASSERT_TRUE(plat::WriteFileBytes(kPayload, "7z\xBC\xAF\x27\x1C rest of an archive"));

    session.form = &form;
    session.run.installPath = kInstallPath;
    session.run.package.payloadArchivePath = kPayload;
    session.wizard.productName = "Demo";
    session.wizard.version = "1.0";
    session.wizard.makeUninstaller = 1;
    session.wizard.scriptDocument =
        "基本组件\r\n｛\r\nUnzip(){\r\n[真]cmd /c echo done\r\n}\r\n｝\r\n";
    session.tree.items = {{"基本组件", -1, 1, 0, false}};
    ShortcutRecord link;
    link.name = "Demo";
    link.file = "file2.txt";
    link.locations = "C:\\Links";
    session.shortcuts = {link};
    session.writeUninstallRecord = [this](InstallSession&) { return ++uninstallRecords > 0; };
    session.plugins.broadcast = [this](const std::string& message) {
      broadcasts.push_back(message);
      return std::vector<int>{};
    };
  }

  // Runs the sequence; the outcome it ended the run with, -1 when the run goes on.
  int Run() {
    session.outcome.reset();
    RunInstallSequence(session, "pw", false);
    return session.outcome ? int(*session.outcome) : -1;
  }

  bool UninstallKeyWritten() const {
    for (const auto& entry : host::RegistrySnapshot())
      if (entry.key.find(kUninstallKey) == 0) return true;
    return false;
  }
};

TEST_F(InstallSequence, CompletedBackgroundInstallRegistersEverythingAndEndsWithZero) {
  session.run.startup.installMode = "后台安装";
  session.lists.excludeList = "skip.txt";
  session.run.config.assignments = "%InstallPath%\\Help,-1\r\nhelp.txt\r\n";

  EXPECT_EQ(Run(), 0);

  // The group goes to its folder, the main extraction leaves the group's entry and the
  // excluded entry out, and the archive password reaches both.
  ASSERT_EQ(Fake().commands.size(), 2u) << Fake().commands[0] << "\n" << Fake().commands[1];
  EXPECT_NE(Fake().commands[0].find("\"C:\\Program Files\\Demo\\Help\\\""), std::string::npos);
  EXPECT_NE(Fake().commands[1].find("-x!\"skip.txt\""), std::string::npos);
  EXPECT_NE(Fake().commands[1].find("-x!\"help.txt\""), std::string::npos);
  for (const std::string& command : Fake().commands)
    EXPECT_NE(command.find("-p\"pw\""), std::string::npos);
  EXPECT_TRUE(plat::FileExists("C:\\Program Files\\Demo\\file2.txt"));

  EXPECT_TRUE(UninstallKeyWritten());
  ASSERT_EQ(RecordedShortcuts().size(), 1u);
  EXPECT_EQ(uninstallRecords, 1);
  // The "Unzip" section of the ticked component ran after the files were there.
  bool unzipRan = false;
  for (const auto& start : host::ProcessStarts())
    unzipRan |= start.commandLine.find("echo done") != std::string::npos;
  EXPECT_TRUE(unzipRan);

  // The status line shows the second file relative to the install folder (the very first
  // report of the run shows none), and the bar reached the end of the main extraction.
  const auto rows = form.ListRows("超级列表框");
  EXPECT_NE(std::find(rows.begin(), rows.end(), "正在解压 file2.txt"), rows.end());
  EXPECT_EQ(form.Progress("进度条1"), 100);
  EXPECT_EQ(broadcasts, std::vector<std::string>{"，整数型，1005"});
  EXPECT_TRUE(host::Messages().empty());
}

// The Uninstall key's two values for tools: the quiet command with data.ini's background
// switch, and the size of what was extracted.
TEST_F(InstallSequence, UninstallKeyCarriesTheQuietCommandAndTheInstalledSize) {
  session.run.startup.installMode = "后台安装";
  session.run.config.dataIni = "[安装包命令行]\r\nhp=/S\r\n";
  EXPECT_EQ(Run(), 0);
  std::string quiet;
  Bytes size;
  for (const auto& entry : host::RegistrySnapshot()) {
    if (entry.key.find(kUninstallKey) != 0) continue;
    if (entry.name == "QuietUninstallString") quiet = entry.value.data;
    if (entry.name == "EstimatedSize") size = entry.value.data;
  }
  EXPECT_EQ(quiet, std::string("\"") + kInstallPath + "\\uninst.exe\" /S" + '\0');
  EXPECT_EQ(size, Bytes("\1\0\0\0", 4));  // the fake's two small files: 1 KiB rounded up
}

// A record that could not be written does not stop the install, but its success is not a
// plain 0: a silent caller learns that the product cannot be removed.
TEST_F(InstallSequence, AFailedUninstallRecordEndsTheCompletedInstallWithItsOwnCode) {
  session.run.startup.installMode = "后台安装";
  session.writeUninstallRecord = [this](InstallSession&) { return ++uninstallRecords < 0; };
  EXPECT_EQ(Run(), int(kExitUninstallRecordFailed));
  EXPECT_EQ(uninstallRecords, 1);
  EXPECT_TRUE(UninstallKeyWritten());
}

TEST_F(InstallSequence, FailedExtractionStopsBeforeAnythingIsRegistered) {
  struct Case {
    const char* name;
    bool withGroup;
    std::vector<int> results;  // of the calls in order (group first)
    const char* mode;
  } cases[] = {
      {"damaged main payload, wizard", false, {archiver::kErrorPassword}, "正常安装"},
      {"damaged main payload, background", false, {0x800D}, "后台安装"},
      {"failed group, main fine, direct", true, {0x8013, 0}, "直接安装"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestFolder fresh;  // a clean machine per case
    SetUp();
    session.run.startup.installMode = c.mode;
    if (c.withGroup) session.run.config.assignments = "%InstallPath%\\Help,-1\r\nhelp.txt\r\n";
    Fake().results = c.results;

    EXPECT_EQ(Run(), int(kExitExtractionFailed));
    EXPECT_FALSE(UninstallKeyWritten());
    EXPECT_TRUE(RecordedShortcuts().empty());
    EXPECT_EQ(uninstallRecords, 0);
    EXPECT_TRUE(host::ProcessStarts().empty());  // no after-unpack command, no Unzip section
    EXPECT_TRUE(broadcasts.empty());             // and no end step
    const bool background = std::string(c.mode) == "后台安装";
    ASSERT_EQ(host::Messages().size(), background ? 0u : 1u);
    if (!background) {
      EXPECT_EQ(host::Messages()[0].text,
                std::string(kExtractionFailedText) + "\r\n" + kRestoredText);
    }
    broadcasts.clear();
    uninstallRecords = 0;
  }
}

TEST_F(InstallSequence, TestModeInstallsNothing) {
  session.run.startup.commandArgs = {"test"};
  session.run.startup.installMode = "后台安装";
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Fake().commands.empty());
  EXPECT_FALSE(UninstallKeyWritten());
  EXPECT_TRUE(RecordedShortcuts().empty());
}

TEST_F(InstallSequence, EndStepEndsTheProcessOnlyWithoutFinishPage) {
  struct Case {
    const char* mode;
    int hideEnd;
    bool ends;
  } cases[] = {
      {"后台安装", 0, true}, {"后台安装", 1, true}, {"正常安装", -1, true},
      {"直接安装", -1, true}, {"正常安装", 1, false}, {"直接安装", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " hideEnd " + std::to_string(c.hideEnd));
    session.run.startup.installMode = c.mode;
    session.run.startup.hideEnd = c.hideEnd;
    form.SetText("下一步_按钮", "安装(&I)");
    form.SetVisible("上一步_按钮", true);
    broadcasts.clear();
    session.outcome.reset();
    EndInstall(session);
    EXPECT_EQ(session.outcome.has_value(), c.ends);
    if (session.outcome) {
      EXPECT_EQ(*session.outcome, kExitSuccess);
    }
    EXPECT_EQ(form.Text("下一步_按钮"), "完成(&F)");
    EXPECT_FALSE(form.Visible("上一步_按钮"));
    EXPECT_EQ(broadcasts.size(), 1u);
  }
}

TEST_F(InstallSequence, StatusLineRowsFollowTheDetailListMode) {
  for (int mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    HeadlessForm page(WizardWindowDesc());
    session.form = &page;
    session.wizard.detailListMode = mode;
    ShowStatusLine(session, "正在解压 a.txt");
    ShowStatusLine(session, "正在解压 b.txt");
    EXPECT_EQ(page.Text("解压_标签"), "正在解压 b.txt");
    const std::vector<std::string> expected =
        mode == 2 ? std::vector<std::string>{}
                  : std::vector<std::string>{"正在解压 a.txt", "正在解压 b.txt"};
    EXPECT_EQ(page.ListRows("超级列表框"), expected);
  }
}

TEST_F(InstallSequence, ProgressBarOnlyMovesForward) {
  for (int percent : {10, 40, 30, 40, 150}) SetInstallProgress(session, percent);
  EXPECT_EQ(form.Progress("进度条1"), 100);
  EXPECT_EQ(session.progressValue, 100);
  SetInstallProgress(session, 20);
  EXPECT_EQ(form.Progress("进度条1"), 100);
}

// Cancel confirmed while the payload is extracted: the sequence stops at its next pump point,
// the extraction is cancelled, no later step runs, the payload copy goes and the run ends
// with the cancel code.
TEST_F(InstallSequence, CancelConfirmedDuringTheExtractionStopsEveryLaterStep) {
  const std::string copy = plat::TempFolder() + "5.tmp.7zsha";
  ASSERT_TRUE(plat::WriteFileBytes(copy, "7z\xBC\xAF\x27\x1C copy"));
  session.run.package.payloadArchivePath = session.run.package.payloadCopyPath = copy;
  session.run.config.assignments = "%InstallPath%\\Help,-1\r\nhelp.txt\r\n";
  form.SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs& args) {
    return HandleWizardEvent(session, control, event, args);
  });
  bool pressed = false;
  form.onPump = [&] {
    if (pressed || Fake().commands.empty()) return;
    pressed = true;
    host::QueueMessageAnswer(plat::kIdYes);
    form.Fire("取消按钮_主窗口", FormEvent::kClick);
    EXPECT_FALSE(RunEnded(session)) << "the sequence ends the run, not the click";
  };

  EXPECT_EQ(Run(), int(kExitCancelled));
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(UninstallKeyWritten());
  EXPECT_TRUE(RecordedShortcuts().empty());
  EXPECT_EQ(uninstallRecords, 0);
  EXPECT_TRUE(broadcasts.size() == 1 && broadcasts[0].find("1003") != std::string::npos);
  EXPECT_FALSE(plat::FileExists(copy));
  EXPECT_TRUE(form.Closed());
}

TEST(InstallerStartup, RunWithoutPackageEndsWithItsCodeAndSaysWhy) {
  struct Case {
    const char* commandLine;
    size_t messages;
  } cases[] = {
      {"\"C:\\Setup\\setup.exe\"", 1},
      {"\"C:\\Setup\\setup.exe\" /S", 1},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    host::SetCommandLine(c.commandLine);
    HeadlessForm form(WizardWindowDesc());
    InstallSession session;
    session.form = &form;
    session.run.extractAll = [](const std::string&, const std::string&, const std::string&) {
      return false;
    };
    RunPackageStep(session.run);
    ASSERT_EQ(ChooseRunRole(session.run), RunRole::kNoPackage);
    EXPECT_EQ(ReportNoPackage(session.run, form.Handle("")), kExitNoPackage);
    ASSERT_EQ(host::Messages().size(), c.messages);
    EXPECT_EQ(host::Messages()[0].text, kNoPackageText);
    EXPECT_FALSE(form.Visible(""));
  }
}

// Start-up in test mode reads the script document from the run folder; its "Treelists" block
// places the tree control and, without a usable item line, leaves the default tree.
TEST(InstallerStartup, TheScriptPlacesTheComponentTree) {
  const Bounds designed = HeadlessForm(WizardWindowDesc()).GetBounds("树型框1");
  struct Case {
    const char* what;
    const char* geometry;
    const char* items;
    Bounds bounds;
    size_t itemCount;
  } cases[] = {
      {"moved", "10,20,300,200", "甲$,-1$,1$,真\r\n乙$,0$,0$,假", {10, 20, 300, 200}, 2},
      {"moved, default tree", "15,25,250,180", "短$,-1", {15, 25, 250, 180}, 4},
      {"three numbers", "10,20,300", "甲$,-1$,1$,真", designed, 1},
      {"no geometry", "", "甲$,-1$,1$,真", designed, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestFolder folder;
    host::SetCommandLine("\"C:\\Setup\\setup.exe\" test");
    const std::string document = std::string("Treelists\r\n｛\r\nInstall(){") + c.items +
                                 "\r\n}\r\nUnzip(){" + c.geometry + "\r\n}\r\n｝\r\n\r\n";
    ASSERT_TRUE(plat::CreateDirectories("C:\\Setup"));
    ASSERT_TRUE(plat::WriteFileBytes("C:\\Setup\\choosegment.ini",
                                     cipher::Encipher(document, cipher::PassPhrase::kScript)));
    HeadlessForm form(WizardWindowDesc());
    InstallSession session;
    session.form = &form;
    RunPackageStep(session.run);
    ASSERT_EQ(ChooseRunRole(session.run), RunRole::kInstaller);
    ExitCode code = kExitSuccess;
    ASSERT_TRUE(StartInstallerRun(session, {}, code));
    const Bounds b = form.GetBounds("树型框1");
    EXPECT_EQ(b.left, c.bounds.left);
    EXPECT_EQ(b.top, c.bounds.top);
    EXPECT_EQ(b.width, c.bounds.width);
    EXPECT_EQ(b.height, c.bounds.height);
    EXPECT_EQ(session.tree.items.size(), c.itemCount);
  }
}

// Only start-up's payload copy in the temp folder has its signature repaired; the setup file
// itself (or a volume beside it) is never written to.
TEST_F(InstallSequence, SignatureRepairTouchesOnlyThePayloadCopy) {
  session.run.startup.installMode = "后台安装";
  const Bytes original = "QZR-mark=7zipdataA\x01" "7Y\xBC\xAF\x27\x1C\x00\x04 archive";
  ASSERT_TRUE(plat::WriteFileBytes(kPayload, original));
  EXPECT_EQ(Run(), 0);
  Bytes after;
  ASSERT_TRUE(plat::ReadFileBytes(kPayload, after));
  EXPECT_EQ(after, original);

  const std::string copy = plat::TempFolder() + "1A2B.tmp.7zsha";
  ASSERT_TRUE(plat::WriteFileBytes(copy, original));
  session.run.package.payloadArchivePath = session.run.package.payloadCopyPath = copy;
  EXPECT_EQ(Run(), 0);
  // The copy is deleted after the extraction; what the archiver was given is what counts:
  // the copy with "7z" written over the two bytes after the 19-byte marker prefix.
  EXPECT_NE(Fake().commands.back().find(copy), std::string::npos);
  Bytes repaired = original;
  repaired.replace(19, 2, "7z");
  EXPECT_EQ(Fake().archives.back(), repaired);
  EXPECT_FALSE(plat::PathExists(copy));
}

}  // namespace

// The undo of a run that does not complete. An earlier install of the product is in the install
// folder (two files, a subfolder, its Uninstall key, a shortcut); the run fails, is cancelled,
// or meets a file held open, and afterwards the machine is what it was.
struct InstallUndoTest : InstallSequence {
  std::map<std::string, std::string> before;
  const std::string link = "C:\\Links\\Demo.lnk";

  void SetUp() override {
    InstallSequence::SetUp();
    ASSERT_TRUE(plat::CreateDirectories(std::string(kInstallPath) + "\\sub"));
    ASSERT_TRUE(plat::WriteFileBytes(std::string(kInstallPath) + "\\app.exe", "old program"));
    ASSERT_TRUE(plat::WriteFileBytes(std::string(kInstallPath) + "\\sub\\data.txt", "old"));
    ASSERT_TRUE(plat::CreateDirectories("C:\\Links"));
    ASSERT_TRUE(plat::WriteFileBytes(link, "earlier link"));
    ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, kUninstallKey, "DisplayVersion",
                                    plat::RegView::k32, plat::kRegSz, Bytes("0.9\0", 4)));
    Fake().files = {"app.exe", "sub\\data.txt", "sub\\new\\added.txt"};
    Fake().content = "new";
    before = Snapshot();
  }

  // Files with their bytes under the install folder and the links folder, and the registry.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> all;
    for (const char* root : {kInstallPath, "C:\\Links"}) all.merge(TreeContents(root));
    for (const auto& entry : host::RegistrySnapshot())
      all["reg:" + entry.key + "\\" + entry.name] = entry.value.data;
    return all;
  }

  bool StatusSaid(const std::string& text) const {
    for (const std::string& row : form.ListRows("超级列表框"))
      if (row.find(text) != std::string::npos) return true;
    return false;
  }
};

TEST_F(InstallUndoTest, AFailedReinstallLeavesTheEarlierInstallAsItWas) {
  for (const char* mode : {"后台安装", "正常安装"}) {
    SCOPED_TRACE(mode);
    session.run.startup.installMode = mode;
    // The damage is found after two of the three files were written.
    Fake().results = {archiver::kErrorBrokenData};
    EXPECT_EQ(Run(), int(kExitExtractionFailed));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(plat::PathExists(BackupFolderOf(kInstallPath)));
    EXPECT_TRUE(StatusSaid(kRestoredText));
  }
}

// Cancelled after the shortcut, the registry and the uninstall record were written (during
// the "Unzip" section's command): all of that is undone too.
TEST_F(InstallUndoTest, ACancelAfterTheRegistryStepUndoesShortcutsAndRegistry) {
  session.shortcuts[0].file = "app.exe";
  session.writeUninstallRecord = [this](InstallSession&) {
    ++uninstallRecords;
    return plat::WriteFileBytes(std::string(kInstallPath) + "\\uninst.exe", "launcher") &&
           plat::WriteFileBytes(std::string(kInstallPath) + "\\uninst.dat", "record");
  };
  form.SetHandler([this](const std::string& control, FormEvent event, const FormEventArgs& args) {
    return HandleWizardEvent(session, control, event, args);
  });
  host::SetProcessHandler([this](const host::ProcessRecord&) {
    host::QueueMessageAnswer(plat::kIdYes);
    form.Fire("取消按钮_主窗口", FormEvent::kClick);
    return 0u;
  });
  const size_t linksBefore = RecordedShortcuts().size();

  EXPECT_EQ(Run(), int(kExitCancelled));
  EXPECT_EQ(uninstallRecords, 1);
  EXPECT_GT(RecordedShortcuts().size(), linksBefore) << "the shortcut step ran";
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(StatusSaid(kRestoredText));
  host::SetProcessHandler(nullptr);
}

TEST_F(InstallUndoTest, AFileHeldOpenStopsAndUndoesTheRun) {
  struct Case {
    const char* mode;
    std::vector<int> answers;  // to the retry / cancel question
    size_t questions;
  } cases[] = {
      {"后台安装", {}, 0},
      {"正常安装", {plat::kIdCancel}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    session.run.startup.installMode = c.mode;
    for (int answer : c.answers) host::QueueMessageAnswer(answer);
    const size_t messagesBefore = host::Messages().size();
    const std::string held = std::string(kInstallPath) + "\\sub\\data.txt";
    plat::File holder = plat::File::Open(held, plat::OpenMode::kRead);
    ASSERT_TRUE(holder.IsOpen());

    EXPECT_EQ(Run(), int(kExitFileInUse));
    holder.Close();
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(StatusSaid(std::string(kFileInUseText) + held));
    ASSERT_EQ(host::Messages().size() - messagesBefore, c.questions);
    if (c.questions) {
      EXPECT_NE(host::Messages().back().text.find(held), std::string::npos);
    }
  }
}

// A run that crashed half-way left its backup folder and record; the next run of the product
// puts the earlier install back first and then installs as usual.
TEST_F(InstallUndoTest, TheNextRunRestoresWhatACrashedRunLeft) {
  {
    InstallJournal crashed;
    ASSERT_TRUE(crashed.Begin(kInstallPath, "Demo"));
    ASSERT_TRUE(crashed.NoteRoot(kInstallPath));
    ASSERT_EQ(crashed.BeforeWrite(std::string(kInstallPath) + "\\sub\\data.txt"),
              InstallJournal::FileStep::kReady);
    ASSERT_TRUE(plat::WriteFileBytes(std::string(kInstallPath) + "\\sub\\data.txt", "half"));
    ASSERT_EQ(crashed.BeforeWrite(std::string(kInstallPath) + "\\stray.txt"),
              InstallJournal::FileStep::kReady);
    ASSERT_TRUE(plat::WriteFileBytes(std::string(kInstallPath) + "\\stray.txt", "half"));
  }
  session.run.startup.installMode = "后台安装";
  Fake().files = {"app.exe"};
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(StatusSaid(kEarlierRunRestoredText));
  EXPECT_FALSE(plat::PathExists(std::string(kInstallPath) + "\\stray.txt"));
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(std::string(kInstallPath) + "\\sub\\data.txt", content));
  EXPECT_EQ(content, "old");
  ASSERT_TRUE(plat::ReadFileBytes(std::string(kInstallPath) + "\\app.exe", content));
  EXPECT_EQ(content, "new");
  EXPECT_FALSE(plat::PathExists(BackupFolderOf(kInstallPath)));
}
