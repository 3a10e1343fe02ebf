// The host query as plug-ins see it: the request codes they pass, the shape of the entry they
// call, and the caption of the hidden window through which they find it. The codes are shared
// with plug-ins already written, so a number never changes meaning.
#pragma once

#include <cstdint>
#include <string>

// Plug-ins are 32-bit x86 code that calls the entry as a standard-call function; on x86_64
// there is one convention, so the marker is empty there (and in native builds).
#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#define PLUGIN_CALL __stdcall
#else
#define PLUGIN_CALL
#endif

// The entry a plug-in calls by address: request, parameter, value in; the answer out
// (0 = nothing). On i686 every slot is the 32-bit integer plug-ins expect.
using HostQueryEntryFn = intptr_t(PLUGIN_CALL*)(intptr_t request, intptr_t parameter,
                                                intptr_t value);

// The request codes of the host query. Unknown codes (1009, 1014 to 1020, ...) answer 0.
enum class HostRequest : int {
  kPagePicture = 1001,          // parameter: page index → window of that page's picture box
  kButton = 1002,               // parameter: a HostButton → window of that button
  kDragAnywhere = 1003,         // parameter 1: the wizard window can be dragged by any point
  kMainWindowVisible = 1004,    // parameter 1: the wizard is shown at the end of start-up
  kFinishOptions = 1005,        // → address of the finish option records
  kInstallPath = 1006,          // → address of the InstallPath text
  kDiskSpace = 1007,            // parameter: a DiskSpaceQuery → ShowSpace, or the size text
  kProgramGroup = 1008,         // parameter: text → the program-group name override
  kTreeRebuilder = 1010,        // → address of a routine without arguments that reloads the tree
  kScriptDocument = 1011,       // → address of the script document text
  kReplaceScriptDocument = 1012,  // parameter: text → the new script document
  kExtractToFolders = 1013,     // parameter: "entries$-folders$-password" → one extraction a pair
  kAppendExcludeList = 1021,    // parameter: text → appended to the exclude list
  kAppendIncludeList = 1022,    // parameter: text → appended to the include list
  kAlternativePayload = 1023,   // parameter: text → the payload path the install extracts from
  kTreeCallback = 8888,         // parameter: a TreeCallbackKind, value: the function (0 = none)
};

// Parameters of kButton.
enum class HostButton : int { kBack = 101, kNext = 102, kCancel = 103 };

// Parameters of kDiskSpace.
enum class DiskSpaceQuery : int { kShowSpace = 1, kUncompressedSizeText = 2 };

// Parameters of kTreeCallback.
enum class TreeCallbackKind : int { kSelection = 1, kTick = 2 };

// Caption prefix of the hidden host-callback window; the entry's address follows in decimal.
extern const char kHostCallbackCaptionPrefix[];  // "备用的传递消息I_"

// "备用的传递消息I_" + `entryAddress` in decimal.
std::string HostCallbackCaption(intptr_t entryAddress);
