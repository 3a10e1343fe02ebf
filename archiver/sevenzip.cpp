// The exported functions of `7-zip32`: one job at a time, driven by a command line, reporting
// through the registered callback.
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archiver/archiver.h"
#include "archiver/command_line.h"

#if defined(_WIN32)
// The only user32 function needed; declared here so this file stays free of the Windows headers.
extern "C" __declspec(dllimport) unsigned int __stdcall RegisterWindowMessageA(const char* name);
#endif

namespace archiver {
namespace {

std::atomic<bool> g_running{false};
void* g_window = nullptr;
ArchiverProc g_proc = nullptr;

unsigned ExtractMessage() {
#if defined(_WIN32)
  static const unsigned message = RegisterWindowMessageA("wm_arcextract");
  return message;
#else
  return 0xC0DE;  // no window messages off Windows; any value identifies the callbacks
#endif
}

int ToError(archive::Status s) {
  switch (s) {
    case archive::Status::kOk: return kOk;
    case archive::Status::kNotFound: return kErrorArcFileOpen;
    case archive::Status::kNotArchive: return kErrorNotArcFile;
    case archive::Status::kHeaderBroken: return kErrorHeaderBroken;
    case archive::Status::kWrongPassword: return kErrorPassword;
    case archive::Status::kUnsupportedMethod: return kErrorMethod;
    case archive::Status::kDataError: return kErrorBrokenData;
    case archive::Status::kWriteError: return kErrorCannotWrite;
    case archive::Status::kCancelled: return kErrorUserCancel;
  }
  return kErrorBrokenData;
}

void CopyText(char* dest, size_t capacity, const std::string& text) {
  size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(dest, text.data(), n);
  dest[n] = '\0';
}

void PutOutput(char* output, uint32_t size, const std::string& text) {
  if (output && size >= 1) CopyText(output, size, text);
}

// FILETIME to MS-DOS date and time (UTC; the family's record carries no zone).
void DosDateTime(uint64_t filetime, uint16_t* date, uint16_t* time) {
  int64_t seconds = static_cast<int64_t>(filetime / 10000000) - 11644473600LL;
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  int64_t rest = seconds - days * 86400;
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2);
  if (year < 1980 || year > 2107) {
    *date = 0;
    *time = 0;
    return;
  }
  *date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  *time = static_cast<uint16_t>(((rest / 3600) << 11) | (((rest / 60) % 60) << 5) | ((rest % 60) / 2));
}

// Turns the engine's per-file notifications into the family's callback records.
class JobCallback final : public archive::ExtractCallback {
 public:
  JobCallback(ArchiverProc proc, void* window, uint64_t total)
      : proc_(proc), window_(window), total_(total) {}

  bool BeginFile(const archive::Entry& e, const std::string& destPath) override {
    if (e.isDirectory) return true;
    std::memset(&info_, 0, sizeof(info_));
    CopyText(info_.szSourceFileName, sizeof(info_.szSourceFileName), e.path);
    CopyText(info_.szDestFileName, sizeof(info_.szDestFileName), destPath);
    info_.dwCRC = e.crc;
    if (e.hasModifiedTime) DosDateTime(e.modifiedTime, &info_.wDate, &info_.wTime);
    std::string attr = "-----";
    uint32_t a = e.hasAttributes ? e.attributes : 0;
    if (a & 0x01) attr[0] = 'R';
    if (a & 0x02) attr[1] = 'H';
    if (a & 0x04) attr[2] = 'S';
    if (a & 0x20) attr[4] = 'A';
    CopyText(info_.szAttribute, sizeof(info_.szAttribute), attr);
    CopyText(info_.szMode, sizeof(info_.szMode), "7z");
    return Send(kStateBegin, 0);
  }
  bool Progress(const archive::Entry& e, uint64_t written) override {
    if (e.isDirectory) return true;
    return Send(kStateInProcess, written);
  }
  bool EndFile(const archive::Entry& e, archive::Status) override {
    if (!e.isDirectory) done_ += e.size;
    return true;
  }

 private:
  bool Send(unsigned state, uint64_t writtenInFile) {
    uint64_t written = done_ + writtenInFile;
    if (total_ >= (uint64_t{1} << 32)) {
      info_.dwFileSize = 0xFFFFFFFFu;
      info_.dwWriteSize = static_cast<uint32_t>(written * 1000 / total_);
    } else {
      info_.dwFileSize = static_cast<uint32_t>(total_);
      info_.dwWriteSize = static_cast<uint32_t>(written);
    }
    return proc_(window_, ExtractMessage(), state, &info_) != 0;
  }

  ArchiverProc proc_;
  void* window_;
  uint64_t total_;
  uint64_t done_ = 0;
  ExtractingInfoEx info_{};
};

int RunJob(const char* commandLine, char* output, uint32_t outputSize) {
  Command cmd;
  std::string error;
  if (!commandLine || !ParseCommand(commandLine, &cmd, &error)) {
    PutOutput(output, outputSize, error.empty() ? "no command line" : error);
    return kErrorCommandName;
  }
  archive::Reader reader;
  archive::Status s = reader.Open(cmd.archive, cmd.password.value_or(""));
  if (s != archive::Status::kOk) {
    PutOutput(output, outputSize, "Error: " + reader.ErrorDetail() + ": " + cmd.archive);
    return ToError(s);
  }
  std::vector<bool> selected;
  uint64_t total = 0;
  size_t count = 0;
  for (const archive::Entry& e : reader.Entries()) {
    bool sel = IsSelected(cmd, e.path);
    selected.push_back(sel);
    if (sel && !e.isDirectory) {
      total += e.size;
      ++count;
    }
  }
  ArchiverProc proc = cmd.hide ? g_proc : nullptr;
  JobCallback callback(proc, g_window, total);
  s = reader.Extract(selected, cmd.destination, proc ? &callback : nullptr, cmd.command == 'x');
  if (proc) proc(g_window, ExtractMessage(), kStateEnd, nullptr);
  if (s == archive::Status::kOk) {
    PutOutput(output, outputSize, "Everything is Ok\r\nFiles: " + std::to_string(count) + "\r\n");
  } else {
    PutOutput(output, outputSize, "Error: " + reader.ErrorDetail() + "\r\n");
  }
  return ToError(s);
}

}  // namespace
}  // namespace archiver

extern "C" {

int ARCHIVER_CALL SevenZip(void* window, const char* commandLine, char* output, uint32_t outputSize) {
  (void)window;
  if (archiver::g_running.exchange(true)) return archiver::kErrorAlreadyRunning;
  int result = archiver::RunJob(commandLine, output, outputSize);
  archiver::g_running = false;
  return result;
}

uint16_t ARCHIVER_CALL SevenZipGetVersion(void) { return 100; }

int ARCHIVER_CALL SevenZipGetRunning(void) { return archiver::g_running ? 1 : 0; }

int ARCHIVER_CALL SevenZipCheckArchive(const char* fileName, int mode) {
  if (!fileName) return 0;
  archive::Reader reader;
  if (reader.Open(fileName, "") != archive::Status::kOk) return 0;
  if (mode >= 1 && reader.Test({}) != archive::Status::kOk) return 0;
  return 1;
}

int ARCHIVER_CALL SevenZipSetOwnerWindow(void* window) {
  archiver::g_window = window;
  return 1;
}

int ARCHIVER_CALL SevenZipClearOwnerWindow(void) {
  archiver::g_window = nullptr;
  archiver::g_proc = nullptr;
  return 1;
}

int ARCHIVER_CALL SevenZipSetOwnerWindowEx(void* window, ArchiverProc proc) {
  archiver::g_window = window;
  archiver::g_proc = proc;
  return 1;
}

int ARCHIVER_CALL SevenZipKillOwnerWindowEx(void* window) {
  (void)window;
  archiver::g_window = nullptr;
  archiver::g_proc = nullptr;
  return 1;
}

}  // extern "C"
