// The wizard's page texts (GUItext.ini). In a project they are key=value lines, a line break
// inside a value written as the two characters \n; the runtime reads them as an enciphered
// keyed store, one item per key, inside a file enciphered as a whole.
#pragma once

#include <map>
#include <string>

#include "common/bytes.h"
#include "tools/pack/project_text.h"

// Checks keys and values (font markup, colour list, button list). "" or "file:line: what".
std::string CheckPageTexts(const ProjectText& file);

// The stored GUItext.ini. `names` maps built-in placeholders known when packing
// ("%ProductName%" ...) to their values; they are filled in because the runtime never expands
// variables inside enciphered items. Items are written in the runtime's key order, so the same
// texts always give the same bytes.
Bytes StorePageTexts(const ProjectText& file, const std::map<std::string, std::string>& names);

// The project text (GBK, LF line ends) of a stored GUItext.ini; "" when nothing is readable.
std::string ReadStoredPageTexts(BytesView stored);
