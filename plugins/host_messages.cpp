// The host-message texts. Parameter values are decimal, with a minus sign when negative (Back
// sends -1); the trailing "\r\n" of some texts is part of what plug-ins receive.
#include "plugins/host_messages.h"

namespace {

std::string Number(int value) { return std::to_string(value); }

}  // namespace

std::string PageChangedMessage(int page) {
  return "，整数型，1001\r\n，整数型，" + Number(page) + "\r\n";
}

std::string NavigateMessage(int page, int direction) {
  return "消息，整数型，1002\r\n参数一，整数型，" + Number(page) + "\r\n参数二，整数型，" +
         Number(direction) + "\r\n";
}

std::string InstallStartedMessage(int page) { return NavigateMessage(page, 1); }

std::string CancelMessage(CancelChoice choice) {
  return choice == CancelChoice::kConfirmed ? "，整数型，1003……，整数型，1"
                                            : "，整数型，1003……，整数型，0";
}

std::string WindowPlacementMessage(int placement) {
  return "，整数型，1004……，整数型，" + Number(placement);
}

std::string InstallEndMessage() { return "，整数型，1005"; }

std::string UninstallMessage(UninstallStage stage) {
  return "消息，整数型，2000\r\n参数一，整数型，" + Number(int(stage)) + "\r\n";
}
