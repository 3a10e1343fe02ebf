#include "system/held_files.h"

#include <vector>

#include "platform/platform.h"
#include "system/temp_names.h"

namespace {

// Held until the process ends: a program that was not waited for may still be reading.
struct Held {
  std::string path;
  plat::File file;
};

std::vector<Held>& HeldForRun() {
  static std::vector<Held> files;
  return files;
}

}  // namespace

bool WriteHeldFile(const std::string& path, BytesView data) {
  {
    plat::File out = plat::File::Open(path, plat::OpenMode::kCreateNew);
    if (!out.IsOpen() || !out.Write(data)) {
      if (out.IsOpen()) {
        out.Close();
        plat::DeleteFile(path);
      }
      return false;
    }
  }
  // The writer's handle must go before another program can open the file; between the two
  // opens someone with write access to the temp folder could get in, hence the comparison
  // under the hold.
  plat::File held = plat::File::Open(path, plat::OpenMode::kRead);
  if (!plat::HoldsExactly(held, data)) return false;
  HeldForRun().push_back({path, std::move(held)});
  return true;
}

bool WriteFreshHeldFile(const std::string& suffix, BytesView data, std::string& path,
                        const std::string& folder) {
  path.clear();
  for (int attempt = 0; attempt < kFreshNameAttempts; ++attempt) {
    const std::string fresh = FreshTempName(suffix, folder);
    if (fresh.empty()) return false;
    path = fresh + suffix;
    if (WriteHeldFile(path, data)) return true;
    // Taken between the check and the creation: another name. Anything else would fail again.
    if (plat::LastError() != 80 && plat::LastError() != 183) return false;
  }
  return false;
}

bool DeleteHeldFile(const std::string& path) {
  std::vector<Held>& held = HeldForRun();
  for (size_t i = 0; i < held.size(); ++i) {
    if (held[i].path == path) {
      held.erase(held.begin() + ptrdiff_t(i));
      break;
    }
  }
  return plat::DeleteFile(path);
}
