#include "system/temp_names.h"

#include <cstdint>
#include <vector>

#include "common/text.h"
#include "platform/platform.h"

namespace {

// The process's name counter: one more per name handed out or passed over.
uint32_t g_nameCounter = 0;

std::string Hex(uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return out;
}

struct OwnFolder {
  std::string name;  // the fixed name asked for, "" for a generated one
  std::string path;  // without a trailing "\"
  plat::File hold;
};

std::vector<OwnFolder>& OwnFolders() {
  static std::vector<OwnFolder> folders;
  return folders;
}

std::string WithoutSeparator(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// Made and held, or nothing: a folder that cannot be held is given up at once.
bool ClaimFresh(const std::string& path, const std::string& name) {
  if (!plat::CreateFreshDirectory(path)) return false;
  plat::File hold = plat::File::HoldFolder(path);
  if (!hold.IsOpen()) {
    plat::RemoveDirectory(path);
    return false;
  }
  OwnFolders().push_back({name, path, std::move(hold)});
  return true;
}

}  // namespace

std::string CreateOwnTempFolder(const std::string& folder) {
  const std::string base = folder.empty() ? plat::TempFolder() : folder;
  for (int attempt = 0; attempt < kFreshNameAttempts; ++attempt) {
    const std::string path = base + Hex(plat::TickCount() + ++g_nameCounter) + ".tmp";
    if (ClaimFresh(path, "")) return path;
    // Only a name that exists is worth another try; a temp folder that refuses writing would
    // refuse every name.
    if (!plat::PathExists(path)) return "";
  }
  return "";
}

std::string OwnTempFolder(const std::string& name) {
  for (const OwnFolder& own : OwnFolders())
    if (own.name == name && plat::DirectoryExists(own.path)) return own.path;
  const std::string path = plat::TempFolder() + name;
  if (plat::PathExists(path)) {
    // Moved aside first: removing in place could be raced by someone re-filling the folder,
    // and a folder another run holds, or that has a file in use, refuses the move and is left
    // to its owner.
    const std::string aside = FreshTempName();
    if (!aside.empty() && plat::MoveFile(path, aside)) {
      if (!plat::RemoveDirectoryTree(aside)) plat::DeleteFile(aside);
    }
  }
  if (ClaimFresh(path, name)) return path;
  const std::string generated = CreateOwnTempFolder();
  if (!generated.empty()) OwnFolders().back().name = name;
  return generated;
}

bool IsOwnTempFolder(const std::string& path) {
  const std::string bare = WithoutSeparator(path);
  for (const OwnFolder& own : OwnFolders())
    if (own.path == bare && own.hold.IsOpen()) return true;
  return false;
}

bool RemoveOwnTempFolder(const std::string& path) {
  const std::string bare = WithoutSeparator(path);
  std::vector<OwnFolder>& folders = OwnFolders();
  for (size_t i = 0; i < folders.size(); ++i) {
    if (folders[i].path != bare) continue;
    folders.erase(folders.begin() + ptrdiff_t(i));  // closes the hold
    return plat::RemoveDirectoryTree(bare);
  }
  return false;
}

void ForgetOwnTempFolders() { OwnFolders().clear(); }

std::string FreshTempName(const std::string& suffix, const std::string& folder,
                          const std::function<bool(const std::string&)>& taken) {
  const std::string base = folder.empty() ? plat::TempFolder() : folder;
  auto isTaken = [&taken](const std::string& path) {
    return taken ? taken(path) : plat::PathExists(path);
  };
  for (int attempt = 0; attempt < kFreshNameAttempts; ++attempt) {
    const std::string name = base + Hex(plat::TickCount() + ++g_nameCounter) + ".tmp";
    if (!isTaken(name) && (suffix.empty() || !isTaken(name + suffix))) return name;
  }
  return "";
}
