// The fixed pass phrases of the package cipher. The packaging tool and the runtime must agree
// on them byte for byte, so they live here and nowhere else.
//
// The keyed-item phrase is written as GBK bytes rather than as a literal, so that the cipher
// does not depend on the compiler's execution character set (the fuzz build uses clang, which
// keeps literals in UTF-8).
#pragma once

#include "common/bytes.h"

namespace cipher::keys {

inline constexpr char kGuiTextPhrase[] = "r7Q";        // GUItext.ini: 3 ASCII characters
inline constexpr char kExceptPhrase[] = "x";           // Except.ini: 1 ASCII character
inline constexpr char kScriptPhrase[] = "Wendrik";     // choosegment.ini: 7 ASCII letters
// Enciphered keyed items: the four characters 松风竹影, GBK.
inline constexpr char kKeyedItemPhrase[] = "\xCB\xC9\xB7\xE7\xD6\xF1\xD3\xB0";

static_assert(sizeof(kGuiTextPhrase) == 3 + 1);
static_assert(sizeof(kExceptPhrase) == 1 + 1);
static_assert(sizeof(kScriptPhrase) == 7 + 1);
static_assert(sizeof(kKeyedItemPhrase) == 8 + 1);

// Prefixed to the pass phrase before hashing, so these keys are never the plain digest of a
// short phrase that someone may have tabulated.
inline constexpr char kDerivationDomain[] = "installer/package-cipher/3des-ecb/v1:";

}  // namespace cipher::keys
