// The `7-zip32` archiver library: the Common Archiver API over our own 7z engine.
//
// Exports (extern "C", __stdcall on 32-bit Windows, undecorated names through archiver.def):
// SevenZip, SevenZipGetVersion, SevenZipGetRunning, SevenZipCheckArchive,
// SevenZipSetOwnerWindow, SevenZipClearOwnerWindow, SevenZipSetOwnerWindowEx,
// SevenZipKillOwnerWindowEx.
//
// Callbacks (only with "-hide" on the command line, on the calling thread): for every file
// written, state BEGIN (0) when it starts and INPROCESS (1) as its bytes are written and when
// it is complete, each with an ExtractingInfoEx record; END (2) once when the job ends, with a
// null record. Directories are created without a callback. A FALSE return cancels the job:
// the file being written is removed and SevenZip returns kErrorUserCancel.
//
// The record's size fields are job-wide: dwFileSize is the total of all files the job writes,
// dwWriteSize the bytes written so far; from 4 GiB on, dwFileSize is 0xFFFFFFFF and
// dwWriteSize is per mille.
//
// This header includes no Windows header: its types are spelled with their sizes.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define ARCHIVER_CALL __stdcall
#else
#define ARCHIVER_CALL
#endif

extern "C" {

typedef int(ARCHIVER_CALL* ArchiverProc)(void* window, unsigned int message, unsigned int state,
                                         void* info);

// `output` receives a short report ("" when `outputSize` is 0); returns 0 or an error below.
int ARCHIVER_CALL SevenZip(void* window, const char* commandLine, char* output, uint32_t outputSize);
uint16_t ARCHIVER_CALL SevenZipGetVersion(void);
int ARCHIVER_CALL SevenZipGetRunning(void);
// mode 0: the header only; 1 and 2: every file is also decoded and its CRC checked.
int ARCHIVER_CALL SevenZipCheckArchive(const char* fileName, int mode);
int ARCHIVER_CALL SevenZipSetOwnerWindow(void* window);
int ARCHIVER_CALL SevenZipClearOwnerWindow(void);
int ARCHIVER_CALL SevenZipSetOwnerWindowEx(void* window, ArchiverProc proc);
int ARCHIVER_CALL SevenZipKillOwnerWindowEx(void* window);

}  // extern "C"

namespace archiver {

inline constexpr unsigned kStateBegin = 0;
inline constexpr unsigned kStateInProcess = 1;
inline constexpr unsigned kStateEnd = 2;

#pragma pack(push, 1)
// EXTRACTINGINFOEX (1074 bytes packed), padded to the 1080 bytes the runtime copies.
struct ExtractingInfoEx {
  uint32_t dwFileSize;
  uint32_t dwWriteSize;
  char szSourceFileName[513];
  char dummy1[3];
  char szDestFileName[513];
  char dummy[3];
  uint32_t dwCompressedSize;
  uint32_t dwCRC;
  uint32_t uOSType;
  uint16_t wRatio;
  uint16_t wDate;
  uint16_t wTime;
  char szAttribute[8];
  char szMode[8];
  char padding[6];
};
#pragma pack(pop)
static_assert(sizeof(ExtractingInfoEx) == 1080, "the runtime copies 1080 bytes");

// Results of SevenZip. Distinct per cause; values are those of the archiver-DLL family.
enum Error : int {
  kOk = 0,
  kErrorMethod = 0x8009,          // unsupported compression method
  kErrorPassword = 0x800A,        // wrong or missing password
  kErrorCannotWrite = 0x8013,     // a file or folder could not be written
  kErrorHeaderBroken = 0x8017,    // the archive header is damaged or truncated
  kErrorArcFileOpen = 0x8018,     // the archive (or a volume) is missing or unreadable
  kErrorNotArcFile = 0x8019,      // not a 7z archive
  kErrorCommandName = 0x801C,     // the command line cannot be understood
  kErrorAlreadyRunning = 0x801F,  // another job of this library is running
  kErrorUserCancel = 0x8020,      // the callback returned FALSE
  kErrorBrokenData = 0x8048,      // data error: corrupt packed data or a CRC mismatch
};

}  // namespace archiver
