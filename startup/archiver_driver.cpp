#include "startup/archiver_driver.h"

#include "package/install_path.h"


#include "archiver/archiver.h"
#include "common/compressed_block.h"
#include "common/text.h"
#include "platform/platform.h"
#include "script/unpack_progress.h"
#include "system/temp_names.h"

namespace {

using SevenZipFn = int(ARCHIVER_CALL*)(void*, const char*, char*, uint32_t);
using SetOwnerFn = int(ARCHIVER_CALL*)(void*, ArchiverProc);

struct Binding {
  std::string loadFolder;
  ExitCode setUp = kExitSuccess;
  // The written library, open without write or delete sharing for the rest of the process.
  plat::File held;
  plat::Library library;
  bool tried = false;
  SevenZipFn sevenZip = nullptr;
  SetOwnerFn setOwner = nullptr;
};

Binding& TheBinding() {
  static Binding binding;
  return binding;
}

// Loads the library on first use: from the load folder first, then by its bare name.
bool Bind() {
  Binding& b = TheBinding();
  if (b.sevenZip) return true;
  if (!b.library.IsLoaded()) {
    if (!b.loadFolder.empty()) b.library = plat::Library::Load(b.loadFolder + kArchiverFileName);
    if (!b.library.IsLoaded()) b.library = plat::Library::Load(kArchiverFileName);
    if (!b.library.IsLoaded()) return false;
  }
  b.sevenZip = reinterpret_cast<SevenZipFn>(b.library.Symbol("SevenZip"));
  b.setOwner = reinterpret_cast<SetOwnerFn>(b.library.Symbol("SevenZipSetOwnerWindowEx"));
  return b.sevenZip != nullptr;
}

int lastResult = 0;

// The callback registered with the library; it forwards to the unpack progress state.
int ARCHIVER_CALL ArchiverProcEntry(void* window, unsigned message, unsigned state, void* info) {
  return ArchiverCallback(window, message, state, info) ? 1 : 0;
}

}  // namespace

void ReleaseArchiver() {
  Binding& b = TheBinding();
  b.sevenZip = nullptr;
  b.setOwner = nullptr;
  b.library = plat::Library();
  b.held.Close();
  if (!b.loadFolder.empty() && IsOwnTempFolder(b.loadFolder)) RemoveOwnTempFolder(b.loadFolder);
  b.loadFolder.clear();
}

void SetUpArchiver(BytesView image) {
  ReleaseArchiver();  // a set-up before this one (tests) lets go of its folder
  Binding& b = TheBinding();
  b.setUp = kExitSuccess;
  if (image.empty()) {
    b.loadFolder = plat::TempFolder();
    return;
  }
  // A folder of this run's own, not the temp folder itself: a 7-zip32.dll that someone else
  // left there (or a link under that name) is never written through or loaded, and a run
  // started by another run's command gets its own copy beside the one in use.
  b.setUp = kExitTempWriteFailed;
  const std::string folder = CreateOwnTempFolder();
  if (folder.empty()) return;
  const std::string path = folder + "\\" + kArchiverFileName;
  {
    plat::File out = plat::File::Open(path, plat::OpenMode::kCreateNew);
    if (!out.IsOpen() || !out.Write(image)) return;
  }
  // Checked while held against writers, so that what is loaded later is what was checked.
  plat::File held = plat::File::Open(path, plat::OpenMode::kRead);
  if (!plat::HoldsExactly(held, image)) {
    b.setUp = kExitTempFileChanged;
    return;
  }
  b.setUp = kExitSuccess;
  b.held = std::move(held);
  b.loadFolder = folder + "\\";
}

ExitCode ArchiverSetUpOutcome() { return TheBinding().setUp; }


const std::string& ArchiverLoadFolder() { return TheBinding().loadFolder; }

void SetUpArchiverFromResource() {
  // Stored as a compressed block; a block that does not inflate whole counts as no resource,
  // so a damaged one never reaches the disk as a cut-off library.
  Bytes stored;
  Bytes image;
  if (plat::LoadOwnResource(kArchiverResourceType, kArchiverResourceId, stored))
    image = block::Inflate(stored);
  SetUpArchiver(image);
}

bool CreateFolderPath(const std::string& path) {
  const std::vector<std::string> parts = text::SplitPath(path);
  if (parts.size() < 2) return false;
  if (parts[0].size() != 2 || parts[0][1] != ':') return false;
  std::string built = parts[0];
  for (size_t i = 1; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part.empty() || part == "." || part == "..") return false;
    built += "\\" + part;
    if (!plat::DirectoryExists(built) && !plat::CreateDirectory(built)) return false;
  }
  return true;
}

std::string BuildExtractCommand(const std::string& archive, std::string destFolder,
                                const std::string& password, const std::string& includeList,
                                const std::string& excludeList) {
  if (!text::EndsWithSeparator(destFolder)) destFolder += "\\";
  std::vector<std::string> entries;
  if (!includeList.empty()) entries = text::Split(includeList, ",");
  if (!excludeList.empty()) entries = text::Split(excludeList, ",");
  // Lists are written with a comma after every entry; the empty piece after the last comma
  // names nothing and is left out (an empty quoted name would select nothing at all).
  std::string files;
  for (const std::string& entry : entries)
    if (!entry.empty()) files.append("\"").append(entry).append("\" ");
  if (files.empty()) files.assign(1, '*');
  std::string exclusions;
  if (!excludeList.empty())
    for (const std::string& entry : text::Split(excludeList, ","))
      if (!entry.empty()) exclusions.append(" * -x!\"").append(entry).append("\" ");
  return "x  \"" + archive + "\" -hide -y \"" + destFolder + "\" " + files + " -p\"" + password +
         "\"" + exclusions;
}

bool ExtractArchive(const std::string& archive, const std::string& destFolder,
                    const std::string& password, const UnpackProgressFn& progress,
                    const std::string& includeList, const std::string& excludeList) {
  UnpackProgress& state = TheUnpackProgress();
  state.lastPercent = 0;
  // Before the folder is made: the install's undo record must see what is there now.
  if (progress && state.beforeExtraction && !state.beforeExtraction(destFolder)) {
    lastResult = archiver::kErrorCannotWrite;
    return false;
  }
  (void)CreateFolderPath(destFolder);
  const std::string command =
      BuildExtractCommand(archive, destFolder, password, includeList, excludeList);
  if (!Bind()) {
    lastResult = archiver::kErrorArcFileOpen;
    return false;
  }
  Binding& b = TheBinding();
  if (b.setOwner) b.setOwner(nullptr, ArchiverProcEntry);
  TheUnpackProgress().callback = progress;
  char output[1] = {0};
  lastResult = b.sevenZip(nullptr, command.c_str(), output, 0);
  TheUnpackProgress().callback = nullptr;
  return lastResult == 0;
}

int ArchiverLastResult() { return lastResult; }

bool IsPasswordError(int result) { return result == archiver::kErrorPassword; }

bool ExtractAssignedFiles(const std::string& assignments, const std::string& installPath,
                          const std::string& payload, const std::string& password,
                          const UnpackProgressFn& progress, std::string& excludeList) {
  struct Group {
    std::string folder;
    std::string entries;
  };
  std::vector<Group> groups;
  const std::string expanded = package::SubstituteInstallPath(assignments, installPath);
  for (const std::string& line : text::Split(expanded, "\r\n")) {
    const std::vector<std::string> fields = text::Split(line, ",");
    if (fields.size() >= 2 && fields[1] == "-1") {
      groups.push_back({fields[0], ""});
    } else if (!groups.empty() && !fields[0].empty()) {
      groups.back().entries += fields[0] + ",";
      excludeList += fields[0] + ",";
    }
  }
  UnpackProgress& state = TheUnpackProgress();
  state.groupCount = int(groups.size());
  bool ok = true;
  for (size_t i = 0; i < groups.size(); ++i) {
    state.groupIndex = int(i + 1);
    if (!ExtractArchive(payload, groups[i].folder, password, progress, groups[i].entries, ""))
      ok = false;
  }
  return ok;
}

bool ExtractToFolders(const std::string& names, const std::string& folders,
                      const std::string& password, const std::string& payload, bool testMode) {
  if (testMode) return true;
  const std::vector<std::string> folderList = text::Split(folders, ",");
  const std::vector<std::string> nameList = text::Split(names, ",");
  bool ok = true;
  for (size_t i = 0; i < folderList.size(); ++i) {
    const std::string name = i < nameList.size() ? nameList[i] : "";
    if (!ExtractArchive(payload, folderList[i], password, nullptr, name, "")) ok = false;
  }
  return ok;
}
