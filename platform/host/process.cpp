// Process starts and shell executions on the host: nothing is run; each call is recorded and
// answered by the scripted handler or exit code, so tests see exactly what would have started.
#include "platform/host/state.h"

namespace plat {
namespace {

bool Record(host::ProcessRecord record, uint32_t* exitCode) {
  host::detail::State& s = host::detail::Machine();
  s.processStarts.push_back(record);
  // Copies, because a handler may itself start processes or replace the handler.
  std::function<uint32_t(const host::ProcessRecord&)> handler = s.processHandler;
  uint32_t code = handler ? handler(record) : s.processExitCode;
  if (record.options.wait && exitCode) *exitCode = code;
  return true;
}

}  // namespace

bool StartProcess(const std::string& commandLine, const ProcessOptions& options,
                  uint32_t* exitCode) {
  if (commandLine.empty()) {
    host::detail::SetError(host::detail::kErrorInvalidParameter);
    return false;
  }
  return Record({commandLine, false, options}, exitCode);
}

bool ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& directory, const ProcessOptions& options,
                  uint32_t* exitCode) {
  if (file.empty()) {
    host::detail::SetError(host::detail::kErrorFileNotFound);
    return false;
  }
  ProcessOptions recorded = options;
  if (recorded.workingDirectory.empty()) recorded.workingDirectory = directory;
  return Record({verb + "|" + file + "|" + parameters, true, recorded}, exitCode);
}

bool RemoveFolderAfterExit(const std::string& folder) {
  if (!DirectoryExists(folder)) {
    host::detail::SetError(host::detail::kErrorPathNotFound);
    return false;
  }
  host::detail::Machine().foldersRemovedAfterExit.push_back(folder);
  return true;
}

bool SignalNamedEvent(const std::string& name) {
  host::detail::State& s = host::detail::Machine();
  s.signalledEvents.push_back(name);
  std::function<void(const std::string&)> handler = s.eventHandler;
  if (handler) handler(name);
  return true;
}

bool WaitForProcessEnd(uint32_t processId, uint32_t milliseconds) {
  host::detail::Machine().processWaits.push_back({processId, milliseconds});
  return true;
}

namespace host {

const std::vector<std::string>& FoldersRemovedAfterExit() {
  return detail::Machine().foldersRemovedAfterExit;
}

const std::vector<ProcessRecord>& ProcessStarts() { return detail::Machine().processStarts; }

void SetProcessExitCode(uint32_t code) { detail::Machine().processExitCode = code; }

void SetWriteBudget(std::optional<uint64_t> bytes) { detail::Machine().writeBudget = bytes; }

const std::vector<std::string>& SignalledEvents() { return detail::Machine().signalledEvents; }

void SetEventSignalHandler(std::function<void(const std::string&)> handler) {
  detail::Machine().eventHandler = std::move(handler);
}

const std::vector<std::pair<uint32_t, uint32_t>>& ProcessWaits() {
  return detail::Machine().processWaits;
}

void SetProcessHandler(std::function<uint32_t(const ProcessRecord&)> handler) {
  detail::Machine().processHandler = std::move(handler);
}

}  // namespace host
}  // namespace plat
