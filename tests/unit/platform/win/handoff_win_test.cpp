// The two calls the uninstaller's hand-off needs from Windows: setting an event another
// process created by name, and a bounded wait for a process to end.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

TEST(HandOff, SignalNamedEventSetsAnExistingEventOnly) {
  const std::string name = "Local\\uninst-result-test-" + std::to_string(GetCurrentProcessId());
  EXPECT_FALSE(plat::SignalNamedEvent(name));  // nobody created it yet
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(plat::SignalNamedEvent(name));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

TEST(HandOff, WaitForProcessEndIsBounded) {
  // The own process does not end: the wait gives up after its time.
  const DWORD start = GetTickCount();
  EXPECT_FALSE(plat::WaitForProcessEnd(GetCurrentProcessId(), 200));
  EXPECT_GE(GetTickCount() - start, 150u);
  // A process that has ended (or never existed) needs no wait.
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  wchar_t command[] = L"cmd.exe /c exit 0";
  ASSERT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &startup, &info));
  CloseHandle(info.hThread);
  EXPECT_TRUE(plat::WaitForProcessEnd(info.dwProcessId, 10000));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
}

}  // namespace
