#include "system/install_journal.h"

#include <algorithm>

#include "common/text.h"
#include "system/file_tree.h"

namespace {

constexpr uint32_t kAttributeReadOnly = 0x1;
constexpr char kHeaderMark[] = "#";

std::string FromHex(const std::string& hex, bool& ok) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  ok = hex.size() % 2 == 0;
  for (size_t i = 0; ok && i < hex.size(); i += 2) {
    const int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) ok = false;
    else out.push_back(char(high * 16 + low));
  }
  return out;
}

int ViewCode(plat::RegView view) {
  return view == plat::RegView::k64 ? 64 : view == plat::RegView::k32 ? 32 : 0;
}

plat::RegView ViewOfCode(int code) {
  return code == 64 ? plat::RegView::k64 : code == 32 ? plat::RegView::k32 : plat::RegView::kDefault;
}

std::string ParentOf(const std::string& path) {
  const size_t sep = text::FindLastSeparator(path);
  return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

std::string KeyWithoutSeparator(const std::string& subkey) {
  return text::StripTrailingSeparators(subkey);
}

std::string ValueId(int root, plat::RegView view, const std::string& key, const std::string& name) {
  return text::FromInt(root) + "|" + text::FromInt(ViewCode(view)) + "|" + key + "|" + name;
}

std::string RegistryItemText(const JournalEntry& e) {
  return e.path + (e.kind == JournalEntry::kValueSet ? "\\" + e.valueName : std::string());
}

// A file another program holds cannot be opened for writing; a read-only one cannot either,
// but the extraction replaces it all the same, so it is no reason to stop.
bool Replaceable(const std::string& path) {
  plat::File probe = plat::File::Open(path, plat::OpenMode::kReadWrite);
  if (probe.IsOpen()) return true;
  const uint32_t attributes = plat::GetFileAttributes(path);
  return attributes != 0xFFFFFFFFu && (attributes & kAttributeReadOnly) != 0;
}

// Files and registry first, newest first; then the empty folders an extraction made below its
// roots. Created folders (kFolderCreated) are left to the caller: the backup folder may lie in
// one of them.
bool UndoChanges(const std::vector<JournalEntry>& entries, const std::string& backupFolder,
                 std::vector<std::string>& unrestored) {
  bool ok = true;
  auto fail = [&](const std::string& item) {
    ok = false;
    unrestored.push_back(item);
  };
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const JournalEntry& e = *it;
    switch (e.kind) {
      case JournalEntry::kFileCreated:
        if (plat::FileExists(e.path) && !plat::DeleteFile(e.path)) fail(e.path);
        break;
      case JournalEntry::kFileMoved:
      case JournalEntry::kFileCopied: {
        // No backup file: the run stopped between the note and the move, so the file never
        // left its place.
        const std::string kept = backupFolder + "\\" + e.backup;
        if (!plat::FileExists(kept)) break;
        if (plat::FileExists(e.path) && !plat::DeleteFile(e.path)) {
          fail(e.path);
          break;
        }
        if (!plat::MoveFile(kept, e.path)) fail(e.path);
        break;
      }
      case JournalEntry::kValueSet:
        if (e.hadValue) {
          if (!plat::RegWriteValue(e.root, e.path, e.valueName, e.view, e.old.type, e.old.data))
            fail(RegistryItemText(e));
        } else {
          plat::RegValue now;
          if (plat::RegReadValue(e.root, e.path, e.valueName, e.view, now) &&
              !plat::RegDeleteValue(e.root, e.path, e.valueName, e.view))
            fail(RegistryItemText(e));
        }
        break;
      case JournalEntry::kKeyCreated:
        if (plat::RegKeyExists(e.root, e.path, e.view) &&
            !plat::RegDeleteKeyTree(e.root, e.path, e.view))
          fail(RegistryItemText(e));
        break;
      default:
        break;
    }
  }
  // Folders below a root that were not there before and are empty now were the extraction's.
  // One that still holds something keeps it: it is not ours to delete.
  std::set<std::string> kept;
  std::vector<std::string> roots;
  for (const JournalEntry& e : entries) {
    if (e.kind == JournalEntry::kFolderKept) kept.insert(e.path);
    if (e.kind == JournalEntry::kRoot) roots.push_back(e.path);
  }
  for (auto root = roots.rbegin(); root != roots.rend(); ++root) {
    std::vector<std::string> folders;
    ListSubfolders(*root, true, folders);
    for (const std::string& folder : folders)
      if (folder != backupFolder && !kept.count(folder)) plat::RemoveDirectory(folder);
  }
  return ok;
}

// The folders a run created, deepest (latest) first; only empty ones go.
void RemoveCreatedFolders(const std::vector<JournalEntry>& entries) {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (it->kind == JournalEntry::kFolderCreated && plat::DirectoryExists(it->path) &&
        !FolderHasContent(it->path))
      plat::RemoveDirectory(it->path);
}

}  // namespace

std::string BackupFolderOf(const std::string& installFolder) {
  return text::StripTrailingSeparators(installFolder) + "\\" + kBackupFolderName;
}

std::string FormatJournalLine(const JournalEntry& e) {
  std::string line(1, char(e.kind));
  auto field = [&line](const std::string& value) { line.append("\t").append(value); };
  switch (e.kind) {
    case JournalEntry::kFileMoved:
    case JournalEntry::kFileCopied:
      field(e.path);
      field(e.backup);
      break;
    case JournalEntry::kKeyCreated:
      field(text::FromInt(e.root));
      field(text::FromInt(ViewCode(e.view)));
      field(text::HexLower(e.path));
      break;
    case JournalEntry::kValueSet:
      field(text::FromInt(e.root));
      field(text::FromInt(ViewCode(e.view)));
      field(text::HexLower(e.path));
      field(text::HexLower(e.valueName));
      field(e.hadValue ? text::FromInt(e.old.type) : std::string("-"));
      field(text::HexLower(e.old.data));
      break;
    default:
      field(e.path);
      break;
  }
  return line + "\n";
}

bool ParseJournalLine(const std::string& line, JournalEntry& e) {
  const std::vector<std::string> f = text::Split(line, "\t");
  if (f.size() < 2 || f[0].size() != 1) return false;
  e = JournalEntry();
  e.kind = JournalEntry::Kind(f[0][0]);
  bool ok = true;
  switch (e.kind) {
    case JournalEntry::kFolderCreated:
    case JournalEntry::kRoot:
    case JournalEntry::kFolderKept:
    case JournalEntry::kFileCreated:
      e.path = f[1];
      return f.size() == 2 && !e.path.empty();
    case JournalEntry::kFileMoved:
    case JournalEntry::kFileCopied:
      if (f.size() != 3) return false;
      e.path = f[1];
      e.backup = f[2];
      // The backup name is ours, a plain number: anything else would reach out of the folder.
      return !e.path.empty() && !e.backup.empty() &&
             std::all_of(e.backup.begin(), e.backup.end(), [](char c) { return c >= '0' && c <= '9'; });
    case JournalEntry::kKeyCreated:
      if (f.size() != 4) return false;
      e.root = text::ToInt(f[1]);
      e.view = ViewOfCode(text::ToInt(f[2]));
      e.path = FromHex(f[3], ok);
      return ok && !e.path.empty();
    case JournalEntry::kValueSet:
      if (f.size() != 7) return false;
      e.root = text::ToInt(f[1]);
      e.view = ViewOfCode(text::ToInt(f[2]));
      e.path = FromHex(f[3], ok);
      if (!ok) return false;
      e.valueName = FromHex(f[4], ok);
      if (!ok) return false;
      e.hadValue = f[5] != "-";
      e.old.type = e.hadValue ? uint32_t(text::ToInt64(f[5])) : 0;
      e.old.data = FromHex(f[6], ok);
      return ok && !e.path.empty();
    default:
      return false;
  }
}

bool InstallJournal::Begin(const std::string& installFolder, const std::string& productName) {
  installFolder_ = text::StripTrailingSeparators(installFolder);
  backupFolder_ = BackupFolderOf(installFolder_);
  entries_.clear();
  std::vector<std::string> missing;
  for (std::string folder = installFolder_; !folder.empty() && !plat::DirectoryExists(folder);
       folder = ParentOf(folder))
    missing.insert(missing.begin(), folder);
  auto undo = [&] {
    record_.Close();
    plat::RemoveDirectoryTree(backupFolder_);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) plat::RemoveDirectory(*it);
    return false;
  };
  if (plat::PathExists(backupFolder_)) return false;
  for (const std::string& folder : missing)
    if (!plat::CreateDirectory(folder)) return undo();
  if (!plat::CreateDirectory(backupFolder_)) return undo();
  record_ = plat::File::Open(backupFolder_ + "\\" + kJournalFileName, plat::OpenMode::kCreateAlways);
  const std::string header = std::string(kHeaderMark) + "\t" + productName + "\t" + installFolder_ + "\n";
  if (!record_.IsOpen() || !record_.Write(header.data(), header.size())) return undo();
  active_ = true;
  for (const std::string& folder : missing) {
    JournalEntry e;
    e.kind = JournalEntry::kFolderCreated;
    e.path = folder;
    knownFolders_.insert(folder);
    if (!Append(e)) {
      active_ = false;
      return undo();
    }
  }
  return true;
}

bool InstallJournal::Append(const JournalEntry& entry) {
  const std::string line = FormatJournalLine(entry);
  if (!record_.Write(line.data(), line.size())) return false;
  entries_.push_back(entry);
  return true;
}

bool InstallJournal::NoteRoot(const std::string& root) {
  if (!active_) return true;
  const std::string folder = text::StripTrailingSeparators(root);
  if (!BeforeCreateFolder(folder)) return false;
  JournalEntry e;
  e.kind = JournalEntry::kRoot;
  e.path = folder;
  if (!Append(e)) return false;
  std::vector<std::string> existing;
  ListSubfolders(folder, true, existing);
  for (const std::string& sub : existing) {
    if (sub == backupFolder_) continue;
    JournalEntry k;
    k.kind = JournalEntry::kFolderKept;
    k.path = sub;
    if (!Append(k)) return false;
  }
  return true;
}

bool InstallJournal::BeforeCreateFolder(const std::string& folder) {
  if (!active_) return true;
  std::vector<std::string> missing;
  std::string f = text::StripTrailingSeparators(folder);
  // Folders seen once (there, or noted) are not asked about again: the extraction of a large
  // folder would otherwise ask the file system for each of its files.
  for (; !f.empty() && !knownFolders_.count(f); f = ParentOf(f)) {
    if (plat::DirectoryExists(f)) {
      knownFolders_.insert(f);
      break;
    }
    // A bare drive ("X:") that is missing cannot be created; nothing to note.
    if (f.size() <= 2) break;
    missing.insert(missing.begin(), f);
  }
  for (const std::string& m : missing) {
    JournalEntry e;
    e.kind = JournalEntry::kFolderCreated;
    e.path = m;
    if (!Append(e)) return false;
    knownFolders_.insert(m);
  }
  return true;
}

InstallJournal::FileStep InstallJournal::Prepare(const std::string& path, bool copy) {
  if (!active_ || path.empty() || notedFiles_.count(path)) return FileStep::kReady;
  // A folder in the file's place makes the write fail; there is nothing to keep.
  if (plat::DirectoryExists(path)) return FileStep::kReady;
  if (!BeforeCreateFolder(ParentOf(path))) return FileStep::kFailed;
  JournalEntry e;
  e.path = path;
  if (!plat::FileExists(path)) {
    e.kind = JournalEntry::kFileCreated;
    if (!Append(e)) return FileStep::kFailed;
    notedFiles_.insert(path);
    return FileStep::kReady;
  }
  if (!copy && !Replaceable(path)) return FileStep::kInUse;
  e.kind = copy ? JournalEntry::kFileCopied : JournalEntry::kFileMoved;
  e.backup = text::FromInt(++backupCount_);
  // Noted before the move: a run that stops in between leaves a note without a backup file,
  // which the undo passes over; the other order could leave a backup nobody knows about.
  if (!Append(e)) return FileStep::kFailed;
  const std::string kept = backupFolder_ + "\\" + e.backup;
  if (copy) {
    if (!plat::CopyFile(path, kept, true)) return FileStep::kFailed;
  } else if (!plat::MoveFile(path, kept)) {
    // A holder that lets others write but not rename (or a file that appeared in between).
    return plat::FileExists(path) ? FileStep::kInUse : FileStep::kFailed;
  }
  notedFiles_.insert(path);
  return FileStep::kReady;
}

InstallJournal::FileStep InstallJournal::BeforeWrite(const std::string& path) {
  return Prepare(path, false);
}

InstallJournal::FileStep InstallJournal::BeforeRewrite(const std::string& path) {
  return Prepare(path, true);
}

bool InstallJournal::BeforeRegistryWrite(int root, const std::string& subkey,
                                         const std::string& valueName, plat::RegView view) {
  if (!active_) return true;
  const std::string key = KeyWithoutSeparator(subkey);
  const std::string id = ValueId(root, view, key, valueName);
  if (notedValues_.count(id)) return true;
  // A key below one this run created goes with it.
  for (const JournalEntry& created : createdKeys_)
    if (created.root == root && created.view == view &&
        (key == created.path || text::StartsWith(key, created.path + "\\")))
      return true;
  JournalEntry e;
  e.root = root;
  e.view = view;
  if (!plat::RegKeyExists(root, key, view)) {
    // The topmost missing level: removing it removes everything the write creates.
    std::string top;
    std::string built;
    for (const std::string& part : text::Split(key, "\\")) {
      built += (built.empty() ? "" : "\\") + part;
      if (!plat::RegKeyExists(root, built, view)) {
        top = built;
        break;
      }
    }
    if (top.empty()) top = key;
    e.kind = JournalEntry::kKeyCreated;
    e.path = top;
    if (!Append(e)) return false;
    createdKeys_.push_back(e);
    return true;
  }
  e.kind = JournalEntry::kValueSet;
  e.path = key;
  e.valueName = valueName;
  e.hadValue = plat::RegReadValue(root, key, valueName, view, e.old);
  if (!e.hadValue) e.old = plat::RegValue();
  if (!Append(e)) return false;
  notedValues_.insert(id);
  return true;
}

bool InstallJournal::RollBack() {
  if (!active_) return true;
  unrestored_.clear();
  const bool ok = UndoChanges(entries_, backupFolder_, unrestored_);
  if (!ok) return false;
  record_.Close();
  active_ = false;
  if (!plat::RemoveDirectoryTree(backupFolder_) && plat::PathExists(backupFolder_)) {
    unrestored_.push_back(backupFolder_);
    return false;
  }
  RemoveCreatedFolders(entries_);
  return true;
}

bool InstallJournal::Commit() {
  if (!active_) return true;
  active_ = false;
  // Emptied first: should the folder not go, nothing in it may be replayed over the
  // completed install.
  (void)record_.Seek(0);
  (void)record_.Truncate();
  record_.Close();
  return plat::RemoveDirectoryTree(backupFolder_) || !plat::PathExists(backupFolder_);
}

RecoveryResult RecoverUnfinished(const std::string& installFolder, std::string& productName,
                                 std::vector<std::string>& unrestored) {
  const std::string backupFolder = BackupFolderOf(installFolder);
  const std::string recordPath = backupFolder + "\\" + kJournalFileName;
  if (!plat::FileExists(recordPath)) return RecoveryResult::kNothing;
  std::vector<JournalEntry> entries;
  {
    // Taken for writing: a run that is still installing holds it, and its changes are not
    // ours to undo.
    plat::File record = plat::File::Open(recordPath, plat::OpenMode::kReadWrite);
    if (!record.IsOpen()) return RecoveryResult::kHeld;
    const std::optional<uint64_t> size = record.Size();
    std::string content(size_t(size.value_or(0)), '\0');
    if (!content.empty() && !record.ReadExact(content.data(), content.size()))
      return RecoveryResult::kFailed;
    for (const std::string& line : text::Split(content, "\n")) {
      if (line.empty()) continue;
      if (text::StartsWith(line, std::string(kHeaderMark) + "\t")) {
        const std::vector<std::string> f = text::Split(line, "\t");
        if (f.size() >= 2) productName = f[1];
        continue;
      }
      // A line cut short by the crash is the last one; what it would have named was never
      // changed.
      JournalEntry e;
      if (ParseJournalLine(line, e)) entries.push_back(e);
    }
  }
  if (!UndoChanges(entries, backupFolder, unrestored)) return RecoveryResult::kFailed;
  if (!plat::RemoveDirectoryTree(backupFolder) && plat::PathExists(backupFolder)) {
    unrestored.push_back(backupFolder);
    return RecoveryResult::kFailed;
  }
  RemoveCreatedFolders(entries);
  return RecoveryResult::kRestored;
}
