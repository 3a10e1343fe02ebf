// Shared pieces of the registry tests: a registry list built item by item as the packager
// writes it, and unique key and product names under which a test writes and then cleans up.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "common/keyed_store.h"
#include "platform/platform.h"
#include "system/registry.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace regtest {

inline std::string UniqueName() {
  static std::atomic<int> counter{0};
  return std::to_string(getpid()) + "_" + std::to_string(++counter);
}

struct Entry {
  std::string path;
  std::string type;
  Bytes data;
  std::string remove;  // "REGoff"
  std::string name;    // "REGname"
  std::string view;    // "REGws"
};

// The registry list of `entries`, with "num" as given (the entry count when -1, left out
// when -2).
inline Bytes MakeRegistryList(const std::vector<Entry>& entries, int num = -1) {
  Bytes store;
  if (num != -2) {
    AppendKeyedItem(store, "num", std::to_string(num == -1 ? int(entries.size()) : num), false);
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    const Entry& e = entries[i];
    AppendKeyedItem(store, "REGpath" + n, e.path, false);
    AppendKeyedItem(store, "REGtype" + n, e.type, false);
    AppendKeyedItem(store, "REGdata" + n, e.data, false);
    AppendKeyedItem(store, "REGoff" + n, e.remove, false);
    AppendKeyedItem(store, "REGname" + n, e.name, false);
    AppendKeyedItem(store, "REGws" + n, e.view, false);
  }
  return store;
}

inline plat::RegValue Read(int root, const std::string& key, const std::string& name,
                           plat::RegView view = plat::RegView::kDefault) {
  plat::RegValue value;
  plat::RegReadValue(root, key, name, view, value);
  return value;
}

inline std::string UninstallKey(const std::string& product) {
  return kUninstallKeyPrefix + product;
}

// Removes the keys a test wrote, in every view.
inline void DeleteKeys(const std::vector<std::pair<int, std::string>>& keys) {
  for (const auto& [root, key] : keys) {
    for (plat::RegView view : {plat::RegView::kDefault, plat::RegView::k32, plat::RegView::k64}) {
      plat::RegDeleteKeyTree(root, key, view);
    }
  }
}

}  // namespace regtest
