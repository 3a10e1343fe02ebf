// The keyed item store: items of the form key, 0x01, data, key, "end", one after another.
// In the enciphered variant the key (both places) and the data are enciphered with the
// keyed-item pass phrase.
#pragma once

#include <string>

#include "common/bytes.h"

// The bytes after the first occurrence of `startPattern` up to the first following
// occurrence of `endPattern`; empty when either is missing.
Bytes BytesBetween(BytesView data, BytesView startPattern, BytesView endPattern);

// True with the item when a non-empty item was found; `item` is unchanged otherwise. Keys are
// matched as raw bytes anywhere in the store (see keyed_store.cpp); an empty plain key finds
// nothing. Enciphered: an item that does not decipher counts as not found.
// What the writers store for an empty value: the three bytes 01 02 03 (a plain item cannot be
// empty, its reader would not find it).
inline constexpr char kEmptyItemMark[] = "\x01\x02\x03";

bool ReadKeyedItem(BytesView store, const std::string& key, bool enciphered, Bytes& item);

// Appends one item to a store (the packaging tool writes stores with it).
void AppendKeyedItem(Bytes& store, const std::string& key, BytesView item, bool enciphered);
