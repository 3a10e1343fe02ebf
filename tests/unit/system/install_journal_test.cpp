// The install's undo record against a real folder (the host sandbox natively, the Wine prefix
// under Wine): an install over an earlier one rolled back byte for byte, a fresh install folder
// removed entirely, a run that "crashed" replayed by the next one, a file held open by another
// handle refused, and the record's lines read back as they were written.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "system/install_journal.h"
#include "tests/support/test_folder.h"

namespace {

using Step = InstallJournal::FileStep;

constexpr char kKey[] = "Software\\InstallJournalTest";

std::string ValueOf(const std::string& key, const std::string& name) {
  plat::RegValue value;
  if (!plat::RegReadValue(plat::kCurrentUser, key, name, plat::RegView::kDefault, value))
    return "<none>";
  return value.data;
}

struct InstallJournalTest : ::testing::Test {
  TestFolder folder;
  std::string install = folder / "App";

  void SetUp() override {
    plat::RegDeleteKeyTree(plat::kCurrentUser, kKey, plat::RegView::kDefault);
    // The earlier install: two files, a subfolder, a registry value.
    ASSERT_TRUE(plat::CreateDirectories(install + "\\sub"));
    ASSERT_TRUE(plat::WriteFileBytes(install + "\\app.exe", "old program"));
    ASSERT_TRUE(plat::WriteFileBytes(install + "\\sub\\data.txt", "old data"));
    ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, std::string(kKey) + "\\App", "Version",
                                    plat::RegView::kDefault, plat::kRegSz, Bytes("1.0\0", 4)));
  }
  void TearDown() override {
    plat::RegDeleteKeyTree(plat::kCurrentUser, kKey, plat::RegView::kDefault);
  }

  // What a second install does: replaces both files, adds a file in a new folder and an
  // empty folder (as the archiver makes one for a folder entry), changes the value, adds a
  // value and a key.
  void ChangeEverything(InstallJournal& journal) {
    ASSERT_TRUE(journal.NoteRoot(install));
    for (const char* name : {"\\app.exe", "\\sub\\data.txt", "\\new\\deep\\added.txt"}) {
      ASSERT_EQ(journal.BeforeWrite(install + name), Step::kReady) << name;
      ASSERT_TRUE(plat::CreateDirectories(install + "\\new\\deep"));
      ASSERT_TRUE(plat::WriteFileBytes(install + name, "new"));
    }
    ASSERT_TRUE(plat::CreateDirectories(install + "\\empty"));
    const std::string appKey = std::string(kKey) + "\\App";
    const std::string freshKey = std::string(kKey) + "\\Fresh\\Deeper";
    const std::pair<std::string, std::string> values[] = {
        {appKey, "Version"}, {appKey, "Added"}, {freshKey, "Name"}};
    for (const auto& [key, name] : values) {
      ASSERT_TRUE(journal.BeforeRegistryWrite(plat::kCurrentUser, key, name,
                                              plat::RegView::kDefault));
      ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key, name, plat::RegView::kDefault,
                                      plat::kRegSz, Bytes("2.0\0", 4)));
    }
  }

  void ExpectEarlierInstall(const std::map<std::string, std::string>& before) {
    EXPECT_EQ(TreeContents(install), before);
    EXPECT_EQ(ValueOf(std::string(kKey) + "\\App", "Version"), std::string("1.0\0", 4));
    EXPECT_EQ(ValueOf(std::string(kKey) + "\\App", "Added"), "<none>");
    EXPECT_FALSE(plat::RegKeyExists(plat::kCurrentUser, std::string(kKey) + "\\Fresh",
                                    plat::RegView::kDefault));
    EXPECT_FALSE(plat::PathExists(BackupFolderOf(install)));
  }
};

TEST_F(InstallJournalTest, RollBackPutsTheEarlierInstallBackByteForByte) {
  const auto before = TreeContents(install);
  InstallJournal journal;
  ASSERT_TRUE(journal.Begin(install, "Demo"));
  ChangeEverything(journal);
  // The replaced files wait in the backup folder, moved there, not copied.
  EXPECT_TRUE(plat::FileExists(BackupFolderOf(install) + "\\1"));
  EXPECT_EQ(plat::FileSize(BackupFolderOf(install) + "\\1").value_or(0), 11u);

  EXPECT_TRUE(journal.RollBack());
  EXPECT_TRUE(journal.Unrestored().empty());
  ExpectEarlierInstall(before);
}

TEST_F(InstallJournalTest, AnInstallFolderTheRunCreatedGoesEntirely) {
  const std::string fresh = folder / "Programs\\Vendor\\Product";
  InstallJournal journal;
  ASSERT_TRUE(journal.Begin(fresh, "Demo"));
  ASSERT_TRUE(journal.NoteRoot(fresh));
  ASSERT_EQ(journal.BeforeWrite(fresh + "\\bin\\a.exe"), Step::kReady);
  ASSERT_TRUE(plat::CreateDirectories(fresh + "\\bin"));
  ASSERT_TRUE(plat::WriteFileBytes(fresh + "\\bin\\a.exe", "a"));
  // A group extracted elsewhere has its own root.
  const std::string group = folder / "Shared\\Help";
  ASSERT_TRUE(journal.NoteRoot(group));
  ASSERT_EQ(journal.BeforeWrite(group + "\\help.txt"), Step::kReady);
  ASSERT_TRUE(plat::CreateDirectories(group));
  ASSERT_TRUE(plat::WriteFileBytes(group + "\\help.txt", "h"));

  EXPECT_TRUE(journal.RollBack());
  EXPECT_FALSE(plat::PathExists(folder / "Programs"));
  EXPECT_FALSE(plat::PathExists(folder / "Shared"));
  EXPECT_TRUE(plat::DirectoryExists(install));  // what was there before stays
}

TEST_F(InstallJournalTest, ARunThatNeverRolledBackIsReplayedByTheNextOne) {
  const auto before = TreeContents(install);
  {
    InstallJournal journal;
    ASSERT_TRUE(journal.Begin(install, "演示软件"));
    ChangeEverything(journal);
    // While the run goes on its record is held: another run must not replay it.
    std::string product;
    std::vector<std::string> unrestored;
    EXPECT_EQ(RecoverUnfinished(install, product, unrestored), RecoveryResult::kHeld);
  }  // the crash: no RollBack, no Commit
  ASSERT_TRUE(plat::FileExists(BackupFolderOf(install) + "\\" + kJournalFileName));

  std::string product;
  std::vector<std::string> unrestored;
  EXPECT_EQ(RecoverUnfinished(install, product, unrestored), RecoveryResult::kRestored);
  EXPECT_EQ(product, "演示软件");
  EXPECT_TRUE(unrestored.empty());
  ExpectEarlierInstall(before);
  EXPECT_EQ(RecoverUnfinished(install, product, unrestored), RecoveryResult::kNothing);
}

TEST_F(InstallJournalTest, CommitKeepsTheNewInstallAndDropsTheBackup) {
  InstallJournal journal;
  ASSERT_TRUE(journal.Begin(install, "Demo"));
  ChangeEverything(journal);
  EXPECT_TRUE(journal.Commit());
  EXPECT_FALSE(plat::PathExists(BackupFolderOf(install)));
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(install + "\\app.exe", content));
  EXPECT_EQ(content, "new");
  std::string product;
  std::vector<std::string> unrestored;
  EXPECT_EQ(RecoverUnfinished(install, product, unrestored), RecoveryResult::kNothing);
}

TEST_F(InstallJournalTest, AFileHeldByAnotherHandleIsInUseAndStaysWhereItIs) {
  InstallJournal journal;
  ASSERT_TRUE(journal.Begin(install, "Demo"));
  {
    plat::File holder = plat::File::Open(install + "\\app.exe", plat::OpenMode::kRead);
    ASSERT_TRUE(holder.IsOpen());
    EXPECT_EQ(journal.BeforeWrite(install + "\\app.exe"), Step::kInUse);
    EXPECT_TRUE(plat::FileExists(install + "\\app.exe"));
  }
  // Retried once the holder let go.
  EXPECT_EQ(journal.BeforeWrite(install + "\\app.exe"), Step::kReady);
  EXPECT_FALSE(plat::FileExists(install + "\\app.exe"));
  EXPECT_TRUE(journal.RollBack());
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(install + "\\app.exe", content));
  EXPECT_EQ(content, "old program");
}

TEST_F(InstallJournalTest, ACopiedFileStaysInPlaceForItsWriterToRead) {
  InstallJournal journal;
  ASSERT_TRUE(journal.Begin(install, "Demo"));
  ASSERT_EQ(journal.BeforeRewrite(install + "\\sub\\data.txt"), Step::kReady);
  Bytes content;
  ASSERT_TRUE(plat::ReadFileBytes(install + "\\sub\\data.txt", content));
  EXPECT_EQ(content, "old data");
  ASSERT_TRUE(plat::WriteFileBytes(install + "\\sub\\data.txt", "rewritten"));
  EXPECT_TRUE(journal.RollBack());
  ASSERT_TRUE(plat::ReadFileBytes(install + "\\sub\\data.txt", content));
  EXPECT_EQ(content, "old data");
}

TEST_F(InstallJournalTest, ABackupFolderAlreadyThereIsNotTakenOver) {
  ASSERT_TRUE(plat::CreateDirectories(BackupFolderOf(install)));
  InstallJournal journal;
  EXPECT_FALSE(journal.Begin(install, "Demo"));
  EXPECT_FALSE(journal.Active());
}

TEST(InstallJournalLines, EntriesReadBackAsWritten) {
  std::vector<JournalEntry> entries(5);
  entries[0].kind = JournalEntry::kFolderCreated;
  entries[0].path = "C:\\Program Files\\演示软件";
  entries[1].kind = JournalEntry::kFileMoved;
  entries[1].path = "C:\\Program Files\\演示软件\\a b.exe";
  entries[1].backup = "12";
  entries[2].kind = JournalEntry::kKeyCreated;
  entries[2].root = plat::kLocalMachine;
  entries[2].view = plat::RegView::k64;
  entries[2].path = "SOFTWARE\\A\tB";
  entries[3].kind = JournalEntry::kValueSet;
  entries[3].root = plat::kCurrentUser;
  entries[3].view = plat::RegView::k32;
  entries[3].path = "Software\\X";
  entries[3].valueName = "name\r\nwith breaks";
  entries[3].hadValue = true;
  entries[3].old.type = plat::kRegBinary;
  entries[3].old.data = Bytes("\0\x01\xff", 3);
  entries[4].kind = JournalEntry::kValueSet;
  entries[4].root = plat::kCurrentUser;
  entries[4].path = "Software\\X";
  entries[4].valueName = "";
  for (const JournalEntry& e : entries) {
    const std::string line = FormatJournalLine(e);
    ASSERT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line per entry";
    JournalEntry back;
    ASSERT_TRUE(ParseJournalLine(line.substr(0, line.size() - 1), back)) << line;
    EXPECT_EQ(back.kind, e.kind);
    EXPECT_EQ(back.path, e.path);
    EXPECT_EQ(back.backup, e.backup);
    EXPECT_EQ(back.root, e.root);
    EXPECT_EQ(back.view, e.view);
    EXPECT_EQ(back.valueName, e.valueName);
    EXPECT_EQ(back.hadValue, e.hadValue);
    EXPECT_EQ(back.old.type, e.old.type);
    EXPECT_EQ(back.old.data, e.old.data);
  }
}

TEST(InstallJournalLines, DamagedLinesAreRefused) {
  const char* lines[] = {
      "",                            // empty
      "B\tC:\\a.txt",                // a move without its backup name
      "B\tC:\\a.txt\t..\\..\\x",     // a backup name that would leave the folder
      "V\t3\t0\t41\t4",              // a value line cut short by a crash
      "V\t3\t0\t4g\t41\t1\t00",      // a key that is not hexadecimal
      "X\tC:\\a.txt",                // an unknown kind
      "CC\tC:\\a.txt",               // a kind of two letters
  };
  for (const char* line : lines) {
    JournalEntry e;
    EXPECT_FALSE(ParseJournalLine(line, e)) << line;
  }
}

}  // namespace
