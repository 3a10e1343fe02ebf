// Byte-level text helpers. All comparisons are case-sensitive raw byte comparisons unless the
// name says otherwise. GBK is decoded only by the path helpers at the end: a GBK trail byte can
// equal an ASCII byte, so callers that split configuration text at ASCII separators accept the
// same ambiguity the configuration formats have always had, but paths are split by characters
// (the trail byte of many common characters is "\").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"

namespace text {

inline constexpr size_t npos = std::string::npos;

// First occurrence of `needle` at or after `from`; npos when absent or when `needle` is empty.
size_t Find(BytesView haystack, BytesView needle, size_t from = 0);
// Last occurrence of `needle` that starts at or before `before` (npos: anywhere).
size_t FindLast(BytesView haystack, BytesView needle, size_t before = npos);
bool Contains(BytesView haystack, BytesView needle);
bool StartsWith(BytesView s, BytesView prefix);
bool EndsWith(BytesView s, BytesView suffix);

// Splits at every occurrence of `separator`. An empty input gives one empty piece; an empty
// separator gives the whole input as one piece.
std::vector<std::string> Split(BytesView s, BytesView separator);
std::string Join(const std::vector<std::string>& pieces, BytesView separator);

// Replaces every occurrence left to right; inserted text is never searched again.
std::string ReplaceAll(BytesView s, BytesView from, BytesView to);

// Removes leading and trailing blanks (spaces only).
std::string TrimBlanks(BytesView s);
// Removes leading and trailing spaces, tabs, CR and LF.
std::string TrimWhitespace(BytesView s);

// Integer parsing as the runtime has always done it: optional blanks, optional sign, then
// digits up to the first non-digit. Non-numbers give 0; overflow saturates.
int32_t ToInt(BytesView s);
int64_t ToInt64(BytesView s);

std::string FromInt(int64_t value);
// Lower-case hexadecimal digits, two per byte, leading zeros kept.
std::string HexLower(BytesView data);
// ASCII case folding only: GBK bytes above 0x7F are left alone.
std::string ToLowerAscii(BytesView s);
bool EqualsIgnoreCaseAscii(BytesView a, BytesView b);
// Case-insensitive (ASCII) search.
size_t FindIgnoreCaseAscii(BytesView haystack, BytesView needle, size_t from = 0);

// The three-digit volume suffix: 1 -> "001", 10 -> "010", 1000 -> "1000".
std::string PadNumber3(int value);

// --- GBK paths -------------------------------------------------------------------------------
// Code page 936 reads a lead byte 0x81-0xFE together with the byte after it as one character,
// whatever that byte is; a lead byte at the very end stands alone. The trail byte of characters
// such as 淺 (9C 5C) is "\", so a path is never searched for "\" byte by byte.

// Length (1 or 2) of the character that starts at `i` (i < s.size()).
size_t GbkCharLength(BytesView s, size_t i);

// True when `name` can stand as one folder name inside another folder and means nothing else:
// not empty, not "." or "..", no separator, drive colon or wildcard, no character Windows
// refuses in a name (< > " | and control characters), no trailing blank or dot (Windows drops
// them, so "App." would name "App"). Walked by GBK characters: a trail byte 0x5C or 0x7C is
// part of its character, not a "\" or "|".
bool IsPlainFolderName(BytesView name);

// Which bytes separate path components: "\" only (the runtime's paths), or "\" and "/"
// (archive names and command lines, where both are taken).
enum class PathSeparators { kBackslash, kBothSlashes };

// First separator at or after byte `from` that is a character of its own; npos when none.
size_t FindSeparator(BytesView path, size_t from = 0,
                     PathSeparators separators = PathSeparators::kBackslash);
// Last separator that is a character of its own; npos when none.
size_t FindLastSeparator(BytesView path, PathSeparators separators = PathSeparators::kBackslash);
// True when the last character of `path` is a separator (not the trail byte of a character).
bool EndsWithSeparator(BytesView path, PathSeparators separators = PathSeparators::kBackslash);
// `folder` with one "\" at its end (added when it has none).
std::string WithSeparator(BytesView folder);
// Splits at every separator character, as Split(path, "\\") does for ASCII: empty pieces are
// kept (a leading, doubled or trailing separator gives one), an empty path gives one piece.
std::vector<std::string> SplitPath(BytesView path,
                                   PathSeparators separators = PathSeparators::kBackslash);
// Removes trailing separator characters while the path is longer than `keep` bytes (3 keeps
// the "\" of "C:\").
std::string StripTrailingSeparators(BytesView path, size_t keep = 0,
                                    PathSeparators separators = PathSeparators::kBackslash);

// The flag texts of the configuration: a value is true exactly when it is "真"; the false text
// the system writes is "假".
inline constexpr char kTrueText[] = "真";
inline constexpr char kFalseText[] = "假";
inline bool IsTrueText(BytesView value) { return value == kTrueText; }

}  // namespace text
