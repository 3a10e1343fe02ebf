// Win32 implementation of platform.h (process); being filled in.
#include "platform/platform.h"
