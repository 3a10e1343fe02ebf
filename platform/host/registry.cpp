// The in-memory registry of the host platform.
#include "platform/host/host.h"

namespace plat {

bool RegReadValue(int, const std::string&, const std::string&, RegView, RegValue&) { return false; }
bool RegWriteValue(int, const std::string&, const std::string&, RegView, uint32_t, BytesView) {
  return false;
}
bool RegKeyExists(int, const std::string&, RegView) { return false; }
bool RegDeleteValue(int, const std::string&, const std::string&, RegView) { return false; }
bool RegDeleteKeyTree(int, const std::string&, RegView) { return false; }
std::vector<std::string> RegListSubkeys(int, const std::string&, RegView) { return {}; }
std::vector<std::string> RegListValueNames(int, const std::string&, RegView) { return {}; }

namespace host {
std::vector<RegistrySnapshotEntry> RegistrySnapshot() { return {}; }
}  // namespace host

}  // namespace plat
