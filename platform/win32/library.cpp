// Win32 implementation of platform.h (library); being filled in.
#include "platform/platform.h"
