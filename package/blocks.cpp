#include "package/blocks.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace blocks {

const char kTypeStart[] = "QZR-mark=配置包A";
const char kTypeEnd[] = "QZR-mark=配置包B";
const char kPayloadStart[] = "QZR-mark=7zipdataA";
const char kPayloadEnd[] = "QZR-mark=7zipdataB";
const char kConfigStart[] = "QZR-mark=配置包sA";
const char kConfigEnd[] = "QZR-mark=配置包sB";
const char kUninstDataStart[] = "uninst_datA";
const char kUninstDataEnd[] = "uninst_datB";
const char kUninstIniStart[] = "uninst_iniA";
const char kUninstIniEnd[] = "uninst_iniB";
const char kSkinStart[] = "skinA";
const char kSkinEnd[] = "skinB";

namespace {

// The search pattern is built here at run time: the marker and its 0x01 never stand together
// in our own binary, so scanning this very program finds only real blocks.

size_t FindFirst(BytesView haystack, BytesView needle, size_t from) {
  if (needle.empty() || from > haystack.size() || haystack.size() - from < needle.size())
    return Bytes::npos;
  auto it = std::search(haystack.begin() + from, haystack.end(),
                        std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
  return it == haystack.end() ? Bytes::npos : size_t(it - haystack.begin());
}

// Last occurrence that lies entirely within haystack[0, limit).
size_t FindLastBefore(BytesView haystack, BytesView needle, size_t limit) {
  limit = std::min(limit, haystack.size());
  if (needle.empty() || limit < needle.size()) return Bytes::npos;
  auto first = std::make_reverse_iterator(haystack.begin() + limit);
  auto last = std::make_reverse_iterator(haystack.begin());
  auto it = std::search(first, last,
                        std::boyer_moore_horspool_searcher(needle.rbegin(), needle.rend()));
  if (it == last) return Bytes::npos;
  // `it` points at the needle's last byte, seen from the end.
  return size_t(last - it) - needle.size();
}

// Opens `path` for reading and returns its size. A file that reports 0 bytes is still being
// written (or is damaged): it is retried for a bounded time and then counts as unreadable.
bool OpenSized(const std::string& path, plat::File& file, uint64_t& size) {
  for (int attempt = 0;; ++attempt) {
    file = plat::File::Open(path, plat::OpenMode::kRead);
    if (!file.IsOpen()) return false;
    auto reported = file.Size();
    if (!reported) return false;
    if (*reported > 0) {
      size = *reported;
      return true;
    }
    if (attempt >= kZeroSizeRetries) return false;
    file.Close();
    plat::SleepMs(100);
  }
}

bool ReadRange(plat::File& file, uint64_t from, uint64_t to, Bytes& out) {
  out.resize(size_t(to - from));
  return file.Seek(from) && (out.empty() || file.ReadExact(out.data(), out.size()));
}

}  // namespace

Bytes MarkerPattern(BytesView marker) {
  Bytes pattern(marker);
  pattern.push_back('\x01');
  return pattern;
}

Bytes BlockHead(BytesView startMarker) { return '\0' + MarkerPattern(startMarker); }

Bytes BlockTail(BytesView endMarker) { return MarkerPattern(endMarker); }

Bytes MakeBlock(BytesView startMarker, BytesView content, BytesView endMarker) {
  Bytes block;
  block.reserve(content.size() + startMarker.size() + endMarker.size() + 3);
  block.push_back('\0');
  block += MarkerPattern(startMarker);
  block.append(content);
  block += MarkerPattern(endMarker);
  return block;
}

ForwardResult FindBlockForward(const std::string& path, BytesView startMarker,
                               BytesView endMarker, const ProgressFn& progress,
                               const std::string& copyTo) {
  ForwardResult result;
  const bool copying = !copyTo.empty();
  plat::File copy;
  if (copying) {
    copy = plat::File::Open(copyTo, plat::OpenMode::kCreateAlways);
    if (!copy.IsOpen()) {
      result.copyFailed = true;
      return result;
    }
  }
  plat::File file;
  uint64_t size = 0;
  if (!OpenSized(path, file, size)) return result;

  const Bytes startPattern = MarkerPattern(startMarker);
  const Bytes endPattern = MarkerPattern(endMarker);
  const size_t overlap = std::max(startPattern.size(), endPattern.size()) - 1;

  std::vector<char> buffer;
  buffer.reserve(size_t(std::min<uint64_t>(size, kChunkSize)) + overlap);
  uint64_t bufferStart = 0;  // file offset of buffer[0]
  uint64_t chunkStart = 0;
  bool startFound = false;
  uint64_t contentStart = 0;  // file offset just after the start pattern
  uint64_t copiedUpTo = 0;    // file offset up to which the copy is written

  while (chunkStart < size) {
    const size_t chunk = size_t(std::min<uint64_t>(kChunkSize, size - chunkStart));
    // Keep the last bytes of the previous chunk so that a pattern across the boundary is seen.
    const size_t keep = std::min(buffer.size(), overlap);
    std::copy(buffer.end() - keep, buffer.end(), buffer.begin());
    buffer.resize(keep + chunk);
    bufferStart = chunkStart - keep;
    if (!file.ReadExact(buffer.data() + keep, chunk)) return result;
    const BytesView view(buffer.data(), buffer.size());
    const uint64_t chunkEnd = chunkStart + chunk;

    size_t searchFrom = 0;
    if (!startFound) {
      size_t at = FindFirst(view, startPattern, 0);
      if (at != Bytes::npos) {
        startFound = true;
        contentStart = bufferStart + at + startPattern.size();
        if (copying) {
          if (!copy.Write(view.data() + at, view.size() - at)) {
            result.copyFailed = true;
            return result;
          }
          result.copied += view.size() - at;
          copiedUpTo = chunkEnd;
        }
        searchFrom = at + startPattern.size();
      }
    } else {
      if (copying) {
        const size_t from = size_t(copiedUpTo - bufferStart);
        if (!copy.Write(view.data() + from, view.size() - from)) {
          result.copyFailed = true;
          return result;
        }
        result.copied += view.size() - from;
        copiedUpTo = chunkEnd;
      }
      searchFrom = contentStart > bufferStart ? size_t(contentStart - bufferStart) : 0;
    }

    if (startFound) {
      size_t at = FindFirst(view, endPattern, searchFrom);
      if (at != Bytes::npos) {
        const uint64_t endAt = bufferStart + at;
        if (!copying) {
          if (contentStart >= bufferStart) {
            result.content.assign(view.data() + (contentStart - bufferStart),
                                  size_t(endAt - contentStart));
          } else if (!ReadRange(file, contentStart, endAt, result.content)) {
            result.content.clear();
            return result;
          }
        }
        result.found = true;
        return result;
      }
    }

    if (progress) {
      plat::PumpMessages();
      progress(int((chunkStart + 1) * 100 / size));
    }
    chunkStart = chunkEnd;
  }
  return result;
}

Bytes FindBlockBackward(const std::string& path, BytesView startMarker, BytesView endMarker) {
  plat::File file;
  uint64_t size = 0;
  if (!OpenSized(path, file, size)) return {};

  const Bytes startPattern = MarkerPattern(startMarker);
  const Bytes endPattern = MarkerPattern(endMarker);
  const size_t overlap = std::max(startPattern.size(), endPattern.size()) - 1;

  Bytes window;
  bool endFound = false;
  uint64_t endAt = 0;
  uint64_t pos = size;  // end of the window, exclusive
  for (;;) {
    const uint64_t windowStart = pos > kChunkSize ? pos - kChunkSize : 0;
    // The window reaches a pattern length into the one read before, for markers across it.
    const uint64_t windowEnd = std::min<uint64_t>(size, pos + overlap);
    if (!ReadRange(file, windowStart, windowEnd, window)) return {};

    if (!endFound) {
      size_t at = FindLastBefore(window, endPattern, window.size());
      if (at != Bytes::npos) {
        endFound = true;
        endAt = windowStart + at;
      }
    }
    if (endFound) {
      // The start pattern must end before the end pattern begins.
      const size_t limit = size_t(std::min<uint64_t>(endAt - windowStart, window.size()));
      size_t at = FindLastBefore(window, startPattern, limit);
      if (at != Bytes::npos) {
        const uint64_t contentStart = windowStart + at + startPattern.size();
        Bytes content;
        if (!ReadRange(file, contentStart, endAt, content)) return {};
        return content;
      }
    }
    if (windowStart == 0) return {};
    pos = windowStart;
  }
}

std::string ReadPackageType(const std::string& path) {
  return FindBlockForward(path, kTypeStart, kTypeEnd).content;
}

namespace {
// The six signature bytes and format major version 0. The minor version is not compared:
// current 7-Zip writes 0.4, older ones 0.3, and an archive of either is sound; taking a 0.4
// archive for a damaged one would make the repair write into it.
bool HasSignatureAt(plat::File& file, uint64_t offset) {
  static const uint8_t signature[7] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C, 0x00};
  uint8_t head[8];
  return file.Seek(offset) && file.ReadExact(head, sizeof head) &&
         std::equal(head, head + 7, signature);
}
}  // namespace

int CheckArchiveSignature(const std::string& path) {
  plat::File file = plat::File::Open(path, plat::OpenMode::kRead);
  if (!file.IsOpen()) return -1;
  if (HasSignatureAt(file, 0)) return 0;
  if (HasSignatureAt(file, 1)) return 1;
  return -1;
}

void RepairArchiveSignature(const std::string& path, uint64_t offset) {
  if (CheckArchiveSignature(path) != -1) return;
  plat::File file = plat::File::Open(path, plat::OpenMode::kReadWrite);
  if (file.IsOpen() && file.Seek(offset)) (void)file.Write("7z", 2);
}

}  // namespace blocks
