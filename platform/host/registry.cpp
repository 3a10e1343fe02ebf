// The in-memory registry of the host platform.
//
// Keys and value names compare without ASCII case, as on Windows. The 32/64-bit split is the
// one WOW64 makes: on 64-bit Windows the 32-bit view of HKLM\SOFTWARE is the key
// HKLM\SOFTWARE\WOW6432Node (and of HKCR, HKCR\WOW6432Node); every other key is shared. A
// 64-bit view therefore sees the 32-bit keys under their WOW6432Node path, as regedit does.
#include "platform/host/state.h"

namespace plat {

using host::detail::FoldGbk;
using host::detail::Machine;
using host::detail::RegKeyNode;
using host::detail::SetError;
namespace err = host::detail;

namespace {

const char kWowNode[] = "WOW6432Node";

bool ValidRoot(int root) { return root >= kClassesRoot && root <= kUsers; }

bool SeesView64(RegView view) {
  const host::detail::State& s = Machine();
  if (!s.windows64) return false;  // one registry only: the native 32-bit one
  switch (view) {
    case RegView::k64: return true;
    case RegView::k32: return false;
    case RegView::kDefault: return s.process64;
  }
  return s.process64;
}

// The key path inside the one stored tree that a view shows as `subkey`.
std::vector<std::string> StoredPath(int root, const std::string& subkey, RegView view) {
  std::vector<std::string> parts = host::detail::SplitGbkPath(subkey, false);
  if (!Machine().windows64 || SeesView64(view)) return parts;
  const std::string wow = FoldGbk(kWowNode);
  if (root == kLocalMachine && !parts.empty() && FoldGbk(parts[0]) == "software") {
    if (parts.size() < 2 || FoldGbk(parts[1]) != wow) parts.insert(parts.begin() + 1, kWowNode);
  } else if (root == kClassesRoot) {
    if (parts.empty() || FoldGbk(parts[0]) != wow) parts.insert(parts.begin(), kWowNode);
  }
  return parts;
}

RegKeyNode* FindKey(int root, const std::vector<std::string>& parts) {
  RegKeyNode* node = &Machine().registryRoots[root];
  for (const std::string& part : parts) {
    auto it = node->subkeys.find(FoldGbk(part));
    if (it == node->subkeys.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

RegKeyNode* CreateKey(int root, const std::vector<std::string>& parts) {
  RegKeyNode* node = &Machine().registryRoots[root];
  for (const std::string& part : parts) {
    std::unique_ptr<RegKeyNode>& child = node->subkeys[FoldGbk(part)];
    if (!child) {
      child = std::make_unique<RegKeyNode>();
      child->name = part;
    }
    node = child.get();
  }
  return node;
}

// The key a call addresses, or nullptr with the Windows error set.
RegKeyNode* OpenKey(int root, const std::string& subkey, RegView view) {
  if (!ValidRoot(root)) {
    SetError(err::kErrorInvalidHandle);
    return nullptr;
  }
  RegKeyNode* node = FindKey(root, StoredPath(root, subkey, view));
  if (!node) SetError(err::kErrorFileNotFound);
  return node;
}

auto FindValue(RegKeyNode& node, const std::string& name) {
  std::string folded = FoldGbk(name);
  auto it = node.values.begin();
  for (; it != node.values.end(); ++it) {
    if (FoldGbk(it->first) == folded) break;
  }
  return it;
}

void Collect(int root, const RegKeyNode& node, const std::string& path,
             std::vector<host::RegistrySnapshotEntry>& out) {
  const host::detail::State& s = Machine();
  for (const auto& [name, value] : node.values) {
    host::RegistrySnapshotEntry entry{root, path, name, value, s.windows64};
    // Values of the 32-bit-only part are reported as the 32-bit view shows them.
    std::vector<std::string> parts = host::detail::SplitGbkPath(path, false);
    const std::string wow = FoldGbk(kWowNode);
    size_t wowIndex = root == kLocalMachine ? 1 : 0;
    bool split = root == kLocalMachine ? parts.size() >= 2 && FoldGbk(parts[0]) == "software"
                                       : root == kClassesRoot && !parts.empty();
    if (s.windows64 && split && FoldGbk(parts[wowIndex]) == wow) {
      parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(wowIndex));
      std::string key;
      for (const std::string& part : parts) key += (key.empty() ? "" : "\\") + part;
      entry.key = key;
      entry.view64 = false;
    }
    out.push_back(std::move(entry));
  }
  for (const auto& [folded, child] : node.subkeys) {
    Collect(root, *child, path.empty() ? child->name : path + "\\" + child->name, out);
  }
}

}  // namespace

bool RegReadValue(int root, const std::string& subkey, const std::string& name, RegView view,
                  RegValue& out) {
  RegKeyNode* node = OpenKey(root, subkey, view);
  if (!node) return false;
  auto it = FindValue(*node, name);
  if (it == node->values.end()) {
    SetError(err::kErrorFileNotFound);
    return false;
  }
  out = it->second;
  return true;
}

bool RegWriteValue(int root, const std::string& subkey, const std::string& name, RegView view,
                   uint32_t type, BytesView data) {
  if (!ValidRoot(root)) {
    SetError(err::kErrorInvalidHandle);
    return false;
  }
  RegKeyNode* node = CreateKey(root, StoredPath(root, subkey, view));
  RegValue value;
  value.type = type;
  value.data = Bytes(data);
  auto it = FindValue(*node, name);
  if (it == node->values.end()) {
    node->values.emplace_back(name, std::move(value));
  } else {
    it->second = std::move(value);  // the name keeps the case it was created with
  }
  return true;
}

bool RegKeyExists(int root, const std::string& subkey, RegView view) {
  return OpenKey(root, subkey, view) != nullptr;
}

bool RegDeleteValue(int root, const std::string& subkey, const std::string& name, RegView view) {
  RegKeyNode* node = OpenKey(root, subkey, view);
  if (!node) return false;
  auto it = FindValue(*node, name);
  if (it == node->values.end()) {
    SetError(err::kErrorFileNotFound);
    return false;
  }
  node->values.erase(it);
  return true;
}

bool RegDeleteKeyTree(int root, const std::string& subkey, RegView view) {
  if (!ValidRoot(root)) {
    SetError(err::kErrorInvalidHandle);
    return false;
  }
  std::vector<std::string> parts = StoredPath(root, subkey, view);
  if (parts.empty()) {
    SetError(err::kErrorAccessDenied);  // a predefined root cannot be deleted
    return false;
  }
  std::string last = FoldGbk(parts.back());
  parts.pop_back();
  RegKeyNode* parent = FindKey(root, parts);
  if (!parent || parent->subkeys.erase(last) == 0) {
    SetError(err::kErrorFileNotFound);
    return false;
  }
  return true;
}

std::vector<std::string> RegListSubkeys(int root, const std::string& subkey, RegView view) {
  std::vector<std::string> names;
  if (RegKeyNode* node = OpenKey(root, subkey, view)) {
    for (const auto& [folded, child] : node->subkeys) names.push_back(child->name);
  }
  return names;
}

std::vector<std::string> RegListValueNames(int root, const std::string& subkey, RegView view) {
  std::vector<std::string> names;
  if (RegKeyNode* node = OpenKey(root, subkey, view)) {
    for (const auto& [name, value] : node->values) names.push_back(name);
  }
  return names;
}

namespace host {

std::vector<RegistrySnapshotEntry> RegistrySnapshot() {
  std::vector<RegistrySnapshotEntry> out;
  for (int root = kClassesRoot; root <= kUsers; ++root) {
    Collect(root, detail::Machine().registryRoots[root], "", out);
  }
  return out;
}

namespace detail {

void CreateRegistryKey(int root, const std::string& subkey, RegView view) {
  if (ValidRoot(root)) CreateKey(root, StoredPath(root, subkey, view));
}

}  // namespace detail
}  // namespace host
}  // namespace plat
