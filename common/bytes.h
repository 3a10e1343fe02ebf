// Bytes and texts of the system.
//
// Every text is a std::string of GBK (code page 936) bytes; a byte buffer is the same type,
// because the configuration formats mix the two freely (a key's text, 0x01, raw item data, the
// key again). Keeping one type means concatenation and byte searches need no conversions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using Bytes = std::string;
using BytesView = std::string_view;

// Builds bytes from a list of byte values, for patterns that must not sit in our binaries as
// one literal (a block marker followed by its 0x01 byte).
inline Bytes BytesOf(std::initializer_list<uint8_t> values) {
  return Bytes(values.begin(), values.end());
}
