#include "script/unpack_progress.h"

#include <cstring>

#include "archiver/archiver.h"
#include "common/text.h"

UnpackProgress& TheUnpackProgress() {
  static UnpackProgress progress;
  return progress;
}

bool ArchiverCallback(void*, unsigned, unsigned state, const void* info) {
  UnpackProgress& p = TheUnpackProgress();
  if (state == archiver::kStateBegin && info && p.beforeFile) {
    archiver::ExtractingInfoEx record;
    std::memcpy(&record, info, sizeof record);
    record.szDestFileName[sizeof record.szDestFileName - 1] = '\0';
    if (!p.beforeFile(record.szDestFileName)) return false;
  }
  if (!p.callback) return true;
  if (state == archiver::kStateEnd || !info) {
    p.callback("", 100);
    return true;
  }
  archiver::ExtractingInfoEx record;
  std::memcpy(&record, info, sizeof record);
  record.szDestFileName[sizeof record.szDestFileName - 1] = '\0';
  const std::string name = record.szDestFileName;
  const uint32_t size = record.dwFileSize;
  const uint32_t written = record.dwWriteSize;
  int percent;
  if (size == 0xFFFFFFFFu) percent = int(written / 10);
  else if (size == 0) percent = 100;  // nothing to write counts as done
  else percent = int(double(written) / double(size) * 100.0);
  p.callback(name, percent);
  // Asked after the file's report, whose status line pumped the window: a Cancel confirmed
  // there stops the job before the next file.
  return !(p.stopRequested && p.stopRequested());
}

void OnUnpackProgress(const std::string& fileName, int percent) {
  UnpackProgress& p = TheUnpackProgress();
  if (p.lastName.empty() && !p.started && !fileName.empty()) {
    p.lastName = fileName;
    p.installedFileList = fileName + "\r\n";
    p.started = true;
  }
  if (!fileName.empty() && fileName != p.lastName) {
    p.lastName = fileName;
    std::string shown = fileName;
    const std::string prefix = p.installPath + "\\";
    const size_t at = shown.find(prefix);
    if (!p.installPath.empty() && at != std::string::npos) shown.erase(at, prefix.size());
    p.installedFileList += fileName + "\r\n";
    if (p.showStatusLine) {
      std::string line = p.statusTemplate;
      const size_t mark = line.find("%Default%");
      if (mark != std::string::npos) line.replace(mark, 9, shown);
      p.showStatusLine(line);
    }
  }
  int overall = percent;
  if (p.groupCount != 0)
    overall = int(double(p.groupIndex - 1) / (p.groupCount + 1) * 100.0 +
                  double(percent) / (p.groupCount + 1));
  if (overall > p.lastPercent) {
    p.barPosition = p.setBar ? p.setBar(overall) : overall;
    if (p.hostProgress) p.hostProgress(overall);
    p.lastPercent = overall;
  }
}
