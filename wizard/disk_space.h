// Sizes as the folder page shows them (the space the program needs, the free space of the
// destination drive).
#pragma once

#include <cstdint>
#include <string>

// `bytes` with a unit chosen by the number of characters of its decimal text (a minus sign
// counts): up to 3 "B" (the integer itself), 4-6 "KB", 7-9 "MB", 10-12 "GB", 13 and more "TB",
// so 999999 is "976.56KB" and 1000000 "0.95MB". Divided by the unit's power of 1024 and
// rounded half up (away from zero) to `decimals` places when `useDecimals`, else to 2;
// trailing zeros after the point are dropped.
std::string FormatSize(int64_t bytes, int decimals, bool useDecimals);

struct InstallSession;

// The placeholder the space labels' templates hold ("目录5").
extern const char kSizePlaceholder[];  // "%Default%"
// The folder browser's title.
extern const char kBrowseTitle[];      // "请选择安装目录"

// The free space of the drive `installPath` lies on (its first character; the current drive
// when it is empty) as the folder page shows it: whole KiB, FormatSize(..., 0, false); a failed
// query shows as -1 KiB.
std::string FreeSpaceText(const std::string& installPath);

// End of the configuration step: when the package asks for the space display, fills the first
// "%Default%" of both labels (the size the payload needs, the free space of the destination's
// drive), moves the destination group up to top 171 and shows the space panel at top 241. The
// free-space label's template is kept for the browse button.
void ShowDiskSpace(InstallSession& session);

// The browse button: the folder browser, the path rules, the append name, the destination and
// the free-space label. Cancel, or a folder that breaks a rule, changes nothing.
void OnBrowseClicked(InstallSession& session);
