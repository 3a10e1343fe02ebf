// Shell links and verbs on the host: recorded, with a stand-in file where the link would be.
#include "platform/shell_link.h"

#include "platform/host/state.h"

namespace plat {

bool SaveShellLink(const ShellLink& link) {
  if (link.targetPath.empty() || !WriteFileBytes(link.linkPath, BytesView(link.targetPath)))
    return false;
  host::detail::Machine().shellLinks.push_back(link);
  return true;
}

void InvokeShellVerb(const std::string& folder, const std::string& fileName, int shell32StringId) {
  host::detail::Machine().shellVerbs.push_back({folder, fileName, shell32StringId});
}

namespace host {

const std::vector<ShellLink>& SavedShellLinks() { return detail::Machine().shellLinks; }
const std::vector<ShellVerbRecord>& InvokedShellVerbs() { return detail::Machine().shellVerbs; }

}  // namespace host
}  // namespace plat
