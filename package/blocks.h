// Marked blocks appended to a program file: 0x00, start marker, 0x01, content, end marker,
// 0x01. The 0x01 bytes are part of what is searched, so the same marker texts inside a
// program's constant data (followed by 0x00 there) are never matched.
//
// Both scans stream the file in 15 MiB chunks and never read it whole. Unlike the classic
// design, chunks are searched with an overlap of one pattern length, so a marker that
// straddles a chunk boundary is still found; every other result is the same.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/bytes.h"

namespace blocks {

inline constexpr uint64_t kChunkSize = 0xF00000;  // 15 MiB

// Marker texts (without their 0x01).
extern const char kTypeStart[];      // "QZR-mark=配置包A"
extern const char kTypeEnd[];        // "QZR-mark=配置包B"
extern const char kPayloadStart[];   // "QZR-mark=7zipdataA"
extern const char kPayloadEnd[];     // "QZR-mark=7zipdataB"
extern const char kConfigStart[];    // "QZR-mark=配置包sA"
extern const char kConfigEnd[];      // "QZR-mark=配置包sB"
extern const char kUninstDataStart[];
extern const char kUninstDataEnd[];
extern const char kUninstIniStart[];
extern const char kUninstIniEnd[];
extern const char kSkinStart[];
extern const char kSkinEnd[];

// The block as it is appended to a file: 0x00, start, 0x01, content, end, 0x01.
Bytes MakeBlock(BytesView startMarker, BytesView content, BytesView endMarker);
// What the scans search for: the marker followed by its 0x01.
Bytes MarkerPattern(BytesView marker);
// A block's head as written before its content (0x00, marker, 0x01), and its tail (marker,
// 0x01): writers that stream a large content use these around it.
Bytes BlockHead(BytesView startMarker);
Bytes BlockTail(BytesView endMarker);

using ProgressFn = std::function<void(int percent)>;

// Where the size of a file that reports 0 bytes is retried before it counts as unreadable.
inline constexpr int kZeroSizeRetries = 20;  // every 100 ms: 2 s in all

struct ForwardResult {
  bool found = false;  // both markers found
  Bytes content;       // without copy-out: the block content
  // With copy-out: bytes written to the copy (start marker .. end of the last chunk read).
  uint64_t copied = 0;
  // With copy-out: the copy could not be created or written (a full drive), as opposed to a
  // file that holds no such block.
  bool copyFailed = false;
};

// Scans from the start of the file. Without `copyTo` the result holds the block content.
// With `copyTo` (a path), the file bytes from the start marker to the end of the chunk that
// holds the end marker are streamed into a new file at `copyTo` (replacing it).
// `progress` is called after each chunk in which the scan goes on, with pending window
// messages processed first.
ForwardResult FindBlockForward(const std::string& path, BytesView startMarker,
                               BytesView endMarker, const ProgressFn& progress = nullptr,
                               const std::string& copyTo = "");

// Scans from the end of the file: the content of the last block with these markers; empty
// when not found or the file cannot be read.
Bytes FindBlockBackward(const std::string& path, BytesView startMarker, BytesView endMarker);

// The content of the type block as text ("qzr-1", "qzr-2"), "" when there is none.
std::string ReadPackageType(const std::string& path);

// 0 when the file starts with the 7z signature, 1 when the signature starts at offset 1,
// -1 otherwise (also when the file cannot be read).
int CheckArchiveSignature(const std::string& path);
// When the signature is found neither at 0 nor at 1, writes "7z" at `offset`.
void RepairArchiveSignature(const std::string& path, uint64_t offset);

}  // namespace blocks
