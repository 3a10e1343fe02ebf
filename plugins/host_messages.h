// The texts of the host messages sent to every loaded plug-in, in their readable form: lines
// "name，type，value" separated by "\r\n" or the short "……", the message number on the first
// line. Plug-ins already written parse these bytes, so each text is built here and nowhere else.
#pragma once

#include <string>

// 1001, after the page container changed page: the new page index.
std::string PageChangedMessage(int page);

// 1002, on Back (-1) or Next (+1) from `page`; an answer 1 keeps the wizard on its page.
std::string NavigateMessage(int page, int direction);

// 1002, when the install has run from the installing page `page` (direction 1); answers are
// not examined.
std::string InstallStartedMessage(int page);

// 1003, after the cancel question: whether the user confirmed. After a confirmation an
// answer 1 keeps the wizard open.
enum class CancelChoice { kDeclined = 0, kConfirmed = 1 };
std::string CancelMessage(CancelChoice choice);

// 1004, after the wizard window moved, was minimised or restored: 0 normal, 2 minimised,
// 3 zoomed to full size.
std::string WindowPlacementMessage(int placement);

// 1005, at the end of the install sequence.
std::string InstallEndMessage();

// 2000, from the uninstall engine: after the uninstall options ran (an answer 1 makes the
// engine skip its own removal work), and after that removal work.
enum class UninstallStage { kOptionsRan = 1, kRemovalDone = 2 };
std::string UninstallMessage(UninstallStage stage);
