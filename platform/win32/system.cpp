// Win32 implementation of platform.h (system); being filled in.
#include "platform/platform.h"
