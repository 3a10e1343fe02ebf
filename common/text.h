// Byte-level text helpers. All comparisons are case-sensitive raw byte comparisons unless the
// name says otherwise; GBK is never decoded here (a GBK trail byte can equal an ASCII byte, so
// callers that split at ASCII separators inside GBK text accept the same ambiguity the
// configuration formats have always had).
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

}  // namespace text
