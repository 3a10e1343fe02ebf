// Scripted message and input boxes of the host platform, and the message pump counter.
#include "platform/host/state.h"

namespace plat {
namespace {

// The answer of a box nobody scripted: its first button, as pressing Enter gives.
int FirstButton(uint32_t flags) {
  switch (flags & 0xF) {
    case 0x2: return 3;  // MB_ABORTRETRYIGNORE: IDABORT
    case 0x3:            // MB_YESNOCANCEL
    case kMbYesNo: return kIdYes;
    case 0x5: return 4;  // MB_RETRYCANCEL: IDRETRY
    default: return kIdOk;
  }
}

}  // namespace

// The host platform has no windows.
std::vector<intptr_t> ChildWindows(intptr_t) { return {}; }

int MessageBox(intptr_t, const std::string& text, const std::string& caption, uint32_t flags) {
  host::detail::State& s = host::detail::Machine();
  s.messages.push_back({text, caption, flags});
  if (s.messageAnswers.empty()) return FirstButton(flags);
  int answer = s.messageAnswers.front();
  s.messageAnswers.pop_front();
  return answer;
}

bool InputBox(const std::string& prompt, const std::string& caption, bool hidden,
              std::string& out) {
  host::detail::State& s = host::detail::Machine();
  s.inputPrompts.push_back({prompt, caption, hidden ? 1u : 0u});
  if (s.inputAnswers.empty()) {
    host::detail::SetError(host::detail::kErrorCancelled);
    return false;
  }
  auto [accepted, text] = s.inputAnswers.front();
  s.inputAnswers.pop_front();
  if (!accepted) {
    host::detail::SetError(host::detail::kErrorCancelled);
    return false;
  }
  out = text;
  return true;
}

std::string BrowseForFolder(intptr_t, const std::string& title) {
  host::detail::State& s = host::detail::Machine();
  s.folderBrowserTitles.push_back(title);
  if (s.folderAnswers.empty()) return "";
  std::string folder = s.folderAnswers.front();
  s.folderAnswers.pop_front();
  return folder;
}

void PumpMessages() { ++host::detail::Machine().pumpCount; }

namespace host {

const std::vector<MessageRecord>& Messages() { return detail::Machine().messages; }
const std::vector<MessageRecord>& InputPrompts() { return detail::Machine().inputPrompts; }
void QueueMessageAnswer(int buttonId) { detail::Machine().messageAnswers.push_back(buttonId); }
void QueueInputAnswer(bool accepted, const std::string& text) {
  detail::Machine().inputAnswers.emplace_back(accepted, text);
}
int PumpCount() { return detail::Machine().pumpCount; }
const std::vector<std::string>& FolderBrowserTitles() {
  return detail::Machine().folderBrowserTitles;
}
void QueueFolderAnswer(const std::string& folder) {
  detail::Machine().folderAnswers.push_back(folder);
}
void SetFreeDiskBytes(int64_t bytes) { detail::Machine().freeDiskBytes = bytes; }

}  // namespace host
}  // namespace plat
