// The host-message texts, byte for byte as plug-ins parse them.
#include <gtest/gtest.h>

#include <string>

#include "plugins/host_messages.h"

namespace {

TEST(HostMessages, EveryTextByteForByte) {
  struct Case {
    const char* what;
    std::string text, expected;
  } cases[] = {
      {"page changed", PageChangedMessage(3), "，整数型，1001\r\n，整数型，3\r\n"},
      {"page changed to the welcome page", PageChangedMessage(0),
       "，整数型，1001\r\n，整数型，0\r\n"},
      {"Next", NavigateMessage(2, 1),
       "消息，整数型，1002\r\n参数一，整数型，2\r\n参数二，整数型，1\r\n"},
      {"Back carries a minus sign", NavigateMessage(3, -1),
       "消息，整数型，1002\r\n参数一，整数型，3\r\n参数二，整数型，-1\r\n"},
      {"install started", InstallStartedMessage(4),
       "消息，整数型，1002\r\n参数一，整数型，4\r\n参数二，整数型，1\r\n"},
      {"cancel confirmed", CancelMessage(CancelChoice::kConfirmed),
       "，整数型，1003……，整数型，1"},
      {"cancel declined", CancelMessage(CancelChoice::kDeclined), "，整数型，1003……，整数型，0"},
      {"window restored", WindowPlacementMessage(0), "，整数型，1004……，整数型，0"},
      {"window minimised", WindowPlacementMessage(2), "，整数型，1004……，整数型，2"},
      {"window zoomed", WindowPlacementMessage(3), "，整数型，1004……，整数型，3"},
      {"install end", InstallEndMessage(), "，整数型，1005"},
      {"uninstall options ran", UninstallMessage(UninstallStage::kOptionsRan),
       "消息，整数型，2000\r\n参数一，整数型，1\r\n"},
      {"uninstall removal done", UninstallMessage(UninstallStage::kRemovalDone),
       "消息，整数型，2000\r\n参数一，整数型，2\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, c.expected) << c.what;
}

// The short separator is two ellipsis characters, which GBK writes as A1 AD A1 AD: anything
// else reaches plug-ins as part of the number.
TEST(HostMessages, TheShortSeparatorIsTwoEllipsesInGbk) {
  EXPECT_NE(CancelMessage(CancelChoice::kConfirmed).find("1003\xA1\xAD\xA1\xAD"),
            std::string::npos);
}

}  // namespace
