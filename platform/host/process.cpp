// Recorded process starts and shell executions of the host platform.
#include "platform/host/host.h"

namespace plat {

bool StartProcess(const std::string&, const ProcessOptions&, uint32_t*) { return false; }
bool ShellExecute(const std::string&, const std::string&, const std::string&, const std::string&,
                  const ProcessOptions&, uint32_t*) {
  return false;
}
void TerminateSelf(uint32_t exitCode) { throw host::ProcessExit(exitCode); }

namespace host {
const std::vector<ProcessRecord>& ProcessStarts() {
  static const std::vector<ProcessRecord> none;
  return none;
}
void SetProcessExitCode(uint32_t) {}
void SetProcessHandler(std::function<uint32_t(const ProcessRecord&)>) {}
}  // namespace host

}  // namespace plat
