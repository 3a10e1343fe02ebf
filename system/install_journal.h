// The install's undo record. While an install runs, every file and folder it creates, every
// existing file it replaces and every registry value it sets is noted here first; an existing
// file is moved into the run's backup folder before it is replaced. A run that fails or is
// cancelled rolls the machine back from this record; a completed run drops it.
//
// The backup folder is `<install folder>\~install-backup.tmp`: inside the install folder, so a
// replaced file leaves its place by a rename on the same drive (nothing is copied, so a full
// drive can still be rolled back). Its file "journal.txt" holds the record, one line per
// change, written before the change is made, so that a run that never got to roll back (a
// crash, a power loss) leaves what the next run needs: RecoverUnfinished replays it. Lines are
// GBK text ending in "\n", fields separated by a tab (file names cannot hold tabs; registry
// key and value names, which can, are written in hexadecimal).
//
// Nothing here shows anything or ends the run; the install sequence decides what the user
// hears.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "platform/platform.h"

inline constexpr char kBackupFolderName[] = "~install-backup.tmp";
inline constexpr char kJournalFileName[] = "journal.txt";

// The backup folder an install into `installFolder` uses.
std::string BackupFolderOf(const std::string& installFolder);

// One noted change. Kinds: folder created, subfolder that existed under an extraction root
// (and the root itself), file created, file moved into the backup, file copied into the
// backup, registry key created, registry value about to be set.
struct JournalEntry {
  enum Kind : char {
    kFolderCreated = 'D',
    kRoot = 'R',
    kFolderKept = 'K',
    kFileCreated = 'C',
    kFileMoved = 'B',
    kFileCopied = 'P',
    kKeyCreated = 'N',
    kValueSet = 'V',
  };
  Kind kind = kFileCreated;
  std::string path;    // file or folder; registry: the key
  std::string backup;  // kFileMoved, kFileCopied: the name inside the backup folder
  // Registry entries.
  int root = 0;
  plat::RegView view = plat::RegView::kDefault;
  std::string valueName;
  bool hadValue = false;
  plat::RegValue old;
};

class InstallJournal {
 public:
  enum class FileStep {
    kReady,   // noted (or nothing to note): the file may be written
    kInUse,   // an existing file cannot be replaced: another program holds it
    kFailed,  // the record or the backup could not be written (full drive, no access)
  };

  InstallJournal() = default;
  // Leaves the backup folder and its record as they are: a run that ends without Commit or
  // RollBack is one that crashed, as far as the next run can tell.
  ~InstallJournal() = default;
  InstallJournal(const InstallJournal&) = delete;
  InstallJournal& operator=(const InstallJournal&) = delete;

  // Creates the missing levels of `installFolder` (each noted), the backup folder and its
  // record, which names `productName` and the folder. The record stays open, which also keeps
  // another run from replaying it. False when any of them cannot be made (a full drive, no
  // access, or a backup folder already there); what was created is removed again.
  [[nodiscard]] bool Begin(const std::string& installFolder, const std::string& productName);
  bool Active() const { return active_; }
  const std::string& BackupFolder() const { return backupFolder_; }

  // Before an extraction into `root`: notes the folders below it that exist now, so that a
  // roll-back removes only the empty folders the extraction made (the archiver creates the
  // folders of an archive's folder entries without reporting them).
  [[nodiscard]] bool NoteRoot(const std::string& root);

  // Before `folder` is created: its missing levels are noted. False when the record cannot be
  // written.
  [[nodiscard]] bool BeforeCreateFolder(const std::string& folder);

  // Before `path` is written. A path not there yet is noted as created (its missing folders
  // too); an existing file is moved into the backup, unless it cannot be opened for writing
  // (kInUse: it stays where it is). A path already noted in this run is ready at once.
  [[nodiscard]] FileStep BeforeWrite(const std::string& path);
  // The same for a file whose writer reads it before replacing it (the uninstall record):
  // an existing one is copied into the backup instead of moved.
  [[nodiscard]] FileStep BeforeRewrite(const std::string& path);
  // Before a registry value is set: its old value (or its absence), or the topmost level of
  // its key that does not exist yet. A trailing "\" of `subkey` is not part of the key.
  [[nodiscard]] bool BeforeRegistryWrite(int root, const std::string& subkey,
                                         const std::string& valueName, plat::RegView view);

  // Undoes every noted change in reverse order: created files deleted, replaced files put
  // back, registry values restored (or deleted, and created keys removed), folders the run
  // created removed when they are empty. When all of it worked the backup folder goes; when
  // not, it stays with its record for the next run, and the result is false. The items that
  // could not be restored are in Unrestored().
  bool RollBack();
  // The install completed: the backup folder and its record go. False when the folder could
  // not be removed (it then holds nothing the next run would replay: the record is emptied).
  bool Commit();

  const std::vector<std::string>& Unrestored() const { return unrestored_; }
  const std::vector<JournalEntry>& Entries() const { return entries_; }

 private:
  bool Append(const JournalEntry& entry);
  FileStep Prepare(const std::string& path, bool copy);

  bool active_ = false;
  std::string installFolder_;
  std::string backupFolder_;
  plat::File record_;
  std::vector<JournalEntry> entries_;
  std::set<std::string> notedFiles_;
  std::set<std::string> knownFolders_;  // there before, or noted as created
  std::set<std::string> notedValues_;
  std::vector<JournalEntry> createdKeys_;
  int backupCount_ = 0;
  std::vector<std::string> unrestored_;
};

// What RecoverUnfinished found.
enum class RecoveryResult {
  kNothing,   // no backup folder with a record in the folder
  kRestored,  // an unfinished run's changes were undone; its backup folder is gone
  kFailed,    // some could not be undone; the folder and its record stay
  kHeld,      // the record is held open: another install into this folder is running
};

// Replays the record an unfinished install left in `installFolder` (see the file comment):
// the same undo as RollBack. `productName` receives the product the record names, and
// `unrestored` the items that could not be restored.
RecoveryResult RecoverUnfinished(const std::string& installFolder, std::string& productName,
                                 std::vector<std::string>& unrestored);

// Lines of a record and back (for the recovery and the tests).
std::string FormatJournalLine(const JournalEntry& entry);
bool ParseJournalLine(const std::string& line, JournalEntry& entry);
