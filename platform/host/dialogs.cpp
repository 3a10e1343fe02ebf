// Scripted message and input boxes of the host platform.
#include "platform/host/host.h"

namespace plat {

int MessageBox(intptr_t, const std::string&, const std::string&, uint32_t) { return kIdOk; }
bool InputBox(const std::string&, const std::string&, bool, std::string&) { return false; }

namespace host {
const std::vector<MessageRecord>& Messages() {
  static const std::vector<MessageRecord> none;
  return none;
}
void QueueMessageAnswer(int) {}
void QueueInputAnswer(bool, const std::string&) {}
int PumpCount() { return 0; }
}  // namespace host

}  // namespace plat
